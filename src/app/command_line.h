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
  enum class Kind { None, Hide, Unhide, FolderMenuOn, FolderMenuOff, Bad, FindHidden };
  Kind kind = Kind::None;
  std::vector<std::wstring> folders;  // Hide and Unhide: each as given, in order; FindHidden: one
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
    L"Veilkeep.exe /find-hidden FOLDER";

// The whole command line as the system gives it (the program's name first),
// split as Windows splits one into arguments: switches in any letter case,
// each folder one argument, quoted when it holds spaces. A quote always
// groups in a folder (a quoted "D:\My Data\" ends there) and a folder's
// trailing backslash is dropped (D:\ stays).
Request ParseCommandLine(std::wstring_view command_line);

// The two verbs of the file manager's folder menu, for the current user only.
// True when both run this program, `exe`.
bool FolderMenuIsHere(Platform& platform, const std::wstring& exe);
// Writes both verbs, pointing at `exe`, or removes both.
Status SetFolderMenu(Platform& platform, const std::wstring& exe, bool on);

}  // namespace vk
