// The command line's forms, and the folder-menu verbs that run it.
#include <gtest/gtest.h>

#include "app/form1.h"
#include "fake_platform.h"
#include "fake_view.h"

namespace vk {
namespace {

using Kind = Request::Kind;
using Folders = std::vector<std::wstring>;

TEST(CommandLineTest, FormsOfTheCommandLine) {
  const struct {
    const wchar_t* line;
    Kind kind;
    Folders folders;
  } cases[] = {
      {L"\"C:\\My Tools\\Veilkeep.exe\"  \t", Kind::None, {}},
      {L"\"C:\\a b\\Veilkeep.exe\" /HIDE \"D:\\My Folder\" E:\\x",
       Kind::Hide,
       {L"D:\\My Folder", L"E:\\x"}},
      {L"Veilkeep.exe\t/UnHide\t\"D:\\My Folder\\\"", Kind::Unhide, {L"D:\\My Folder"}},
      {L"Veilkeep.exe /unhide \"D:\\a\\\\b\" D:\\c\\\\ \"D:\\\"",
       Kind::Unhide,
       {L"D:\\a\\\\b", L"D:\\c", L"D:\\"}},
      {L"Veilkeep.exe /hide", Kind::Bad, {}},
      {L"Veilkeep.exe /hide \"\"", Kind::Bad, {}},
      {L"Veilkeep.exe -hide D:\\a", Kind::Bad, {}},
      {L"Veilkeep.exe D:\\a", Kind::Bad, {}},
      {L"Veilkeep.exe /Folder-Menu ON", Kind::FolderMenuOn, {}},
      {L"Veilkeep.exe /folder-menu off", Kind::FolderMenuOff, {}},
      {L"Veilkeep.exe /folder-menu on D:\\a", Kind::Bad, {}},
  };
  for (const auto& c : cases) {
    const Request request = ParseCommandLine(c.line);
    EXPECT_EQ(request.kind, c.kind) << testing::PrintToString(std::wstring(c.line));
    EXPECT_EQ(request.folders, c.folders) << testing::PrintToString(std::wstring(c.line));
  }
}

// The menu item is checked while both verbs run this exe; a click points
// verbs of another copy here, and removes them when they are this one's.
TEST(CommandLineTest, FolderMenuItemPointsTheVerbsHere) {
  FakePlatform platform;
  FakeView view;
  Form1 form{platform, view};
  platform.folder_verbs[L"Veilkeep.Hide"] = L"\"E:\\Old\\Veilkeep.exe\" /hide \"%1\"";
  ASSERT_TRUE(form.Load());
  EXPECT_FALSE(form.FolderMenuChecked());
  form.Handle({UserAction::Kind::FolderMenu});
  EXPECT_TRUE(form.FolderMenuChecked());
  EXPECT_EQ(platform.folder_verbs[L"Veilkeep.Unhide"],
            L"\"C:\\Apps\\Veilkeep\\Veilkeep.exe\" /unhide \"%1\"");
  platform.registry_error = L"Access is denied.";
  form.Handle({UserAction::Kind::FolderMenu});
  EXPECT_EQ(platform.messages.size(), 1u);
  platform.registry_error.clear();
  form.Handle({UserAction::Kind::FolderMenu});
  EXPECT_EQ(platform.folder_verbs[L"Veilkeep.Hide"] + platform.folder_verbs[L"Veilkeep.Unhide"],
            L"");
}

}  // namespace
}  // namespace vk
