// The command line's forms, and the folder-menu verbs that run it.
#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/form1.h"
#include "fake_platform.h"
#include "fake_view.h"

namespace vk {
namespace {

using Kind = Request::Kind;

TEST(CommandLineTest, FormsOfTheCommandLine) {
  struct Case {
    const wchar_t* line;
    Kind kind;
    std::vector<std::wstring> folders;
  };
  const Case cases[] = {
      {L"Veilkeep.exe", Kind::None, {}},
      {L"\"C:\\My Tools\\Veilkeep.exe\"  \t", Kind::None, {}},
      {L"Veilkeep.exe /hide D:\\Private", Kind::Hide, {L"D:\\Private"}},
      {L"\"C:\\a b\\Veilkeep.exe\" /HIDE \"D:\\My Folder\" E:\\x",
       Kind::Hide,
       {L"D:\\My Folder", L"E:\\x"}},
      {L"Veilkeep.exe\t/UnHide\t\"D:\\My Folder\\\"", Kind::Unhide, {L"D:\\My Folder"}},
      {L"Veilkeep.exe /unhide D:\\a\\\\ \"D:\\\"", Kind::Unhide, {L"D:\\a", L"D:\\"}},
      {L"Veilkeep.exe /hide \"D:\\a\\\\b\" D:\\\\c", Kind::Hide, {L"D:\\a\\\\b", L"D:\\\\c"}},
      {L"Veilkeep.exe /hide", Kind::Bad, {}},
      {L"Veilkeep.exe /hide \"\"", Kind::Bad, {}},
      {L"Veilkeep.exe /hidden D:\\a", Kind::Bad, {}},
      {L"Veilkeep.exe -hide D:\\a", Kind::Bad, {}},
      {L"Veilkeep.exe D:\\a", Kind::Bad, {}},
      {L"Veilkeep.exe /folder-menu ON", Kind::FolderMenuOn, {}},
      {L"Veilkeep.exe /Folder-Menu off", Kind::FolderMenuOff, {}},
      {L"Veilkeep.exe /folder-menu", Kind::Bad, {}},
      {L"Veilkeep.exe /folder-menu on D:\\a", Kind::Bad, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.line)));
    const Request request = ParseCommandLine(c.line);
    EXPECT_EQ(request.kind, c.kind);
    EXPECT_EQ(request.folders, c.kind == Kind::Bad ? std::vector<std::wstring>() : c.folders);
  }
}

// The verbs run this exe with the folder the file manager gives; a click on
// the menu item points them here, or removes them when they already are.
TEST(CommandLineTest, FolderMenuVerbsRunThisProgram) {
  FakePlatform platform;
  FakeView view;
  Form1 form{platform, view};
  platform.folder_verbs[L"Veilkeep.Hide"] = {L"Veilkeep.Hide", L"Hide with Veilkeep",
                                             L"\"E:\\Old\\Veilkeep.exe\" /hide \"%1\"", L""};
  ASSERT_TRUE(form.Load());
  EXPECT_FALSE(form.FolderMenuChecked());
  form.Handle({UserAction::Kind::FolderMenu});
  ASSERT_TRUE(form.FolderMenuChecked());
  for (const auto& [key, verb] : platform.folder_verbs) {
    std::wstring line = verb.command;
    line.replace(line.find(L"%1"), 2, L"D:\\My Folder");
    EXPECT_EQ(ParseCommandLine(line).folders, std::vector<std::wstring>{L"D:\\My Folder"});
    EXPECT_EQ(ParseCommandLine(line).kind, key == L"Veilkeep.Hide" ? Kind::Hide : Kind::Unhide);
    EXPECT_EQ(verb.icon, L"C:\\Apps\\Veilkeep\\Veilkeep.exe,0");
  }
  EXPECT_EQ(platform.folder_verbs.size(), 2u);
  platform.registry_error = L"Access is denied.";
  form.Handle({UserAction::Kind::FolderMenu});
  ASSERT_EQ(platform.messages.size(), 1u);
  platform.registry_error.clear();
  form.Handle({UserAction::Kind::FolderMenu});
  EXPECT_TRUE(platform.folder_verbs.empty());
}

}  // namespace
}  // namespace vk
