// What the parts of Win32Platform share: the user's sentence for the last
// error, and the form of a path the file-system calls should be given.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/platform.h"

namespace vk {

// The last error as a failed Status.
Status LastError();
// Like LastError, but a file another program holds open (or is scanning, so
// that access is refused for a moment) is marked busy: worth trying again.
Status LastFileError();
// `path` as the file-system calls should be given it: a long path in its
// extended-length form, so that it works whatever the system's path limit.
std::wstring SystemPath(const std::wstring& path);
// The path of the open file, symbolic links followed, in its plain form
// (C:\... or \\server\share\...); `fallback` when it cannot be told.
std::wstring FinalPathOf(HANDLE file, const std::wstring& fallback);
// Every name of the file `path`, when it has several and the system lists
// them (names come from the root of its volume: drive-letter paths only).
// False when it has more names than could be found.
bool NamesOf(const std::wstring& path, std::vector<std::wstring>* names);

}  // namespace vk
