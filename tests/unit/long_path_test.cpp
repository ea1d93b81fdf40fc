// The extended-length form given to the system for long paths.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace vk
