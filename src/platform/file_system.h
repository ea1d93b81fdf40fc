// What the program knows of file systems and volumes, without asking Windows.
#pragma once

#include <string>
#include <string_view>

namespace vk {

// Whether the file system named `name` (as the volume reports it: "NTFS",
// "FAT32", "exFAT"...) removes a file before it renames another in its
// place, so that a replace cut short can leave no file there: every FAT
// (FAT, FAT12, FAT16, FAT32) and exFAT.
inline bool RemovesBeforeRename(std::wstring_view name) {
  auto same = [&](std::wstring_view other, size_t length) {
    if (name.size() < length) return false;
    for (size_t i = 0; i < length; ++i) {
      wchar_t c = name[i];
      if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
      if (c != other[i]) return false;
    }
    return true;
  };
  return same(L"FAT", 3) || (name.size() == 5 && same(L"EXFAT", 5));
}

// Whether a folder's name is one Windows reaches by a path: it drops a dot
// or a space at the end of a name in a path (which then names another
// folder), so one whose name ends so (made on Linux or a Mac) is not.
inline bool ReachableName(std::wstring_view name) {
  return name.empty() || (name.back() != L'.' && name.back() != L' ');
}
// Whether every name of `path` after its first `root_length` characters (its
// root) is one that Windows reaches.
inline bool ReachablePath(std::wstring_view path, size_t root_length) {
  for (size_t at = root_length; at < path.size();) {
    size_t end = path.find(L'\\', at);
    if (end == std::wstring_view::npos) end = path.size();
    if (!ReachableName(path.substr(at, end - at))) return false;
    at = end + 1;
  }
  return true;
}

// The full path of a file's name as the system lists it, from the root of
// its volume ("\Apps\data.bin"), through the folder where that volume is
// mounted (`mount_point`: "C:\", or "C:\Data\" for a volume with no letter
// of its own). Empty when it cannot be made one: no lettered mount point, or
// a name not from the root.
inline std::wstring PathOnVolume(std::wstring_view mount_point, std::wstring_view name) {
  const wchar_t letter = mount_point.empty() ? L'\0' : mount_point[0] | 0x20;
  if (mount_point.size() < 3 || letter < L'a' || letter > L'z' || mount_point[1] != L':' ||
      mount_point[2] != L'\\' || mount_point.back() != L'\\' || name.size() < 2 ||
      name[0] != L'\\' || name[1] == L'\\') {
    return {};
  }
  return std::wstring(mount_point.substr(0, mount_point.size() - 1)).append(name);
}

}  // namespace vk
