// Times Veilkeep's commands at 32,767 entries through its real controls:
// from the click to the window repainted (Add: from OK in the real folder
// browser to the new entry selected and data.bin rewritten).
//
//   commands.exe PROGRAM_FOLDER   (holding Veilkeep.exe and a data.bin)
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "resource.h"

namespace {

double Now() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "benchmark failed: %s\n", what);
  ExitProcess(1);
}

struct Target {
  DWORD pid;
  HWND found;
  const wchar_t* cls;
  HWND owner;
};

BOOL CALLBACK FindWindowOf(HWND hwnd, LPARAM param) {
  auto* t = reinterpret_cast<Target*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t cls[64] = {};
  GetClassNameW(hwnd, cls, 64);
  if (pid == t->pid && IsWindowVisible(hwnd) && wcscmp(cls, t->cls) == 0 &&
      (!t->owner || GetWindow(hwnd, GW_OWNER) == t->owner)) {
    t->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND WaitForWindow(DWORD pid, const wchar_t* cls, HWND owner) {
  for (int i = 0; i < 2000; ++i) {
    Target t = {pid, nullptr, cls, owner};
    EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&t));
    if (t.found) return t.found;
    Sleep(5);
  }
  return nullptr;
}

ULONGLONG FileStamp(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32 |
          data.ftLastWriteTime.dwLowDateTime) ^
         (static_cast<ULONGLONG>(data.nFileSizeLow) << 7);
}

struct App {
  HANDLE process;
  DWORD pid;
  HWND main, list, status;
  HWND Command(int i) const { return GetDlgItem(main, IDC_COMMAND1 + i); }
  bool listbox = false;  // List1 as a plain list box rather than a list view
  int Count() const {
    return static_cast<int>(SendMessageW(list, listbox ? LB_GETCOUNT : LVM_GETITEMCOUNT, 0, 0));
  }
  int Selected() const {
    if (listbox) return static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
    return static_cast<int>(
        SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  }
  void Repaint() const {
    // Every control the command may change is painted before the clock stops.
    UpdateWindow(main);
    UpdateWindow(list);
    UpdateWindow(status);
    for (int i = 0; i < 5; ++i) UpdateWindow(Command(i));
  }
  std::wstring Status() const {
    wchar_t text[64] = {};
    SendMessageW(status, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text));
    return text;
  }
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Adds `folder` through the real browser; returns milliseconds from OK to done.
double Add(const App& app, const std::wstring& folder, const std::wstring& list_file) {
  PostMessageW(app.Command(0), BM_CLICK, 0, 0);
  HWND browser = WaitForWindow(app.pid, L"#32770", app.main);
  if (!browser) Fail("no folder browser");
  const size_t bytes = (folder.size() + 1) * sizeof(wchar_t);
  void* remote = VirtualAllocEx(app.process, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
  WriteProcessMemory(app.process, remote, folder.c_str(), bytes, nullptr);
  SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(remote));
  VirtualFreeEx(app.process, remote, 0, MEM_RELEASE);
  const int count = app.Count();
  const ULONGLONG stamp = FileStamp(list_file);
  const double start = Now();
  PostMessageW(GetDlgItem(browser, IDOK), BM_CLICK, 0, 0);
  while (!(app.Count() == count + 1 && app.Selected() == count && FileStamp(list_file) != stamp)) {
    if (Now() - start > 10000) Fail("Add did not finish");
    Sleep(0);
  }
  app.Repaint();
  return Now() - start;
}

double Click(const App& app, int command) {
  const double start = Now();
  SendMessageW(app.Command(command), BM_CLICK, 0, 0);
  app.Repaint();
  return Now() - start;
}

double Select(const App& app, UINT key) {
  const double start = Now();
  SendMessageW(app.list, WM_KEYDOWN, key, 0);
  SendMessageW(app.list, WM_KEYUP, key, 0);
  app.Repaint();
  return Now() - start;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) Fail("usage: commands PROGRAM_FOLDER");
  const std::wstring folder = argv[1];
  const std::wstring exe = folder + L"\\Veilkeep.exe";
  const std::wstring list_file = folder + L"\\data.bin";
  std::wstring command = L"\"" + exe + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &pi)) {
    Fail("cannot start Veilkeep.exe");
  }
  App app = {pi.hProcess, pi.dwProcessId, nullptr, nullptr, nullptr, false};
  app.main = WaitForWindow(pi.dwProcessId, L"Veilkeep.Form1", nullptr);
  if (!app.main) Fail("no main window");
  WaitForInputIdle(pi.hProcess, 10000);
  app.list = GetDlgItem(app.main, IDC_LIST1);
  app.status = GetDlgItem(app.main, IDC_SBAR);
  wchar_t list_class[64] = {};
  GetClassNameW(app.list, list_class, 64);
  app.listbox = _wcsicmp(list_class, L"ListBox") == 0;
  std::printf("entries at start: %d\n", app.Count());

  std::vector<double> add, hide, unhide, select, remove;
  for (int round = 0; round < 7; ++round) {
    const std::wstring guarded = folder + L"\\Guarded " + std::to_wstring(round);
    CreateDirectoryW(guarded.c_str(), nullptr);
    add.push_back(Add(app, guarded, list_file));
    hide.push_back(Click(app, 3));
    if (app.Status() != L"Hidden: True") Fail("Hide did not show Hidden: True");
    unhide.push_back(Click(app, 4));
    if (app.Status() != L"Hidden: False") Fail("Unhide did not show Hidden: False");
    select.push_back(Select(app, VK_UP));
    select.push_back(Select(app, VK_DOWN));
    if (app.Selected() != app.Count() - 1) Fail("selection did not come back");
    const int count = app.Count();
    remove.push_back(Click(app, 1));
    if (app.Count() != count - 1) Fail("Delete did not remove the entry");
  }
  std::printf(
      "median ms at %d entries: Add %.2f  Delete %.2f  Hide %.2f  Unhide %.2f  select %.2f\n",
      app.Count(), Median(add), Median(remove), Median(hide), Median(unhide), Median(select));
  std::printf(
      "worst ms: Add %.2f  Delete %.2f  Hide %.2f  Unhide %.2f  select %.2f\n",
      *std::max_element(add.begin(), add.end()), *std::max_element(remove.begin(), remove.end()),
      *std::max_element(hide.begin(), hide.end()), *std::max_element(unhide.begin(), unhide.end()),
      *std::max_element(select.begin(), select.end()));
  TerminateProcess(pi.hProcess, 0);
  return 0;
}
