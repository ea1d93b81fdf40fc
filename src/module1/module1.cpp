#include "module1/module1.h"

namespace vk {

BrowseResult PickFolder(Platform& platform, const std::wstring& prompt) {
  BrowseResult result = platform.BrowseForFolder(prompt);
  if (result.outcome == BrowseOutcome::Chosen && result.path.empty()) {
    result.outcome = BrowseOutcome::NoPath;
  }
  return result;
}

bool IsSupportedFolder(Platform& platform, const std::wstring& path, std::wstring* why) {
  const unsigned code = platform.DriveType(path);
  if (code == kDriveNoRootDir || code == kDriveFixed) return true;
  if (why) {
    *why = msg::UnsupportedFolderType();
  } else {
    ShowError(platform, msg::UnsupportedFolderType());
  }
  return false;
}

}  // namespace vk
