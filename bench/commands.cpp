// Times Veilkeep's commands at 32,767 entries through its real controls:
// from the click to the window repainted (Add: from OK in the real folder
// browser to the new entry selected and data.bin rewritten).
//
// Beside each, in the same round, its floors: veilkeep_floor_rows.exe, the
// same controls showing as many rows, doing to them what Veilkeep's window
// does for that command; and the system's part, done here with no logic:
// the file operations of a save (create data.bin.new, write the bytes of
// data.bin in one write, flush, close, put it in place) or the attribute
// change. What a command takes beyond both, round by round, is Veilkeep's own.
// For Add that is counted from the browser window's end: after OK, Wine's
// browser takes about two seconds to go, before Veilkeep's code runs again.
//
//   commands.exe PROGRAM_FOLDER   (holding Veilkeep.exe, veilkeep_floor_rows.exe and a data.bin)
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "floor_rows.h"
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

struct AddTimes {
  double from_ok;            // from OK to done
  double from_browser_gone;  // from the browser window's end to done
};

// Adds `folder` through the real browser.
AddTimes Add(const App& app, const std::wstring& folder, const std::wstring& list_file) {
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
  double gone = 0;
  PostMessageW(GetDlgItem(browser, IDOK), BM_CLICK, 0, 0);
  for (;;) {
    if (!gone && !IsWindow(browser)) gone = Now();
    if (gone && app.Count() == count + 1 && app.Selected() == count &&
        FileStamp(list_file) != stamp) {
      break;
    }
    if (Now() - start > 10000) Fail("Add did not finish");
    Sleep(0);
  }
  app.Repaint();
  const double end = Now();
  return {end - start, end - gone};
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

// veilkeep_floor_rows.exe, started beside Veilkeep.
struct Floor {
  HWND main, list, status;
  HWND commands[5];
  void Repaint() const {
    UpdateWindow(main);
    UpdateWindow(list);
    UpdateWindow(status);
    for (HWND command : commands) UpdateWindow(command);
  }
};

// The floor's control work for Add or a selection move, to its controls repainted.
double FloorCommand(const Floor& floor, UINT message) {
  const double start = Now();
  SendMessageW(floor.main, message, 0, 0);
  floor.Repaint();
  return Now() - start;
}

// The floor's button `command` clicked, to its controls repainted.
double FloorClick(const Floor& floor, int command) {
  const double start = Now();
  SendMessageW(floor.commands[command], BM_CLICK, 0, 0);
  floor.Repaint();
  return Now() - start;
}

// A save's system part: `bytes` written beside `target` in one write,
// flushed, closed and put in its place.
double SaveFloor(const std::wstring& target, const std::string& bytes) {
  const std::wstring temp = target + L".new";
  const double start = Now();
  HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail("cannot create the floor's file");
  DWORD written = 0;
  if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size() || !FlushFileBuffers(file)) {
    Fail("cannot write the floor's file");
  }
  CloseHandle(file);
  if (!MoveFileExW(temp.c_str(), target.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    Fail("cannot replace the floor's file");
  }
  return Now() - start;
}

// The system part of Hide and Unhide: the folder looked up, its attributes set.
double AttributesFloor(const std::wstring& folder, DWORD attributes) {
  const double start = Now();
  if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES ||
      !SetFileAttributesW(folder.c_str(), attributes)) {
    Fail("cannot set the floor folder's attributes");
  }
  return Now() - start;
}

std::string ReadAll(const std::wstring& path) {
  std::string bytes;
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail("cannot read data.bin");
  bytes.resize(GetFileSize(file, nullptr));
  DWORD got = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  bytes.resize(got);
  CloseHandle(file);
  return bytes;
}

PROCESS_INFORMATION Start(const std::wstring& exe, const std::wstring& folder) {
  std::wstring command = L"\"" + exe + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &pi)) {
    Fail("cannot start a program");
  }
  return pi;
}

// One command's figures over the rounds.
struct Figures {
  std::vector<double> total, controls, system, own;
  void Add(double t, double c, double sys) {
    total.push_back(t);
    controls.push_back(c);
    system.push_back(sys);
    own.push_back(t - c - sys);
  }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) Fail("usage: commands PROGRAM_FOLDER");
  const std::wstring folder = argv[1];
  const std::wstring list_file = folder + L"\\data.bin";
  const PROCESS_INFORMATION pi = Start(folder + L"\\Veilkeep.exe", folder);
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

  const PROCESS_INFORMATION floor_pi = Start(folder + L"\\veilkeep_floor_rows.exe", folder);
  Floor floor = {};
  floor.main = WaitForWindow(floor_pi.dwProcessId, L"Veilkeep.FloorControls", nullptr);
  if (!floor.main) Fail("no floor window");
  WaitForInputIdle(floor_pi.hProcess, 10000);
  floor.list = GetDlgItem(floor.main, IDC_LIST1);
  floor.status = GetDlgItem(floor.main, IDC_SBAR);
  for (int i = 0; i < 5; ++i) floor.commands[i] = GetDlgItem(floor.main, IDC_COMMAND1 + i);
  const std::wstring floor_file = folder + L"\\floor.bin";
  const std::wstring floor_folder = folder + L"\\Floor folder";
  CreateDirectoryW(floor_folder.c_str(), nullptr);

  Figures add, hide, unhide, select, remove;
  std::vector<double> add_from_ok;
  for (int round = 0; round < 11; ++round) {
    const std::wstring guarded = folder + L"\\Guarded " + std::to_wstring(round);
    CreateDirectoryW(guarded.c_str(), nullptr);
    const AddTimes added = Add(app, guarded, list_file);
    add_from_ok.push_back(added.from_ok);
    add.Add(added.from_browser_gone, FloorCommand(floor, kFloorAdd),
            SaveFloor(floor_file, ReadAll(list_file)));

    hide.Add(Click(app, 3), FloorClick(floor, 3), AttributesFloor(floor_folder, 7));
    if (app.Status() != L"Hidden: True") Fail("Hide did not show Hidden: True");
    unhide.Add(Click(app, 4), FloorClick(floor, 4), AttributesFloor(floor_folder, 1));
    if (app.Status() != L"Hidden: False") Fail("Unhide did not show Hidden: False");
    select.Add(Select(app, VK_UP), FloorCommand(floor, kFloorUp), 0);
    select.Add(Select(app, VK_DOWN), FloorCommand(floor, kFloorDown), 0);
    if (app.Selected() != app.Count() - 1) Fail("selection did not come back");

    const int count = app.Count();
    const double removed = Click(app, 1);
    if (app.Count() != count - 1) Fail("Delete did not remove the entry");
    remove.Add(removed, FloorClick(floor, 1), SaveFloor(floor_file, ReadAll(list_file)));
  }
  std::printf("median ms at %d entries, from the command to its controls repainted\n", app.Count());
  std::printf("  Add, from OK in the browser: %.2f\n", Median(add_from_ok));
  std::printf("  %-42s %8s %8s %8s %8s %8s\n", "", "Add*", "Delete", "Hide", "Unhide", "select");
  auto row = [&](const char* what, std::vector<double> Figures::*column) {
    std::printf("  %-42s %8.2f %8.2f %8.2f %8.2f %8.2f\n", what, Median(add.*column),
                Median(remove.*column), Median(hide.*column), Median(unhide.*column),
                Median(select.*column));
  };
  row("Veilkeep", &Figures::total);
  row("floor: the same controls' work", &Figures::controls);
  row("floor: the system's part (save, attributes)", &Figures::system);
  row("Veilkeep's own (round by round, the rest)", &Figures::own);
  auto worst = [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); };
  std::printf("  %-42s %8.2f %8.2f %8.2f %8.2f %8.2f\n", "Veilkeep, worst", worst(add.total),
              worst(remove.total), worst(hide.total), worst(unhide.total), worst(select.total));
  std::printf("  * Add from the browser window's end\n");
  TerminateProcess(floor_pi.hProcess, 0);
  TerminateProcess(pi.hProcess, 0);
  return 0;
}
