// Starts with a command line, as a shortcut, a script or the folder menu
// starts the program: without a window, handed to the running one, their
// exit codes, and the folder-menu verbs in the user's registry. And the
// search for hidden folders, from the system menu and by /find-hidden.
#include <shlobj.h>

#include <functional>

#include "harness.h"

namespace e2e {
namespace {

// The text of this process's console, row by row, each without the spaces at its end.
std::wstring ConsoleText() {
  HANDLE out = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  CONSOLE_SCREEN_BUFFER_INFO info = {};
  std::wstring text;
  for (SHORT y = 0; GetConsoleScreenBufferInfo(out, &info) && y <= info.dwCursorPosition.Y; ++y) {
    std::wstring row(info.dwSize.X, L' ');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(out, row.data(), info.dwSize.X, COORD{0, y}, &read);
    text += row.substr(0, row.find_last_not_of(L' ') + 1) + L"\n";
  }
  if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
  return text.substr(0, text.find_last_not_of(L'\n') + 1);
}

// Starts every command line at once, does `meanwhile`, waits for them to
// end: their exit codes, each followed by a space; *shown when any showed a
// window; *console, what they wrote to the console of the program that
// started them (a new one, as a command prompt's would be).
std::wstring Run(std::vector<std::wstring> lines, bool* shown,
                 const std::function<void()>& meanwhile = nullptr,
                 std::wstring* console = nullptr) {
  if (console) FreeConsole(), AllocConsole();
  std::vector<PROCESS_INFORMATION> started(lines.size());
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  for (size_t i = 0; i < lines.size(); ++i) {
    CreateProcessW(nullptr, lines[i].data(), nullptr, nullptr, FALSE, 0, nullptr, g_root.c_str(),
                   &startup, &started[i]);
  }
  if (meanwhile) meanwhile();
  std::wstring codes;
  for (const auto& p : started) {
    for (int tries = 0; tries < 500 && WaitForSingleObject(p.hProcess, 20) == WAIT_TIMEOUT; ++tries)
      *shown = *shown || HasVisibleWindow(p.dwProcessId);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(p.hProcess, &code);
    codes += std::to_wstring(code) + L" ";
  }
  if (console) *console = ConsoleText(), FreeConsole();
  return codes;
}

std::wstring Registered(const std::wstring& verb) {
  wchar_t command[1024] = {};
  DWORD size = sizeof(command);
  RegGetValueW(HKEY_CURRENT_USER,
               (L"Software\\Classes\\Directory\\shell\\Veilkeep." + verb + L"\\command").c_str(),
               nullptr, RRF_RT_REG_SZ, nullptr, command, &size);
  return command;
}

// A new folder `name` in the run's folder, marked as Hide marks folders (7), or so.
std::wstring Hidden(const std::wstring& name, DWORD attributes = 7) {
  const std::wstring folder = MakeFolder(name);
  SetFileAttributesW(folder.c_str(), attributes);
  return folder;
}

// The program's window of class `cls`, shown, owned by the main window.
HWND Owned(const App& app, const wchar_t* cls) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindWindowW(cls, nullptr)) && IsWindowVisible(found); }, kWaitMs);
  Check(std::wstring(cls) + L" opens, owned by the main window",
        found && GetWindow(found, GW_OWNER) == app.main, L"none within 10 s");
  return found;
}

// Alt+Space, then `key`: an item of the system menu.
bool SystemMenu(const App& app, WORD key) {
  PostMessageW(app.main, WM_SYSCOMMAND, SC_KEYMENU, L' ');
  if (!Require(WaitForMenu(app) != nullptr, L"the system menu opens", L"none")) return false;
  PressKey(app, key);
  return true;
}

// The Start menu's Hide All shortcut, read through the shell's own link
// object: its target, arguments, folder, key and how it starts; "none" when
// there is none.
std::wstring HideAllShortcut() {
  PWSTR programs = nullptr;
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  std::wstring seen = L"none";
  wchar_t text[3][MAX_PATH] = {};
  WORD key = 0;
  int show = 0;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Programs, 0, nullptr, &programs)) &&
      SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&link))) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
      SUCCEEDED(file->Load((std::wstring(programs) + L"\\Veilkeep - Hide All.lnk").c_str(), STGM_READ)) &&
      SUCCEEDED(link->GetPath(text[0], MAX_PATH, nullptr, SLGP_RAWPATH)) &&
      SUCCEEDED(link->GetArguments(text[1], MAX_PATH)) &&
      SUCCEEDED(link->GetWorkingDirectory(text[2], MAX_PATH)) && SUCCEEDED(link->GetHotkey(&key)) &&
      SUCCEEDED(link->GetShowCmd(&show))) {
    // Started minimized (7) on Windows; Wine 8 keeps no start state in a shortcut.
    seen = std::wstring(text[0]) + L" " + text[1] + L" in " + text[2] + L", key " + Hex(key) +
           (show == SW_SHOWMINNOACTIVE || show == SW_SHOWNORMAL ? L"" : L", shown " + std::to_wstring(show));
  }
  if (file) file->Release();
  if (link) link->Release();
  CoTaskMemFree(programs);
  return seen;
}

// Alt+Space, F: Find Hidden Folders..., and `folder` chosen in the folder browser.
bool SearchFromMenu(const App& app, const std::wstring& folder) {
  if (!SystemMenu(app, 'F')) return false;
  HWND browser = WaitForDialog(app, kBrowseTitle);
  return browser && ChooseAndConfirm(app, browser, folder);
}

}  // namespace

void CommandLine() {
  const Scenario s = OpenScenario(L"command line", L"command line", {});
  const std::wstring exe = L"\"" + s.folder + L"\\Veilkeep.exe\"";
  std::vector<std::wstring> listed = {MakeFolder(L"Evening")}, hides, unhides;
  std::wstring zeros;
  for (int i = 0; i < 20; ++i, zeros += L"0 ") {
    listed.push_back(MakeFolder(L"At Once " + std::to_wstring(i)));
    hides.push_back(exe + L" /HIDE \"" + listed.back() + L"\\\"");
    unhides.push_back(exe + L" /unhide \"" + listed.back() + L"\"");
  }
  bool shown = false;
  // With no window, errors go to the console of the program that started it.
  std::wstring console;
  CheckText(L"a command line not understood, no window running: exit code", L"2 ",
            Run({exe + L" /hide"}, &shown, nullptr, &console));
  Check(L"it says so on the console", console.find(L"Veilkeep: Error: The command line is not "
                                                   L"understood. It may be one of:") == 0, console);
  CheckText(L"/shortcut-key shift+h: exit code", L"1 ",
            Run({exe + L" /shortcut-key shift+h"}, &shown, nullptr, &console));
  Check(L"it says so on the console",
        console.find(L"Veilkeep: Error: The shortcut key for Hide All could not be changed.") == 0,
        console);
  CheckText(L"/shortcut-key off: exit code", L"0 ",
            Run({exe + L" /shortcut-key off"}, &shown, nullptr, &console));
  CheckText(L"nothing on the console", L"", console);
  // Starts without a window take turns: this one waits while the driver holds the turn.
  HANDLE turn = CreateMutexW(nullptr, TRUE, L"Local\\Orvanta.Veilkeep.Requests");
  std::wstring shouted = listed[0];
  CharUpperW(shouted.data());
  CheckText(L"/hide of one folder in two spellings, no window running: exit code", L"0 ",
            Run({exe + L" /hide \"" + listed[0] + L"\" \"" + shouted + L"\""}, &shown, [&] {
              Sleep(3000);
              Check(L"not hidden before its turn", !HiddenAndSystem(GetFileAttributesW(listed[0].c_str())),
                    L"hidden");
              ReleaseMutex(turn);
              // Its turn lasts until the folder is hidden and data.bin saved.
              WaitForSingleObject(turn, 10000);
              Check(L"hidden once its turn ended",
                    HiddenAndSystem(GetFileAttributesW(listed[0].c_str())), L"not hidden yet");
              ReleaseMutex(turn);
            }));
  CloseHandle(turn);
  // An older copy's window, which takes no requests: a start with a command
  // line offers it a while, then does the work itself.
  DWORD older = 0;
  HANDLE older_thread = CreateThread(nullptr, 0, [](void*) -> DWORD {
    WNDCLASSW cls = {};
    cls.lpfnWndProc = DefWindowProcW;
    cls.lpszClassName = L"Veilkeep.Form1";
    RegisterClassW(&cls);
    HWND window = CreateWindowW(cls.lpszClassName, L"Veilkeep", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    DestroyWindow(window);
    UnregisterClassW(cls.lpszClassName, nullptr);
    return 0;
  }, nullptr, 0, &older);
  WaitUntil([] { return FindWindowW(L"Veilkeep.Form1", nullptr) != nullptr; }, kWaitMs);
  CheckText(L"/unhide beside a window that takes no requests: exit code", L"0 ",
            Run({exe + L" /unhide \"" + listed[0] + L"\""}, &shown));
  CheckHidden(listed[0], false);
  PostThreadMessageW(older, WM_QUIT, 0, 0);
  WaitForSingleObject(older_thread, kWaitMs);
  CloseHandle(older_thread);
  CheckText(L"twenty /hide at once, no window running: exit codes", zeros, Run(hides, &shown));
  Check(L"a start with a command line shows no window", !shown, L"a window");
  for (size_t i = 1; i < listed.size(); ++i) CheckHidden(listed[i], true);
  CheckText(L"/folder-menu on: exit code", L"0 ",
            Run({exe + L" /Folder-Menu on"}, &shown, nullptr, &console));
  CheckText(L"nothing on the console", L"", console);
  CheckText(L"Hide with Veilkeep and Unhide with Veilkeep run",
            exe + L" /hide \"%1\" | " + exe + L" /unhide \"%1\"",
            Registered(L"Hide") + L" | " + Registered(L"Unhide"));

  App app;
  if (!Start(s.folder, &app)) return Close(&app);
  CheckNumber(L"every folder listed once", 21, ListCount(app));
  // The folder menu's Unhide, handed to the window, of the listed folder
  // named in another letter case: that entry, not a second one.
  std::wstring unhide = Registered(L"Unhide");
  CheckText(L"Unhide with Veilkeep on a folder: exit code", L"0 ",
            Run({unhide.replace(unhide.find(L"%1"), 2, shouted)}, &shown));
  CheckHidden(listed[0], false);
  CheckText(L"the window selects it", listed[0], ListItemText(app, ListSelection(app)));
  CheckState(app, L"after Unhide with Veilkeep", L"Add Delete Open Hide", L"Hidden: False");
  CheckText(L"twenty /unhide at once into the window: exit codes", zeros, Run(unhides, &shown));
  Check(L"no second window", !shown, L"a window");
  for (const std::wstring& folder : listed) CheckHidden(folder, false);
  CheckNumber(L"still listed once each", 21, ListCount(app));
  CheckText(L"a folder that cannot be hidden: exit code", L"1 ",
            Run({exe + L" /hide \"" + g_locked + L"\""}, &shown, [&] {
              ExpectMessageWith(app, {g_locked, L"could not be hidden"});
            }));
  CheckText(L"/folder-menu off: exit code", L"0 ", Run({exe + L" /folder-menu OFF"}, &shown));
  CheckText(L"no verbs left", L"", Registered(L"Hide") + Registered(L"Unhide"));
  CheckText(L"/folder-menu off with no verbs there: exit code", L"0 ",
            Run({exe + L" /folder-menu off"}, &shown));
  Close(&app);
}

// Hide All and Unhide All from the system menu and the command line, with no
// window and handed over; the Start menu's shortcut that holds the key,
// made, shown, read back through the shell and removed.
void HideAllAndShortcutKey() {
  const std::vector<std::wstring> folders = {MakeFolder(L"All One"), MakeFolder(L"All Two")};
  const Scenario s = OpenScenario(L"hide all", L"hide all", {folders[0], g_root + L"\\All Gone", folders[1]});
  const std::wstring exe = L"\"" + s.folder + L"\\Veilkeep.exe\"";
  bool shown = false;
  CheckText(L"/hide-all with no window, one folder gone: exit code", L"1 ", Run({exe + L" /hide-all"}, &shown));
  Check(L"it shows no window", !shown, L"a window");
  for (const std::wstring& folder : folders) CheckHidden(folder, true);
  CheckFileBytes(L"data.bin without the folder gone", s.list_file, Ansi(folders[0] + L";" + folders[1] + L";"));
  App app;
  if (!Start(s.folder, &app)) return Close(&app);
  // Hide All Folders is A; Wine puts its own About Wine there in every system menu.
  for (const bool hidden : {false, true}) {
    if (hidden) PostMessageW(app.main, WM_SYSCOMMAND, IDM_HIDE_ALL, 0);
    if (!hidden && !SystemMenu(app, 'U')) break;
    ExpectNoDialog(app, hidden ? L"Hide All Folders" : L"Unhide All Folders");
    for (const std::wstring& folder : folders) CheckHidden(folder, hidden);
    CheckText(L"the status follows the folder selected", hidden ? L"Hidden: True" : L"Hidden: False",
              StatusText(app));
  }
  RemoveTree(folders[1]);
  if (SystemMenu(app, 'U')) ExpectMessageWith(app, {L"Not every folder could be revealed", folders[1]});
  CheckHidden(folders[0], false);
  CheckText(L"/hide-all handed to the window: exit code", L"0 ", Run({exe + L" /hide-all"}, &shown));
  ExpectNoDialog(app, L"/hide-all");
  Check(L"no second window", !shown, L"a window");
  CheckHidden(folders[0], true);
  // The key: refused without Ctrl or Alt, then made, shown in its window, removed there.
  CheckText(L"/shortcut-key shift+h: exit code", L"1 ", Run({exe + L" /shortcut-key shift+h"}, &shown));
  CheckText(L"/shortcut-key ctrl+alt+h: exit code", L"0 ", Run({exe + L" /shortcut-key Ctrl+Alt+H"}, &shown));
  CheckText(L"the shortcut, as the shell reads it",
            s.folder + L"\\Veilkeep.exe /hide-all in " + s.folder + L", key " +
                Hex(MAKEWORD('H', HOTKEYF_CONTROL | HOTKEYF_ALT)),
            HideAllShortcut());
  auto key_window = [&] {
    HWND window = nullptr;
    if (SystemMenu(app, 'K')) {
      WaitUntil([&] { return (window = FindWindowW(L"Veilkeep.ShortcutKey", nullptr)) && IsWindowVisible(window); }, kWaitMs);
      Check(L"Shortcut Key For Hide All opens", window != nullptr, L"none");
    }
    return window;
  };
  if (HWND window = key_window()) {
    Check(L"its note names the shortcut", TextOf(GetDlgItem(window, IDC_KEY_NOTE)).find(L"Veilkeep - Hide All") != std::wstring::npos,
          TextOf(GetDlgItem(window, IDC_KEY_NOTE)));
    CheckText(L"it shows the key the shortcut holds", Hex(MAKEWORD('H', HOTKEYF_CONTROL | HOTKEYF_ALT)),
              Hex(static_cast<DWORD>(Send(GetDlgItem(window, IDC_KEY_HOTKEY), HKM_GETHOTKEY))));
    PressButton(window, IDC_KEY_REMOVE);
  }
  CheckText(L"Remove deletes the shortcut", L"none", HideAllShortcut());
  // A key put in the window: OK makes the shortcut hold it; Cancel then leaves it.
  for (int button : {IDC_KEY_OK, IDCANCEL}) {
    if (HWND window = key_window()) {
      Send(GetDlgItem(window, IDC_KEY_HOTKEY), HKM_SETHOTKEY, MAKEWORD(button == IDCANCEL ? 'K' : 'J', HOTKEYF_ALT));
      PressButton(window, button);
    }
  }
  CheckText(L"the shortcut OK made, Cancel left",
            s.folder + L"\\Veilkeep.exe /hide-all in " + s.folder + L", key " + Hex(MAKEWORD('J', HOTKEYF_ALT)),
            HideAllShortcut());
  // The Start menu's folder moved where there is none: the window shows no
  // key, and OK says why the shortcut cannot be made.
  const wchar_t* shell_folders = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  wchar_t was[MAX_PATH] = {};
  DWORD size = sizeof(was);
  const bool had = RegGetValueW(HKEY_CURRENT_USER, shell_folders, L"Programs",
                                RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, was,
                                &size) == ERROR_SUCCESS;
  const std::wstring gone = g_root + L"\\No Start Menu";
  RegSetKeyValueW(HKEY_CURRENT_USER, shell_folders, L"Programs", REG_EXPAND_SZ, gone.c_str(),
                  static_cast<DWORD>((gone.size() + 1) * sizeof(wchar_t)));
  if (HWND window = key_window()) {
    CheckNumber(L"with no Start menu folder, no key is shown", 0,
                Send(GetDlgItem(window, IDC_KEY_HOTKEY), HKM_GETHOTKEY));
    Send(GetDlgItem(window, IDC_KEY_HOTKEY), HKM_SETHOTKEY, MAKEWORD('K', HOTKEYF_ALT));
    PressButton(window, IDC_KEY_OK);
    ExpectMessageWith(app, {L"The Start menu's folder could not be found."});
  }
  CheckText(L"/shortcut-key off with no Start menu folder: exit code", L"1 ",
            Run({exe + L" /shortcut-key off"}, &shown));
  // A Start menu folder this account may not write to: the shortcut's save fails, and says so.
  if (!g_locked.empty()) {
    RegSetKeyValueW(HKEY_CURRENT_USER, shell_folders, L"Programs", REG_EXPAND_SZ, g_locked.c_str(),
                    static_cast<DWORD>((g_locked.size() + 1) * sizeof(wchar_t)));
    CheckText(L"/shortcut-key ctrl+alt+h into a folder we may not change: exit code", L"1 ",
              Run({exe + L" /shortcut-key Ctrl+Alt+H"}, &shown));
  }
  if (had) {
    RegSetKeyValueW(HKEY_CURRENT_USER, shell_folders, L"Programs", REG_EXPAND_SZ, was, size);
  } else {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, shell_folders, L"Programs");
  }
  CheckText(L"/shortcut-key off: exit code", L"0 ", Run({exe + L" /shortcut-key off"}, &shown));
  CheckText(L"it removes the shortcut", L"none", HideAllShortcut());
  Close(&app);

  g_scenario = L"the shell's library not loaded";
  // Wine's own switch, for this program alone, for a library that will not load.
  const wchar_t* overrides = L"Software\\Wine\\AppDefaults\\Veilkeep.exe\\DllOverrides";
  RegSetKeyValueW(HKEY_CURRENT_USER, overrides, L"shell32", REG_SZ, L"", sizeof(wchar_t));
  std::wstring console;
  CheckText(L"/shortcut-key ctrl+alt+h: exit code", L"1 ",
            Run({exe + L" /shortcut-key Ctrl+Alt+H"}, &shown, nullptr, &console));
  Check(L"the console says why", console.find(L"(shell32.dll) could not be loaded") != std::wstring::npos,
        console);
  if (Start(s.folder, &app) && PostClick(app, kOpen)) {
    ExpectMessageWith(app, {L"could not be opened", folders[0], L"(shell32.dll) could not be loaded"});
  }
  Close(&app);
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\Veilkeep.exe");

  g_scenario = L"the shell's link object not registered";
  const wchar_t* server =
      L"Software\\Classes\\CLSID\\{00021401-0000-0000-C000-000000000046}\\InprocServer32";
  wchar_t values[2][MAX_PATH] = {};
  DWORD sizes[2] = {sizeof(values[0]), sizeof(values[1])};
  const wchar_t* names[2] = {nullptr, L"ThreadingModel"};
  for (int i = 0; i < 2; ++i) {
    RegGetValueW(HKEY_LOCAL_MACHINE, server, names[i], RRF_RT_REG_SZ, nullptr, values[i], &sizes[i]);
  }
  if (Require(RegDeleteTreeW(HKEY_LOCAL_MACHINE, server) == ERROR_SUCCESS, L"unregister it", L"refused")) {
    CheckText(L"/shortcut-key ctrl+alt+h: exit code", L"1 ",
              Run({exe + L" /shortcut-key Ctrl+Alt+H"}, &shown));
    for (int i = 0; i < 2; ++i) {
      RegSetKeyValueW(HKEY_LOCAL_MACHINE, server, names[i], REG_SZ, values[i], sizes[i]);
    }
  }
}

// A tree with folders to find, not to find, listed in another letter case,
// and behind links; searched from the system menu, and by /find-hidden.
void FindHiddenFolders() {
  const std::wstring stick = MakeFolder(L"Lost Stick"), plain = MakeFolder(L"Lost Stick\\Plain");
  const std::wstring found = Hidden(L"Lost Stick\\Found"), nested = Hidden(L"Lost Stick\\Found\\In");
  // Named as Linux and macOS name their own; two characters, as "." and ".." are.
  const std::wstring dot = Hidden(L"Lost Stick\\.D");
  Hidden(L"Lost Stick\\Plain\\Hidden Alone", FILE_ATTRIBUTE_HIDDEN);
  // A file hidden and system, as Windows leaves desktop.ini, is no folder to offer.
  WriteFixture(stick + L"\\desktop.ini", "[.ShellClassInfo]\r\n");
  SetFileAttributesW((stick + L"\\desktop.ini").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  // A link back up, and one to hidden folders elsewhere: neither is gone through.
  for (auto name : {L"Lost Stick\\Plain\\Listed", L"Beyond", L"Beyond\\Far"}) Hidden(name);
  RunUnix(L"ln -s .. " + UnixPath(plain + L"\\Up") + L" && ln -s " + UnixPath(g_root + L"\\Beyond") +
          L" " + UnixPath(stick + L"\\Link"));
  const Scenario s = OpenScenario(L"find hidden folders", L"find hidden", {plain + L"\\LISTED"});
  const std::wstring exe = L"\"" + s.folder + L"\\Veilkeep.exe\" /find-hidden \"" + stick;
  std::vector<std::wstring> listed = {plain + L"\\LISTED", dot, nested};
  App app;
  if (!Start(s.folder, &app)) return Close(&app);
  // Each found is checked, in the order found: Add lists those left checked,
  // in the window's order, the last selected.
  HWND window = SearchFromMenu(app, stick) ? Owned(app, L"Veilkeep.Found") : nullptr;
  if (window) {
    HWND rows = GetDlgItem(window, IDC_FOUND_LIST);
    CheckText(L"the rows, in the order found", Joined({dot, found, nested}),
              Joined(ListItems(app, rows)));
    const std::wstring note = TextOf(GetDlgItem(window, IDC_FOUND_NOTE));
    Check(L"its note counts none skipped", note.find(L" folders searched, 0 skipped") != std::wstring::npos,
          note);
    Check(L"the rows' one column is as wide as the list shows", Send(rows, LVM_GETCOLUMNWIDTH, 0) > 100,
          std::to_wstring(Send(rows, LVM_GETCOLUMNWIDTH, 0)));
    Remote item(app.process.hProcess, sizeof(LVITEMW));
    LVITEMW unchecked = {};
    unchecked.stateMask = LVIS_STATEIMAGEMASK;
    unchecked.state = INDEXTOSTATEIMAGEMASK(1);
    item.Write(&unchecked, sizeof(unchecked));
    Send(rows, LVM_SETITEMSTATE, 1, item.Address());
    PressKey(app, VK_RETURN);  // the list has the focus: Enter is Add
    Check(L"Enter in the list adds", WaitUntil([&] { return !IsWindow(window); }, kWaitMs),
          L"still open");
    if (IsWindow(window)) PressButton(window, IDC_FOUND_ADD);
  }
  CheckList(app, L"after Add of the folders left checked", listed, 2);
  // A large tree, watched and cancelled: what was found by then is offered.
  const std::wstring large = MakeFolder(L"Large"), early = Hidden(L"Large\\Early");
  RunUnix(L"cd " + UnixPath(large) + L" && bash -c 'mkdir -p {1..40}/{1..40}/{1..4}'");
  if (HWND progress = SearchFromMenu(app, large) ? Owned(app, L"Veilkeep.Searching") : nullptr) {
    HWND count = GetDlgItem(progress, IDC_SEARCH_COUNT);
    auto counted = [&] {
      const std::wstring text = TextOf(count);
      return text.rfind(L"Folders searched: ", 0) == 0 && text != L"Folders searched: 0";
    };
    Check(L"the progress is shown", WaitUntil(counted, kWaitMs), TextOf(count));
    CheckText(L"its Cancel has the focus", L"Button \"Cancel\"", FocusedControl(app));
    PressButton(progress, IDCANCEL);
    if ((window = Owned(app, L"Veilkeep.Found"))) {
      const std::wstring note = TextOf(GetDlgItem(window, IDC_FOUND_NOTE));
      Check(L"its note says it was cancelled", note.find(L"cancelled") != std::wstring::npos, note);
      CheckText(L"what it found by then is offered", early,
                Joined(ListItems(app, GetDlgItem(window, IDC_FOUND_LIST))));
      // Cancel pressed with the mouse, which then slides off it: Cancel keeps
      // the focus, unpressed, and Enter presses Cancel, not Add.
      HWND cancel = GetDlgItem(window, IDCANCEL);
      PostMessageW(cancel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
      PostMessageW(cancel, WM_LBUTTONUP, 0, MAKELPARAM(-40, -40));
      PressKey(app, VK_RETURN);
      Check(L"Enter on Cancel closes it", WaitUntil([&] { return !IsWindow(window); }, kWaitMs),
            L"still open");
      if (IsWindow(window)) PressButton(window, IDCANCEL);
    }
  }
  CheckList(app, L"after Enter on Cancel", listed, 2);
  listed.push_back(found);  // left unchecked, found again
  listed.push_back(Hidden(L"Lost Stick\\Plain\\Later"));
  bool shown = false;
  CheckText(L"/find-hidden handed to the window: exit code", L"0 ", Run({exe + L"\""}, &shown));
  CheckList(app, L"after /find-hidden", listed, 4);
  CheckText(L"/find-hidden of a folder not there: exit code", L"1 ",
            Run({exe + L"\\Gone\""}, &shown, [&] {
              ExpectMessageWith(app, {stick + L"\\Gone", L"cannot be searched"});
            }));
  // Told to quit while it searches (the session ending): the search stops
  // and is waited for, nothing is added, and the program ends cleanly.
  if (SearchFromMenu(app, large) && Owned(app, L"Veilkeep.Searching")) {
    PostThreadMessageW(app.process.dwThreadId, WM_QUIT, 0, 0);
    DWORD code = STILL_ACTIVE;
    WaitForSingleObject(app.process.hProcess, kWaitMs);
    GetExitCodeProcess(app.process.hProcess, &code);
    CheckNumber(L"told to quit while it searches: exit code", 0, code);
  }
  Close(&app);
  listed.push_back(Hidden(L"Lost Stick\\Last"));
  CheckText(L"/find-hidden with no window: exit code", L"0 ", Run({exe + L"\""}, &shown));
  std::wstring bytes;
  for (const std::wstring& folder : listed) bytes += folder + L";";
  CheckFileBytes(L"data.bin lists what was found", s.list_file, Ansi(bytes));
}

// The found folders' window at the scale its session started at (run.sh runs
// this at 120, 144, 192 and 360 DPI too): Add and Cancel in one row, below
// the list.
void FoundWindowLayout() {
  g_scenario = L"the found folders' window, laid out";
  const std::wstring stick = MakeFolder(L"Scaled Stick");
  Hidden(L"Scaled Stick\\Found");
  App app;
  if (!Start(MakeProgramFolder(L"scaled"), &app)) return Close(&app);
  // In the screen's pixels, as the user sees them.
  const DPI_AWARENESS_CONTEXT caller =
      SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  if (HWND window = SearchFromMenu(app, stick) ? Owned(app, L"Veilkeep.Found") : nullptr) {
    RECT add = {}, cancel = {}, list = {};
    GetWindowRect(GetDlgItem(window, IDC_FOUND_ADD), &add);
    GetWindowRect(GetDlgItem(window, IDCANCEL), &cancel);
    GetWindowRect(GetDlgItem(window, IDC_FOUND_LIST), &list);
    auto text = [](const RECT& r) {
      return std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L" to " +
             std::to_wstring(r.right) + L"," + std::to_wstring(r.bottom);
    };
    Check(L"Add and Cancel in one row, as tall as each other",
          add.top == cancel.top && add.bottom == cancel.bottom && add.right < cancel.left,
          L"Add " + text(add) + L", Cancel " + text(cancel));
    Check(L"the list above them", list.bottom <= add.top, L"list " + text(list));
    PressButton(window, IDCANCEL);
  }
  SetThreadDpiAwarenessContext(caller);
  Close(&app);
}

}  // namespace e2e
