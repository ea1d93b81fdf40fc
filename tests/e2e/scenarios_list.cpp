// The folder list through the program's life: a first start, a saved list, a
// second copy, a start through a link, one program folder from its first Add
// to its last Delete, and folders dropped on the list.
#include <shlobj.h>

#include "harness.h"

namespace e2e {

void StartWithoutList() {
  g_scenario = L"start without data.bin";
  const std::wstring folder = MakeProgramFolder(L"empty");
  App app;
  if (!Start(folder, &app)) return Close(&app);
  CheckText(L"window caption", L"Veilkeep - By Orvanta", TextOf(app.main));
  CheckList(app, L"at start", {}, -1);
  std::vector<std::wstring> captions;
  for (int i = 0; i < 5; ++i) captions.push_back(TextOf(app.Command(i)));
  CheckText(L"button captions", L"Add|Delete|Open|Hide|Unhide", Joined(captions, L"|"));
  // The controls' order is the tab order.
  std::vector<std::wstring> order;
  for (HWND child = GetWindow(app.main, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const int id = GetDlgCtrlID(child);
    order.push_back(id >= IDC_COMMAND1 && id < IDC_COMMAND1 + 5 ? kCaptions[id - IDC_COMMAND1]
                    : id == IDC_TOOLBAR1                        ? L"Toolbar1"
                    : id == IDC_LIST1                           ? L"List1"
                    : id == IDC_SBAR                            ? L"SBar"
                                                                : std::to_wstring(id));
  }
  CheckText(L"controls in tab order", L"Add Delete Open Hide Unhide Toolbar1 List1 SBar",
            Joined(order, L" "));
  CheckState(app, L"at start", L"Add", L"Hidden:");

  std::vector<ToolButton> buttons = ToolButtons(app);
  CheckNumber(L"toolbar buttons", 5, static_cast<long long>(buttons.size()));
  std::vector<std::wstring> shown, hidden;
  for (const ToolButton& button : buttons) (button.hidden ? hidden : shown).push_back(button.text);
  CheckText(L"shown toolbar buttons, in order", L"Help|Website|  Support  |About",
            Joined(shown, L"|"));
  CheckText(L"hidden toolbar buttons", L" Settings ", Joined(hidden, L"|"));
  Check(L"the hidden toolbar button is the first", !buttons.empty() && buttons[0].hidden,
        buttons.empty() ? L"no buttons" : Quote(buttons[0].text) + L" shown");
  ExpectNoDialog(app, L"start-up");

  Close(&app);
  Check(L"no data.bin after closing", !ReadFileState(folder + L"\\data.bin").exists, L"a data.bin");
}

void StartWithSavedListAndSecondCopy() {
  g_scenario = L"start with a saved list";
  const std::wstring folder = MakeProgramFolder(L"saved");
  const std::wstring hidden = MakeFolder(L"Kept Hidden");
  const std::wstring plain = MakeFolder(L"Kept Plain");
  const std::wstring missing = g_root + L"\\Kept Missing";
  Require(
      SetFileAttributesW(hidden.c_str(), 7) && HiddenAndSystem(GetFileAttributesW(hidden.c_str())),
      L"hide " + hidden, Hex(GetFileAttributesW(hidden.c_str())));
  const std::wstring list_file = folder + L"\\data.bin";
  WriteFixture(list_file, Ansi(hidden + L";" + plain + L";" + missing + L";"));
  const FileState saved = ReadFileState(list_file);

  App app;
  if (!Start(folder, &app)) return Close(&app);
  CheckList(app, L"at start", {hidden, plain, missing}, 0);
  CheckState(app, L"at start", L"Add Delete Open Unhide", L"Hidden: True");
  ClickListEntry(app, 1);
  CheckState(app, L"entry 1 picked", L"Add Delete Open Hide", L"Hidden: False");
  ClickListEntry(app, 2);  // a folder that is not there reads as hidden
  CheckState(app, L"entry 2 picked", L"Add Delete Open Unhide", L"Hidden: True");
  ClickListEntry(app, 0);
  CheckState(app, L"entry 0 picked", L"Add Delete Open Unhide", L"Hidden: True");

  g_scenario = L"second copy";
  // Started while the first copy's window is minimized, it brings that window back.
  ShowWindow(app.main, SW_MINIMIZE);
  Require(WaitUntil([&] { return IsIconic(app.main) != FALSE; }, kWaitMs), L"minimize the window",
          L"not minimized");
  PROCESS_INFORMATION second = {};
  if (Require(Launch(folder, &second), L"start a second copy",
              L"error " + std::to_wstring(GetLastError()))) {
    bool shown = false;
    bool ended = WaitUntil(
        [&] {
          shown = shown || HasVisibleWindow(second.dwProcessId);
          return WaitForSingleObject(second.hProcess, 0) == WAIT_OBJECT_0;
        },
        kWaitMs);
    Check(L"second copy ends by itself within 10 s", ended, L"still running");
    Check(L"second copy shows no window", !shown, L"a visible window");
    if (!ended) TerminateProcess(second.hProcess, 1);
    CloseHandle(second.hProcess);
    CloseHandle(second.hThread);
  }
  Check(L"first copy still runs", WaitForSingleObject(app.process.hProcess, 0) == WAIT_TIMEOUT,
        L"it ended");
  Check(
      L"first copy's window restored and in the foreground",
      WaitUntil([&] { return !IsIconic(app.main) && GetForegroundWindow() == app.main; }, kWaitMs),
      IsIconic(app.main) ? L"minimized" : L"another window in front");
  CheckList(app, L"first copy", {hidden, plain, missing}, 0);
  CheckFileUntouched(L"data.bin untouched by the second copy", list_file, saved);
  // While the folder browser is up, a second start brings the browser forward.
  if (HWND browser = OpenBrowser(app); browser && Launch(folder, &second)) {
    WaitForSingleObject(second.hProcess, kWaitMs);
    CloseHandle(second.hProcess);
    CloseHandle(second.hThread);
    Check(L"the folder browser in the foreground after a second start",
          WaitUntil([&] { return GetForegroundWindow() == browser; }, kWaitMs),
          TextOf(GetForegroundWindow()));
    PressButton(browser, IDCANCEL);
  }

  g_scenario = L"start with a saved list";
  Close(&app);
  CheckFileUntouched(L"data.bin untouched after closing", list_file, saved);

  // Started through a symbolic link to the exe, as package managers start it:
  // the list is the one beside the exe itself.
  g_scenario = L"start through a symbolic link";
  const std::wstring linked = MakeFolder(L"linked");
  if (!RunUnix(L"ln -s " + UnixPath(folder + L"\\Veilkeep.exe") + L" " +
               UnixPath(linked + L"\\Veilkeep.exe")) ||
      !Start(linked, &app)) {
    return Close(&app);
  }
  CheckList(app, L"at start", {hidden, plain, missing}, 0);
  Close(&app);
}

// One program folder through its life: adds, hide and unhide, a duplicate, a
// cancel, a restart, a folder that vanished, and the last entry deleted.
void FolderLife() {
  g_scenario = L"add through the folder browser";
  const std::wstring folder = MakeProgramFolder(L"life");
  const std::wstring list_file = folder + L"\\data.bin";
  const std::wstring one = MakeFolder(L"Guarded One");
  const std::wstring two = MakeFolder(L"Guarded Two");
  const std::wstring three = MakeFolder(L"Guarded Three");
  App app;
  if (!Start(folder, &app)) return Close(&app);

  HWND dialog = OpenBrowser(app);
  if (!dialog) return Close(&app);
  CheckText(L"browser prompt", L"Select A Folder:", TextOf(GetDlgItem(dialog, kBrowsePrompt)));
  Check(L"main window is disabled while the browser is open", !IsWindowEnabled(app.main),
        L"enabled");
  if (!ChooseAndConfirm(app, dialog, one)) return Close(&app);
  WaitUntil([&] { return ListItems(app).size() == 1; }, kWaitMs);
  ExpectNoDialog(app, L"adding " + one);
  CheckList(app, L"after Add", {one}, 0);
  CheckState(app, L"after Add", L"Add Delete Open Hide", L"Hidden: False");
  CheckFileBytes(L"data.bin holds the folder", list_file, Ansi(one + L";"));
  const FileState after_add = ReadFileState(list_file);

  g_scenario = L"hide and unhide";
  HideAndUnhide(app, one);
  CheckFileUntouched(L"data.bin untouched by Hide and Unhide", list_file, after_add);
  SetFileAttributesW(one.c_str(), 7);  // hidden in the file manager; then back to the window
  ShowWindow(app.main, SW_MINIMIZE);
  ShowWindow(app.main, SW_RESTORE);
  CheckState(app, L"active again", L"Add Delete Open Unhide", L"Hidden: True");
  Click(app, kUnhide);

  g_scenario = L"duplicate add and cancel";
  dialog = OpenBrowser(app);
  if (dialog && ChooseAndConfirm(app, dialog, one)) {
    ExpectMessage(app, L"Folder " + one + L" already exists!");
  }
  CheckList(app, L"after the duplicate", {one}, 0);
  CheckFileUntouched(L"data.bin untouched by the duplicate", list_file, after_add);
  dialog = OpenBrowser(app);
  if (dialog) {
    PressButton(dialog, IDCANCEL);
    ExpectNoDialog(app, L"Cancel in the browser");
  }
  CheckList(app, L"after Cancel", {one}, 0);
  CheckState(app, L"after Cancel", L"Add Delete Open Hide", L"Hidden: False");
  CheckFileUntouched(L"data.bin untouched by the cancel", list_file, after_add);
  // An item with no path on disk (My Computer, past the browser's OK, which
  // a shell extension's folder can pass): said to be no folder, nothing added.
  PIDLIST_ABSOLUTE computer = nullptr;
  if ((dialog = OpenBrowser(app)) && SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer))) {
    Remote item(app.process.hProcess, ILGetSize(computer));
    item.Write(computer, ILGetSize(computer));
    const std::wstring first = TreeSelection(app, GetDlgItem(dialog, kBrowseTree));
    WaitUntil([&] {
      Send(dialog, BFFM_SETSELECTIONW, FALSE, item.Address());
      return TreeSelection(app, GetDlgItem(dialog, kBrowseTree)) != first;
    }, kWaitMs);
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    ExpectMessage(app, L"Invalid folder!");
  }
  CoTaskMemFree(computer);
  CheckFileUntouched(L"data.bin untouched by an item with no path", list_file, after_add);

  g_scenario = L"add a second folder";
  AddFolder(app, two);
  CheckList(app, L"after Add", {one, two}, 1);
  CheckState(app, L"after Add", L"Add Delete Open Hide", L"Hidden: False");
  CheckFileBytes(L"data.bin holds both folders in order", list_file, Ansi(one + L";" + two + L";"));
  ClickListEntry(app, 0);
  Click(app, kHide);
  CheckHidden(one, true);
  CheckState(app, L"entry 0 hidden", L"Add Delete Open Unhide", L"Hidden: True");
  const FileState after_second = ReadFileState(list_file);
  Close(&app);
  CheckFileUntouched(L"data.bin untouched after closing", list_file, after_second);

  g_scenario = L"restart shows the saved list";
  if (!Start(folder, &app)) return Close(&app);
  CheckList(app, L"at start", {one, two}, 0);
  CheckState(app, L"at start", L"Add Delete Open Unhide", L"Hidden: True");
  ClickListEntry(app, 1);
  CheckState(app, L"entry 1 picked", L"Add Delete Open Hide", L"Hidden: False");
  ClickListEntry(app, 0);
  CheckState(app, L"entry 0 picked", L"Add Delete Open Unhide", L"Hidden: True");

  g_scenario = L"folder removed while listed";
  Require(RemoveDirectoryW(one.c_str()), L"remove " + one,
          L"error " + std::to_wstring(GetLastError()));
  if (PostClick(app, kUnhide)) ExpectMessage(app, L"Folder " + one + L" doesn't exist!");
  CheckList(app, L"after the message", {two}, 0);
  CheckState(app, L"after the message", L"Add Delete Open Hide", L"Hidden: False");
  CheckFileBytes(L"data.bin holds only the remaining folder", list_file, Ansi(two + L";"));

  g_scenario = L"delete the last entry";
  Click(app, kDelete);
  CheckList(app, L"after Delete", {}, -1);
  CheckState(app, L"after Delete", L"Add", L"Hidden: ");
  CheckFileBytes(L"data.bin is empty", list_file, "");
  Close(&app);

  g_scenario = L"restart after deleting the last entry";
  if (!Start(folder, &app)) return Close(&app);
  CheckList(app, L"at start", {}, -1);
  CheckState(app, L"at start", L"Add", L"Hidden:");
  ExpectNoDialog(app, L"start-up");

  // Another program writes data.bin: replaced whole, in place, then deleted.
  // Wine refuses each while the program has data.bin open for a moment: tried for 2 s.
  g_scenario = L"the window follows data.bin";
  const std::wstring other = folder + L"\\list of another program";
  WriteFixture(other, Ansi(two + L";"));
  const auto done = [](const std::function<bool()>& step) { return WaitUntil(step, 2000); };
  Require(done([&] {
            return MoveFileExW(other.c_str(), list_file.c_str(), MOVEFILE_REPLACE_EXISTING) !=
                   FALSE;
          }),
          L"replace data.bin", L"refused for 2 s");
  const auto shows = [&](const std::vector<std::wstring>& items) {
    return done([&] { return ListItems(app) == items; });
  };
  Check(L"data.bin replaced: shown within 2 s", shows({two}), Joined(ListItems(app)));
  Require(done([&] { return WriteWholeFile(list_file, Ansi(one + L";" + two + L";")); }),
          L"write data.bin in place", L"refused for 2 s");
  Check(L"data.bin written in place: shown within 2 s", shows({one, two}), Joined(ListItems(app)));
  CheckList(app, L"the selected folder stays selected", {one, two}, 1);
  ExpectNoDialog(app, L"data.bin changed by another program");
  // Marked hidden: left alone and shown empty; shown again once it is not.
  for (DWORD marks : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_NORMAL}) {
    Require(SetFileAttributesW(list_file.c_str(), marks), L"mark data.bin",
            ErrorText(GetLastError()));
    Check(
        L"data.bin marked " + Hex(marks) + L": followed within 2 s",
        shows(marks == FILE_ATTRIBUTE_HIDDEN ? std::vector<std::wstring>{} : std::vector{one, two}),
        Joined(ListItems(app)));
  }
  // Held for a moment just after a change: the list stays until it can be read.
  Require(done([&] { return WriteWholeFile(list_file, Ansi(two + L";")); }), L"write data.bin",
          L"refused for 2 s");
  {
    HeldFile held(list_file, OPEN_EXISTING);
    Check(L"data.bin held: the list is never shown empty",
          !WaitUntil([&] { return ListCount(app) == 0; }, 600), L"emptied");
  }
  Check(L"data.bin let go: shown within 2 s", shows({two}), Joined(ListItems(app)));
  // A file beside it that changes all the time: followed within about a second all the same.
  const ULONGLONG noisy = GetTickCount64();
  WriteWholeFile(list_file, Ansi(one + L";" + two + L";"));
  while (ListItems(app) != std::vector{one, two} && GetTickCount64() - noisy < 3000) {
    WriteWholeFile(folder + L"\\noise.log", std::to_string(GetTickCount64()));
    Sleep(30);
  }
  Check(L"beside a file written every 30 ms: followed within 1.5 s",
        GetTickCount64() - noisy < 1500, std::to_wstring(GetTickCount64() - noisy) + L" ms");
  // Changed while a window of ours is up: shown once it closes.
  if (HWND browser = OpenBrowser(app)) {
    WriteWholeFile(list_file, Ansi(two + L";"));
    Sleep(500);
    PressButton(browser, IDCANCEL);
    Check(L"changed while the browser was up: shown once it closed", shows({two}),
          Joined(ListItems(app)));
  }
  Require(done([&] { return DeleteFileW(list_file.c_str()) != FALSE; }), L"delete data.bin",
          L"refused for 2 s");
  Check(L"data.bin deleted: the list empties within 2 s", shows({}), Joined(ListItems(app)));
  Close(&app);

  // (A link to no file yet cannot be told from no file under Wine, which
  // shows no such link to a program: the unit tests and the fuzzer keep it.)
  g_scenario = L"data.bin as a symbolic link";
  const std::wstring target = MakeFolder(L"life elsewhere") + L"\\list.bin";
  WriteFixture(target, Ansi(two + L";"));
  if (!RunUnix(L"ln -s " + UnixPath(target) + L" " + UnixPath(list_file)) || !Start(folder, &app))
    return Close(&app);
  AddFolder(app, three);
  Check(L"data.bin is still a link", RunUnix(L"test -L " + UnixPath(list_file)), L"not a link");
  CheckFileBytes(L"its target holds the new list", target, Ansi(two + L";" + three + L";"));
  Require(
      done([&] { return WriteWholeFile(target, Ansi(two + L";" + three + L";" + one + L";")); }),
      L"write the link's target", L"refused for 2 s");
  Check(L"its target written in its own folder: shown within 2 s", shows({two, three, one}),
        Joined(ListItems(app)));
  Close(&app);

  g_scenario = L"data.bin with a second name";
  if (!RunUnix(L"ln -f " + UnixPath(target) + L" " + UnixPath(list_file)) || !Start(folder, &app))
    return Close(&app);
  Click(app, kDelete);  // the first entry
  Click(app, kDelete);  // then the selected one, the last
  AddFolder(app, two);
  CheckFileBytes(L"data.bin holds the new list", list_file, Ansi(three + L";" + two + L";"));
  CheckFileBytes(L"its second name holds the same", target, Ansi(three + L";" + two + L";"));
  Check(L"data.bin still has two names",
        RunUnix(L"test $(stat -c %h " + UnixPath(list_file) + L") = 2"), L"not 2");
  Require(done([&] { return WriteWholeFile(target, Ansi(two + L";")); }),
          L"write data.bin through its other name", L"refused for 2 s");
  Check(L"written through its other name: shown within 2 s", shows({two}), Joined(ListItems(app)));
  Close(&app);
}

void DroppedFolders() {
  const Scenario opened = OpenScenario(L"folders dropped on the list", L"drops", {});
  const std::wstring first = MakeFolder(L"Dropped First");
  const std::wstring second = MakeFolder(L"Dropped Second");
  const std::wstring unicode = MakeFolder(L"Dropped \u6587\u4EF6\u5939 \U0001F4C1");
  const std::wstring later = MakeFolder(L"Dropped While About");
  const std::wstring file = g_root + L"\\dropped note.txt";
  WriteFixture(file, "a file, not a folder");
  App app;
  if (!Start(opened.folder, &app)) return Close(&app);

  // One folder: added as Add adds it, selected, with its status, and saved.
  Drop(app, {first});
  ExpectNoDialog(app, L"dropping one folder");
  CheckList(app, L"after dropping one folder", {first}, 0);
  CheckState(app, L"after dropping one folder", L"Add Delete Open Hide", L"Hidden: False");
  CheckFileBytes(L"data.bin after dropping one folder", opened.list_file, Ansi(first + L";"));

  // Three folders, one of them listed already: one message names it; the other two are added.
  Drop(app, {second, first, unicode});
  ExpectMessageWith(app, {L"Folder " + first + L" already exists!"});
  CheckList(app, L"after dropping three folders", {first, second, unicode}, 2);
  CheckFileBytes(L"data.bin after dropping three folders (UTF-8 for the Unicode name)",
                 opened.list_file,
                 "\xEF\xBB\xBF" + Utf8(first + L";" + second + L";" + unicode + L";"));

  // A file: one message naming it, and nothing else changes.
  const FileState saved = ReadFileState(opened.list_file);
  Drop(app, {file});
  CheckText(L"message for a dropped file", file + L" is not a folder: only folders can be added.",
            ExpectMessageWith(app, {file}));
  CheckList(app, L"after dropping a file", {first, second, unicode}, 2);
  CheckFileUntouched(L"data.bin after dropping a file", opened.list_file, saved);

  // Two items refused alike: each refusal names its own.
  Drop(app, {L"Z:\\", L"C:\\"});
  CheckText(L"message for two dropped drive roots",
            L"Z:\\: Invalid folder!\n\nC:\\: Invalid folder!", ExpectMessageWith(app, {}));

  // While About is open the program takes nothing.
  PostToolbarClick(app, 5);
  HWND about = nullptr;
  WaitUntil([&] { return (about = FindWindowW(L"Veilkeep.Form2", nullptr)) != nullptr; }, kWaitMs);
  if (Require(about != nullptr, L"open About", L"no About window")) {
    Drop(app, {later});
    CheckList(app, L"after a drop while About is open", {first, second, unicode}, 2);
    PostMessageW(about, WM_CLOSE, 0, 0);
    WaitUntil([&] { return !IsWindow(about); }, kWaitMs);
  }
  ExpectNoDialog(app, L"a drop while About is open");
  CheckFileUntouched(L"data.bin after a drop while About is open", opened.list_file, saved);
  Close(&app);
}

}  // namespace e2e
