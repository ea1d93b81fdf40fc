// The search for folders hidden as Hide hides them, over one tree.
#include <gtest/gtest.h>

#include "fake_platform.h"
#include "search/find_hidden.h"

namespace vk {
namespace {

TEST(FindHiddenTest, WhatASearchFindsAndWhatItLeavesOut) {
  constexpr uint32_t kOurs = kAttrReadOnly | kAttrHidden | kAttrSystem, kLost = kOurs - 1;
  const std::pair<const wchar_t*, uint32_t> tree[] = {
      {L"E:\\", 0},           {L"E:\\Lost", kOurs},          {L"E:\\Lost\\Inner", kLost},
      {L"E:\\Data", 0},       {L"E:\\Data\\Hidden", kAttrHidden}, {L"E:\\Data\\System", kAttrSystem},
      {L"E:\\Data\\$Mine", kLost},  {L"E:\\Data\\Denied", kLost},   {L"E:\\Data\\Denied\\In", kLost},
      {L"E:\\$RECYCLE.BIN", kLost}, {L"E:\\$RECYCLE.BIN\\S-1", kLost}, {L"E:\\recovery", kLost},
      {L"E:\\System Volume Information", kLost}, {L"E:\\Config.Msi", kLost},
      {L"E:\\Windows", 0},    {L"E:\\Windows\\Boot", kLost},
      {L"E:\\Link", kLost},   {L"E:\\Link\\Loop", kLost},    {L"E:\\Junction\\Far", kLost},
      {L"E:\\Junction", 0},   {L"E:\\Unix", kLost},          {L"E:\\Unix\\In", kLost},
      {L"E:\\OneDrive", 0},   {L"E:\\OneDrive\\Kept", kLost},
      {L"E:\\Listed", kLost}, {L"E:\\Listed\\Below", kLost},
  };
  const struct {
    const wchar_t* folder;
    int stop_at;  // before this many folders were searched: the user cancels, or the drive goes
    bool unplug;
    const wchar_t* expected;
  } cases[] = {
      // clang-format off
      {L"E:\\", -1, false, L"E:\\Lost | E:\\Data\\$Mine | E:\\Data\\Denied | E:\\Listed\\Below | "
                           L"E:\\Lost\\Inner | E:\\OneDrive\\Kept; 11 searched, 1 unreadable"},
      {L"E:\\Windows", -1, false, L"E:\\Windows\\Boot; 2 searched, 0 unreadable"},
      {L"E:\\Data", 1, false, L"E:\\Data\\$Mine | E:\\Data\\Denied; 1 searched, 0 unreadable, cancelled"},
      {L"E:\\Data", 1, true, L"E:\\Data\\$Mine | E:\\Data\\Denied; 1 searched, 0 unreadable, "
                             L"stopped: The device is not ready."},
      {L"E:\\Gone", -1, false, L"; 0 searched, 0 unreadable, failed: The system cannot find the path specified."},
      {L"E:\\Data\\Denied", -1, false, L"; 0 searched, 0 unreadable, failed: Access is denied."},
      // clang-format on
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    for (const auto& [path, attributes] : tree) platform.folders[path] = attributes;
    platform.reparse_tags = {{L"E:\\Link", 0xA000000C},  // a symbolic link
                             {L"E:\\Junction", 0xA0000003},
                             {L"E:\\Unix", 0},  // a Unix link, as Wine shows it
                             {L"E:\\OneDrive", 0x9000701A}};  // a folder of a sync client
    platform.denied = {L"E:\\Data\\Denied"};
    struct Watch final : SearchWatch {
      FakePlatform* platform;
      int stop_at;
      bool unplug;
      bool Next(const std::wstring&, uint64_t searched) override {
        if (static_cast<int>(searched) != stop_at) return true;
        if (unplug) platform->unplugged.insert(L"E:\\");
        return unplug;
      }
    } watch;
    watch.platform = &platform, watch.stop_at = c.stop_at, watch.unplug = c.unplug;
    const HiddenSearch search = FindHidden(platform, c.folder, EntryList{L"e:\\LISTED"}, watch);

    std::wstring got;
    for (const std::wstring& path : search.found) got += (got.empty() ? L"" : L" | ") + path;
    got += L"; " + std::to_wstring(search.searched) + L" searched, " +
           std::to_wstring(search.unreadable) + L" unreadable";
    if (search.cancelled) got += L", cancelled";
    if (!search.stopped.empty()) got += L", stopped: " + search.stopped;
    if (!search.failed.empty()) got += L", failed: " + search.failed;
    EXPECT_EQ(got, c.expected) << testing::PrintToString(std::wstring(c.folder));
    EXPECT_TRUE(platform.attribute_sets.empty()) << "a search changes nothing";
    for (const auto& [folder, times] : platform.listings) {
      EXPECT_EQ(times, 1) << testing::PrintToString(folder) << " listed more than once";
    }
  }
}

}  // namespace
}  // namespace vk
