// The extended-length form given to the system for long paths.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

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

// A symbolic link's reparse data as the system hands it over: the tag, the
// substitute name, then the printed one, each in UTF-16.
std::vector<unsigned char> Reparse(uint32_t tag, std::u16string substitute, std::u16string print,
                                   uint32_t flags) {
  std::vector<unsigned char> data;
  auto put = [&](uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) data.push_back(static_cast<unsigned char>(value >> (8 * i)));
  };
  const std::u16string names = substitute + print;
  put(tag, 4), put(12 + 2 * names.size(), 2), put(0, 2);
  put(0, 2), put(2 * substitute.size(), 2), put(2 * substitute.size(), 2), put(2 * print.size(), 2);
  put(flags, 4);
  for (char16_t c : names) put(c, 2);
  return data;
}

// The name a symbolic link shows, read from its reparse data; nothing from
// any other reparse point or from data that does not hold the name.
TEST(SymbolicLinkTarget, ThePrintedNameAfterTheLinksFolderWhenRelative) {
  const std::wstring link = L"D:\\Apps\\data.bin";
  const auto absolute = Reparse(0xA000000C, u"\\??\\C:\\Sync\\data.bin", u"C:\\Sync\\data.bin", 0);
  EXPECT_EQ(SymbolicLinkTarget(absolute.data(), absolute.size(), link), L"C:\\Sync\\data.bin");
  const auto relative = Reparse(0xA000000C, u"..\\x", u"..\\x", 1);
  EXPECT_EQ(SymbolicLinkTarget(relative.data(), relative.size(), link), L"D:\\Apps\\..\\x");
  EXPECT_EQ(SymbolicLinkTarget(relative.data(), relative.size(), L"D:\\Apps/data.bin"), L"D:\\Apps/..\\x");
  const auto rooted = Reparse(0xA000000C, u"\\x", u"\\x", 1);  // from the root of the link's drive
  EXPECT_EQ(SymbolicLinkTarget(rooted.data(), rooted.size(), link), L"D:\\x");
  // Deep enough that the printed name starts, and ends, past byte 255.
  const auto deep = Reparse(0xA000000C, u"\\??\\C:\\" + std::u16string(130, u'd'),
                            u"C:\\" + std::u16string(130, u'd'), 0);
  EXPECT_EQ(SymbolicLinkTarget(deep.data(), deep.size(), link), L"C:\\" + std::wstring(130, L'd'));
  const std::vector<unsigned char> none[] = {
      Reparse(0xA0000003, u"\\??\\C:\\Sync", u"C:\\Sync", 0),  // a junction
      Reparse(0x9000601A, u"", u"x", 0),                         // a cloud placeholder
      Reparse(0xA000000C, u"\\??\\C:\\x", u"", 0),
      Reparse(0xA000000C, u"..\\x", u"", 1),
      std::vector<unsigned char>(absolute.begin(), absolute.end() - 1),
      std::vector<unsigned char>(absolute.begin(), absolute.begin() + 19),
      std::vector<unsigned char>(absolute.begin(), absolute.begin() + 8),  // the header alone
  };
  for (const auto& data : none) EXPECT_EQ(SymbolicLinkTarget(data.data(), data.size(), link), L"");
}

}  // namespace
}  // namespace vk
