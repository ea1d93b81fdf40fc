// The folder browser request and the drive-type check.
#include <gtest/gtest.h>

#include "fake_platform.h"
#include "module1/module1.h"

namespace vk {
namespace {

TEST(PickFolder, PassesThePromptAndTheAnswer) {
  FakePlatform platform;
  platform.browse_answers = {
      {BrowseOutcome::Chosen, L"C:\\Data"}, {}, {BrowseOutcome::Chosen, L""}};
  BrowseResult chosen = PickFolder(platform, L"Select A Folder:");
  EXPECT_EQ(chosen.outcome, BrowseOutcome::Chosen);
  EXPECT_EQ(chosen.path, L"C:\\Data");
  EXPECT_EQ(PickFolder(platform, L"p").outcome, BrowseOutcome::Cancelled);
  // A chosen item with an empty path is never passed on as a folder.
  EXPECT_EQ(PickFolder(platform, L"p").outcome, BrowseOutcome::NoPath);
  EXPECT_EQ(platform.browse_prompts[0], L"Select A Folder:");
  EXPECT_TRUE(platform.messages.empty());
}

TEST(IsSupportedFolder, AcceptsOnlyNonRootsAndFixedDrives) {
  for (unsigned code = 0; code <= 6; ++code) {
    FakePlatform platform;
    platform.drive_types[L"X:\\"] = code;
    const bool expected = code == kDriveNoRootDir || code == kDriveFixed;
    EXPECT_EQ(IsSupportedFolder(platform, L"X:\\"), expected) << code;
    if (expected) {
      EXPECT_TRUE(platform.messages.empty());
    } else {
      ASSERT_EQ(platform.messages.size(), 1u);
      EXPECT_EQ(platform.messages[0].text, L"The type of folder is not supported!");
      EXPECT_EQ(platform.messages[0].title, L"Error");
    }
    // Asked for the reason instead, it shows nothing.
    std::wstring why;
    platform.messages.clear();
    EXPECT_EQ(IsSupportedFolder(platform, L"X:\\", &why), expected) << code;
    EXPECT_EQ(why, expected ? L"" : L"The type of folder is not supported!");
    EXPECT_TRUE(platform.messages.empty());
  }
}

}  // namespace
}  // namespace vk
