// The search for folders hidden as Hide hides them, over one tree. The count
// searched tells a folder listed twice, or a link gone through.
#include <gtest/gtest.h>

#include "fake_platform.h"
#include "fake_view.h"
#include "search/find_hidden.h"

namespace vk {
namespace {

TEST(FindHiddenTest, WhatASearchFindsAndWhatItLeavesOut) {
  constexpr uint32_t kOurs = kAttrReadOnly | kAttrHidden | kAttrSystem, kLost = kOurs - 1;
  const std::pair<const wchar_t*, uint32_t> tree[] = {
      // clang-format off
      {L"E:\\", 0}, {L"E:\\Lost", kOurs}, {L"E:\\Lost\\Inner", kLost}, {L"E:\\Data", 0},
      {L"E:\\Data\\Hidden", kAttrHidden}, {L"E:\\Data\\System", kAttrSystem}, {L"E:\\Windows", 0},
      {L"E:\\Data\\$Mine", kLost}, {L"E:\\Data\\Denied", kLost}, {L"E:\\Data\\Denied\\In", kLost},
      {L"E:\\$RECYCLE.BIN", kLost}, {L"E:\\$RECYCLE.BIN\\S-1", kLost}, {L"E:\\recovery", kLost},
      {L"E:\\System Volume Information", kLost}, {L"E:\\Config.Msi", kLost}, {L"E:\\Unix", kLost},
      {L"E:\\Windows\\Boot", kLost}, {L"E:\\Link", kLost}, {L"E:\\Link\\Loop", kLost},
      {L"E:\\Junction", 0}, {L"E:\\Junction\\Far", kLost}, {L"E:\\Unix\\In", kLost},
      {L"E:\\OneDrive", kLost}, {L"E:\\OneDrive\\Kept", kLost}, {L"E:\\OneDrive\\Mine", kOurs}, {L"E:\\Listed", kLost}, {L"E:\\Listed\\Below", kLost},
      {L"E:\\Data\\apple", kLost}, {L"E:\\Windows.old", kLost}, {L"E:\\Data\\Docs.", kLost},
      {L"E:\\Data\\Docs.\\In", kLost}, {L"E:\\Data\\Sp ", kLost}, {L"E:\\S", 0}, {L"E:\\S\\b", kLost},
      {L"E:\\S\\B", kLost}, {L"E:\\S\\a", kOurs}, {L"E:\\S\\ba", kLost}, {L"E:\\S\\C", kOurs}, {L"E:\\S\\c2", kLost},
      {L"E:\\S\\bA", kLost},
      // clang-format on
  };
  // The folder searched; the user cancels before this many folders were
  // searched; the drive goes as this folder is about to be listed; the result.
  const struct { const wchar_t *folder; int cancel_at; const wchar_t *unplug, *expected; } cases[] = {
      // clang-format off
      {L"E:\\", -1, L"", L"E:\\Lost | E:\\OneDrive\\Mine | E:\\S\\a | E:\\S\\C | E:\\Data\\$Mine | E:\\Data\\apple | E:\\Data\\Denied | "
                          L"E:\\Listed\\Below | E:\\Lost\\Inner | E:\\OneDrive | E:\\OneDrive\\Kept | E:\\S\\B | E:\\S\\b | "
                          L"E:\\S\\c2 | E:\\Windows.old; 22 searched, 3 unreadable"},
      // Veilkeep's own first, then as the file manager sorts, letter case
      // ignored but between two names that differ only in it.
      {L"E:\\S", -1, L"", L"E:\\S\\a | E:\\S\\C | E:\\S\\B | E:\\S\\b | E:\\S\\c2; 8 searched, 0 unreadable"},
      {L"E:\\Windows", -1, L"", L"E:\\Windows\\Boot; 2 searched, 0 unreadable"},
      {L"E:\\Data", 1, L"", L"E:\\Data\\$Mine | E:\\Data\\apple | E:\\Data\\Denied; 1 searched, 2 unreadable, cancelled"},
      {L"E:\\Data", -1, L"E:\\Data\\System", L"E:\\Data\\$Mine | E:\\Data\\apple | E:\\Data\\Denied; 2 searched, "
                                               L"2 unreadable, stopped: The device is not ready."},
      {L"E:\\Data\\Denied", -1, L"", L"; 0 searched, 0 unreadable, failed: Access is denied."},
      {L"E:\\Lost", -1, L"", L"E:\\Lost | E:\\Lost\\Inner; 2 searched, 0 unreadable"},  // itself too
      {L"E:\\Link", -1, L"", L"E:\\Link\\Loop; 2 searched, 0 unreadable"},  // never a link itself
      {L"E:\\OneDrive", -1, L"", L"E:\\OneDrive\\Mine | E:\\OneDrive | E:\\OneDrive\\Kept; 3 searched, 0 unreadable"},
      {L"E:\\Data\\Denied", -2, L"", L"E:\\Data\\Denied; 0 searched, 0 unreadable, cancelled"},
      // clang-format on
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    for (const auto& [path, attributes] : tree) platform.folders[path] = attributes;
    // A symbolic link, a junction, a Unix link as Wine shows it, a folder of a sync client.
    platform.reparse_tags = {{L"E:\\Link", 0xA000000C}, {L"E:\\Junction", 0xA0000003},
                             {L"E:\\Unix", 0}, {L"E:\\OneDrive", 0x9000701A}};
    platform.denied = {L"E:\\Data\\Denied"};
    platform.unplug_at = c.unplug;
    CancelAt watch(c.cancel_at);
    const HiddenSearch search =
        FindHidden(platform, c.folder, EntryList{L"e:\\LISTED", L"E:\\s\\BA", L"E:\\No\\Such"}, watch);

    std::wstring got;
    for (const std::wstring& path : search.found) got += (got.empty() ? L"" : L" | ") + path;
    got += L"; " + std::to_wstring(search.searched) + L" searched, " +
           std::to_wstring(search.unreadable) + L" unreadable";
    if (search.cancelled) got += L", cancelled";
    if (!search.stopped.empty()) got += L", stopped: " + search.stopped;
    if (!search.failed.empty()) got += L", failed: " + search.failed;
    EXPECT_EQ(got, c.expected) << testing::PrintToString(std::wstring(c.folder));
  }
}

}  // namespace
}  // namespace vk
