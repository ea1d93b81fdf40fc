// The extended-length form given to the system for long paths.
#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "platform/long_path.h"

namespace vk {
namespace {

TEST(ExtendedLengthPath, PrefixesDrivePathsAndSharesOnly) {
  const struct {
    const wchar_t* full;
    const wchar_t* expected;
  } rows[] = {
      {L"C:\\Data\\Notes", L"\\\\?\\C:\\Data\\Notes"},
      {L"C:\\", L"\\\\?\\C:\\"},
      {L"\\\\server\\share\\Data", L"\\\\?\\UNC\\server\\share\\Data"},
      {L"\\\\?\\C:\\Data", L"\\\\?\\C:\\Data"},  // already extended
      {L"\\\\.\\PhysicalDrive0", L"\\\\.\\PhysicalDrive0"},
      {L"Data\\Notes", L"Data\\Notes"},  // not a full path: left to the system
      {L"C:Data", L"C:Data"},
      {L"", L""},
  };
  for (const auto& row : rows) EXPECT_EQ(ExtendedLengthPath(row.full), row.expected);
}

TEST(OrdinaryPath, UndoesTheExtendedFormWhereThereIsAnother) {
  for (const wchar_t* path : {L"C:\\Apps\\data.bin", L"C:\\", L"\\\\server\\share\\data.bin"}) {
    EXPECT_EQ(OrdinaryPath(ExtendedLengthPath(path)), path);
  }
  const wchar_t* kept[] = {L"\\\\?\\Volume{0a1b}\\data.bin", L"\\\\?\\", L"C:\\?\\x"};
  for (const wchar_t* path : kept) EXPECT_EQ(OrdinaryPath(path), path);
}

// A replace cut short may leave no file on every FAT and exFAT, in any letter case.
TEST(RemovesBeforeRename, EveryFatAndExFat) {
  for (const wchar_t* name : {L"FAT", L"FAT12", L"FAT16", L"FAT32", L"fat32", L"exFAT", L"EXFAT"})
    EXPECT_TRUE(RemovesBeforeRename(name)) << name;
  for (const wchar_t* name : {L"NTFS", L"ReFS", L"exFAT2", L"FA", L"UDF", L""})
    EXPECT_FALSE(RemovesBeforeRename(name)) << name;
}

}  // namespace
}  // namespace vk
