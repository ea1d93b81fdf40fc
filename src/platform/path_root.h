// The drive or network share a path lies on.
#pragma once

#include <string>
#include <string_view>

namespace vk {

// The root of the full path `path`: "X:\" (the letter in upper case) for
// "X:\..." or "X:", "\\server\share\" for "\\server\share\..."; empty for any
// other text (a relative path, a share without its name, "\\?\..." forms).
inline std::wstring PathRoot(std::wstring_view path) {
  if (path.size() >= 2 && path[1] == L':' && (path.size() == 2 || path[2] == L'\\')) {
    const wchar_t letter = path[0] >= L'a' && path[0] <= L'z' ? path[0] - L'a' + L'A' : path[0];
    if (letter < L'A' || letter > L'Z') return std::wstring();
    return std::wstring{letter, L':', L'\\'};
  }
  if (path.size() < 3 || path[0] != L'\\' || path[1] != L'\\' || path[2] == L'?' ||
      path[2] == L'.' || path[2] == L'\\') {
    return std::wstring();
  }
  const size_t server_end = path.find(L'\\', 2);
  if (server_end == std::wstring_view::npos || server_end + 1 >= path.size() ||
      path[server_end + 1] == L'\\') {
    return std::wstring();
  }
  const size_t share_end = path.find(L'\\', server_end + 1);
  return std::wstring(path.substr(0, share_end)) + L'\\';
}

}  // namespace vk
