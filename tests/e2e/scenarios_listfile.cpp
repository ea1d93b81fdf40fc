// data.bin that cannot be written or read because another program holds it
// (or the file the program saves through), and data.bin that makes no sense.
#include <algorithm>
#include <random>

#include "harness.h"

namespace e2e {
namespace {

// Adds `folder` through the browser while saving cannot work: one message
// saying so, naming data.bin itself.
void AddExpectingSaveMessage(const App& app, const std::wstring& folder,
                             const std::wstring& list_file, std::vector<std::wstring> parts = {}) {
  HWND dialog = OpenBrowser(app);
  if (!dialog || !ChooseAndConfirm(app, dialog, folder)) return;
  parts.insert(parts.begin(), {L"could not be saved", list_file});
  const std::wstring text = ExpectMessageWith(app, parts);
  Check(L"the message names data.bin, not the file beside it",
        text.find(list_file + L".new") == std::wstring::npos, Quote(text));
}

void CheckNoTemporaryFile(const std::wstring& when, const std::wstring& list_file) {
  const FileState temp = ReadFileState(list_file + L".new");
  Check(when + L": no data.bin.new left behind", !temp.exists, Describe(temp));
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
  g_scenario = L"data.bin held by another program";
  const std::wstring folder = MakeProgramFolder(L"held list");
  const std::wstring list_file = folder + L"\\data.bin";
  const std::wstring kept = MakeFolder(L"Held Kept");
  const std::wstring added = MakeFolder(L"Held Added");
  WriteFixture(list_file, Ansi(kept + L";"));
  const FileState before = ReadFileState(list_file);
  App app;
  if (!Start(folder, &app)) return Close(&app);
  HeldFile held(list_file, OPEN_EXISTING);
  AddExpectingSaveMessage(app, added, list_file);
  CheckList(app, L"after the message", {kept, added}, 1);
  CheckState(app, L"after the message", L"Add Delete Open Hide", L"Hidden: False");
  CheckUntouched(L"data.bin unchanged (read through the held handle)", before, held.State());
  CheckNoTemporaryFile(L"after the failed save", list_file);

  g_scenario = L"data.bin held: the program keeps working";
  ClickListEntry(app, 0);
  CheckState(app, L"entry 0 picked", L"Add Delete Open Hide", L"Hidden: False");
  Click(app, kHide);
  CheckHidden(kept, true);
  CheckState(app, L"after Hide", L"Add Delete Open Unhide", L"Hidden: True");
  Click(app, kUnhide);
  CheckHidden(kept, false);
  ClickListEntry(app, 1);
  CheckState(app, L"entry 1 picked", L"Add Delete Open Hide", L"Hidden: False");

  g_scenario = L"data.bin released";
  held.Release();
  CheckFileUntouched(L"data.bin on disk is still as before", list_file, before);
  Click(app, kDelete);
  CheckList(app, L"after deleting the new entry", {kept}, 0);
  CheckRewritten(L"data.bin holds the remaining folder", list_file, before, Ansi(kept + L";"));
  CheckNoTemporaryFile(L"after the save", list_file);
  Close(&app);
}

void BusyTemporaryFile() {
  g_scenario = L"data.bin.new held by another program";
  const std::wstring folder = MakeProgramFolder(L"held temp");
  const std::wstring list_file = folder + L"\\data.bin";
  const std::wstring kept = MakeFolder(L"Busy Kept");
  const std::wstring added = MakeFolder(L"Busy Added");
  WriteFixture(list_file, Ansi(kept + L";"));
  const FileState before = ReadFileState(list_file);
  App app;
  if (!Start(folder, &app)) return Close(&app);
  HeldFile held(list_file + L".new", OPEN_ALWAYS);
  AddExpectingSaveMessage(app, added, list_file);
  CheckList(app, L"after the message", {kept, added}, 1);
  CheckState(app, L"after the message", L"Add Delete Open Hide", L"Hidden: False");
  CheckFileUntouched(L"data.bin on disk is as before", list_file, before);
  held.Release();

  g_scenario = L"data.bin.new released";
  Click(app, kDelete);
  CheckList(app, L"after deleting the new entry", {kept}, 0);
  CheckRewritten(L"data.bin holds the remaining folder", list_file, before, Ansi(kept + L";"));
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

}  // namespace

void UnreadableListAtStart() {
  g_scenario = L"data.bin unreadable at start";
  const std::wstring folder = MakeProgramFolder(L"unreadable");
  const std::wstring list_file = folder + L"\\data.bin";
  const std::wstring kept = MakeFolder(L"Unread Kept");
  const std::wstring added = MakeFolder(L"Unread Added");
  WriteFixture(list_file, Ansi(kept + L";"));
  const FileState before = ReadFileState(list_file);
  HeldFile held(list_file, OPEN_EXISTING);

  // The message comes while the program starts, before its main window shows.
  App app;
  if (!Require(Launch(folder, &app.process), L"start " + folder + L"\\Veilkeep.exe",
               ErrorText(GetLastError()))) {
    return;
  }
  HWND box = nullptr;
  WaitUntil([&] { return (box = FindProgramMessage(app.process.dwProcessId)) != nullptr; },
            kWaitMs);
  if (Check(L"an \"Error\" message appears at start", box != nullptr, L"none within 10 s")) {
    const std::wstring text = TextOf(GetDlgItem(box, kBoxText));
    Check(L"message text holds \"could not be read\"",
          text.find(L"could not be read") != std::wstring::npos, Quote(text));
    Check(L"message text holds " + Quote(list_file), text.find(list_file) != std::wstring::npos,
          Quote(text));
    PressButton(box, IDOK);
  }
  WaitUntil([&] { return (app.main = FindMainWindow(app.process.dwProcessId)) != nullptr; },
            kWaitMs);
  if (!Check(L"main window shows after the message", app.main != nullptr, L"none within 10 s")) {
    return Close(&app);
  }
  ExpectNoDialog(app, L"the start-up message");
  CheckList(app, L"after the message", {}, -1);
  AddExpectingSaveMessage(app, added, list_file, {L"left as it is"});
  CheckList(app, L"after Add", {added}, 0);
  Close(&app);
  held.Release();
  CheckFileUntouched(L"data.bin holds its first bytes after the program ends", list_file, before);
  CheckNoTemporaryFile(L"after the program ends", list_file);

  g_scenario = L"data.bin readable again";
  if (!Start(folder, &app)) return Close(&app);
  ExpectNoDialog(app, L"start-up");
  CheckList(app, L"at start", {kept}, 0);
  Close(&app);
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
