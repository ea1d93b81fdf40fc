// What the program knows of file systems and volumes, without asking Windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/path_root.h"

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

// A file's names as the system lists them (`listed`, each from the root of
// its volume), made full paths through where the volume is mounted; whether
// they are all of the file's `links` names.
inline bool NamesOnVolume(std::wstring_view mount_point, const std::vector<std::wstring>& listed,
                          size_t links, std::vector<std::wstring>* names) {
  size_t made = 0;
  for (const std::wstring& name : listed) {
    std::wstring full = PathOnVolume(mount_point, name);
    if (!full.empty()) names->push_back(std::move(full)), ++made;
  }
  return made >= links;
}

// Where a symbolic link points, from its reparse data as the system hands it
// over (`size` bytes: the tag, the names' places, the flags, then the names
// in UTF-16): the name it shows, after `link`'s folder when the link is
// relative (after its drive or share when that name begins at the root: "\x"). Empty for the data of anything else (a junction, a cloud
// placeholder), and for a name that is empty or does not lie in the data.
inline std::wstring SymbolicLinkTarget(const unsigned char* data, size_t size,
                                       std::wstring_view link) {
  constexpr uint32_t kSymbolicLinkTag = 0xA000000C;
  constexpr size_t kNamesAt = 20;  // after the tag, six 16-bit fields and the flags
  auto number = [&](size_t at, size_t bytes) {
    uint32_t value = 0;
    for (size_t i = 0; i < bytes; ++i) value |= uint32_t{data[at + i]} << (8 * i);
    return value;
  };
  if (size < kNamesAt || number(0, 4) != kSymbolicLinkTag) return {};
  const size_t at = kNamesAt + number(12, 2), length = number(14, 2) / 2;
  if (length == 0 || at + 2 * length > size) return {};
  std::wstring target;
  for (size_t i = 0; i < length; ++i) target += static_cast<wchar_t>(number(at + 2 * i, 2));
  if (!(number(16, 4) & 1)) return target;
  if (target[0] == L'\\') {
    const std::wstring root = PathRoot(link);
    return root.empty() ? std::wstring() : root.substr(0, root.size() - 1) + target;
  }
  return std::wstring(link.substr(0, link.find_last_of(L"\\/") + 1)) + target;
}

}  // namespace vk
