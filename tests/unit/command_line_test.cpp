// The command line's forms.
#include <gtest/gtest.h>

#include "app/command_line.h"

namespace vk {
namespace {

TEST(CommandLineTest, FormsOfTheCommandLine) {
  using Kind = Request::Kind;
  const struct {
    const wchar_t* line;
    Kind kind;
    std::vector<std::wstring> folders;
  } cases[] = {
      // clang-format off
      {L"\"C:\\My Tools\\Veilkeep.exe\"  \t", Kind::None, {}},
      {L"\"C:\\a b\\Veilkeep.exe\" /HIDE \"D:\\My Folder\" E:\\x", Kind::Hide, {L"D:\\My Folder", L"E:\\x"}},
      {L"Veilkeep.exe\t/UnHide\t\"D:\\My Folder\\\"", Kind::Unhide, {L"D:\\My Folder"}},
      {L"Veilkeep.exe /unhide \"D:\\a\\\\b\" D:\\c\\\\ \"D:\\\"", Kind::Unhide, {L"D:\\a\\\\b", L"D:\\c", L"D:\\"}},
      {L"Veilkeep.exe /hide \"D:\\My Data\\\" E:\\Notes\tF:\\x", Kind::Hide, {L"D:\\My Data", L"E:\\Notes", L"F:\\x"}},
      {L"Veilkeep.exe /hide \"D:\\a\\\" \"E:\\b c\\\"", Kind::Hide, {L"D:\\a", L"E:\\b c"}},
      {L"Veilkeep.exe /hide \"D:\\My Data\\\"E:\\Notes", Kind::Hide, {L"D:\\My Data", L"E:\\Notes"}},
      {L"Veilkeep.exe /hide", Kind::Bad, {}},
      {L"Veilkeep.exe /hide \"\"", Kind::Bad, {}},
      {L"Veilkeep.exe -hide D:\\a", Kind::Bad, {}},
      {L"Veilkeep.exe /Folder-Menu ON", Kind::FolderMenuOn, {}},
      {L"Veilkeep.exe /folder-menu off", Kind::FolderMenuOff, {}},
      {L"Veilkeep.exe /folder-menu on D:\\a", Kind::Bad, {}},
      {L"Veilkeep.exe /Find-Hidden \"E:\\\"", Kind::FindHidden, {L"E:\\"}},
      {L"Veilkeep.exe /find-hidden E:\\a E:\\b", Kind::Bad, {}},
      // clang-format on
  };
  for (const auto& c : cases) {
    const Request request = ParseCommandLine(c.line);
    EXPECT_EQ(std::make_pair(request.kind, request.folders), std::make_pair(c.kind, c.folders))
        << testing::PrintToString(std::wstring(c.line));
  }
}

}  // namespace
}  // namespace vk
