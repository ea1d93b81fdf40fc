// data.bin that cannot be written or read because another program holds it
// (or the file the program saves through), and data.bin that makes no sense.
#include <algorithm>
#include <random>

#include "harness.h"

namespace e2e {
namespace {

void CheckEnding(const std::wstring& text, const std::wstring& ending) {
  Check(L"message text ends with " + Quote(ending),
        text.size() >= ending.size() &&
            text.compare(text.size() - ending.size(), ending.size(), ending) == 0,
        Quote(text));
}

// The message of a save that failed, naming data.bin itself (not the file
// beside it); it says what became of the change.
void ExpectSaveMessage(const App& app, const std::wstring& list_file,
                       std::vector<std::wstring> parts, const std::wstring& ending) {
  parts.insert(parts.begin(), L"The folder list could not be saved to " + list_file + L".\n\n");
  CheckEnding(ExpectMessageWith(app, parts), ending);
}

// Adds `folder` through the browser while saving cannot work: one message
// saying so, and nothing is added.
void AddExpectingSaveMessage(const App& app, const std::wstring& folder,
                             const std::wstring& list_file, std::vector<std::wstring> parts = {}) {
  HWND dialog = OpenBrowser(app);
  if (!dialog || !ChooseAndConfirm(app, dialog, folder)) return;
  ExpectSaveMessage(app, list_file, parts, L"\n\nNothing was added to the list.");
}

// The names of the files beside data.bin that begin with its name and a dot.
std::wstring LeftBeside(const std::wstring& list_file) {
  std::wstring left;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((list_file + L".*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return left;
  do {
    if (std::wstring(data.cFileName).rfind(L"data.bin.", 0) == 0)
      left += data.cFileName + std::wstring(L" ");
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return left;
}

void CheckNoTemporaryFile(const std::wstring& when, const std::wstring& list_file) {
  const std::wstring left = LeftBeside(list_file);
  Check(when + L": nothing left beside data.bin", left.empty(), left);
}

// data.bin was written again (a new write time) and holds exactly `expected`.
void CheckRewritten(const std::wstring& what, const std::wstring& list_file,
                    const FileState& before, const std::string& expected) {
  CheckFileBytes(what, list_file, expected);
  const FileState now = ReadFileState(list_file);
  Check(what + L": written again", now.exists && now.written != before.written,
        L"the same write time as before");
}

}  // namespace

void UnwritableList() {
  const std::wstring kept = MakeFolder(L"Held Kept"), added = MakeFolder(L"Held Added");
  const std::wstring gone = g_root + L"\\Held Gone";  // listed, never there
  const auto [folder, list_file, before] =
      OpenScenario(L"data.bin held by another program", L"held list", {kept, gone});
  App app;
  if (!Start(folder, &app)) return Close(&app);
  HeldFile held(list_file, OPEN_EXISTING);
  AddExpectingSaveMessage(app, added, list_file);
  CheckList(app, L"after the message", {kept, gone}, 0);
  CheckState(app, L"after the message", L"Add Delete Open Hide", L"Hidden: False");
  Drop(app, {added});
  ExpectSaveMessage(app, list_file, {}, L"\n\nNothing was added to the list.");
  CheckList(app, L"after the message for a dropped folder", {kept, gone}, 0);
  CheckUntouched(L"data.bin unchanged (read through the held handle)", before, held.State());
  CheckNoTemporaryFile(L"after the failed save", list_file);

  g_scenario = L"data.bin held: the program keeps working";
  Click(app, kHide);
  CheckHidden(kept, true);
  CheckState(app, L"after Hide", L"Add Delete Open Unhide", L"Hidden: True");
  Click(app, kUnhide);
  CheckHidden(kept, false);
  ClickListEntry(app, 1);
  CheckState(app, L"entry 1 picked", L"Add Delete Open Unhide", L"Hidden: True");

  // The folder that is not there is reported, and stays listed and selected
  // when its removal cannot be saved.
  g_scenario = L"data.bin held: a folder that is not there";
  HWND box = PostClick(app, kUnhide) ? WaitForDialog(app, L"Error") : nullptr;
  if (box) {
    const std::wstring text = TextOf(GetDlgItem(box, kBoxText));
    Require(text == L"Folder " + gone + L" doesn't exist!", L"the message for the folder",
            Quote(text));
    PressButton(box, IDOK);
    ExpectSaveMessage(app, list_file, {}, L"\n\nFolder " + gone + L" stays in the list.");
  }
  CheckList(app, L"after the messages", {kept, gone}, 1);

  g_scenario = L"data.bin released";
  held.Release();
  CheckFileUntouched(L"data.bin on disk is still as before", list_file, before);
  Click(app, kDelete);
  CheckList(app, L"after deleting the folder that is not there", {kept}, 0);
  CheckRewritten(L"data.bin holds the remaining folder", list_file, before, Ansi(kept + L";"));
  CheckNoTemporaryFile(L"after the save", list_file);
  Close(&app);
}

void BusyTemporaryFile() {
  const std::wstring kept = MakeFolder(L"Busy Kept"), added = MakeFolder(L"Busy Added");
  const auto [folder, list_file, before] =
      OpenScenario(L"data.bin.lock held by another copy", L"held lock", {kept});
  // Held from before the start: the program never needs the file until it saves.
  HeldFile held(list_file + L".lock", OPEN_ALWAYS,
                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  App app;
  if (!Start(folder, &app)) return Close(&app);
  AddExpectingSaveMessage(app, added, list_file);
  CheckList(app, L"after the message", {kept}, 0);
  CheckState(app, L"after the message", L"Add Delete Open Hide", L"Hidden: False");
  CheckFileUntouched(L"data.bin on disk is as before", list_file, before);
  held.Release();

  g_scenario = L"data.bin.lock released";
  AddFolder(app, added);
  CheckList(app, L"after adding the folder again", {kept, added}, 1);
  CheckRewritten(L"data.bin holds both folders", list_file, before,
                 Ansi(kept + L";" + added + L";"));
  CheckNoTemporaryFile(L"after the save", list_file);
  Close(&app);
}

namespace {

// A shown message box of the program, owned by any of its windows.
HWND FindProgramMessage(DWORD pid) {
  for (HWND window : TopWindows()) {
    if (ProcessOf(window) == pid && IsWindowVisible(window) && ClassOf(window) == L"#32770" &&
        TextOf(window) == L"Error") {
      return window;
    }
  }
  return nullptr;
}

// Starts the program expecting one "Error" message at start, before the main
// window shows, holding every piece of `parts`; then the main window.
bool StartWithMessage(const std::wstring& folder, const std::vector<std::wstring>& parts,
                      App* app) {
  *app = App();
  if (!Require(Launch(folder, &app->process), L"start " + folder + L"\\Veilkeep.exe",
               ErrorText(GetLastError()))) {
    return false;
  }
  HWND box = nullptr;
  WaitUntil([&] { return (box = FindProgramMessage(app->process.dwProcessId)) != nullptr; },
            kWaitMs);
  if (Check(L"an \"Error\" message appears at start", box != nullptr, L"none within 10 s")) {
    const std::wstring text = TextOf(GetDlgItem(box, kBoxText));
    for (const std::wstring& part : parts) {
      Check(L"message text holds " + Quote(part), text.find(part) != std::wstring::npos,
            Quote(text));
    }
    PressButton(box, IDOK);
  }
  WaitUntil([&] { return (app->main = FindMainWindow(app->process.dwProcessId)) != nullptr; },
            kWaitMs);
  if (!Check(L"main window shows after the message", app->main != nullptr, L"none within 10 s")) {
    return false;
  }
  ExpectNoDialog(*app, L"the start-up message");
  return true;
}

// Starts the program on a data.bin it cannot read: one message at start
// naming the file and holding every piece of `parts`; then an empty list.
bool StartUnreadable(const std::wstring& folder, const std::wstring& list_file,
                     std::vector<std::wstring> parts, App* app) {
  parts.insert(parts.begin(), {L"could not be read", list_file});
  if (!StartWithMessage(folder, parts, app)) return false;
  CheckList(*app, L"after the message", {}, -1);
  return true;
}

// A drop and Add while data.bin is left alone for the session: each refused
// with one message, Add before the folder browser opens; the list stays empty.
void CheckAddsRefused(const App& app, const std::wstring& list_file, const std::wstring& folder) {
  const std::wstring refused =
      L"No folder can be added: the folder list " + list_file + L" cannot be saved.\n\n";
  Drop(app, {folder});
  ExpectMessageWith(app, {refused, L"left as it is"});
  if (PostClick(app, kAdd)) ExpectMessageWith(app, {refused, L"left as it is"});
  CheckList(app, L"after a drop and Add", {}, -1);
}

}  // namespace

void UnreadableListAtStart() {
  const std::wstring kept = MakeFolder(L"Unread Kept"), added = MakeFolder(L"Unread Added");
  const auto [folder, list_file, before] =
      OpenScenario(L"data.bin unreadable at start", L"unreadable", {kept});
  HeldFile held(list_file, OPEN_EXISTING);
  App app;
  if (!StartUnreadable(folder, list_file, {}, &app)) return Close(&app);
  CheckAddsRefused(app, list_file, added);
  Close(&app);
  held.Release();
  CheckFileUntouched(L"data.bin holds its first bytes after the program ends", list_file, before);
  CheckNoTemporaryFile(L"after the program ends", list_file);

  g_scenario = L"data.bin readable again";
  if (!Start(folder, &app)) return Close(&app);
  ExpectNoDialog(app, L"start-up");
  CheckList(app, L"at start", {kept}, 0);
  Close(&app);

  g_scenario = L"data.bin of 17 MiB";
  std::string large = Ansi(kept + L";");
  large.resize(size_t{17} << 20, ' ');
  WriteFixture(list_file, large);
  const FileState written = ReadFileState(list_file);
  if (!StartUnreadable(folder, list_file, {std::to_wstring(large.size())}, &app)) {
    return Close(&app);
  }
  CheckAddsRefused(app, list_file, added);
  Close(&app);
  const FileState now = ReadFileState(list_file);
  Check(L"data.bin never overwritten", now.bytes == large && now.written == written.written,
        std::to_wstring(now.bytes.size()) + L" bytes, written " +
            (now.written == written.written ? L"as before" : L"again"));
  CheckNoTemporaryFile(L"after the program ends", list_file);

  g_scenario = L"data.bin of exactly 16 MiB";
  large = std::string(1023, 'a').replace(0, 3, "C:\\") + ";";
  while (large.size() < (size_t{16} << 20)) large += large;
  WriteFixture(list_file, large);
  if (Start(folder, &app)) {
    ExpectNoDialog(app, L"start-up");
    CheckNumber(L"list entries", 16384, ListCount(app));
  }
  Close(&app);

  g_scenario = L"data.bin marked system, not hidden";
  WriteFixture(list_file, Ansi(kept + L";"));
  Require(SetFileAttributesW(list_file.c_str(), FILE_ATTRIBUTE_SYSTEM), L"mark data.bin system",
          ErrorText(GetLastError()));
  const FileState marked = ReadFileState(list_file);
  if (!Start(folder, &app)) return Close(&app);
  CheckList(app, L"at start", {}, -1);
  if (PostClick(app, kAdd)) {
    ExpectMessageWith(
        app, {L"No folder can be added: the folder list " + list_file, L"hidden or marked system"});
  }
  Close(&app);
  CheckFileUntouched(L"data.bin never overwritten", list_file, marked);
}

namespace {

// Entries the program reads from these bytes: spaces at both ends of the
// whole text trimmed, one entry before each ";", the piece after the last dropped.
size_t EntriesIn(const std::string& bytes) {
  const size_t begin = bytes.find_first_not_of(' ');
  if (begin == std::string::npos) return 0;
  const size_t end = bytes.find_last_not_of(' ') + 1;
  return static_cast<size_t>(std::count(bytes.begin() + begin, bytes.begin() + end, ';'));
}

// Starts the program on this data.bin: it must show its window within 10 s
// with no message, hold `entries` entries, and keep answering.
bool StartWithList(const std::wstring& name, const std::string& bytes, App* app) {
  const std::wstring folder = MakeProgramFolder(name);
  WriteFixture(folder + L"\\data.bin", bytes);
  const ULONGLONG started = GetTickCount64();
  if (!Start(folder, app)) return false;
  const ULONGLONG took = GetTickCount64() - started;
  Check(L"main window within 10 s", took < 10000, std::to_wstring(took) + L" ms");
  ExpectNoDialog(*app, L"start-up");
  CheckNumber(L"list entries", static_cast<long long>(EntriesIn(bytes)), ListCount(*app));
  return true;
}

// Still responsive: answers at once, and a click on entry 0 updates the status panel.
void CheckResponsive(const App& app) {
  Check(L"main window answers within 1 s", Answers(app.main, 1000), L"no answer");
  SetStatusText(app, L"(set by the test)");
  ClickListEntry(app, 0);
  CheckText(L"status panel after clicking entry 0", StatusFor(ListItemText(app, 0)),
            StatusText(app));
  Check(L"main window still answers within 1 s", Answers(app.main, 1000), L"no answer");
}

}  // namespace

void BadListFiles() {
  App app;
  g_scenario = L"data.bin of 5 MB of random bytes";
  std::string random(5 * 1024 * 1024, '\0');
  std::mt19937 generator(20240607);  // fixed: the same bytes every run
  for (char& byte : random) byte = static_cast<char>(generator() & 0xFF);
  if (StartWithList(L"random list", random, &app)) CheckResponsive(app);
  Close(&app);

  g_scenario = L"data.bin with one entry of 32,000 characters";
  std::wstring long_entry = L"C:\\";
  while (long_entry.size() < 32000)
    long_entry += static_cast<wchar_t>(L'a' + long_entry.size() % 26);
  if (StartWithList(L"long entry", Ansi(long_entry + L";"), &app)) {
    const std::wstring shown = ListItemText(app, 0);
    Check(
        L"the entry reads back whole", shown == long_entry,
        std::to_wstring(shown.size()) + L" characters, " +
            (long_entry.compare(0, shown.size(), shown) == 0 ? L"the start of it" : L"different"));
    CheckResponsive(app);
  }
  Close(&app);

  g_scenario = L"data.bin with 40,000 entries";
  std::wstring many;
  auto entry = [](int i) {
    wchar_t text[64];
    swprintf(text, 64, L"C:\\veilkeep missing\\entry %05d", i);
    return std::wstring(text);
  };
  for (int i = 0; i < 40000; ++i) many += entry(i) + L";";
  if (StartWithList(L"many entries", Ansi(many), &app)) {
    CheckText(L"first entry", entry(0), ListItemText(app, 0));
    CheckText(L"last entry", entry(39999), ListItemText(app, 39999));
    CheckResponsive(app);
  }
  Close(&app);
}

}  // namespace e2e

namespace e2e {
namespace {

// Delete of the selected entry `entry` while saving cannot work: one message
// naming data.bin and holding every piece of `parts`; the entry stays.
void DeleteExpectingSaveMessage(const App& app, const std::wstring& list_file,
                                const std::wstring& entry, std::vector<std::wstring> parts) {
  if (!PostClick(app, kDelete)) return;
  ExpectSaveMessage(app, list_file, parts, L"\n\nFolder " + entry + L" stays in the list.");
}

// Add, then Delete, each refused with one message; data.bin and the folder
// around it stay exactly as they were.
void CheckSavesRefused(const App& app, const std::wstring& list_file, const FileState& before,
                       const std::wstring& kept, const std::wstring& added,
                       const std::wstring& reason) {
  AddExpectingSaveMessage(app, added, list_file, {reason});
  CheckList(app, L"after the refused Add", {kept}, 0);
  CheckFileUntouched(L"data.bin byte-identical after the refused Add", list_file, before);
  CheckNoTemporaryFile(L"after the refused Add", list_file);
  DeleteExpectingSaveMessage(app, list_file, kept, {reason});
  CheckList(app, L"after the refused Delete", {kept}, 0);
  CheckFileUntouched(L"data.bin byte-identical after the refused Delete", list_file, before);
  CheckNoTemporaryFile(L"after the refused Delete", list_file);
  CheckState(app, L"the program keeps working", L"Add Delete Open Hide", L"Hidden: False");
}

}  // namespace

// As a standard user: a read-only data.bin, then a program folder the user
// may not write to.
void UnwritableByPermissions() {
  const std::wstring kept = MakeFolder(L"Perm Kept"), added = MakeFolder(L"Perm Added");
  Scenario opened = OpenScenario(L"data.bin read-only", L"read-only list", {kept});
  Require(SetFileAttributesW(opened.list_file.c_str(), FILE_ATTRIBUTE_READONLY),
          L"make data.bin read-only", ErrorText(GetLastError()));
  opened.saved = ReadFileState(opened.list_file);
  App app;
  if (!Start(opened.folder, &app)) return Close(&app);
  CheckSavesRefused(app, opened.list_file, opened.saved, kept, added,
                    SystemMessage(ERROR_ACCESS_DENIED));
  g_scenario = L"data.bin writable again";
  Require(SetFileAttributesW(opened.list_file.c_str(), FILE_ATTRIBUTE_NORMAL),
          L"clear data.bin's read-only attribute", ErrorText(GetLastError()));
  AddFolder(app, added);
  CheckRewritten(L"the next save writes the whole list", opened.list_file, opened.saved,
                 Ansi(kept + L";" + added + L";"));
  CheckNoTemporaryFile(L"after the save", opened.list_file);
  Close(&app);

  opened = OpenScenario(L"program folder not writable", L"read-only folder", {kept});
  if (!RunUnix(L"chmod a-w " + UnixPath(opened.folder)) || !Start(opened.folder, &app))
    return Close(&app);
  CheckSavesRefused(app, opened.list_file, opened.saved, kept, added,
                    SystemMessage(ERROR_ACCESS_DENIED));
  g_scenario = L"program folder writable again";
  RunUnix(L"chmod u+w " + UnixPath(opened.folder));
  AddFolder(app, added);
  CheckRewritten(L"the next save writes the whole list", opened.list_file, opened.saved,
                 Ansi(kept + L";" + added + L";"));
  CheckNoTemporaryFile(L"after the save", opened.list_file);
  Close(&app);
}

// The program folder on a file system with no space left.
void FullDisk() {
  g_scenario = L"full disk";
  if (!Require(!g_small_disk.empty(), L"a small file system to fill (--small-disk)",
               L"none given")) {
    return;
  }
  const std::wstring folder = MakeProgramFolder(L"Veilkeep", true, g_small_disk);
  const std::wstring list_file = folder + L"\\data.bin";
  const std::wstring kept = MakeFolder(L"Full Kept");
  const std::wstring added = MakeFolder(L"Full Added");
  WriteFixture(list_file, Ansi(kept + L";"));
  const FileState before = ReadFileState(list_file);

  // Fill what is left, a page at a time, until the system refuses.
  const std::wstring filler = g_small_disk + L"\\filler";
  HANDLE file = CreateFileW(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  const std::string page(4096, 'x');
  DWORD written = 0, error = 0;
  while (file != INVALID_HANDLE_VALUE && error == 0) {
    if (!WriteFile(file, page.data(), static_cast<DWORD>(page.size()), &written, nullptr) ||
        written < page.size()) {
      error = GetLastError();
    }
  }
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (!Require(error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL,
               L"fill the small file system", ErrorText(error))) {
    return;
  }

  App app;
  if (!Start(folder, &app)) return Close(&app);
  AddExpectingSaveMessage(app, added, list_file, {SystemMessage(ERROR_DISK_FULL)});
  CheckList(app, L"after the message", {kept}, 0);
  CheckFileUntouched(L"data.bin byte-identical", list_file, before);
  CheckNoTemporaryFile(L"after the failed save", list_file);

  g_scenario = L"full disk, space freed";
  Require(DeleteFileW(filler.c_str()), L"free the space", ErrorText(GetLastError()));
  AddFolder(app, added);
  CheckRewritten(L"the next Add saves the whole list", list_file, before,
                 Ansi(kept + L";" + added + L";"));
  CheckNoTemporaryFile(L"after the save", list_file);
  Close(&app);
}

// Another program (a virus scanner, an indexer) holds data.bin or the file
// beside it for a moment, then for longer than the program waits.
void BriefLocks() {
  const std::wstring kept = MakeFolder(L"Brief Kept"), added = MakeFolder(L"Brief Added");
  const Scenario opened =
      OpenScenario(L"data.bin open for writing at start", L"brief locks", {kept});
  const std::wstring &folder = opened.folder, &list_file = opened.list_file;
  const std::wstring lock_file = list_file + L".lock";
  App app;
  // An editor or a sync client writing the file while letting readers in.
  HANDLE writer = CreateFileW(list_file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  Require(writer != INVALID_HANDLE_VALUE, L"open data.bin for writing, sharing it with readers",
          ErrorText(GetLastError()));
  // data.bin is read only whole: for the whole start it is busy, so it is left alone.
  StartUnreadable(folder, list_file, {}, &app);
  if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
  // Let go unchanged: the list is shown all the same.
  Check(L"let go after the start: the list shown within 2 s",
        WaitUntil([&] { return ListItems(app) == std::vector{kept}; }, 2000),
        Joined(ListItems(app)));
  Close(&app);
  CheckFileUntouched(L"data.bin untouched", list_file, opened.saved);

  g_scenario = L"data.bin held for 300 ms";
  {
    HeldFile held(list_file, OPEN_EXISTING);  // from just before the start
    if (!Require(Launch(folder, &app.process), L"start " + folder + L"\\Veilkeep.exe",
                 ErrorText(GetLastError()))) {
      return;
    }
    // The list is read once the main window exists, before it shows: held 300 ms from then.
    WaitUntil(
        [&] { return ProcessOf(FindWindowW(kMainClass, nullptr)) == app.process.dwProcessId; },
        kWaitMs);
    Sleep(300);
  }
  WaitUntil([&] { return (app.main = FindMainWindow(app.process.dwProcessId)) != nullptr; },
            kWaitMs);
  if (!Check(L"program starts and shows its main window", app.main != nullptr,
             L"none within 10 s")) {
    return Close(&app);
  }
  ExpectNoDialog(app, L"a start while data.bin was held for 300 ms");
  CheckList(app, L"at start", {kept}, 0);
  HWND dialog = OpenBrowser(app);
  if (!dialog) return Close(&app);
  {
    HeldFile held(list_file, OPEN_EXISTING);
    if (!ChooseAndConfirm(app, dialog, added)) return Close(&app);
    // The save is under way once the lock beside data.bin is there.
    Require(
        WaitUntil([&] { return GetFileAttributesW(lock_file.c_str()) != INVALID_FILE_ATTRIBUTES; },
                  kWaitMs),
        L"the program starts saving", L"no data.bin.lock within 10 s");
    Sleep(300);
  }
  WaitUntil([&] { return ListItems(app).size() == 2; }, kWaitMs);
  ExpectNoDialog(app, L"Add while data.bin was held for 300 ms");
  CheckList(app, L"after Add", {kept, added}, 1);
  CheckFileBytes(L"data.bin holds both folders", list_file, Ansi(kept + L";" + added + L";"));
  CheckNoTemporaryFile(L"after the save", list_file);

  g_scenario = L"data.bin.lock held for 300 ms";
  {
    HeldFile held(lock_file, OPEN_ALWAYS);
    PostClick(app, kDelete);  // saves at once, unlike Add, which waits for the browser
    Sleep(300);
  }
  ExpectNoDialog(app, L"Delete while data.bin.lock was held for 300 ms");
  CheckList(app, L"after Delete", {kept}, 0);
  CheckFileBytes(L"data.bin holds the remaining folder", list_file, Ansi(kept + L";"));
  CheckNoTemporaryFile(L"after the save", list_file);

  g_scenario = L"data.bin held for 5 s";
  const FileState before = ReadFileState(list_file);
  const ULONGLONG held_at = GetTickCount64();
  HeldFile held(list_file, OPEN_EXISTING);
  AddExpectingSaveMessage(app, added, list_file);
  Check(L"the program answers at once after the message", Answers(app.main, 250), L"no answer");
  CheckUntouched(L"data.bin unchanged (read through the held handle)", before, held.State());
  const ULONGLONG held_for = GetTickCount64() - held_at;
  if (held_for < 5000) Sleep(static_cast<DWORD>(5000 - held_for));
  held.Release();
  CheckFileUntouched(L"data.bin intact after it is let go", list_file, before);
  CheckNoTemporaryFile(L"after the failed save", list_file);
  Close(&app);
}

namespace {

// Presses Delete and ends the program (as Task Manager does) `ms` later.
void KillDuringDelete(App* app, DWORD ms) {
  PostClick(*app, kDelete);
  Sleep(ms);
  TerminateProcess(app->process.hProcess, 1);
  WaitForSingleObject(app->process.hProcess, kWaitMs);
  CloseHandle(app->process.hProcess);
  CloseHandle(app->process.hThread);
}

}  // namespace

// The program is ended (as by Task Manager) at spread moments while Delete
// saves a list of 40,000 entries.
void KilledWhileSaving() {
  g_scenario = L"killed while saving 40,000 entries";
  const std::wstring folder = MakeProgramFolder(L"killed");
  const std::wstring list_file = folder + L"\\data.bin";
  std::wstring list;
  for (int i = 0; i < 40000; ++i) {
    wchar_t entry[64];
    swprintf(entry, 64, L"C:\\veilkeep killed\\entry %05d;", i);
    list += entry;
  }
  WriteFixture(list_file, Ansi(list));
  constexpr int kRounds = 24;
  int kills = 0, old_kept = 0, new_kept = 0, temp_left = 0;
  std::wstring torn;
  for (int round = 0; round < kRounds; ++round) {
    const std::string old_bytes = ReadFileState(list_file).bytes;
    const std::string new_bytes = old_bytes.substr(old_bytes.find(';') + 1);  // entry 0 gone
    App app;
    if (!Start(folder, &app)) return Close(&app);
    KillDuringDelete(&app, static_cast<DWORD>(round * 40 / (kRounds - 1)));  // 0 to 40 ms in
    ++kills;
    const FileState now = ReadFileState(list_file);
    if (now.exists && now.bytes == old_bytes) {
      ++old_kept;
    } else if (now.exists && now.bytes == new_bytes) {
      ++new_kept;
    } else {
      torn += L"round " + std::to_wstring(round) + L": " + std::to_wstring(now.bytes.size()) +
              L" bytes; ";
    }
    temp_left += LeftBeside(list_file).empty() ? 0 : 1;
  }
  Check(L"at least 20 kills", kills >= 20, std::to_wstring(kills));
  Check(L"data.bin is exactly the old or the new list after each of " + std::to_wstring(kills) +
            L" kills (old " + std::to_wstring(old_kept) + L", new " + std::to_wstring(new_kept) +
            L", a file left beside it " + std::to_wstring(temp_left) + L" times)",
        torn.empty(), torn);

  g_scenario = L"after the kills";
  // A file left beside data.bin is never read as the list, nor stops a save.
  WriteFixture(list_file + L".1.1-0123456789abcdef.new", "C:\\not the list;");
  const std::string bytes = ReadFileState(list_file).bytes;
  App app;
  if (!Start(folder, &app)) return Close(&app);
  ExpectNoDialog(app, L"start-up");
  CheckNumber(L"list entries as data.bin holds them",
              static_cast<long long>(std::count(bytes.begin(), bytes.end(), ';')), ListCount(app));
  Click(app, kDelete);
  CheckFileBytes(L"data.bin after Delete", list_file, bytes.substr(bytes.find(';') + 1));
  CheckNoTemporaryFile(L"after the save", list_file);
  Close(&app);

  // With a second name the list is rewritten in place: a start finishes a cut-short rewrite.
  g_scenario = L"killed while saving a list with a second name";
  const std::wstring twin = g_root + L"\\killed twin.bin";
  if (!RunUnix(L"ln " + UnixPath(list_file) + L" " + UnixPath(twin))) return;
  std::string old_bytes;  // before the last kill
  std::wstring wrong;
  for (int round = 0; round <= 6; ++round) {
    if (!Start(folder, &app)) return Close(&app);
    const std::string now = ReadFileState(list_file).bytes;
    if (round > 0 && ((now != old_bytes && now != old_bytes.substr(old_bytes.find(';') + 1)) ||
                      ReadFileState(twin).bytes != now || !LeftBeside(list_file).empty())) {
      wrong +=
          L"round " + std::to_wstring(round) + L": " + std::to_wstring(now.size()) + L" bytes; ";
    }
    if (round == 6) break;
    old_bytes = now;
    KillDuringDelete(&app, static_cast<DWORD>(round * 8));  // 0 to 40 ms into the save
  }
  Close(&app);
  Check(
      L"after each of 6 kills and a start, both names hold the old or the new list and "
      L"nothing is left beside data.bin",
      wrong.empty(), wrong);

  // Where a replace is one step (NTFS, as Wine reports every drive), a copy
  // beside a missing data.bin is what a save left before data.bin was
  // deleted: not the list, and it goes. (A file system that removes before
  // it renames, FAT, takes a whole one back: the unit tests show that.)
  g_scenario = L"data.bin deleted, a whole copy beside it";
  const std::wstring added = MakeFolder(L"Killed Added");
  const std::string copy = "C:\\kept one;C:\\kept two;";
  uint64_t hash = 14695981039346656037u;
  for (unsigned char byte : copy) hash = (hash ^ byte) * 1099511628211u;
  wchar_t name[40];
  swprintf(name, 40, L".7.1-%016llx.new", static_cast<unsigned long long>(hash));
  Require(DeleteFileW(list_file.c_str()), L"delete data.bin", ErrorText(GetLastError()));
  WriteFixture(list_file + L".7.1-0000000000000000.new", copy + "C:\\torn");  // cut short
  WriteFixture(list_file + name, copy);
  if (!Start(folder, &app)) return Close(&app);
  ExpectNoDialog(app, L"a start beside a copy a deleted data.bin left");
  CheckList(app, L"at start", {}, -1);
  AddFolder(app, added);
  CheckFileBytes(L"data.bin holds the added folder alone", list_file, Ansi(added + L";"));
  CheckNoTemporaryFile(L"after the save", list_file);
  Close(&app);

  // Scoop keeps data.bin in its persist folder, hard-linked beside the exe:
  // a save rewrites the one file in place, and both names show it.
  g_scenario = L"data.bin hard-linked to a persist folder";
  {
    const std::wstring scoop = MakeProgramFolder(L"scoop app"), kept = MakeFolder(L"Scoop Kept"),
                       added = MakeFolder(L"Scoop Added");
    const std::wstring persist = MakeFolder(L"scoop persist") + L"\\data.bin";
    WriteFixture(persist, Ansi(kept + L";"));
    if (!RunUnix(L"ln " + UnixPath(persist) + L" " + UnixPath(scoop + L"\\data.bin"))) return;
    App app;
    if (!Start(scoop, &app)) return;
    Drop(app, {added});
    WaitUntil([&] { return ListItems(app).size() == 2; }, kWaitMs);
    // A scanner reads it meanwhile, sharing it: no rewrite in place then, and the user is told.
    HANDLE reader = CreateFileW(persist.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE |
                                FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    Drop(app, {MakeFolder(L"Scoop Refused")});
    ExpectMessageWith(app, {scoop + L"\\data.bin", SystemMessage(ERROR_SHARING_VIOLATION)});
    CloseHandle(reader);
    Close(&app);
    CheckFileBytes(L"the persist folder's name holds both folders", persist,
                   Ansi(kept + L";" + added + L";"));
    BY_HANDLE_FILE_INFORMATION facts = {};
    HANDLE file =
        CreateFileW((scoop + L"\\data.bin").c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, 0, nullptr);
    const bool read = file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file, &facts);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    CheckNumber(L"data.bin beside the exe is still the same file", 2,
                read ? facts.nNumberOfLinks : 0);
  }
}

}  // namespace e2e
