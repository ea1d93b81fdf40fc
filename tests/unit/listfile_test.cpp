// data.bin: parsing, both writers, the two encodings and every failure point.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "fake_platform.h"
#include "listfile/leftovers.h"
#include "listfile/listfile.h"
#include "listfile/utf8.h"
#include "platform/file_system.h"

namespace vk {
namespace {

struct ParseCase {
  std::wstring text;
  EntryList expected;
};

TEST(ListFileParse, SplitsTrimsAndDropsTheLastPiece) {
  const ParseCase cases[] = {
      {L"A;B;", {L"A", L"B"}},
      {L"A;B", {L"A"}},
      {L"A", {}},
      {L"", {}},
      {L"   ", {}},
      {L"  A;B;  ", {L"A", L"B"}},
      {L" A ;B;", {L"A ", L"B"}},  // the whole text is trimmed, not each piece
      {L"B; A ;", {L"B", L" A "}},
      {L"A;B;\r\n", {L"A", L"B"}},
      {L"A;;B;", {L"A", L"", L"B"}},
      {L";", {L""}},
      {L"\r\nA;B;", {L"\r\nA", L"B"}},  // only spaces are trimmed
      {L"C:\\Data\\Notes;D:\\Work;", {L"C:\\Data\\Notes", L"D:\\Work"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseList(c.text), c.expected)
        << "text: [" << std::string(c.text.begin(), c.text.end()) << "]";
  }
}

class ListFileTest : public ::testing::Test {
 protected:
  FakePlatform platform;
  ListFile file{platform, platform.ListPath()};

  std::string& Disk() { return platform.files[platform.ListPath()].bytes; }
  // data.bin holds `bytes`, as this copy last read it.
  void Store(const std::string& bytes) {
    platform.files[platform.ListPath()] = {bytes, false};
    (void)file.Reload(false);
    platform.reads = platform.file_calls = 0;
  }
  bool OnDisk() const { return platform.files.count(platform.ListPath()) != 0; }
};

TEST_F(ListFileTest, WritesEveryEntryFollowedBySeparator) {
  ASSERT_TRUE(file.SaveWholeList({L"C:\\Data\\Notes", L"D:\\Work"}));
  EXPECT_EQ(Disk(), "C:\\Data\\Notes;D:\\Work;");
  EXPECT_EQ(Disk().size(), 22u);
}

TEST_F(ListFileTest, EmptyListIsAZeroByteFileNotADeletedOne) {
  Store("A;");
  ASSERT_TRUE(file.SaveEntryByEntry({}));
  ASSERT_TRUE(OnDisk());
  EXPECT_EQ(Disk(), "");
  ASSERT_TRUE(file.SaveWholeList({}));
  ASSERT_TRUE(OnDisk());
  EXPECT_EQ(Disk(), "");
}

// Every list is saved by both writers, then, in the rows that say so, saved
// again by both without one entry, as Delete does: each time the file holds
// exactly what the plain encoder (the whole list converted in one call)
// makes of the list, whichever shortcut EncodeList took.
TEST_F(ListFileTest, BothWritersProduceTheSameBytes) {
  const std::wstring cafe = L"D:\\Caf\u00e9";            // past ASCII, in the code page
  const std::wstring wen = L"C:\\\u6587";                // past the code page
  const std::wstring mark = L"\u00ef\u00bb\u00bfC:\\x";  // EF BB BF in ANSI: the mark
  struct Row {
    EntryList entries;
    int removed;     // -1: none
    bool utf8_last;  // the last file saved (without `removed`, if any) is UTF-8
  };
  const Row rows[] = {
      {{}, -1, false},
      {{L"C:\\A"}, -1, false},
      {{L"C:\\A", L"", L" spaced ", cafe}, -1, false},
      {{L"C:\\\u00dcn\u00efc\u00f8d\u00e9 \u6587\u4ef6\u5939 \U0001F4C1", L"C:\\plain"}, -1, true},
      // ASCII: the first, a middle and the last entry go; the only one goes.
      {{L"C:\\A", L"C:\\B", L"C:\\C"}, 0, false},
      {{L"C:\\A", L"C:\\B", L"C:\\C"}, 1, false},
      {{L"C:\\A", L"C:\\B", L"C:\\C"}, 2, false},
      {{L"C:\\A"}, 0, false},
      // ANSI past ASCII, among ASCII entries.
      {{cafe, L"C:\\B", cafe + L"2", L"", L"C:\\C"}, 0, false},
      {{cafe, L"C:\\B", cafe + L"2", L"", L"C:\\C"}, 2, false},
      {{cafe, L"C:\\B", cafe + L"2", L"", L"C:\\C"}, 4, false},
      {{L"C:\\A", cafe}, 1, false},
      // UTF-8 stays UTF-8 while an entry past the code page is left.
      {{wen, L"C:\\B", cafe, wen + L"2"}, 0, true},
      {{wen, L"C:\\B", cafe, wen + L"2"}, 1, true},
      {{wen, L"C:\\B", cafe, wen + L"2"}, 3, true},
      // UTF-8 becomes ANSI when the last entry past the code page goes...
      {{L"C:\\A", wen, cafe}, 1, false},
      {{wen, cafe}, 0, false},
      {{cafe, L"C:\\B", wen}, 2, false},
      // ...and ASCII when the rest is ASCII.
      {{L"C:\\A", wen, L"C:\\C"}, 1, false},
      // ANSI that would begin like the mark is UTF-8: when the first entry goes
      // and the next begins so, and back to ANSI when that one goes.
      {{L"C:\\A", mark, L"D:\\y"}, 0, true},
      {{mark, L"D:\\y"}, 0, false},
      {{mark, cafe}, -1, true},
      {{cafe, mark}, 0, true},
      // An entry past ASCII holding ";" (no path has one, but the encoder takes it).
      {{L"C:\\A", cafe + L";x", L"C:\\C"}, 0, false},
      {{L"C:\\A", wen + L";x", L"C:\\C"}, 2, true},
      // A lone surrogate, as Windows names allow.
      {{L"C:\\A", std::wstring(1, static_cast<wchar_t>(0xD800)) + L"x"}, 1, false},
  };
  for (const Row& row : rows) {
    std::vector<EntryList> lists = {row.entries};
    if (row.removed >= 0) {
      lists.push_back(row.entries);
      lists.back().erase(row.removed);
    }
    for (const EntryList& entries : lists) {
      SCOPED_TRACE(testing::Message() << "row with " << row.entries.size() << " entries, removed "
                                      << row.removed << ", now " << entries.size());
      const std::string plain = EncodeListPlain(platform, entries);
      EXPECT_EQ(EncodeList(platform, entries), plain);
      ASSERT_TRUE(file.SaveWholeList(entries));
      EXPECT_EQ(Disk(), plain);
      ASSERT_TRUE(file.SaveEntryByEntry(entries));
      EXPECT_EQ(Disk(), plain);
    }
    EXPECT_EQ(Disk().rfind("\xEF\xBB\xBF", 0) == 0, row.utf8_last)
        << "row with " << row.entries.size() << " entries, removed " << row.removed;
  }
}

// A name from a volume's root made a path through where the volume is
// mounted; anything else is no path at all.
TEST(PathOnVolumeTest, OnlyALetteredMountPointAndANameFromTheRootMakeAPath) {
  const struct { const wchar_t *mount, *name, *path; } made[] = {
      {L"C:\\", L"\\Apps\\data.bin", L"C:\\Apps\\data.bin"},
      {L"c:\\Data\\", L"\\x", L"c:\\Data\\x"},
      {L"Z:\\", L"\\x", L"Z:\\x"},
  };
  for (const auto& row : made) EXPECT_EQ(PathOnVolume(row.mount, row.name), row.path);
  const std::pair<const wchar_t*, const wchar_t*> refused[] = {
      {L"", L"\\x"},      {L"C:", L"\\x"},     {L"C;\\", L"\\x"},  {L"C:/x\\", L"\\x"},
      {L"C:\\x", L"\\x"}, {L"1:\\", L"\\x"},   {L"{:\\", L"\\x"},  {L"C:\\", L"x\\y"},
      {L"C:\\", L"\\"},   {L"C:\\", L"\\\\x"},
  };
  for (const auto& [mount, name] : refused) EXPECT_EQ(PathOnVolume(mount, name), L"") << mount << name;
  // A file's names: all of them known only when each made a path.
  const struct { std::vector<std::wstring> listed; size_t links; bool all; } files[] = {
      {{L"\\Apps\\data.bin", L"\\Scoop\\data.bin"}, 2, true},
      {{L"\\Apps\\data.bin", L"Scoop\\data.bin"}, 2, false},
      {{L"\\Apps\\data.bin"}, 2, false},
  };
  for (const auto& file : files) {
    std::vector<std::wstring> names = {L"kept"};
    EXPECT_EQ(NamesOnVolume(L"D:\\", file.listed, file.links, &names), file.all);
    EXPECT_EQ(names[1], L"D:\\Apps\\data.bin");
    EXPECT_EQ(names.size(), file.all ? 3u : 2u);
  }
}

// A copy shares the block until one of them changes (the stick's look-up
// reads its copy on another thread): neither sees the other's change.
TEST(EntryListTest, CopiesNeverSeeEachOthersChanges) {
  const std::vector<std::function<void(EntryList&)>> changes = {
      [](EntryList& l) { l.push_back(L"C:\\D"); },
      [](EntryList& l) { l.insert(1, L"C:\\Z"); },
      [](EntryList& l) { l.erase(0); },
      [](EntryList& l) { l.resize(1), l.push_back(L"C:\\Q"); },
      [](EntryList& l) { l.assign_uninitialized(2, 1)[0] = L'X', l.push_start(0), l.end_entries(); },
      [](EntryList& l) { EntryList& same = l; l = std::move(same); },  // itself moved
  };
  for (size_t i = 0; i < changes.size(); ++i) {
    EntryList list, fresh;
    list.reserve(8, 64), fresh.reserve(8, 64);  // room enough to change in place
    for (auto* entry : {L"C:\\A", L"C:\\B", L"C:\\C"}) list.push_back(entry), fresh.push_back(entry);
    EntryList copy = list;
    changes[i](list), changes[i](fresh);
    copy.push_back(L"C:\\E");
    EXPECT_EQ(copy, EntryList({L"C:\\A", L"C:\\B", L"C:\\C", L"C:\\E"})) << "change " << i;
    EXPECT_EQ(list, fresh) << "change " << i;
    EXPECT_EQ(list.size(), i == 5 ? 3u : list.size()) << "change " << i;
  }
}

TEST_F(ListFileTest, WholeListIsOneWriteAndEntryByEntryIsOneWritePerEntry) {
  const EntryList entries = {L"C:\\A", L"C:\\B", L"C:\\C"};
  ASSERT_TRUE(file.SaveWholeList(entries));
  EXPECT_EQ(platform.writes, 1);
  platform.writes = 0;
  ASSERT_TRUE(file.SaveEntryByEntry(entries));
  EXPECT_EQ(platform.writes, 3);
}

TEST_F(ListFileTest, AnsiWhenEveryEntryFitsUtf8WithMarkOtherwise) {
  ASSERT_TRUE(file.SaveWholeList({L"C:\\Caf\u00e9"}));
  EXPECT_EQ(Disk(), "C:\\Caf\xE9;");
  platform.cyrillic_ansi = true;  // another code page: \u0414 in it, \u00e9 past it
  ASSERT_TRUE(file.SaveWholeList({L"C:\\A", L"C:\\\u0414"}));
  EXPECT_EQ(Disk(), "C:\\A;C:\\\x94;");
  ASSERT_TRUE(file.SaveWholeList({L"C:\\\u0414", L"C:\\Caf\u00e9"}));
  EXPECT_EQ(Disk(),
            "\xEF\xBB\xBF"
            "C:\\\xD0\x94;C:\\Caf\xC3\xA9;");
  platform.cyrillic_ansi = false;

  const std::wstring unicode = L"C:\\\u00dcn\u00efc\u00f8d\u00e9 \u6587\u4ef6\u5939 \U0001F4C1";
  ASSERT_TRUE(file.SaveWholeList({L"C:\\Caf\u00e9", unicode}));
  EXPECT_EQ(Disk(),
            "\xEF\xBB\xBF"
            "C:\\Caf\xC3\xA9;" +
                EncodeUtf8(unicode) + ";");
}

TEST_F(ListFileTest, RoundTripsBothForms) {
  const EntryList lists[] = {
      {L"C:\\A", L"", L" B "},
      {L"C:\\Caf\u00e9"},
      {L"C:\\\u00dcn\u00efc\u00f8d\u00e9 \u6587\u4ef6\u5939 \U0001F4C1", L"Z:\\x"},
      // Long and short ASCII entries: the reader takes bytes many at a time.
      {std::wstring(15, L'a'), std::wstring(16, L'b'), std::wstring(17, L'c'),
       std::wstring(63, L'd'), std::wstring(64, L'e'), std::wstring(65, L'f'),
       std::wstring(300, L'g'), L"h"},
      // One character past ASCII deep in a long entry, in either form.
      {std::wstring(200, L'a'), std::wstring(70, L'b') + L"\u00e9" + std::wstring(9, L'c'), L"d"},
      {std::wstring(100, L'a'), std::wstring(70, L'b') + L"\u6587" + std::wstring(80, L'c'), L"d"},
  };
  for (const auto& entries : lists) {
    ASSERT_TRUE(file.SaveEntryByEntry(entries));
    ListFile reader(platform, platform.ListPath());
    LoadResult loaded = reader.LoadList();
    EXPECT_EQ(loaded.state, LoadState::Loaded);
    EXPECT_EQ(loaded.entries, entries);
  }
}

TEST_F(ListFileTest, AnsiTextThatLooksLikeTheMarkIsWrittenAsUtf8) {
  const EntryList entries = {L"\u00ef\u00bb\u00bfC:\\x", L"D:\\y"};  // "ï»¿" is EF BB BF in ANSI
  ASSERT_TRUE(file.SaveWholeList(entries));
  EXPECT_EQ(Disk().substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_EQ(ListFile(platform, platform.ListPath()).LoadList().entries, entries);
}

TEST_F(ListFileTest, ReadsUtf8WithMarkAndAnsiWithout) {
  Store(
      "\xEF\xBB\xBF"
      "C:\\\xE6\x96\x87;D:\\x;");
  EXPECT_EQ(file.LoadList().entries, (EntryList{L"C:\\\u6587", L"D:\\x"}));
  Store("C:\\\xE6;");  // the same byte without the mark is one ANSI character
  EXPECT_EQ(ListFile(platform, platform.ListPath()).LoadList().entries, (EntryList{L"C:\\\u00e6"}));
  platform.cyrillic_ansi = true;  // which character is the code page's to say
  Store("C:\\\xE6;D:\\x;");
  EXPECT_EQ(ListFile(platform, platform.ListPath()).LoadList().entries,
            (EntryList{L"C:\\\u0466", L"D:\\x"}));
}

TEST_F(ListFileTest, MalformedUtf8NeverFailsTheLoad) {
  Store(
      "\xEF\xBB\xBF"
      "A\xFF\xC3;\xE6\x96;B;");
  LoadResult loaded = file.LoadList();
  EXPECT_EQ(loaded.state, LoadState::Loaded);
  ASSERT_EQ(loaded.entries.size(), 3u);
  EXPECT_EQ(loaded.entries[2], L"B");
  EXPECT_NE(loaded.entries[0].find(L'\uFFFD'), std::wstring::npos);
}

TEST_F(ListFileTest, MissingFileIsAnEmptyListThatCanBeSaved) {
  platform.files[platform.ListPath() + L".bak-1"] = {"mine", false};  // the user's own, beside it
  LoadResult loaded = file.LoadList();
  EXPECT_EQ(loaded.state, LoadState::Missing);
  EXPECT_TRUE(loaded.entries.empty());
  EXPECT_TRUE(file.SaveWholeList({L"C:\\A"}));
  EXPECT_EQ(Disk(), "C:\\A;");
  EXPECT_EQ(platform.files[platform.ListPath() + L".bak-1"].bytes, "mine");
}

TEST_F(ListFileTest, LoadsMoreThan32767Entries) {
  std::string bytes;
  for (int i = 0; i < 40000; ++i) bytes += "C:\\Folder " + std::to_string(i) + ";";
  Store(bytes);
  LoadResult loaded = file.LoadList();
  ASSERT_EQ(loaded.entries.size(), 40000u);
  EXPECT_EQ(loaded.entries[32767], L"C:\\Folder 32767");
  EXPECT_EQ(loaded.entries.back(), L"C:\\Folder 39999");
  ASSERT_TRUE(file.SaveEntryByEntry(loaded.entries));
  EXPECT_EQ(Disk(), bytes);
}

TEST_F(ListFileTest, HiddenFileIsSkippedAndNeverOverwritten) {
  platform.files[platform.ListPath()] = {"C:\\Secret;", true};
  LoadResult loaded = file.LoadList();
  EXPECT_EQ(loaded.state, LoadState::Skipped);
  EXPECT_TRUE(loaded.entries.empty());
  EXPECT_EQ(platform.reads, 0);

  Status saved = file.SaveWholeList({L"C:\\A"});
  EXPECT_FALSE(saved);
  EXPECT_NE(saved.reason.find(L"hidden"), std::wstring::npos);
  EXPECT_FALSE(file.SaveEntryByEntry({}));
  EXPECT_EQ(Disk(), "C:\\Secret;");
}

TEST_F(ListFileTest, UnreadableFileIsReportedAndNeverOverwritten) {
  Store("C:\\Keep;");
  platform.read_error = L"Access is denied.";
  LoadResult loaded = file.LoadList();
  EXPECT_EQ(loaded.state, LoadState::Unreadable);
  EXPECT_EQ(loaded.reason, L"Access is denied.");
  EXPECT_TRUE(loaded.entries.empty());

  EXPECT_FALSE(file.SaveWholeList({L"C:\\A"}));
  EXPECT_FALSE(file.SaveEntryByEntry({}));
  EXPECT_EQ(Disk(), "C:\\Keep;");
  EXPECT_FALSE(file.Changed()) << "read again only once it changes";
  platform.WriteByOther(platform.ListPath(), "C:\\Keep;", true);
  EXPECT_TRUE(file.Changed());
}

// Replaced, or rewritten in place while it has another name (the journal
// written first, so that the fault strikes the rewrite and the write-back of
// the old list alike): the next reader finds the previous list whole.
TEST_F(ListFileTest, EveryFailedSaveLeavesThePreviousFileWhole) {
  const FileStep faults[] = {FileStep::Create, FileStep::Write, FileStep::Flush, FileStep::Close,
                             FileStep::Replace};
  for (FileStep fault : faults) {
    // Linked: the fault strikes data.bin's rewrite, or once its journal (4, 5).
    for (int linked_whole = 0; linked_whole < 6; ++linked_whole) {
      const bool linked = linked_whole > 1, whole = linked_whole % 2;
      if (linked && fault == FileStep::Replace) continue;
      platform.hard_links.clear();
      if (linked) platform.hard_links[L"D:\\Other"] = platform.ListPath();
      Store("C:\\Old;C:\\Older;");
      platform.fault = fault;
      platform.fault_once = linked_whole > 3;
      platform.faults_wait = linked && !platform.fault_once ? 4 : 0;
      const EntryList entries = {L"C:\\New"};
      Status saved = whole ? file.SaveWholeList(entries) : file.SaveEntryByEntry(entries);
      SCOPED_TRACE(testing::Message() << "fault " << static_cast<int>(fault) << " linked "
                                      << linked << (whole ? " whole" : " by entry"));
      EXPECT_FALSE(saved);
      EXPECT_FALSE(saved.reason.empty());
      EXPECT_EQ(saved.reason.find(L"beside the file"), std::wstring::npos) << "the fault's own reason";
      EXPECT_EQ(platform.waits, 0) << "a lasting failure is not tried again";
      platform.fault = FileStep::None;
      ListFile next(platform, platform.ListPath());
      EXPECT_EQ(next.LoadList().entries, (EntryList{L"C:\\Old", L"C:\\Older"}));
      EXPECT_EQ(Disk(), "C:\\Old;C:\\Older;");
      EXPECT_EQ(platform.files.size(), 1u) << "nothing left beside data.bin";
    }
  }
  platform.fault_once = false;
  EXPECT_TRUE(file.SaveWholeList({L"C:\\New"}));
  EXPECT_EQ(Disk(), "C:\\New;");
}

// A file that another program holds for a moment: reading data.bin at
// start-up, creating the file beside it and replacing it are tried again for
// about a second.
TEST_F(ListFileTest, BusyFileIsTriedAgainForAboutASecond) {
  struct Row {
    FileStep step;
    int busy_times;
    bool done;
    int waits;
  };
  const Row rows[] = {
      {FileStep::Create, 3, true, 3},    {FileStep::Replace, 3, true, 3},
      {FileStep::Create, 20, true, 20},  {FileStep::Replace, 20, true, 20},
      {FileStep::Create, 21, false, 20}, {FileStep::Replace, 1000, false, 20},
      {FileStep::Read, 6, true, 6},      {FileStep::Read, 21, false, 20},
  };
  for (const Row& row : rows) {
    for (bool whole : {true, false}) {
      SCOPED_TRACE(testing::Message() << "step " << static_cast<int>(row.step) << " busy "
                                      << row.busy_times << (whole ? " whole" : " by entry"));
      // Held is data.bin itself: rewritten in place while it has another name.
      platform.hard_links.clear();
      if (row.step == FileStep::Create) platform.hard_links[L"D:\\Other"] = platform.ListPath();
      Store("C:\\Old;");
      platform.waits = 0;
      platform.waited_ms = 0;
      platform.busy_step = row.step;
      platform.busy_times = row.busy_times;
      if (row.step == FileStep::Read) {
        ListFile starting(platform, platform.ListPath());
        LoadResult loaded = starting.LoadList();
        EXPECT_EQ(loaded.state, row.done ? LoadState::Loaded : LoadState::Unreadable);
        EXPECT_EQ(loaded.entries, row.done ? EntryList{L"C:\\Old"} : EntryList{});
        EXPECT_EQ(starting.refusal().empty(), row.done) << "saves refused only after a failed read";
      } else {
        const EntryList entries = {L"C:\\New"};
        Status saved = whole ? file.SaveWholeList(entries) : file.SaveEntryByEntry(entries);
        EXPECT_EQ(static_cast<bool>(saved), row.done);
        EXPECT_EQ(Disk(), row.done ? "C:\\New;" : "C:\\Old;");
        EXPECT_EQ(platform.files.size(), 1u) << "nothing left beside data.bin";
      }
      EXPECT_EQ(platform.waits, row.waits);
      EXPECT_LE(platform.waited_ms, 1000u);
    }
  }
}

// Whatever else holds data.bin: a change by another program is seen, links
// are kept, and a save cut short is finished or its copy read.
TEST_F(ListFileTest, OthersChangesAreSeenLinksKeptAndCutShortSavesRecovered) {
  const std::wstring kept = L"D:\\Persist\\data.bin";
  auto disk = [&](const std::wstring& path) {
    auto it = platform.files.find(platform.Resolve(path));
    return it == platform.files.end() ? std::string("(none)") : it->second.bytes;
  };
  {
    SCOPED_TRACE("another program");
    Store("A;");
    ListFile mine(platform, platform.ListPath());
    ASSERT_EQ(mine.LoadList().entries, EntryList({L"A"}));
    EXPECT_FALSE(mine.Changed());
    platform.WriteByOther(platform.ListPath(), "A;B;", true);
    EXPECT_TRUE(mine.Changed());
    EXPECT_EQ(mine.Reload(true).entries, EntryList({L"A", L"B"}));
    EXPECT_FALSE(mine.Changed());
    ASSERT_TRUE(mine.SaveWholeList({L"A", L"B", L"C"}));
    EXPECT_FALSE(mine.Changed()) << "our own save is no change";
    // In place within one tick of the clock, at the same size: what it holds tells.
    const uint64_t tick = platform.files[platform.ListPath()].written;
    platform.WriteByOther(platform.ListPath(), "A;B;D;", true);
    platform.files[platform.ListPath()].written = tick;
    EXPECT_TRUE(mine.SaveWholeList({L"A"}).changed);
    EXPECT_TRUE(mine.Changed()) << "read again before the next save";
    ASSERT_EQ(mine.Reload(true).entries.size(), 3u);
    ASSERT_TRUE(mine.SaveWholeList({L"A", L"B", L"D"}));
    platform.files[platform.ListPath()].hidden = true;
    EXPECT_TRUE(mine.Changed());
    EXPECT_EQ(mine.Reload(true).state, LoadState::Skipped);
    EXPECT_FALSE(mine.SaveWholeList({})) << "a list that became hidden is left alone";
  }
  // The third: both names on a volume mounted in a folder, C:\Data, with no letter.
  for (int link : {0, 1, 2}) {
    SCOPED_TRACE(link ? "hard link" : "symbolic link");
    const bool hard = link > 0;
    platform.files.clear();
    platform.symlinks.clear();
    platform.hard_links.clear();
    if (link == 2) platform.mounts = {L"C:\\Data\\"}, platform.program_folder = L"C:\\Data\\Apps";
    const std::wstring kept = link == 2 ? L"C:\\Data\\Persist\\data.bin" : L"D:\\Persist\\data.bin";
    (hard ? platform.hard_links : platform.symlinks)[platform.ListPath()] = kept;
    platform.files[kept] = {"A;", false};
    ListFile linked(platform, platform.ListPath());
    ASSERT_EQ(linked.LoadList().entries, EntryList({L"A"}));
    platform.locks.insert(kept + L".lock");  // a copy that reached it by its own name, saving
    EXPECT_TRUE(linked.SaveEntryByEntry({L"A", L"B"}).busy);
    EXPECT_EQ(disk(kept), "A;");
    platform.locks.clear();
    ASSERT_TRUE(linked.SaveEntryByEntry({L"A", L"B"}));
    EXPECT_EQ(platform.Resolve(platform.ListPath()), kept) << "still a link";
    EXPECT_EQ(disk(kept), "A;B;");
    EXPECT_EQ(platform.files.size(), 1u) << "no copy or journal left";
  }
  {
    SCOPED_TRACE("a link to no file yet, which another program makes in the middle of our save");
    platform.files.clear();
    platform.symlinks = {{platform.ListPath(), kept}};
    ListFile linked(platform, platform.ListPath());
    ASSERT_EQ(linked.LoadList().state, LoadState::Missing);
    platform.mid_save = [&] { platform.mid_save = [&] { platform.WriteByOther(kept, "Z;"); }; };
    EXPECT_TRUE(linked.SaveWholeList({L"A"}).changed);
    EXPECT_EQ(disk(kept), "Z;");
    ASSERT_EQ(linked.Reload(true).entries, EntryList({L"Z"}));
    ASSERT_TRUE(linked.SaveWholeList({L"Z", L"A"}));
    EXPECT_EQ(disk(platform.ListPath()), "Z;A;");
  }
}

// The program is killed before each step of a save, plain, through a
// symbolic link, with a second name (on a file system that removes the old
// file before a replace, too) and through a link to no file yet: the next
// start reads the old list or the new one, every name agrees, and the next
// save leaves nothing beside it.
TEST(ListFileKilled, TheNextStartReadsTheOldOrTheNewListWhole) {
  const std::wstring kept = L"D:\\Persist\\data.bin";
  const EntryList new_list({L"A", L"B", L"C"});
  for (int link = 0; link < 5; ++link) {
    const EntryList old_list = link == 4 ? EntryList{} : EntryList({L"A", L"B"});
    for (int step = 1;; ++step) {
      SCOPED_TRACE(std::to_string(link) + " link, killed before step " + std::to_string(step));
      FakePlatform platform;
      platform.program_folder = L"C:\\Users\\u\\scoop\\apps\\veilkeep\\1.2-beta";
      if (link == 1 || link == 2 || link == 4)
        (link == 2 ? platform.hard_links : platform.symlinks)[platform.ListPath()] = kept;
      if (link != 4) platform.files[platform.Resolve(platform.ListPath())] = {"A;B;", false};
      platform.removes_before_rename = link == 3;
      ListFile saving(platform, platform.ListPath());
      ASSERT_EQ(saving.LoadList().entries, old_list);
      std::optional<FakePlatform> killed;
      int left = step;
      bool other_saved = false;  // another copy saving there, had ours not been killed
      std::function<void()> count = [&] {
        if (--left != 0) return void(platform.mid_save = count);
        killed = platform;
        // The other copy reaches the file by its own name, where it has one.
        ListFile other(platform, link == 1 || link == 2 || link == 4 ? kept : platform.ListPath());
        other_saved = other.LoadList().state != LoadState::Unreadable && other.SaveWholeList({L"X"});
      };
      platform.mid_save = count;
      EXPECT_NE(static_cast<bool>(saving.SaveEntryByEntry(new_list)), other_saved)
          << "of two saves at once, one is made";
      if (!killed) break;     // past the last step
      killed->Revive();
      bool replacing = false;
      for (auto& [name, file] : killed->files) {
        replacing |= name.find(L".new") != name.npos && file.bytes == "A;B;C;";  // whole copy
      }
      if (link == 3 && replacing) killed->files.erase(killed->ListPath());
      ListFile next(*killed, link == 2 ? kept : killed->ListPath());  // through its other name
      const LoadResult read = next.LoadList();
      EXPECT_TRUE(read.entries == old_list || read.entries == new_list);
      EXPECT_EQ(read.recovered, link == 3 && replacing);
      ASSERT_TRUE(next.SaveWholeList({L"D"}));
      EXPECT_EQ(killed->files[killed->Resolve(killed->ListPath())].bytes, "D;");
      EXPECT_EQ(killed->files.size(), 1u) << "nothing left beside data.bin";
      if (link == 1 || link == 2 || link == 4) {
        EXPECT_EQ(killed->Resolve(killed->ListPath()), kept);
      }
    }
  }
}

// Only a journal written whole is ever applied, and one whose save is over
// but which cannot be removed is never applied later.
TEST(ListFileKilled, AJournalIsAppliedOnlyWholeAndNeverOutlivesTheNextSave) {
  const std::string whole = JournalHeader("A;", "A;B;", 7) + "A;B;" + "A;";
  Journal journal;
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    EXPECT_FALSE(ParseJournal(whole.substr(0, cut), &journal)) << cut;
  }
  ASSERT_TRUE(ParseJournal(whole, &journal));
  EXPECT_EQ(journal.list, "A;B;");
  EXPECT_EQ(journal.old, "A;");
  EXPECT_EQ(journal.file, 7u);

  FakePlatform platform;
  platform.hard_links[platform.ListPath()] = L"D:\\Persist\\data.bin";
  platform.files[L"D:\\Persist\\data.bin"] = {"A;", false};
  ListFile file(platform, platform.ListPath());
  (void)file.LoadList();
  platform.remove_fails = 100;
  ASSERT_TRUE(file.SaveWholeList({L"A", L"B"}));  // its journal stays, cleared
  platform.files[L"D:\\Persist\\data.bin"].bytes = "A;";  // another program, in place
  ListFile next(platform, platform.ListPath());
  EXPECT_EQ(next.LoadList().entries, EntryList{L"A"});
  platform.remove_fails = 0;
  ASSERT_TRUE(next.SaveWholeList({L"A", L"C"}));
  EXPECT_EQ(platform.files.size(), 1u);
  // A journal that cannot be cleared (a scanner holds it) would roll it back: not made.
  platform.scanner = true;
  EXPECT_FALSE(next.SaveWholeList({L"A", L"C", L"E"}));
  EXPECT_EQ(platform.files[L"D:\\Persist\\data.bin"].bytes, "A;C;");
  platform.scanner = false;

  // A journal lies beside every name: killed in the middle of its rewrite, a
  // copy whose folder then goes (a package manager's old version) is rolled
  // back by the next reader through another name.
  for (int step = 1; step < 30; ++step) {
    FakePlatform scoop = platform;
    scoop.hard_links[L"E:\\New\\data.bin"] = L"D:\\Persist\\data.bin";
    ListFile old_copy(scoop, scoop.ListPath());
    ASSERT_EQ(old_copy.LoadList().entries, EntryList({L"A", L"C"}));
    scoop.kill_in = step;
    (void)old_copy.SaveWholeList({L"A", L"C", L"D"});
    scoop.Revive();
    scoop.hard_links.erase(scoop.ListPath());
    for (auto it = scoop.files.begin(); it != scoop.files.end();) {
      it = it->first.rfind(scoop.ListPath(), 0) == 0 ? scoop.files.erase(it) : std::next(it);
    }
    const EntryList read = ListFile(scoop, L"E:\\New\\data.bin").LoadList().entries;
    EXPECT_TRUE(read == EntryList({L"A", L"C"}) || read == EntryList({L"A", L"C", L"D"}))
        << "killed at step " << step;
  }
  // Cut short at its full length, zeros where the disk lagged: rolled back;
  // a list another program wrote whole since (empty, or as long, not made of the two) stays.
  const std::pair<std::string, EntryList> cases[] = {
      {std::string("A;\0;", 4), {L"A"}}, {"", {}}, {"C;D;", {L"C", L"D"}}};
  for (const auto& [now, read] : cases) {
    platform.files[L"D:\\Persist\\data.bin"] = {now, false, 7};
    platform.files[platform.ListPath() + L".w9.saving"] = {whole, false};
    EXPECT_EQ(ListFile(platform, platform.ListPath()).LoadList().entries, read);
  }
  // One marked hidden, its save over, is never applied, and goes.
  platform.files[L"D:\\Persist\\data.bin"] = {"A;B;", false, 7};
  platform.files[platform.ListPath() + L".w9.saving"] = {whole, true};
  EXPECT_EQ(ListFile(platform, platform.ListPath()).LoadList().entries, EntryList({L"A", L"B"}));
  EXPECT_EQ(platform.files.count(platform.ListPath() + L".w9.saving"), 0u);
}

// On read-only media nobody writes: what lies beside data.bin is judged
// without writing, the list is read where it is whole, and nothing changes.
TEST_F(ListFileTest, ReadOnlyMediaIsJudgedWithoutWriting) {
  const std::string journal = JournalHeader("A;", "A;B;", 0) + "A;B;" + "A;";
  struct Row {
    std::string list;  // "-": none
    std::wstring left;
    std::string left_bytes;
    EntryList read;  // none: unreadable
  };
  const Row rows[] = {
      {"A;", L".w9-" + WideHex(HashOf("B;")) + L".new", "B;", {L"A"}},  // a copy never taken
      {"A;", L".w9.saving", journal, {L"A"}},                      // a rewrite rolled back already
      {std::string("A;\0;", 4), L".w9.saving", journal, {}},       // one to roll back
      {"-", L".w9-" + WideHex(HashOf("B;")) + L".new", "B;", {}},  // a replace to finish, on FAT
  };
  platform.read_only = platform.removes_before_rename = true;
  for (const Row& row : rows) {
    platform.files = {{platform.ListPath() + row.left, {row.left_bytes, false}}};
    if (row.list != "-") platform.files[platform.ListPath()] = {row.list, false};
    const std::map<std::wstring, FakePlatform::File> before = platform.files;
    const LoadResult read = ListFile(platform, platform.ListPath()).LoadList();
    EXPECT_EQ(read.state, row.read.empty() ? LoadState::Unreadable : LoadState::Loaded);
    EXPECT_EQ(read.entries, row.read);
    ASSERT_EQ(platform.files.size(), before.size());
    for (const auto& [name, file] : before) EXPECT_EQ(platform.files[name].bytes, file.bytes);
  }
}

// A file too large to be a folder list is reported, kept, and never overwritten.
TEST_F(ListFileTest, ListsBeyondTheLimitsAreUnreadableAndKept) {
  struct Row {
    const char* name;
    std::string bytes;
    bool loads;
  };
  const Row rows[] = {
      {"the most folders", std::string(kMaxListEntries, ';'), true},
      {"one folder more", std::string(kMaxListEntries + 1, ';'), false},
      {"the most bytes", std::string(kMaxListBytes - 1, 'x') + ";", true},
      {"one byte more", std::string(kMaxListBytes, 'x') + ";", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Store(row.bytes);
    ListFile starting(platform, platform.ListPath());
    LoadResult loaded = starting.LoadList();
    EXPECT_EQ(loaded.state, row.loads ? LoadState::Loaded : LoadState::Unreadable);
    EXPECT_EQ(loaded.entries.size(),
              row.loads ? std::count(row.bytes.begin(), row.bytes.end(), ';') : 0);
    EXPECT_EQ(loaded.reason.empty(), row.loads);
    // Nothing beyond them is written: neither one more folder, nor over a list not read.
    EntryList more = loaded.entries;
    more.push_back(L"C:\\New");
    EXPECT_FALSE(starting.SaveWholeList(more));
    EXPECT_EQ(Disk().size(), row.bytes.size());
  }
}

TEST(Utf8, RoundTripsEveryPlaneAndLoneSurrogates) {
  const std::wstring texts[] = {
      L"", L"plain", L"\u00e9\u6587\U0001F4C1\U0010FFFF",
      std::wstring(1, static_cast<wchar_t>(0xD800)) +
          L"x",  // a lone surrogate, as Windows names allow
  };
  for (const auto& text : texts) {
    std::string bytes = EncodeUtf8(text);
    EXPECT_EQ(DecodeUtf8(bytes.data(), bytes.size()), text);
  }
  EXPECT_EQ(EncodeUtf8(L"\U0001F4C1"), "\xF0\x9F\x93\x81");
}

TEST(Utf8, RejectsOverlongAndTruncatedSequences) {
  const std::string bad[] = {"\xC0\xAF", "\xE0\x80\xAF", "\xF4\x90\x80\x80", "\xE6\x96", "\x80"};
  for (const auto& bytes : bad) {
    std::wstring text = DecodeUtf8(bytes.data(), bytes.size());
    EXPECT_NE(text.find(L'\uFFFD'), std::wstring::npos);
    EXPECT_EQ(text.find(L'/'), std::wstring::npos);
  }
}

}  // namespace
}  // namespace vk
