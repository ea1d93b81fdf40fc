// The program's command line, for shortcuts, scripts and the file manager's
// folder menu: what it asks for, and the folder-menu verbs that run it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace vk {

// What a start of the program was asked to do.
struct Request {
  enum class Kind {
    None, Hide, Unhide, FolderMenuOn, FolderMenuOff, Bad, FindHidden, HideAll, UnhideAll,
    ShortcutKey
  };
  Kind kind = Kind::None;
  std::vector<std::wstring> folders;  // Hide and Unhide: each as given, in order; FindHidden: one
  uint16_t key = 0;                   // ShortcutKey: the key (0: none, the shortcut removed)
};

// Exit codes: every folder ended as asked; not every one did; the command
// line was not understood.
constexpr int kExitDone = 0;
constexpr int kExitNotDone = 1;
constexpr int kExitBadCommandLine = 2;

inline constexpr const wchar_t* kUsage =
    L"Veilkeep.exe /hide FOLDER...\n"
    L"Veilkeep.exe /unhide FOLDER...\n"
    L"Veilkeep.exe /folder-menu on|off\n"
    L"Veilkeep.exe /find-hidden FOLDER\n"
    L"Veilkeep.exe /hide-all\n"
    L"Veilkeep.exe /unhide-all\n"
    L"Veilkeep.exe /shortcut-key ctrl+alt+h|off";

// The whole command line as the system gives it (the program's name first),
// split as Windows splits one into arguments: switches in any letter case,
// each folder one argument, quoted when it holds spaces. A quote always
// groups in a folder (a quoted "D:\My Data\" ends there) and a folder's
// trailing backslash is dropped (D:\ stays).
Request ParseCommandLine(std::wstring_view command_line);

// The Hide All shortcut of the Start menu, whose key hides every listed
// folder from anywhere, Veilkeep running or not.
inline constexpr const wchar_t* kShortcutName = L"Veilkeep - Hide All.lnk";
// A key as written ("ctrl+alt+h": any of ctrl, alt, shift with one letter,
// digit or F1 to F24, in any order and letter case); false when not understood.
bool ParseShortcutKey(std::wstring_view text, uint16_t* key);
// "Ctrl+Alt+H"; empty for none.
std::wstring ShortcutKeyText(uint16_t key);
// The key of the Hide All shortcut now; 0 when there is none.
uint16_t ShortcutKeyNow(Platform& platform);
// Makes the Hide All shortcut start this program, `exe` as it was started,
// with /hide-all, minimized, on `key`; 0 removes it. A key without Ctrl or
// Alt is refused, saying why.
Status SetShortcutKey(Platform& platform, const std::wstring& exe, uint16_t key);

// The two verbs of the file manager's folder menu, for the current user only.
// True when both run this program, `exe`.
bool FolderMenuIsHere(Platform& platform, const std::wstring& exe);
// Writes both verbs, pointing at `exe`, or removes both.
Status SetFolderMenu(Platform& platform, const std::wstring& exe, bool on);

}  // namespace vk
