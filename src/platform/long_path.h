// Paths past the classic 260-character limit.
#pragma once

#include <string>

namespace vk {

// Paths this long or longer are handed to the system in the extended-length
// form; shorter ones keep their ordinary form (which every call accepts).
constexpr size_t kLongPathFrom = 248;  // the limit for a folder's name and path

// The extended-length form ("\\?\C:\..." or "\\?\UNC\server\share\...") of a
// full, already normalised path; any other text comes back as it is.
inline std::wstring ExtendedLengthPath(const std::wstring& full) {
  if (full.compare(0, 4, L"\\\\?\\") == 0 || full.compare(0, 4, L"\\\\.\\") == 0) return full;
  if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\') return L"\\\\?\\" + full;
  if (full.size() > 2 && full[0] == L'\\' && full[1] == L'\\') {
    return L"\\\\?\\UNC\\" + full.substr(2);
  }
  return full;
}

// The ordinary form of a path the system gives in the extended-length form
// (a file's final path): "C:\..." or "\\server\share\...". A volume with no
// drive letter ("\\?\Volume{...}\...") has no other form and keeps it.
inline std::wstring OrdinaryPath(const std::wstring& path) {
  if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\\\" + path.substr(8);
  if (path.compare(0, 4, L"\\\\?\\") == 0 && path.size() >= 7 && path[5] == L':' &&
      path[6] == L'\\') {
    return path.substr(4);
  }
  return path;
}

}  // namespace vk
