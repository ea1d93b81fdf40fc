// The main window's behaviour against a fake platform and a fake window.
#include <gtest/gtest.h>

#include "app/form1.h"
#include "fake_platform.h"
#include "fake_view.h"
#include "listfile/utf8.h"
#include "about/toolbar.h"

namespace vk {
namespace {

constexpr uint32_t kHiddenAttrs = kAttrReadOnly | kAttrHidden | kAttrSystem;

class Form1Test : public ::testing::Test {
 protected:
  FakePlatform platform;
  FakeView view;
  Form1 form{platform, view};

  std::string& Disk() { return Disk(platform); }
  static std::string& Disk(FakePlatform& platform) {
    return platform.files[platform.ListPath()].bytes;
  }
  void Store(const std::string& bytes) { platform.files[platform.ListPath()] = {bytes, false}; }
  void Folder(const std::wstring& path, uint32_t attributes = 0) {
    platform.folders[path] = attributes;
  }
  void Pick(const std::wstring& path) {
    platform.browse_answers.push_back({BrowseOutcome::Chosen, path});
  }
  std::wstring LastMessage() const {
    return platform.messages.empty() ? L"(none)" : platform.messages.back().text;
  }
  // Starts with `entries` listed and entry 0 selected.
  void StartWith(const std::string& bytes) {
    Store(bytes);
    ASSERT_TRUE(form.Load());
  }
};

TEST_F(Form1Test, FirstRunShowsAnEmptyListWithOnlyAdd) {
  ASSERT_TRUE(form.Load());
  EXPECT_TRUE(view.list.empty());
  EXPECT_EQ(view.Buttons(), "Add");
  EXPECT_EQ(view.status, L"Hidden:");
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(platform.files.count(platform.ListPath()), 0u) << "start-up must not create data.bin";
}

TEST_F(Form1Test, StartUpListsEntriesInFileOrderAndSelectsTheFirst) {
  Folder(L"C:\\B", kHiddenAttrs);
  StartWith("C:\\B;C:\\A;C:\\C;");
  EXPECT_EQ(view.list, (std::vector<std::wstring>{L"C:\\B", L"C:\\A", L"C:\\C"}));
  EXPECT_EQ(view.selected, 0);
  EXPECT_EQ(view.status, L"Hidden: True");
  EXPECT_EQ(view.Buttons(), "Add Delete Open Unhide");
}

TEST_F(Form1Test, SecondCopyEndsBeforeTouchingAnything) {
  platform.another_instance = true;
  Store("C:\\A;");
  EXPECT_FALSE(form.Load());
  EXPECT_EQ(view.calls, 0);
  EXPECT_EQ(platform.file_calls, 0);
  EXPECT_TRUE(platform.messages.empty());
}

TEST_F(Form1Test, ToolbarPicturesComeFromTheProgramFolderBeforeTheList) {
  StartWith("C:\\A;");
  EXPECT_EQ(view.picture_folder, L"C:\\Apps\\Veilkeep");
  EXPECT_TRUE(view.pictures_before_list);
  // Website shows the picture keyed "about" (3.ico), About the one keyed "website" (4.ico).
  EXPECT_STREQ(kImageList1Files[kToolbarPictures[3 - 1]], L"\\ico\\3.ico");
  EXPECT_STREQ(kImageList1Files[kToolbarPictures[5 - 1]], L"\\ico\\4.ico");
}

// A list file left alone for the session (hidden, or unreadable at start)
// could not keep a new folder: Add and drops are refused before anything is
// asked, and the file stays as it was.
TEST_F(Form1Test, ListLeftAloneRefusesAddsBeforeTheBrowserOpens) {
  struct Case {
    const char* name;
    bool hidden;
    const wchar_t* read_error;
    const wchar_t* start_message;  // part of it; nullptr: none
    const wchar_t* why;            // part of Add's message
  };
  const Case cases[] = {
      {"unreadable", false, L"Access is denied.", L"Access is denied.", L"could not be read"},
      {"hidden", true, L"", nullptr, L"hidden or marked system"},
  };
  for (const auto& c : cases) {
    for (bool drop : {false, true}) {
      SCOPED_TRACE(testing::Message() << c.name << (drop ? " drop" : " add"));
      FakePlatform platform;
      FakeView view;
      Form1 form{platform, view};
      platform.files[platform.ListPath()] = {"C:\\Keep;", c.hidden};
      platform.read_error = c.read_error;
      platform.folders[L"C:\\New"] = 0;
      ASSERT_TRUE(form.Load());
      form.Form1Activate();
      EXPECT_EQ(view.status, L"Hidden:") << "nothing was selected or emptied";
      ASSERT_EQ(platform.messages.size(), c.start_message ? 1u : 0u);
      if (c.start_message) {
        EXPECT_NE(platform.messages[0].text.find(platform.ListPath()), std::wstring::npos);
        EXPECT_NE(platform.messages[0].text.find(c.start_message), std::wstring::npos);
      }
      platform.messages.clear();
      platform.browse_answers.push_back({BrowseOutcome::Chosen, L"C:\\New"});
      if (drop) {
        form.Handle(UserAction::Dropped({L"C:\\New"}));
      } else {
        form.Handle({UserAction::Kind::Command1, kAdd});
      }
      EXPECT_TRUE(platform.browse_prompts.empty()) << "no folder asked for";
      ASSERT_EQ(platform.messages.size(), 1u);
      EXPECT_EQ(platform.messages[0].title, L"Error");
      EXPECT_NE(platform.messages[0].text.find(L"No folder can be added"), std::wstring::npos);
      EXPECT_NE(platform.messages[0].text.find(c.why), std::wstring::npos);
      EXPECT_TRUE(view.list.empty());
      EXPECT_EQ(view.Buttons(), "Add");
      EXPECT_EQ(platform.files[platform.ListPath()].bytes, "C:\\Keep;");
    }
  }
}

TEST_F(Form1Test, SelectionStatusNeedsBothHiddenAndSystem) {
  struct Case {
    uint32_t attributes;
    bool exists;
    const wchar_t* status;
    const char* buttons;
  };
  const Case cases[] = {
      {kHiddenAttrs, true, L"Hidden: True", "Add Delete Open Unhide"},
      {kAttrHidden | kAttrSystem, true, L"Hidden: True", "Add Delete Open Unhide"},
      {kAttrHidden, true, L"Hidden: False", "Add Delete Open Hide"},
      {kAttrSystem, true, L"Hidden: False", "Add Delete Open Hide"},
      {kAttrReadOnly, true, L"Hidden: False", "Add Delete Open Hide"},
      {0, false, L"Hidden: True", "Add Delete Open Unhide"},  // a vanished folder reads as hidden
  };
  StartWith("C:\\Z;C:\\X;");
  // Each state as the folder is picked, then as found when the window is active again.
  for (int row = 0; row < 12; ++row) {
    const Case& c = cases[row % 6];
    platform.folders.clear();
    if (c.exists) Folder(L"C:\\X", c.attributes);
    row < 6 ? form.List1Click(1) : form.Form1Activate();
    EXPECT_EQ(form.selected(), 1);
    EXPECT_EQ(view.status, c.status) << "attributes " << c.attributes;
    EXPECT_EQ(view.Buttons(), c.buttons) << "attributes " << c.attributes;
  }
}

TEST_F(Form1Test, TypingInTheListSelectsTheNextEntryStartingWithIt) {
  struct Case {
    int from;              // selected before typing
    const wchar_t* typed;  // what has been typed in quick succession
    int selected;          // selected after; `from` when nothing may change
  };
  const Case cases[] = {
      {0, L"d", 1},           // the next entry after the selected one that starts with it
      {1, L"d", 3},           // passing by those that do not
      {3, L"D", 1},           // wraps; letter case does not count
      {0, L"c", 2},           // the same for an entry in lower case
      {2, L"C", 0},           // back to the first entry
      {0, L"dd", 1},          // one key again and again: the next entry each time
      {1, L"dD", 3},          // in either case
      {1, L"ddd", 3},         // and the next
      {0, L"d:\\de", 3},      // a longer prefix
      {4, L"c:\\g", 2},       // searched from the selected entry, wrapping
      {1, L"d:\\", 1},        // which may itself match
      {0, L"e:\\\u00e9", 4},  // Latin-1 letters in either case
      {2, L"x", 2},           // nothing matches: nothing changes
      {2, L"d:\\x", 2},       // not even the part that did match
      {2, L"", 2},            // nothing typed
  };
  Folder(L"C:\\Alpha");
  Folder(L"D:\\Beta", kHiddenAttrs);
  Folder(L"c:\\gamma");
  Folder(L"E:\\\u00c9t\u00e9");  // D:\Delta is missing: it reads as hidden
  const wchar_t* status[] = {L"Hidden: False", L"Hidden: True", L"Hidden: False", L"Hidden: True",
                             L"Hidden: False"};
  StartWith("C:\\Alpha;D:\\Beta;c:\\gamma;D:\\Delta;E:\\\xC9t\xE9;");
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "from " << c.from << " typed \"" << c.typed << "\"");
    form.List1Click(c.from);
    view.status = L"(before typing)";
    const int calls = view.calls;
    form.List1Search(c.typed);
    EXPECT_EQ(form.selected(), c.selected);
    if (c.selected == c.from) {
      EXPECT_EQ(view.calls, calls) << "nothing may change";
      EXPECT_EQ(view.status, L"(before typing)");
    } else {
      EXPECT_EQ(view.selected, c.selected);
      EXPECT_EQ(view.status, status[c.selected]) << "the selection status follows";
    }
  }
}

TEST_F(Form1Test, AddAppendsSavesAndSelectsTheNewEntry) {
  Folder(L"C:\\A");
  Folder(L"C:\\New", kHiddenAttrs);
  StartWith("C:\\A;");
  Pick(L"C:\\New");
  form.Command1Click(kAdd);
  ASSERT_EQ(platform.browse_prompts, (std::vector<std::wstring>{L"Select A Folder:"}));
  EXPECT_EQ(view.list, (std::vector<std::wstring>{L"C:\\A", L"C:\\New"}));
  EXPECT_EQ(view.selected, 1);
  EXPECT_EQ(view.status, L"Hidden: True");
  EXPECT_EQ(view.Buttons(), "Add Delete Open Unhide");
  EXPECT_EQ(Disk(), "C:\\A;C:\\New;");
  EXPECT_TRUE(platform.messages.empty());
}

TEST_F(Form1Test, AddRefusesWithTheRightMessageAndChangesNothing) {
  struct Case {
    const char* name;
    BrowseResult pick;
    unsigned drive_type;     // of the picked path
    const wchar_t* message;  // nullptr: no message
  };
  const BrowseResult kOther = {BrowseOutcome::Chosen, L"E:\\x"};
  const wchar_t* kUnsupported = L"The type of folder is not supported!";
  const Case cases[] = {
      {"cancel", {BrowseOutcome::Cancelled, L""}, kDriveNoRootDir, nullptr},
      {"no path", {BrowseOutcome::NoPath, L""}, kDriveNoRootDir, L"Invalid folder!"},
      {"root", {BrowseOutcome::Chosen, L"D:\\"}, kDriveFixed, L"Invalid folder!"},
      {"unknown drive", kOther, kDriveUnknown, kUnsupported},
      {"removable", kOther, kDriveRemovable, kUnsupported},
      {"network", kOther, kDriveRemote, kUnsupported},
      {"optical", kOther, kDriveCdRom, kUnsupported},
      {"ram disk", kOther, kDriveRamDisk, kUnsupported},
      {"duplicate",
       {BrowseOutcome::Chosen, L"C:\\A"},
       kDriveNoRootDir,
       L"Folder C:\\A already exists!"},
      {"separator", {BrowseOutcome::Chosen, L"C:\\a;b"}, kDriveNoRootDir, nullptr},
  };
  Folder(L"C:\\A");
  StartWith("C:\\A;");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    platform.messages.clear();
    platform.browse_answers = {c.pick};
    platform.drive_types[c.pick.path] = c.drive_type;
    form.Command1Click(kAdd);
    EXPECT_EQ(view.list, (std::vector<std::wstring>{L"C:\\A"}));
    EXPECT_EQ(Disk(), "C:\\A;");
    if (std::string(c.name) == "separator") {
      ASSERT_EQ(platform.messages.size(), 1u);
      EXPECT_NE(platform.messages[0].text.find(L"\";\""), std::wstring::npos);
    } else if (c.message) {
      ASSERT_EQ(platform.messages.size(), 1u);
      EXPECT_EQ(platform.messages[0].text, c.message);
    } else {
      EXPECT_TRUE(platform.messages.empty());
    }
    for (const auto& m : platform.messages) EXPECT_EQ(m.title, L"Error");
  }
}

TEST_F(Form1Test, DroppedFoldersAreAddedAsAddAddsThemWithOneSave) {
  struct Case {
    const char* name;
    std::vector<std::wstring> dropped;
    std::string disk;                   // data.bin afterwards
    int selected;                       // afterwards
    std::vector<std::wstring> refused;  // each must be named in the one message
    std::string before = "C:\\A;";
  };
  const std::string most = "C:\\A;" + std::string(kMaxListEntries - 2, ';');
  const std::wstring kTooLong = L"C:\\" + std::wstring(300, L'x');
  // 55 bytes short of the most: eight of ten "C:\Nn;" fit, each with its ";".
  const std::string long_one = "C:\\" + std::string(kMaxListBytes - 59, 'x') + ";";
  std::vector<std::wstring> ten;
  for (int i = 0; i < 10; ++i) ten.push_back(L"C:\\N" + std::to_wstring(i));
  const std::wstring wide = L"C:\\" + std::wstring(6, L'\x6587');
  auto room = [](size_t left) { return "C:\\A;C:\\" + std::string(kMaxListBytes - 3 - left - 9, 'x') + ";"; };
  const Case cases[] = {
      {"one folder", {L"C:\\New"}, "C:\\A;C:\\New;", 1, {}},
      {"three, one already listed",
       {L"C:\\New", L"C:\\A", L"C:\\\x00e9t\x00e9"},
       "C:\\A;C:\\New;C:\\\xe9t\xe9;",
       2,
       {L"Folder C:\\A already exists!"}},
      {"the same folder twice", {L"C:\\New", L"C:\\New"}, "C:\\A;C:\\New;", 1, {}},
      {"a file",
       {L"C:\\notes.txt"},
       "C:\\A;",
       0,
       {L"C:\\notes.txt is not a folder: only folders can be added."}},
      {"every refusal at once",
       {L"C:\\notes.txt", L"D:\\", L"E:\\Stick", L"C:\\a;b", L"C:\\A"},
       "C:\\A;",
       0,
       {L"C:\\notes.txt is not a folder", L"D:\\: Invalid folder!",
        L"E:\\Stick: The type of folder is not supported!", L"\";\"",
        L"Folder C:\\A already exists!"}},
      {"two drive roots",
       {L"Z:\\", L"C:\\"},
       "C:\\A;",
       0,
       {L"Z:\\: Invalid folder!\n\nC:\\: Invalid folder!"}},
      {"nothing", {}, "C:\\A;", 0, {}},
      {"names that end in a dot or a space, which Windows drops",
       {L"C:\\Docs.", L"C:\\Sp \\In", L"C:\\In\\ "}, "C:\\A;", 0,
       {L"Folder C:\\Docs. cannot be added: a name", L"Folder C:\\Sp \\In cannot be added: a name",
        L"Folder C:\\In\\  cannot be added: a name"}},
      {"past the most the list reads back", {L"C:\\New", L"C:\\\x00e9t\x00e9"}, most + "C:\\New;",
       int(kMaxListEntries) - 1, {L"1 folder was not added"}, most},
      {"past the most bytes", ten, long_one + "C:\\N0;C:\\N1;C:\\N2;C:\\N3;C:\\N4;C:\\N5;C:\\N6;C:\\N7;", 8,
       {L"2 folders were not added"}, long_one},
      // An entry past ASCII at three bytes a character: 22 bytes, counted as 28, with 28 then 20 left.
      {"past ASCII, as much room as its most", {wide}, "\xEF\xBB\xBF" + room(28) + EncodeUtf8(wide) + ";", 2, {}, room(28)},
      {"past ASCII, less room than its most", {wide}, room(20), 0, {L"1 folder was not added"}, room(20)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakePlatform platform;
    FakeView view;
    Form1 form{platform, view};
    for (const wchar_t* folder :
         {L"C:\\A", L"C:\\New", L"C:\\\x00e9t\x00e9", L"D:\\", L"E:\\Stick", L"C:\\a;b", L"Z:\\",
          L"C:\\", L"C:\\Docs.", L"C:\\Sp \\In", L"C:\\In\\ "}) {
      platform.folders[folder] = 0;
    }
    for (const std::wstring& folder : ten) platform.folders[folder] = 0;
    platform.folders[wide] = 0;
    platform.drive_types[L"E:\\Stick"] = kDriveRemovable;
    platform.files[platform.ListPath()] = {c.before, false};
    ASSERT_TRUE(form.Load());
    const int writes = platform.writes;
    form.DropFolders(c.dropped);
    const std::string disk = platform.files[platform.ListPath()].bytes;
    EXPECT_EQ(disk, c.disk);
    EXPECT_EQ(platform.writes - writes, disk == c.before ? 0 : 1) << "one save per drop";
    EXPECT_EQ(view.list, form.entries());
    EXPECT_EQ(view.selected, c.selected);
    EXPECT_EQ(view.Buttons(), "Add Delete Open Hide");
    if (c.refused.empty()) {
      EXPECT_TRUE(platform.messages.empty());
      continue;
    }
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].title, L"Error");
    for (const auto& part : c.refused) {
      EXPECT_NE(platform.messages[0].text.find(part), std::wstring::npos) << part.size();
    }
  }
}

TEST_F(Form1Test, AddAcceptsNonRootsAndFixedDrivesAndOtherLetterCase) {
  Folder(L"C:\\A");
  StartWith("C:\\A;");
  Pick(L"C:\\a");  // same folder, other case: a new entry
  Pick(L"F:\\Fixed");
  platform.drive_types[L"F:\\Fixed"] = kDriveFixed;
  form.Command1Click(kAdd);
  form.Command1Click(kAdd);
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(Disk(), "C:\\A;C:\\a;F:\\Fixed;");
}

TEST_F(Form1Test, AddThenDeleteLeavesTheFileAsItWas) {
  Folder(L"C:\\A");
  Folder(L"C:\\B");
  StartWith("C:\\A;C:\\B;");
  const std::string before = Disk();
  Pick(L"C:\\New");
  form.Command1Click(kAdd);
  ASSERT_EQ(form.selected(), 2);
  form.Command1Click(kDelete);
  EXPECT_EQ(Disk(), before);
  EXPECT_EQ(view.selected, 1) << "the new last entry is selected";
}

TEST_F(Form1Test, DeletingTheLastEntryEmptiesEverything) {
  Folder(L"C:\\A", kHiddenAttrs);
  StartWith("C:\\A;");
  form.Command1Click(kDelete);
  EXPECT_TRUE(view.list.empty());
  EXPECT_EQ(view.Buttons(), "Add");
  EXPECT_EQ(view.status, L"Hidden: ");
  EXPECT_EQ(Disk(), "");
  EXPECT_EQ(platform.folders[L"C:\\A"], kHiddenAttrs) << "the folder itself stays hidden";
}

TEST_F(Form1Test, HideThenUnhideSetsSevenThenOne) {
  Folder(L"C:\\A");
  StartWith("C:\\A;");
  form.Command1Click(kHide);
  EXPECT_EQ(platform.folders[L"C:\\A"], 7u);
  EXPECT_EQ(view.status, L"Hidden: True");
  EXPECT_EQ(view.Buttons(), "Add Delete Open Unhide");
  form.Command1Click(kUnhide);
  EXPECT_EQ(platform.folders[L"C:\\A"], 1u);
  EXPECT_EQ(view.status, L"Hidden: False");
  EXPECT_EQ(view.Buttons(), "Add Delete Open Hide");
  EXPECT_EQ(Disk(), "C:\\A;") << "hiding never rewrites the list";
}

TEST_F(Form1Test, RefusedAttributeChangeShowsTheRealState) {
  Folder(L"C:\\A");
  StartWith("C:\\A;");
  platform.set_attributes_error = L"Access is denied.";
  form.Command1Click(kHide);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_NE(platform.messages[0].text.find(L"C:\\A"), std::wstring::npos);
  EXPECT_NE(platform.messages[0].text.find(L"Access is denied."), std::wstring::npos);
  EXPECT_EQ(view.status, L"Hidden: False");
  EXPECT_EQ(view.Buttons(), "Add Delete Open Hide");

  platform.set_attributes_error.clear();
  form.Command1Click(kHide);
  platform.set_attributes_error = L"The process cannot access the file.";
  form.Command1Click(kUnhide);
  EXPECT_EQ(platform.messages.size(), 2u);
  EXPECT_EQ(view.status, L"Hidden: True");
  EXPECT_EQ(view.Buttons(), "Add Delete Open Unhide");
}

TEST_F(Form1Test, OpenHandsTheExactPathToTheShell) {
  const std::wstring odd = L"C:\\a b, c=d & e %f% ^g -x";
  Folder(odd);
  StartWith(std::string(odd.begin(), odd.end()) + ";");
  form.Command1Click(kOpen);
  EXPECT_EQ(platform.opened_folders, (std::vector<std::wstring>{odd}));
  EXPECT_TRUE(platform.messages.empty());

  platform.open_folder_error = L"Application not found.";
  form.Command1Click(kOpen);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_NE(platform.messages[0].text.find(L"Application not found."), std::wstring::npos);
  EXPECT_EQ(view.list.size(), 1u);
}

// Dropped only from a drive that is there: "not connected" is not "gone".
TEST_F(Form1Test, MissingFolderIsReportedAndDropped) {
  for (int command : {kOpen, kHide, kUnhide}) {
    SCOPED_TRACE(command);
    platform = FakePlatform();
    view = FakeView();
    Form1 fresh(platform, view);
    Folder(L"C:\\Keep");
    Folder(L"Q:\\Disk", kHiddenAttrs);  // a disk, and a share, not connected: kept
    platform.unplugged = {L"Q:\\", L"\\\\nas\\share\\"};
    // Gone from a network letter that is there, whatever the stick Veilkeep runs from holds.
    platform.program_folder = L"M:\\V", platform.drive_types[L"Z:\\"] = kDriveRemote;
    Folder(L"M:\\Gone");
    Store("C:\\Keep;Z:\\Gone;\\\\nas\\share\\x;Q:\\Disk;");
    ASSERT_TRUE(fresh.Load());
    for (int entry : {3, 2, 1}) fresh.List1Click(entry), fresh.Command1Click(command);
    ASSERT_EQ(platform.messages.size(), 3u);
    EXPECT_NE(platform.messages[0].text.find(L"drive Q:\\ is not connected"), std::wstring::npos);
    EXPECT_NE(platform.messages[1].text.find(L"share \\\\nas\\share\\ is not"), std::wstring::npos);
    EXPECT_EQ(platform.messages[2].text, L"Folder Z:\\Gone doesn't exist!");
    EXPECT_EQ(view.list,
              (std::vector<std::wstring>{L"C:\\Keep", L"\\\\nas\\share\\x", L"Q:\\Disk"}));
    EXPECT_EQ(Disk(), "C:\\Keep;\\\\nas\\share\\x;Q:\\Disk;");
    EXPECT_EQ(view.selected, 2);
    EXPECT_TRUE(platform.opened_folders.empty());
    EXPECT_TRUE(platform.attribute_sets.empty());
    platform.unplugged.clear();  // back again: the folder is revealed
    fresh.Command1Click(kUnhide);
    EXPECT_EQ(platform.folders[L"Q:\\Disk"], kAttrReadOnly);
  }
}

// Started from a stick lettered M: now; K:, E: and the network drive Z: are
// not connected, D: is another disk. An entry follows only when it is not
// there and is there on M:, asked unless in the program's folder; once, at start.
TEST_F(Form1Test, EntriesOnTheStickFollowItsNewLetterOneByOne) {
  // The program's folder, data.bin, the answers (one question at most), a
  // start with a window, data.bin right after start-up.
  struct Row { const wchar_t* program; const char *list, *answers; bool window; const char* saved; int busy = 0; };
  // Eleven to ask about: one question names ten, and Yes moves those ten.
  std::string eleven, ten_moved;
  for (int i = 0; i <= 10; ++i) {
    eleven += "K:\\F" + std::to_string(i) + ";";
    ten_moved += (i < 10 ? "M:\\F" : "K:\\F") + std::to_string(i) + ";";
  }
  const Row rows[] = {
      // A share and a drive's root never follow.
      {L"M:\\V", "K:\\V\\Notes;K:\\Archive;\\\\nas\\sh\\V;K:\\;", "", true, "M:\\V\\Notes;K:\\Archive;\\\\nas\\sh\\V;K:\\;"},
      {L"M:\\V", "K:\\V\\Notes;D:\\Data;", "", true, "M:\\V\\Notes;D:\\Data;", 1},  // busy at start
      {L"M:\\V", eleven.c_str(), "y", true, ten_moved.c_str()},
      // Two listed folders that would become one: nothing asked, nothing moved.
      {L"M:\\V", "E:\\Private;K:\\Private;", "", true, "E:\\Private;K:\\Private;"},
      {L"M:\\V", "D:\\V\\Notes;D:\\Data;D:\\Private;", "y", true, "M:\\V\\Notes;D:\\Data;M:\\Private;"},
      {L"M:\\V", "D:\\V\\Notes;D:\\Data;D:\\Private;", "", false, "M:\\V\\Notes;D:\\Data;D:\\Private;"},
      {L"M:\\V", "E:\\Videos;M:\\Private;K:\\Private;", "n", true, "E:\\Videos;M:\\Private;K:\\Private;"},
      {L"M:\\V", "M:\\Private;K:\\Private;", "y", true, "M:\\Private;"},
      {L"M:\\V", "Z:\\Photos;Z:\\V\\Notes;", "", true, "Z:\\Photos;Z:\\V\\Notes;"},
      {L"C:\\V", "K:\\V\\Notes;", "", true, "K:\\V\\Notes;"},
      {L"Z:\\V", "K:\\V\\Notes;", "", true, "K:\\V\\Notes;"},
      {L"M:\\v", "K:\\V\\Notes;", "", false, "M:\\V\\Notes;"},  // its own folder, in any letter case
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.list);
    platform = FakePlatform();
    for (auto folder : {L"M:\\V\\Notes", L"M:\\Photos", L"M:\\Private", L"M:\\Videos", L"D:\\Data",
                        L"M:\\Data", L"C:\\V\\Notes", L"M:\\V\\Later", L"C:\\New", L"M:\\", L"M:\\sh\\V"})
      Folder(folder);
    for (int i = 0; i <= 10; ++i) Folder(L"M:\\F" + std::to_wstring(i));
    platform.unplugged = {L"K:\\", L"E:\\", L"Z:\\", L"\\\\nas\\sh\\"};
    platform.drive_types[L"Z:\\"] = kDriveRemote;
    platform.program_folder = row.program;
    platform.answers = row.answers;
    Form1 fresh(platform, view);
    Store(row.list);
    platform.busy_step = FileStep::Read, platform.busy_times = row.busy * 25;
    ASSERT_TRUE(fresh.Load(row.window));
    for (int i = 0; i < 5 * row.busy; ++i) fresh.FollowListFile();  // read whole at last
    EXPECT_EQ(platform.messages.size(), strlen(row.answers) + row.busy);
    EXPECT_EQ(Disk(), row.saved);
    EXPECT_EQ(view.list, fresh.entries());
    fresh.Form1Activate();
    EXPECT_EQ(platform.network_looks, 0) << "no network drive is looked at";
    // Added later by another program: it keeps its letter, and nothing is asked again.
    platform.WriteByOther(platform.ListPath(), Disk() + "K:\\V\\Later;");
    fresh.FollowListFile();
    fresh.DropFolders({L"C:\\New"});
    EXPECT_EQ(Disk(), std::string(row.saved) + "K:\\V\\Later;C:\\New;");
    EXPECT_EQ(platform.messages.size(), strlen(row.answers) + row.busy);
    // Unhide of each: an entry not there whose path is on the stick, like
    // one on a drive not connected, is never dropped as gone.
    for (int i = 0; i < static_cast<int>(fresh.entries().size()); ++i) {
      fresh.List1Click(i);
      fresh.Command1Click(kUnhide);
    }
    EXPECT_EQ(Disk(), std::string(row.saved) + "K:\\V\\Later;C:\\New;");
  }
  // A move that cannot be saved is said, and the list keeps the old letters.
  platform = FakePlatform(), view = FakeView();
  platform.program_folder = L"M:\\V", platform.unplugged = {L"K:\\"}, platform.fault = FileStep::Write;
  Folder(L"M:\\V\\Notes"), Store("K:\\V\\Notes;");
  Form1 stuck(platform, view);
  ASSERT_TRUE(stuck.Load());
  EXPECT_EQ(Disk(), "K:\\V\\Notes;");
  EXPECT_EQ(view.list, stuck.entries());
  EXPECT_NE(LastMessage().find(L"stay listed under their old drive letters"), std::wstring::npos);
}

// Where a listed folder would be on the stick: only from one lettered drive
// to another, neither the system's nor a network's, the program on the stick.
TEST(OnTheStickTest, OnlyFromALetterToTheSticksOwn) {
  FakePlatform platform;
  platform.drive_types = {{L"Y:\\", kDriveRemote}, {L"Z:\\", kDriveRemote}};
  const struct { const wchar_t *program, *path, *there; } rows[] = {
      {L"M:\\V", L"K:\\X", L"M:\\X"},        {L"\\\\nas\\V", L"K:\\X", L""},
      {L"M:\\V", L"\\\\nas\\s\\X", L""}, {L"M:\\V", L"M:\\X", L""},
      {L"M:\\V", L"K:\\", L""},             {L"C:\\V", L"K:\\X", L""},
      {L"Z:\\V", L"K:\\X", L""},             {L"M:\\V", L"Y:\\X", L""},
  };
  for (const auto& row : rows) EXPECT_EQ(OnTheStick(platform, row.path, row.program), row.there) << row.program << row.path;
}

// While the start's question about moved folders is up, a request and a
// change of data.bin wait; both are taken once it is answered. A request
// waits as well while the stick's folders are looked up, then finds them moved.
TEST_F(Form1Test, RequestsAndChangesWaitForTheStartsQuestion) {
  platform.program_folder = L"M:\\V";
  platform.unplugged = {L"K:\\"};
  Folder(L"M:\\Photos"), Folder(L"C:\\New");
  std::string seen;
  platform.while_modal = [&] {
    if (!seen.empty()) return;
    form.Queue({Request::Kind::Hide, {L"C:\\New"}}, [&](bool done) { seen += "01"[done]; });
    form.RunRequests();
    platform.WriteByOther(platform.ListPath(), "K:\\Photos;C:\\Other;");
    form.FollowListFile();
    seen += std::to_string(form.entries().size());  // nothing taken while it is up
  };
  StartWith("K:\\Photos;");  // answered No
  EXPECT_EQ(seen, "11");
  EXPECT_EQ(Disk(), "K:\\Photos;C:\\Other;C:\\New;");
  EXPECT_EQ(view.list, (std::vector<std::wstring>{L"K:\\Photos", L"C:\\Other", L"C:\\New"}));
  Folder(L"M:\\V\\Notes"), Store("K:\\V\\Notes;");
  view.hold_aside = true, seen.clear();
  Form1 fresh(platform, view);
  ASSERT_TRUE(fresh.Load());
  fresh.Queue({Request::Kind::HideAll, {}}, [&](bool done) { seen += "01"[done]; });
  fresh.RunRequests();
  view.aside();
  EXPECT_EQ(seen, "1");
  EXPECT_EQ(Disk(), "M:\\V\\Notes;");
  EXPECT_EQ(platform.folders[L"M:\\V\\Notes"], kHiddenAttrs);
  // A change of data.bin while a request's message is up is shown once it closes.
  platform.while_modal = [&] {
    platform.WriteByOther(platform.ListPath(), "C:\\Other;");
    fresh.FollowListFile();
  };
  platform.set_attributes_error = L"Access is denied.";
  fresh.Queue({Request::Kind::Unhide, {L"M:\\V\\Notes"}}, [](bool) {});
  fresh.RunRequests();
  EXPECT_EQ(view.list, std::vector<std::wstring>{L"C:\\Other"});
  // ...and one made while About is up, once it closes.
  view.while_modal = [&] {
    platform.WriteByOther(platform.ListPath(), "C:\\About;C:\\More;");
    fresh.FollowListFile();
  };
  fresh.Handle({UserAction::Kind::Toolbar1, 5});
  EXPECT_EQ(view.list, (std::vector<std::wstring>{L"C:\\About", L"C:\\More"}));
  EXPECT_EQ(view.selected, 0) << "the folder selected is gone: the first is";
  // Nothing is looked up before the window's first idle moment; then the list of that moment is.
  Folder(L"M:\\V\\Photos"), Store("K:\\V\\Notes;"), view.hold_idle = true, view.aside = nullptr;
  Form1 idle(platform, view);
  ASSERT_TRUE(idle.Load());
  EXPECT_FALSE(view.aside) << "looked up before the window was idle";
  platform.WriteByOther(platform.ListPath(), "K:\\V\\Notes;K:\\V\\Photos;");
  idle.FollowListFile(), view.idle(), view.aside();
  EXPECT_EQ(Disk(), "M:\\V\\Notes;M:\\V\\Photos;");
  view.hold_idle = false;
  // A look-up that ends while About is up asks once About closes.
  Store("K:\\Photos;"), platform.messages.clear(), platform.set_attributes_error.clear();
  Form1 later(platform, view);
  ASSERT_TRUE(later.Load());
  size_t asked = 9;
  view.while_modal = [&] { view.aside(), asked = platform.messages.size(); };
  later.Handle({UserAction::Kind::Toolbar1, 5});
  EXPECT_EQ(asked * 10 + platform.messages.size(), 1u);
}

// A request takes the folder as data.bin lists it now, in whatever letter
// case, and is done only when the folder ends hidden and system.
TEST_F(Form1Test, ARequestIsDoneWhenTheFolderEndsAsAsked) {
  struct Row { const char* other; const wchar_t* named; uint32_t attributes; const wchar_t* refused; bool done; size_t said; };
  const Row rows[] = {
      {nullptr, L"C:\\A", 0, L"", true, 0},  // the first entry
      {"C:\\DATA;C:\\A;", L"C:\\data", 0, L"", true, 0},  // listed meanwhile, spelled otherwise
      {nullptr, L"C:\\A", kAttrHidden, L"Access is denied.", false, 1},  // hidden, not system
  };
  for (const Row& row : rows) {
    platform = FakePlatform(), view = FakeView();
    Form1 fresh(platform, view);
    Folder(L"C:\\A", row.attributes), Folder(L"C:\\DATA"), Store("C:\\A;");
    ASSERT_TRUE(fresh.Load());
    if (row.other) platform.WriteByOther(platform.ListPath(), row.other);
    platform.set_attributes_error = row.refused;
    bool done = !row.done;
    fresh.Queue({Request::Kind::Hide, {row.named}}, [&](bool d) { done = d; });
    fresh.RunRequests();
    EXPECT_EQ(done, row.done) << row.named;
    EXPECT_EQ(platform.messages.size(), row.said) << row.named;
  }
}

// Hide All and Unhide All over every kind of folder a list holds, from the
// system menu (one message at the end) and as a request (none): there,
// gone, on a drive not connected, refused, on the stick's old letter.
TEST_F(Form1Test, HideAllAndUnhideAllTakeEachFolderAsTheButtonsDo) {
  std::string twelve;
  for (int i = 0; i < 12; ++i) twelve += "C:\\Gone" + std::to_string(i) + ";";
  // `upset`: data.bin unreadable at start (1); rewritten unseen, held past the retries (2) or not (3).
  struct Row { std::string list; bool hide, request; const wchar_t* refused; std::string saved; bool done; std::wstring said; int upset = 0; };
  const Row rows[] = {
      {"C:\\There;C:\\Gone;Q:\\Away;K:\\Old;", true, false, L"", "C:\\There;Q:\\Away;K:\\Old;", false,
       L"Not every folder could be hidden:\n\nFolder C:\\Gone doesn't exist!\n\nFolder Q:\\Away cannot be reached"},
      {"C:\\There;C:\\Gone;Q:\\Away;K:\\Old;", false, true, L"", "C:\\There;Q:\\Away;K:\\Old;", false, L""},
      {"C:\\There;Q:\\Away;", false, true, L"", "C:\\There;Q:\\Away;", true, L""},
      {"C:\\There;Q:\\Away;", true, false, L"Access is denied.", "C:\\There;Q:\\Away;", false,
       L"Not every folder could be hidden:\n\nC:\\There: Access is denied."},
      {"C:\\There;" + twelve, true, false, L"", "C:\\There;", false, L"\n\nand 2 more."},
      {"C:\\There;" + twelve.substr(0, twelve.find("C:\\Gone10")), true, false, L"", "C:\\There;", false, L"C:\\Gone9 doesn't"},
      {"C:\\There;C:\\Data.;", true, false, L"", "C:\\There;C:\\Data.;", false, L"C:\\Data.: A name in its path ends in a dot"},
      {"Q:\\Old;C:\\There;", true, true, L"", "Q:\\Old;C:\\There;", false, L""},  // not connected, on the stick
      {"C:\\There;", true, false, L"", "C:\\There;", false, L"could not be read, so no folder was hidden.", 1},
      {"C:\\There;C:\\Gone;", true, true, L"", "C:\\There;", false, L"", 2},
      {"C:\\Gone;", true, true, L"", "C:\\There;", true, L"", 3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.list);
    platform = FakePlatform(), view = FakeView();
    Form1 fresh(platform, view);
    platform.program_folder = L"M:\\V", platform.unplugged = {L"Q:\\"};
    Folder(L"C:\\There", row.hide ? 0 : kHiddenAttrs), Folder(L"Q:\\Away"), Folder(L"M:\\Old"), Folder(L"C:\\Data.");
    Store(row.list);
    if (row.upset == 1) platform.read_error = L"I/O error.";
    ASSERT_TRUE(fresh.Load());
    if (row.upset >= 2) platform.WriteByOther(platform.ListPath(), "C:\\There;");
    if (row.upset == 2) platform.busy_step = FileStep::Read, platform.busy_times = 1000;
    platform.messages.clear(), platform.set_attributes_error = row.refused;
    bool done = false;
    if (row.request) {
      fresh.Queue({row.hide ? Request::Kind::HideAll : Request::Kind::UnhideAll, {}},
                  [&](bool d) { done = d; });
      fresh.RunRequests();
    } else {
      fresh.Handle(UserAction(row.hide ? UserAction::Kind::HideAll : UserAction::Kind::UnhideAll));
    }
    EXPECT_TRUE(!row.request || done == row.done);
    EXPECT_EQ(Disk(), row.saved);
    EXPECT_EQ(view.list, fresh.entries());
    const uint32_t there = platform.folders[L"C:\\There"];
    EXPECT_EQ(there, *row.refused || row.upset == 1 || row.upset == 2 ? (row.hide ? 0 : kHiddenAttrs) : (row.hide ? kHiddenAttrs : kAttrReadOnly));
    if (!fresh.entries().empty()) {
      EXPECT_EQ(view.status, there == kHiddenAttrs ? L"Hidden: True" : L"Hidden: False");
    }
    ASSERT_EQ(platform.messages.size(), row.said.empty() ? 0u : 1u);
    if (!row.said.empty()) {
      EXPECT_NE(platform.messages[0].text.find(row.said), std::wstring::npos) << platform.messages[0].text;
      EXPECT_EQ(platform.messages[0].text.find(L" more.") == std::wstring::npos,
                row.said.find(L" more.") == std::wstring::npos);
    }
  }
  // Nor does Hide change the folder Windows would take a listed C:\Data. for.
  platform = FakePlatform(), view = FakeView();
  Form1 dotted(platform, view);
  Folder(L"C:\\Data."), Store("C:\\Data.;");
  ASSERT_TRUE(dotted.Load());
  dotted.List1Click(0), dotted.Command1Click(kHide);
  EXPECT_EQ(platform.folders[L"C:\\Data."], 0u);
  EXPECT_NE(platform.messages.at(0).text.find(L"could not be hidden.\n\nA name"), std::wstring::npos);
}

// Another writer saving first, at every try: the change is made again on
// what it wrote, five times, then refused and said so.
TEST_F(Form1Test, AChangeOvertakenIsMadeAgainOnWhatTheOtherWriterSaved) {
  for (int overtaken : {4, 5}) {
    platform = FakePlatform(), view = FakeView();
    Form1 fresh(platform, view);
    Folder(L"C:\\A"), Folder(L"C:\\B"), Store("C:\\A;");
    ASSERT_TRUE(fresh.Load());
    int n = 0;
    std::function<void()> other = [&] {
      platform.WriteByOther(platform.ListPath(), "C:\\A;C:\\O" + std::to_string(++n) + ";");
      if (n < overtaken) platform.mid_save = other;
    };
    platform.mid_save = other;
    fresh.DropFolders({L"C:\\B"});
    EXPECT_EQ(Disk(), overtaken == 4 ? "C:\\A;C:\\O4;C:\\B;" : "C:\\A;C:\\O5;");
    EXPECT_EQ(view.list, fresh.entries());
    EXPECT_EQ(platform.messages.size(), overtaken == 4 ? 0u : 1u);
  }
}

TEST_F(Form1Test, CommandsWithoutSelectionDoNothing) {
  ASSERT_TRUE(form.Load());
  for (int command : {1, 2, 3, 4, 7, -1}) form.Command1Click(command);
  form.List1Search(L"c");
  EXPECT_EQ(view.selected, -1);
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(platform.files.count(platform.ListPath()), 0u);
  EXPECT_EQ(view.Buttons(), "Add");
}

// A change whose save fails is taken back: the window keeps showing exactly
// what data.bin holds, and the one message says what became of the change.
TEST_F(Form1Test, EveryFailedSaveTakesTheChangeBack) {
  Folder(L"C:\\A");
  Folder(L"C:\\B");
  Folder(L"C:\\New");
  StartWith("C:\\A;C:\\B;C:\\Gone;");
  const FileStep faults[] = {FileStep::Create, FileStep::Write, FileStep::Flush,
                             FileStep::Close, FileStep::Replace};
  const std::vector<std::wstring> listed = {L"C:\\A", L"C:\\B", L"C:\\Gone"};
  struct Command {
    const char* name;
    int select;
    UserAction action;
    const wchar_t* says;  // how the last message ends
  };
  const Command commands[] = {
      {"add", 1, {UserAction::Kind::Command1, kAdd}, L"Nothing was added to the list."},
      {"drop", 1, UserAction::Dropped({L"C:\\New", L"C:\\A"}),
       L"Nothing was added to the list.\n\nFolder C:\\A already exists!"},
      {"delete", 1, {UserAction::Kind::Command1, kDelete}, L"Folder C:\\B stays in the list."},
      {"missing folder", 2, {UserAction::Kind::Command1, kHide},
       L"Folder C:\\Gone stays in the list."},
  };
  for (FileStep fault : faults) {
    for (const auto& c : commands) {
      SCOPED_TRACE(testing::Message() << c.name << " fault " << static_cast<int>(fault));
      view.selected = c.select;  // as the user selects it
      form.Handle({UserAction::Kind::List1Select, c.select});
      platform.messages.clear();
      platform.fault = fault;
      Pick(L"C:\\New");
      form.Handle(c.action);
      platform.browse_answers.clear();
      ASSERT_FALSE(platform.messages.empty());
      const std::wstring& failure = platform.messages.back().text;
      EXPECT_NE(failure.find(platform.ListPath()), std::wstring::npos);
      EXPECT_TRUE(failure.size() >= wcslen(c.says) &&
                  failure.compare(failure.size() - wcslen(c.says), wcslen(c.says), c.says) == 0)
          << "ends with " << testing::PrintToString(c.says);
      EXPECT_EQ(Disk(), "C:\\A;C:\\B;C:\\Gone;");
      EXPECT_EQ(view.list, listed);
      EXPECT_EQ(form.entries(), listed);
      EXPECT_EQ(view.selected, c.select) << "the entry stays selected";
      EXPECT_EQ(form.selected(), c.select);
    }
  }
  platform.fault = FileStep::None;
  form.Command1Click(kDelete);
  EXPECT_EQ(Disk(), "C:\\A;C:\\B;") << "the next good save writes the list shown";
}

// Whatever arrives while a message, the browser, About or How To Use is up
// is refused; the command that opened it then finishes on what it reported.
TEST_F(Form1Test, NothingIsTakenWhileAWindowOfOursIsUp) {
  const UserAction kDuring[] = {
      {UserAction::Kind::Command1, kDelete},     {UserAction::Kind::Command1, kAdd},
      {UserAction::Kind::Command1, kHide},       {UserAction::Kind::Toolbar1, 5},
      {UserAction::Kind::Toolbar1, 2},           {UserAction::Kind::Toolbar1, 3},
      {UserAction::Kind::List1Select, 0},        UserAction::Typed(L"c"),
      UserAction::Dropped({L"C:\\New"}),
  };
  for (const char* list : {"C:\\Gone;", "C:\\A;C:\\Gone;C:\\B;"}) {
    for (const UserAction& during : kDuring) {
      SCOPED_TRACE(testing::Message() << list << " kind " << static_cast<int>(during.kind)
                                      << " index " << during.index);
      FakePlatform platform;
      FakeView view;
      Form1 form{platform, view};
      platform.folders = {{L"C:\\A", 0}, {L"C:\\B", 0}, {L"C:\\New", 0}};
      platform.files[platform.ListPath()] = {list, false};
      platform.browse_answers.push_back({BrowseOutcome::Chosen, L"C:\\New"});
      ASSERT_TRUE(form.Load());
      const int gone = std::string(list).size() > 10 ? 1 : 0;
      form.Handle({UserAction::Kind::List1Select, gone});
      // About, then the action, while "doesn't exist!" is up.
      int nested = 0;
      platform.while_modal = [&] {
        if (nested++) return;
        form.Handle({UserAction::Kind::Toolbar1, 5});
        form.Handle(during);
      };
      view.while_modal = platform.while_modal;
      form.Handle({UserAction::Kind::Command1, kHide});

      EXPECT_TRUE(view.shown.empty()) << "no window opens over the message";
      EXPECT_TRUE(platform.browse_prompts.empty());
      EXPECT_TRUE(platform.opened_addresses.empty());
      ASSERT_EQ(platform.messages.size(), 1u);
      EXPECT_EQ(platform.messages[0].text, L"Folder C:\\Gone doesn't exist!");
      std::vector<std::wstring> left = gone ? std::vector<std::wstring>{L"C:\\A", L"C:\\B"}
                                            : std::vector<std::wstring>{};
      EXPECT_EQ(form.entries(), left) << "only the entry reported goes";
      EXPECT_EQ(view.list, left);
      EXPECT_EQ(Disk(platform), gone ? "C:\\A;C:\\B;" : "");
      EXPECT_FALSE(form.modal());
    }
  }
}

// A drop's message comes once data.bin holds what was added and the last
// added folder is selected: a program killed while it is up loses nothing.
TEST_F(Form1Test, CutShortSaveIsReadOnceAndAFolderDroppedTwiceIsNotReported) {
  Folder(L"C:\\New");
  platform.files[platform.ListPath()] = {"C:\\A;C:\\B;", false};
  ASSERT_TRUE(form.Load());
  platform.messages.push_back({});
  platform.fault = FileStep::Replace;
  form.DropFolders({L"C:\\New", L"C:\\New"});
  ASSERT_EQ(platform.messages.size(), 2u);
  EXPECT_EQ(LastMessage().find(L"already exists"), std::wstring::npos) << LastMessage();
  EXPECT_EQ(view.list, std::vector<std::wstring>({L"C:\\A", L"C:\\B"}));
}

TEST_F(Form1Test, DropMessageComesAfterTheSave) {
  Folder(L"C:\\A");
  Folder(L"C:\\New");
  StartWith("C:\\A;");
  std::string disk_then;
  int selected_then = -2;
  platform.while_modal = [&] {
    disk_then = Disk();
    selected_then = view.selected;
  };
  form.Handle(UserAction::Dropped({L"C:\\New", L"C:\\A"}));
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(disk_then, "C:\\A;C:\\New;");
  EXPECT_EQ(selected_then, 1);
}

// The menu item is checked while both verbs run this exe; a click points
// verbs of another copy here, and removes them when they are this one's.
TEST_F(Form1Test, FolderMenuItemPointsTheVerbsHere) {
  platform.folder_verbs[L"Veilkeep.Hide"] = L"\"E:\\Old\\Veilkeep.exe\" /hide \"%1\"";
  platform.folder_verbs[L"Veilkeep.Unhide"] = L"\"C:\\Apps\\Veilkeep\\Veilkeep.exe\" /unhide \"%1\"";
  ASSERT_TRUE(form.Load());
  EXPECT_FALSE(form.FolderMenuChecked()) << "checked only while both verbs run this copy";
  form.Handle({UserAction::Kind::FolderMenu});
  EXPECT_TRUE(form.FolderMenuChecked());
  EXPECT_EQ(platform.folder_verbs[L"Veilkeep.Unhide"],
            L"\"C:\\Apps\\Veilkeep\\Veilkeep.exe\" /unhide \"%1\"");
  form.Handle({UserAction::Kind::FolderMenu});
  EXPECT_EQ(platform.folder_verbs[L"Veilkeep.Hide"] + platform.folder_verbs[L"Veilkeep.Unhide"], L"");
  // Shortcut Key For Hide All: made with the key chosen, shown, then removed, or refused.
  std::vector<int> shown;  // Cancel keeps the key
  for (int key : {kKeyControl | 'K', -1, 0, int{'K'}}) {
    view.choose_key = key;
    form.Handle({UserAction::Kind::ShortcutKey});
    shown.push_back(view.key_shown);
  }
  EXPECT_EQ(shown, (std::vector<int>{0, kKeyControl | 'K', kKeyControl | 'K', 0}));
  EXPECT_EQ(platform.shortcuts.count(kShortcutName), 0u);
  EXPECT_NE(LastMessage().find(L"a shortcut key needs Ctrl or Alt"), std::wstring::npos);
}

// The search's result is what the list does not name by its end, in any
// letter case; /find-hidden is done only when its search ran to the end.
TEST_F(Form1Test, SearchAddsWhatTheListDoesNotNameAndIsDoneOnlyWhenItEnded) {
  Folder(L"C:\\"), Folder(L"C:\\A"), Folder(L"C:\\Lost", kHiddenAttrs), Folder(L"C:\\New", kHiddenAttrs);
  StartWith("C:\\A;");
  Pick(L"C:\\");
  view.while_modal = [&] {  // listed by another program, still writing it as the search ends
    platform.WriteByOther(platform.ListPath(), "C:\\A;c:\\lost;");
    platform.busy_step = FileStep::Read, platform.busy_times = 3;
  };
  form.Handle({UserAction::Kind::FindHidden});
  EXPECT_EQ(Disk(), "C:\\A;c:\\lost;C:\\New;");
  EXPECT_EQ(platform.messages.size(), 0u) << "c:\\lost is not offered";
  view.while_modal = nullptr;
  std::string answers;
  for (int cancel_at : {0, -1}) {  // cancelled at once, then not
    view.cancel_at = cancel_at;
    platform.folders[L"C:\\Later"] = kHiddenAttrs;
    form.Queue({Request::Kind::FindHidden, {L"C:\\"}}, [&](bool done) { answers += "01"[done]; });
    form.RunRequests();
  }
  EXPECT_EQ(answers + Disk(), "01C:\\A;c:\\lost;C:\\New;C:\\Later;");
  // What each says: none found; a folder not there; cancelled, over what it
  // found (which Cancel does not add); by /find-hidden, its drive gone.
  const std::wstring skipped = L" skipped (they could not be read, or their names end in a dot or a "
                               L"space, which paths on Windows do not reach).";
  const struct { const wchar_t* folder; int cancel_at; bool request; std::wstring said; } searches[] = {
      {L"C:\\", -1, false, L"No hidden folder that the list does not name was found.\n\nIn C:\\: 5 folders searched, 0" + skipped},
      {L"C:\\Gone", -1, false, L"Folder C:\\Gone cannot be searched.\n\nThe system cannot find the path specified."},
      {L"C:\\", 1, false, L"first. The checked ones are added.\nIn C:\\: 1 folders searched, 0" + skipped + L" The search was cancelled."},
      {L"C:\\", -1, true, L"In C:\\: 3 folders searched, 0" + skipped + L" The search stopped early: The device is not ready."},
  };
  for (const auto& search : searches) {
    if (search.cancel_at > 0) Folder(L"C:\\Z", kHiddenAttrs);
    platform.unplug_at = search.request ? L"C:\\Lost" : L"";
    view.cancel_at = search.cancel_at, view.add_found = false, view.note.clear(), answers.clear();
    Pick(search.folder);
    if (search.request) form.Queue({Request::Kind::FindHidden, {search.folder}}, [&](bool done) { answers += "01"[done]; });
    form.Handle({search.request ? UserAction::Kind::Toolbar1 : UserAction::Kind::FindHidden});
    EXPECT_NE((search.cancel_at > 0 ? view.note : LastMessage()).find(search.said), std::wstring::npos)
        << testing::PrintToString(LastMessage() + view.note);
    EXPECT_EQ(answers, search.request ? "0" : "");
  }
  EXPECT_EQ(Disk(), "C:\\A;c:\\lost;C:\\New;C:\\Later;") << "nothing added on Cancel";
  // With data.bin unreadable now nothing is searched: what it found could not be kept.
  platform.unplug_at.clear(), platform.read_error = L"I/O error.";
  platform.WriteByOther(platform.ListPath(), "C:\\A;");
  const int before = view.searches;
  form.Queue({Request::Kind::FindHidden, {L"C:\\"}}, [&](bool done) { answers = "01"[done]; });
  form.RunRequests();
  EXPECT_EQ(answers + std::to_string(view.searches - before), "00");
}

TEST_F(Form1Test, ToolbarOpensItsWindowsAndPages) {
  ASSERT_TRUE(form.Load());
  for (int button = 1; button <= 5; ++button) form.Handle({UserAction::Kind::Toolbar1, button});
  EXPECT_EQ(view.shown, (std::vector<std::wstring>{L"How To Use", L"Version: 1.0"}));
  EXPECT_EQ(platform.opened_addresses,
            (std::vector<std::wstring>{L"http://www.orvanta.example/veilkeep.php",
                                       L"http://www.orvanta.example/support.php"}));
}

}  // namespace
}  // namespace vk
