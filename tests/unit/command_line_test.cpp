// The command line's forms.
#include <gtest/gtest.h>

#include <tuple>

#include "app/command_line.h"
#include "fake_platform.h"

namespace vk {
namespace {

TEST(CommandLineTest, FormsOfTheCommandLine) {
  using Kind = Request::Kind;
  const struct {
    const wchar_t* line;
    Kind kind;
    std::vector<std::wstring> folders;
    uint16_t key = 0;
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
      {L"Veilkeep.exe /find-hidden \"\"", Kind::Bad, {}},
      {L"Veilkeep.exe /folder-menu o\"ff\"", Kind::FolderMenuOff, {}},  // Windows' own split
      {L"Veilkeep.exe /Hide-All", Kind::HideAll, {}},
      {L"Veilkeep.exe /unhide-all", Kind::UnhideAll, {}},
      {L"Veilkeep.exe /hide-all D:\\a", Kind::Bad, {}},
      {L"Veilkeep.exe /shortcut-key Ctrl+Alt+h", Kind::ShortcutKey, {}, 0x648},
      {L"Veilkeep.exe /shortcut-key shift+F12", Kind::ShortcutKey, {}, 0x17B},
      {L"Veilkeep.exe /shortcut-key alt+9", Kind::ShortcutKey, {}, 0x439},
      {L"Veilkeep.exe /shortcut-key alt+f1", Kind::ShortcutKey, {}, 0x470},
      {L"Veilkeep.exe /shortcut-key ctrl+x1", Kind::Bad, {}},
      {L"Veilkeep.exe /shortcut-key ctrl+f1x", Kind::Bad, {}},
      {L"Veilkeep.exe /shortcut-key ctrl+x12", Kind::Bad, {}},
      {L"Veilkeep.exe /shortcut-key alt+f0", Kind::Bad, {}},
      {L"Veilkeep.exe /shortcut-key alt+F24", Kind::ShortcutKey, {}, 0x487},
      {L"Veilkeep.exe /shortcut-key ctrl+a", Kind::ShortcutKey, {}, 0x241},
      {L"Veilkeep.exe /shortcut-key ctrl+Z", Kind::ShortcutKey, {}, 0x25A},
      {L"Veilkeep.exe /shortcut-key ctrl+0", Kind::ShortcutKey, {}, 0x230},
      {L"Veilkeep.exe /shortcut-key ctrl+h+", Kind::Bad, {}},
      {L"Veilkeep.exe /shortcut-key OFF", Kind::ShortcutKey, {}, 0},
      {L"Veilkeep.exe /shortcut-key ctrl+alt", Kind::Bad, {}},
      {L"Veilkeep.exe /shortcut-key ctrl+ctrl+h", Kind::Bad, {}},
      {L"Veilkeep.exe /shortcut-key ctrl+F25", Kind::Bad, {}},
      {L"Veilkeep.exe /shortcut-key ctrl+h+j", Kind::Bad, {}},
      {L"Veilkeep.exe /shortcut-key", Kind::Bad, {}},
      // clang-format on
  };
  for (const auto& c : cases) {
    const Request request = ParseCommandLine(c.line);
    EXPECT_EQ(std::make_tuple(request.kind, request.folders, request.key),
              std::make_tuple(c.kind, c.folders, c.key))
        << testing::PrintToString(std::wstring(c.line));
  }
}

// The Start menu's Hide All shortcut: the exe as started, /hide-all, its
// folder, minimized, the key; refused without Ctrl or Alt; removed.
TEST(CommandLineTest, TheHideAllShortcutHoldsTheKey) {
  FakePlatform platform;
  const std::wstring exe = L"C:\\Users\\u\\scoop\\apps\\veilkeep\\current\\Veilkeep.exe";
  const Status refused = SetShortcutKey(platform, exe, kKeyShift | 'H');
  EXPECT_NE(refused.reason.find(L"Shift+H is not taken: a shortcut key needs Ctrl or Alt"), std::wstring::npos);
  ASSERT_TRUE(SetShortcutKey(platform, exe, kKeyControl | kKeyAlt | 'H'));
  const Shortcut& made = platform.shortcuts[kShortcutName];
  EXPECT_EQ(made.target + L" " + made.arguments + L" in " + made.folder + (made.minimized ? L", minimized" : L""),
            exe + L" /hide-all in C:\\Users\\u\\scoop\\apps\\veilkeep\\current, minimized");
  EXPECT_EQ(ShortcutKeyText(ShortcutKeyNow(platform)) + L" " + ShortcutKeyText(kKeyShift | kKeyControl | 0x87) +
                L" " + ShortcutKeyText(kKeyAlt | 0x70) + L" " + ShortcutKeyText(kKeyAlt | '9') +
                ShortcutKeyText(kKeyControl),
            L"Ctrl+Alt+H Ctrl+Shift+F24 Alt+F1 Alt+9");
  ASSERT_TRUE(SetShortcutKey(platform, L"E:\\Veilkeep.exe", kKeyAlt | 'H'));  // at a drive's root
  EXPECT_EQ(platform.shortcuts[kShortcutName].folder, L"E:\\");
  ASSERT_TRUE(SetShortcutKey(platform, exe, 0));
  EXPECT_EQ(ShortcutKeyNow(platform), 0);
}

}  // namespace
}  // namespace vk
