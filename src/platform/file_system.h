// What the program knows of file systems and volumes, without asking Windows.
#pragma once

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

}  // namespace vk
