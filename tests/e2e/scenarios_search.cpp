// The search for the folders a lost list left hidden: from the system menu,
// watched and cancelled, and from the command line, with and without the
// window.
#include "harness.h"

namespace e2e {
namespace {

// The rows of "Hidden Folders Found", each with its check box: "[x] path".
std::wstring Rows(const App& app, HWND list) {
  constexpr size_t kChars = 1024;
  Remote remote(app.process.hProcess, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
  std::vector<std::wstring> rows;
  for (LRESULT i = 0, n = Send(list, LVM_GETITEMCOUNT); remote && i < n; ++i) {
    LVITEMW query = {};
    query.pszText = reinterpret_cast<wchar_t*>(remote.Address(sizeof(LVITEMW)));
    query.cchTextMax = kChars;
    remote.Write(&query, sizeof(query));
    Send(list, LVM_GETITEMTEXTW, i, remote.Address());
    const bool on = Send(list, LVM_GETITEMSTATE, i, LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
    rows.push_back((on ? L"[x] " : L"[ ] ") + remote.ReadText(sizeof(LVITEMW), kChars));
  }
  return Joined(rows);
}

// The program's shown window of class `cls`, titled `title`, owned by the main window.
HWND WaitForWindow(const App& app, const wchar_t* cls, const std::wstring& title) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindWindowW(cls, title.c_str())) && IsWindowVisible(found); },
            kWaitMs);
  Check(Quote(title) + L" opens, owned by the main window",
        found && GetWindow(found, GW_OWNER) == app.main, L"none within 10 s");
  return found;
}

// Alt+Space, F: Find Hidden Folders..., and `folder` chosen in the folder browser.
bool SearchFromMenu(const App& app, const std::wstring& folder) {
  PostMessageW(app.main, WM_SYSCOMMAND, SC_KEYMENU, L' ');
  if (!Require(WaitForMenu(app) != nullptr, L"the system menu opens", L"none")) return false;
  PressKey(app, 'F');
  HWND browser = WaitForDialog(app, kBrowseTitle);
  if (!browser) return false;
  CheckText(L"the browser's prompt", L"Select A Folder To Search:",
            TextOf(GetDlgItem(browser, kBrowsePrompt)));
  return ChooseAndConfirm(app, browser, folder);
}

// A start with `line`: its exit code; *shown when it showed a window.
DWORD RunLine(std::wstring line, bool* shown, const std::function<void()>& meanwhile = nullptr) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION p = {};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, g_root.c_str(),
                      &startup, &p)) {
    return GetLastError();
  }
  if (meanwhile) meanwhile();
  for (int tries = 0; tries < 500 && WaitForSingleObject(p.hProcess, 20) == WAIT_TIMEOUT; ++tries)
    *shown = *shown || HasVisibleWindow(p.dwProcessId);
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(p.hProcess, &code);
  CloseHandle(p.hProcess), CloseHandle(p.hThread);
  return code;
}

// A new folder `name` below the run's folder, marked as Hide marks folders.
std::wstring Hidden(const std::wstring& name, DWORD attributes = FILE_ATTRIBUTE_READONLY |
                                                                 FILE_ATTRIBUTE_HIDDEN |
                                                                 FILE_ATTRIBUTE_SYSTEM) {
  const std::wstring folder = MakeFolder(name);
  SetFileAttributesW(folder.c_str(), attributes);
  return folder;
}

}  // namespace

void FindHiddenFolders() {
  const std::wstring stick = MakeFolder(L"Lost Stick"), plain = MakeFolder(L"Lost Stick\\Plain");
  const std::wstring found = Hidden(L"Lost Stick\\Found"), nested = Hidden(L"Lost Stick\\Found\\In");
  const std::wstring listed = Hidden(L"Lost Stick\\Plain\\Listed");
  std::wstring deep = L"Lost Stick\\Plain";  // past 260 characters, its name beyond ASCII
  for (wchar_t c = L'a'; c < L'g'; ++c) MakeFolder(deep += L"\\" + std::wstring(40, c));
  deep = Hidden(deep + L"\\D\u00e9j\u00e0 Vu");
  Hidden(L"Lost Stick\\Plain\\Hidden Alone", FILE_ATTRIBUTE_HIDDEN);
  Hidden(L"Beyond");
  Hidden(L"Beyond\\Far");
  // A link back up, and one to hidden folders elsewhere: neither is gone through.
  RunUnix(L"ln -s .. " + UnixPath(plain + L"\\Up") + L" && ln -s " + UnixPath(g_root + L"\\Beyond") +
          L" " + UnixPath(stick + L"\\Link"));
  const Scenario s = OpenScenario(L"find hidden folders", L"find hidden", {plain + L"\\LISTED"});
  const std::wstring exe = L"\"" + s.folder + L"\\Veilkeep.exe\" /find-hidden \"";
  App app;
  if (!Start(s.folder, &app)) return Close(&app);
  if (SearchFromMenu(app, stick)) {
    if (HWND window = WaitForWindow(app, L"Veilkeep.Found", L"Hidden Folders Found")) {
      CheckText(L"found: hidden and system, below links not, listed not, all checked",
                L"[x] " + found + L" | [x] " + nested + L" | [x] " + deep,
                Rows(app, GetDlgItem(window, IDC_FOUND_LIST)));
      PressButton(window, IDC_FOUND_ADD);
    }
  }
  CheckList(app, L"after Add", {plain + L"\\LISTED", found, nested, deep}, 3);
  CheckHidden(nested, true);
  // A large tree: the search is watched and cancelled, and what it found by then is offered.
  const std::wstring large = MakeFolder(L"Large"), early = Hidden(L"Large\\Early");
  RunUnix(L"cd " + UnixPath(large) + L" && bash -c 'mkdir -p {1..40}/{1..40}/{1..4}'");
  if (SearchFromMenu(app, large)) {
    if (HWND progress = WaitForWindow(app, L"Veilkeep.Searching", L"  Find Hidden Folders")) {
      HWND count = GetDlgItem(progress, IDC_SEARCH_COUNT);
      Check(L"the progress is shown",
            WaitUntil([&] { return TextOf(count) != L"Folders searched: 0"; }, kWaitMs),
            TextOf(count));
      PressButton(progress, IDCANCEL);
    }
    if (HWND window = WaitForWindow(app, L"Veilkeep.Found", L"Hidden Folders Found")) {
      Check(L"the note says it was cancelled",
            TextOf(GetDlgItem(window, IDC_FOUND_NOTE)).find(L"cancelled") != std::wstring::npos,
            TextOf(GetDlgItem(window, IDC_FOUND_NOTE)));
      CheckText(L"a cancelled search offers what it found", L"[x] " + early,
                Rows(app, GetDlgItem(window, IDC_FOUND_LIST)));
      PressButton(window, IDCANCEL);
    }
  }
  const std::wstring later = Hidden(L"Lost Stick\\Plain\\Later");
  bool shown = false;
  CheckNumber(L"/find-hidden handed to the window: exit code", 0, RunLine(exe + stick + L"\"", &shown));
  CheckList(app, L"after /find-hidden", {plain + L"\\LISTED", found, nested, deep, later}, 4);
  CheckNumber(L"/find-hidden of a folder not there: exit code", 1,
              RunLine(exe + stick + L"\\Gone\"", &shown, [&] {
                ExpectMessageWith(app, {stick + L"\\Gone", L"cannot be searched"});
              }));
  Close(&app);
  const std::wstring last = Hidden(L"Lost Stick\\Last");
  CheckNumber(L"/find-hidden with no window: exit code", 0, RunLine(exe + stick + L"\"", &shown));
  Check(L"a start with a command line shows no window", !shown, L"a window");
  CheckFileBytes(L"data.bin lists what was found", s.list_file,
                 Ansi(plain + L"\\LISTED;" + found + L";" + nested + L";" + deep + L";" + later + L";" +
                      last + L";"));
}

}  // namespace e2e
