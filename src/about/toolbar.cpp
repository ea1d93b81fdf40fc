#include "about/toolbar.h"

namespace vk {

ToolbarAction ActionForToolbarButton(int index) {
  switch (index) {
    case 2:
      return ToolbarAction::ShowHowToUse;
    case 3:
      return ToolbarAction::OpenProductPage;
    case 4:
      return ToolbarAction::OpenSupportPage;
    case 5:
      return ToolbarAction::ShowAbout;
    default:
      return ToolbarAction::None;
  }
}

std::wstring ProductPageAddress(const std::wstring& host) {
  return L"http://" + host + L"/veilkeep.php";
}

std::wstring SupportPageAddress(const std::wstring& host) {
  return L"http://" + host + L"/support.php";
}

std::wstring VersionText(const VersionNumbers& version) {
  return L"Version: " + Decimal(version.major) + L"." + Decimal(version.minor);
}

}  // namespace vk
