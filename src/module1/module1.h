// The folder browser and the drive-type check used by Add.
#pragma once

#include <string>

#include "platform/platform.h"

namespace vk {
namespace msg {

inline std::wstring InvalidFolder() { return L"Invalid folder!"; }
inline std::wstring UnsupportedFolderType() { return L"The type of folder is not supported!"; }

}  // namespace msg

// Shows the folder browser with `prompt`. Cancelled when the user cancels;
// NoPath when the chosen item has no file-system path that fits.
BrowseResult PickFolder(Platform& platform, const std::wstring& prompt);

// True when the folder may be added: its drive-type code (of the whole
// path as passed) is 1 (not a root) or 3 (fixed). Otherwise shows why, or
// puts the message in *why when given, and returns false.
bool IsSupportedFolder(Platform& platform, const std::wstring& path, std::wstring* why = nullptr);

}  // namespace vk
