// End-to-end driver. Starts the real Veilkeep.exe from a fresh program folder,
// works its controls from outside the way a user would, reads them back and
// checks the folders and data.bin on disk.
//
// Prints "ok - ..." or "FAIL - ..." per check and a last line "N passed, M
// failed"; exits 0 only when nothing failed. A step that only drives the
// program (waiting for a window, pressing a dialog button) prints a FAIL line
// when it does not work and nothing when it does.
//
//   veilkeep_e2e.exe [folder holding Veilkeep.exe and ico\]

#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include "resource.h"

namespace {

constexpr DWORD kWaitMs = 10000;      // for anything the program should do soon
constexpr DWORD kAnswerMs = 5000;     // for a window to answer one message
constexpr DWORD kCloseMs = 5000;      // for the program to end after WM_CLOSE
constexpr int kBrowseTree = 14145;    // folder browser: the folder tree
constexpr int kBrowsePrompt = 14146;  // folder browser: the prompt
constexpr int kBoxText = 0xFFFF;      // message box: the message
constexpr wchar_t kMainClass[] = L"Veilkeep.Form1";
constexpr wchar_t kBrowseTitle[] = L"Browse for Folder";

const wchar_t* const kCaptions[] = {L"Add", L"Delete", L"Open", L"Hide", L"Unhide"};
enum Button { kAdd, kDelete, kOpen, kHide, kUnhide };

int g_passed = 0;
int g_failed = 0;
std::wstring g_scenario;
std::wstring g_build;  // holds Veilkeep.exe and ico\ as built
std::wstring g_root;   // this run's temporary folder

// ---------------------------------------------------------------- reporting

std::string Utf8(const std::wstring& text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string out(size > 0 ? size : 0, '\0');
  if (size > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
  }
  return out;
}

void Print(const std::wstring& line) {
  std::fputs(Utf8(line + L"\n").c_str(), stdout);
  std::fflush(stdout);
}

void Report(bool ok, const std::wstring& what, const std::wstring& expected,
            const std::wstring& got) {
  ++(ok ? g_passed : g_failed);
  if (ok) {
    Print(L"ok - " + g_scenario + L": " + what);
  } else {
    Print(L"FAIL - " + g_scenario + L": " + what + L" (expected " + expected + L", got " + got +
          L")");
  }
}

// A driving step that did not work: a failure, but no "ok" line when it does.
bool Require(bool ok, const std::wstring& what, const std::wstring& got) {
  if (!ok) Report(false, what, L"success", got);
  return ok;
}

std::wstring Quote(const std::wstring& text) { return L"\"" + text + L"\""; }

bool CheckText(const std::wstring& what, const std::wstring& expected, const std::wstring& got) {
  Report(expected == got, what, Quote(expected), Quote(got));
  return expected == got;
}

bool CheckNumber(const std::wstring& what, long long expected, long long got) {
  Report(expected == got, what, std::to_wstring(expected), std::to_wstring(got));
  return expected == got;
}

bool Check(const std::wstring& what, bool ok, const std::wstring& got) {
  Report(ok, what, L"yes", got);
  return ok;
}

std::wstring Hex(DWORD value) {
  wchar_t text[16];
  swprintf(text, 16, L"0x%lX", static_cast<unsigned long>(value));
  return text;
}

template <typename Condition>
bool WaitUntil(Condition condition, DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  for (;;) {
    if (condition()) return true;
    if (GetTickCount64() >= end) return false;
    Sleep(20);
  }
}

// ---------------------------------------------------------------- files

std::string Ansi(const std::wstring& text) {
  int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string out(size > 0 ? size : 0, '\0');
  if (size > 0) {
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
  }
  return out;
}

std::wstring FromAnsi(const std::string& bytes) {
  int size =
      MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring out(size > 0 ? size : 0, L'\0');
  if (size > 0) {
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), size);
  }
  return out;
}

struct FileState {
  bool exists = false;
  std::string bytes;
  ULONGLONG written = 0;  // last write time: tells a rewrite with the same bytes
};

FileState ReadFileState(const std::wstring& path) {
  FileState state;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return state;
  state.exists = true;
  FILETIME written = {};
  GetFileTime(file, nullptr, nullptr, &written);
  state.written = (static_cast<ULONGLONG>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
    state.bytes.append(buffer, got);
  }
  CloseHandle(file);
  return state;
}

std::wstring Describe(const FileState& state) {
  if (!state.exists) return L"no file";
  return Quote(FromAnsi(state.bytes)) + L" (" + std::to_wstring(state.bytes.size()) + L" bytes)";
}

void CheckFileBytes(const std::wstring& what, const std::wstring& path,
                    const std::string& expected) {
  FileState now = ReadFileState(path);
  FileState wanted;
  wanted.exists = true;
  wanted.bytes = expected;
  Report(now.exists && now.bytes == expected, what, Describe(wanted), Describe(now));
}

void CheckFileUntouched(const std::wstring& what, const std::wstring& path,
                        const FileState& before) {
  FileState now = ReadFileState(path);
  bool same_bytes = now.exists == before.exists && now.bytes == before.bytes;
  Report(same_bytes && now.written == before.written, what, Describe(before) + L" not rewritten",
         same_bytes ? L"the same bytes written again" : Describe(now));
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size();
  return CloseHandle(file) && ok;
}

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring path = folder + L"\\" + name;
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

// A fresh folder holding a copy of the program and its pictures.
std::wstring MakeProgramFolder(const std::wstring& name) {
  const std::wstring folder = g_root + L"\\" + name;
  bool ok = CreateDirectoryW(folder.c_str(), nullptr) &&
            CopyFileW((g_build + L"\\Veilkeep.exe").c_str(), (folder + L"\\Veilkeep.exe").c_str(),
                      TRUE) &&
            CreateDirectoryW((folder + L"\\ico").c_str(), nullptr);
  for (int i = 1; i <= 5 && ok; ++i) {
    const std::wstring icon = L"\\ico\\" + std::to_wstring(i) + L".ico";
    ok = CopyFileW((g_build + icon).c_str(), (folder + icon).c_str(), TRUE);
  }
  Require(ok, L"copy the program to " + folder, L"error " + std::to_wstring(GetLastError()));
  return folder;
}

std::wstring MakeFolder(const std::wstring& name) {
  const std::wstring folder = g_root + L"\\" + name;
  Require(CreateDirectoryW(folder.c_str(), nullptr), L"create folder " + folder,
          L"error " + std::to_wstring(GetLastError()));
  return folder;
}

bool HiddenAndSystem(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_HIDDEN) && (attributes & FILE_ATTRIBUTE_SYSTEM);
}

void CheckHidden(const std::wstring& folder, bool hidden) {
  DWORD attributes = GetFileAttributesW(folder.c_str());
  bool ok = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
            (hidden ? HiddenAndSystem(attributes)
                    : !(attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)));
  Report(ok, L"folder attributes on disk",
         hidden ? L"a folder with hidden and system set" : L"a folder with hidden and system clear",
         Hex(attributes));
}

// ---------------------------------------------------------------- windows

std::wstring TextOf(HWND window) {
  wchar_t text[2048] = {};
  GetWindowTextW(window, text, 2048);
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

DWORD ProcessOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

std::vector<HWND> TopWindows() {
  std::vector<HWND> all;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&all));
  return all;
}

// Dialogs (message boxes, the folder browser) owned by `owner`, shown or not yet.
std::vector<HWND> Dialogs(HWND owner) {
  std::vector<HWND> found;
  for (HWND window : TopWindows()) {
    if (GetWindow(window, GW_OWNER) == owner && ClassOf(window) == L"#32770")
      found.push_back(window);
  }
  return found;
}

bool HasVisibleWindow(DWORD pid) {
  for (HWND window : TopWindows()) {
    if (ProcessOf(window) == pid && IsWindowVisible(window)) return true;
  }
  return false;
}

// SendMessage that cannot hang the driver: a window that does not answer is a failure.
LRESULT Send(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, message, wparam, lparam, SMTO_NORMAL, kAnswerMs, &result)) {
    Require(false, L"window " + ClassOf(window) + L" answers message " + Hex(message),
            L"no answer within 5 s (a modal window open?)");
    return 0;
  }
  return static_cast<LRESULT>(result);
}

// Memory inside the program, for messages whose pointers are not carried across processes.
class Remote {
 public:
  Remote(HANDLE process, size_t size) : process_(process) {
    at_ = static_cast<char*>(
        VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    Require(at_ != nullptr, L"allocate memory in the program",
            L"error " + std::to_wstring(GetLastError()));
  }
  ~Remote() {
    if (at_) VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
  }
  Remote(const Remote&) = delete;
  Remote& operator=(const Remote&) = delete;

  explicit operator bool() const { return at_ != nullptr; }
  LPARAM Address(size_t offset = 0) const { return reinterpret_cast<LPARAM>(at_ + offset); }
  void Write(const void* data, size_t size, size_t offset = 0) {
    WriteProcessMemory(process_, at_ + offset, data, size, nullptr);
  }
  void Read(void* data, size_t size, size_t offset = 0) const {
    ReadProcessMemory(process_, at_ + offset, data, size, nullptr);
  }
  std::wstring ReadText(size_t offset, size_t chars) const {
    std::wstring text(chars, L'\0');
    Read(text.data(), chars * sizeof(wchar_t), offset);
    return text.substr(0, text.find(L'\0'));
  }

 private:
  HANDLE process_;
  char* at_ = nullptr;
};

// ---------------------------------------------------------------- the program

struct App {
  PROCESS_INFORMATION process = {};
  HWND main = nullptr;
  HWND Item(int id) const { return GetDlgItem(main, id); }
  HWND Command(int index) const { return Item(IDC_COMMAND1 + index); }
};

HWND FindMainWindow(DWORD pid) {
  for (HWND window : TopWindows()) {
    if (ProcessOf(window) == pid && ClassOf(window) == kMainClass && IsWindowVisible(window)) {
      return window;
    }
  }
  return nullptr;
}

bool Launch(const std::wstring& folder, PROCESS_INFORMATION* process) {
  const std::wstring exe = folder + L"\\Veilkeep.exe";
  std::wstring command = L"\"" + exe + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  // Started from another folder: the program must find data.bin beside itself.
  return CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        g_root.c_str(), &startup, process);
}

bool Start(const std::wstring& folder, App* app) {
  *app = App();
  if (!Require(Launch(folder, &app->process), L"start " + folder + L"\\Veilkeep.exe",
               L"error " + std::to_wstring(GetLastError()))) {
    return false;
  }
  WaitForInputIdle(app->process.hProcess, kWaitMs);
  WaitUntil([&] { return (app->main = FindMainWindow(app->process.dwProcessId)) != nullptr; },
            kWaitMs);
  return Check(L"program starts and shows its main window", app->main != nullptr,
               L"no window within 10 s");
}

// Closes the main window like the user and waits for the program to end.
void Close(App* app) {
  if (!app->process.hProcess) return;
  if (app->main) PostMessageW(app->main, WM_CLOSE, 0, 0);
  bool ended = WaitForSingleObject(app->process.hProcess, kCloseMs) == WAIT_OBJECT_0;
  Check(L"program ends after its window is closed", ended, L"still running after 5 s");
  if (!ended) {
    TerminateProcess(app->process.hProcess, 1);
    WaitForSingleObject(app->process.hProcess, kWaitMs);
  }
  CloseHandle(app->process.hProcess);
  CloseHandle(app->process.hThread);
  *app = App();
}

// List1 is an owner-data list view: its texts are read through memory in the program.
std::wstring ListItemText(const App& app, int index) {
  constexpr size_t kChars = 33000;
  Remote remote(app.process.hProcess, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
  if (!remote) return L"(unreadable)";
  LVITEMW query = {};
  query.iSubItem = 0;
  query.pszText = reinterpret_cast<wchar_t*>(remote.Address(sizeof(LVITEMW)));
  query.cchTextMax = kChars;
  remote.Write(&query, sizeof(query));
  const LRESULT length = Send(app.Item(IDC_LIST1), LVM_GETITEMTEXTW, index, remote.Address());
  return remote.ReadText(sizeof(LVITEMW), static_cast<size_t>(length > 0 ? length : 0) + 1);
}

std::vector<std::wstring> ListItems(const App& app) {
  std::vector<std::wstring> items;
  const LRESULT count = Send(app.Item(IDC_LIST1), LVM_GETITEMCOUNT);
  for (LRESULT i = 0; i < count; ++i) items.push_back(ListItemText(app, static_cast<int>(i)));
  return items;
}

LRESULT ListSelection(const App& app) {
  return Send(app.Item(IDC_LIST1), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
}

std::wstring Joined(const std::vector<std::wstring>& items, const wchar_t* separator = L" | ") {
  std::wstring text;
  for (size_t i = 0; i < items.size(); ++i) text += (i ? separator : L"") + items[i];
  return text;
}

// `when` names the moment, e.g. "after Hide", so that a failure says where it happened.
void CheckList(const App& app, const std::wstring& when, const std::vector<std::wstring>& expected,
               int selected) {
  CheckText(when + L": list entries", Joined(expected), Joined(ListItems(app)));
  CheckNumber(when + L": selected list entry", selected, ListSelection(app));
}

// The captions of the enabled Command1 buttons, in order, e.g. "Add Delete Open Hide".
std::wstring EnabledButtons(const App& app) {
  std::vector<std::wstring> enabled;
  for (int i = 0; i < 5; ++i) {
    if (IsWindowEnabled(app.Command(i))) enabled.push_back(kCaptions[i]);
  }
  return Joined(enabled, L" ");
}

std::wstring StatusText(const App& app) {
  constexpr size_t kChars = 1024;
  Remote remote(app.process.hProcess, kChars * sizeof(wchar_t));
  if (!remote) return L"(unreadable)";
  std::wstring zeros(kChars, L'\0');
  remote.Write(zeros.data(), kChars * sizeof(wchar_t));
  Send(app.Item(IDC_SBAR), SB_GETTEXTW, 0, remote.Address());
  return remote.ReadText(0, kChars);
}

// What the user sees: the enabled buttons and the status panel.
void CheckState(const App& app, const std::wstring& when, const std::wstring& enabled,
                const std::wstring& status) {
  CheckText(when + L": enabled buttons", enabled, EnabledButtons(app));
  CheckText(when + L": status panel", status, StatusText(app));
}

// Dismisses the dialog by pressing one of its buttons and waits for it to go.
// A message box with only OK has no Cancel button but takes IDCANCEL like Esc.
void PressButton(HWND dialog, int button) {
  HWND control = GetDlgItem(dialog, button);
  if (control) {
    PostMessageW(control, BM_CLICK, 0, 0);
  } else {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  }
  Require(WaitUntil([&] { return !IsWindow(dialog); }, kWaitMs),
          L"dialog " + Quote(TextOf(dialog)) + L" closes after pressing button " +
              std::to_wstring(button),
          L"still open after 10 s");
}

// Lets the program finish what it is doing, then fails on any dialog it opened.
void ExpectNoDialog(const App& app, const std::wstring& after) {
  Send(app.main, WM_NULL);
  Sleep(50);
  Send(app.main, WM_NULL);
  std::wstring seen;
  for (HWND dialog : Dialogs(app.main)) {
    seen +=
        Quote(TextOf(dialog)) + L" saying " + Quote(TextOf(GetDlgItem(dialog, kBoxText))) + L"; ";
    PressButton(dialog, IDCANCEL);
  }
  Report(seen.empty(), L"no message box after " + after, L"none", seen);
}

// Waits for a shown dialog with this title, owned by the main window.
HWND WaitForDialog(const App& app, const std::wstring& title) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND dialog : Dialogs(app.main)) {
          if (IsWindowVisible(dialog) && TextOf(dialog) == title) found = dialog;
        }
        return found != nullptr;
      },
      kWaitMs);
  Check(Quote(title) + L" window opens, owned by the main window", found != nullptr,
        L"none within 10 s");
  return found;
}

// Expects a message box with this text, checks that it blocks the main window, then presses OK.
void ExpectMessage(const App& app, const std::wstring& text) {
  HWND box = WaitForDialog(app, L"Error");
  if (!box) return;
  CheckText(L"message text", text, TextOf(GetDlgItem(box, kBoxText)));
  Check(L"main window is disabled while the message is shown", !IsWindowEnabled(app.main),
        L"enabled");
  PressButton(box, IDOK);
  ExpectNoDialog(app, L"pressing OK in the message");
}

bool Clickable(const App& app, Button button) {
  return Require(IsWindowEnabled(app.Command(button)), std::wstring(L"click ") + kCaptions[button],
                 L"the button is disabled");
}

// A click the program handles without opening anything.
void Click(const App& app, Button button) {
  if (!Clickable(app, button)) return;
  Send(app.Command(button), BM_CLICK);
  ExpectNoDialog(app, kCaptions[button]);
}

// A click that opens a modal window: posted, so the driver does not wait inside it.
bool PostClick(const App& app, Button button) {
  if (!Clickable(app, button)) return false;
  PostMessageW(app.Command(button), BM_CLICK, 0, 0);
  return true;
}

// Clicks a list entry with the mouse, as the user picks a folder.
void ClickListEntry(const App& app, int index) {
  HWND list = app.Item(IDC_LIST1);
  Remote remote(app.process.hProcess, sizeof(RECT));
  RECT rect = {};
  rect.left = LVIR_BOUNDS;
  remote.Write(&rect, sizeof(rect));
  if (!Require(Send(list, LVM_GETITEMRECT, index, remote.Address()) != 0,
               L"find list entry " + std::to_wstring(index), L"no item rectangle")) {
    return;
  }
  remote.Read(&rect, sizeof(rect));
  const LPARAM point = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  Send(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
  Send(list, WM_LBUTTONUP, 0, point);
  CheckNumber(L"selected list entry after clicking entry " + std::to_wstring(index), index,
              ListSelection(app));
  ExpectNoDialog(app, L"clicking list entry " + std::to_wstring(index));
}

// ---------------------------------------------------------------- the folder browser

HWND OpenBrowser(const App& app) {
  if (!PostClick(app, kAdd)) return nullptr;
  return WaitForDialog(app, kBrowseTitle);
}

std::wstring TreeSelection(const App& app, HWND tree) {
  const LRESULT item = Send(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
  if (!item) return L"(nothing selected)";
  constexpr size_t kChars = 512;
  Remote remote(app.process.hProcess, sizeof(TVITEMW) + kChars * sizeof(wchar_t));
  if (!remote) return L"(unreadable)";
  std::wstring zeros(kChars, L'\0');
  remote.Write(zeros.data(), kChars * sizeof(wchar_t), sizeof(TVITEMW));
  TVITEMW query = {};
  query.mask = TVIF_TEXT;
  query.hItem = reinterpret_cast<HTREEITEM>(item);
  query.pszText = reinterpret_cast<wchar_t*>(remote.Address(sizeof(TVITEMW)));
  query.cchTextMax = kChars;
  remote.Write(&query, sizeof(query));
  Send(tree, TVM_GETITEMW, 0, remote.Address());
  return remote.ReadText(sizeof(TVITEMW), kChars);
}

// Selects `folder` in the browser's tree, checks the tree shows it, and presses OK.
bool ChooseAndConfirm(const App& app, HWND dialog, const std::wstring& folder) {
  Remote remote(app.process.hProcess, (folder.size() + 1) * sizeof(wchar_t));
  if (!remote) return false;
  remote.Write(folder.c_str(), (folder.size() + 1) * sizeof(wchar_t));
  const std::wstring name = folder.substr(folder.find_last_of(L'\\') + 1);
  HWND tree = GetDlgItem(dialog, kBrowseTree);
  std::wstring selected;
  // Wine's browser often stops short on the first request while it fills the
  // tree; asking again selects the folder.
  WaitUntil(
      [&] {
        Send(dialog, BFFM_SETSELECTIONW, TRUE, remote.Address());
        return (selected = TreeSelection(app, tree)) == name;
      },
      kWaitMs);
  if (!Require(selected == name, L"select " + Quote(name) + L" in the folder browser",
               Quote(selected))) {
    PressButton(dialog, IDCANCEL);
    return false;
  }
  PressButton(dialog, IDOK);
  return true;
}

// Adds a folder not yet listed through the browser; waits for the list to grow.
bool AddFolder(const App& app, const std::wstring& folder) {
  const size_t before = ListItems(app).size();
  HWND dialog = OpenBrowser(app);
  if (!dialog || !ChooseAndConfirm(app, dialog, folder)) return false;
  bool grew = WaitUntil([&] { return ListItems(app).size() == before + 1; }, kWaitMs);
  ExpectNoDialog(app, L"adding " + folder);
  return Require(grew, L"list grows after adding " + folder, L"no new entry within 10 s");
}

// ---------------------------------------------------------------- scenarios

struct ToolButton {
  bool hidden;
  std::wstring text;
};

std::vector<ToolButton> ToolButtons(const App& app) {
  HWND toolbar = app.Item(IDC_TOOLBAR1);
  std::vector<ToolButton> buttons;
  constexpr size_t kChars = 256;
  Remote remote(app.process.hProcess, sizeof(TBBUTTON) + kChars * sizeof(wchar_t));
  if (!remote) return buttons;
  const LRESULT count = Send(toolbar, TB_BUTTONCOUNT);
  for (LRESULT i = 0; i < count; ++i) {
    TBBUTTON button = {};
    remote.Write(&button, sizeof(button));
    Send(toolbar, TB_GETBUTTON, i, remote.Address());
    remote.Read(&button, sizeof(button));
    std::wstring zeros(kChars, L'\0');
    remote.Write(zeros.data(), kChars * sizeof(wchar_t), sizeof(TBBUTTON));
    Send(toolbar, TB_GETBUTTONTEXTW, button.idCommand, remote.Address(sizeof(TBBUTTON)));
    buttons.push_back(
        {(button.fsState & TBSTATE_HIDDEN) != 0, remote.ReadText(sizeof(TBBUTTON), kChars)});
  }
  return buttons;
}

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
  Require(WriteWholeFile(list_file, Ansi(hidden + L";" + plain + L";" + missing + L";")),
          L"write " + list_file, L"error " + std::to_wstring(GetLastError()));
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
  CheckList(app, L"first copy", {hidden, plain, missing}, 0);
  CheckFileUntouched(L"data.bin untouched by the second copy", list_file, saved);

  g_scenario = L"start with a saved list";
  Close(&app);
  CheckFileUntouched(L"data.bin untouched after closing", list_file, saved);
}

// One program folder through its life: adds, hide and unhide, a duplicate, a
// cancel, a restart, a folder that vanished, and the last entry deleted.
void FolderLife() {
  g_scenario = L"add through the folder browser";
  const std::wstring folder = MakeProgramFolder(L"life");
  const std::wstring list_file = folder + L"\\data.bin";
  const std::wstring one = MakeFolder(L"Guarded One");
  const std::wstring two = MakeFolder(L"Guarded Two");
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
  Click(app, kHide);
  CheckHidden(one, true);
  CheckState(app, L"after Hide", L"Add Delete Open Unhide", L"Hidden: True");
  Click(app, kUnhide);
  CheckHidden(one, false);
  CheckState(app, L"after Unhide", L"Add Delete Open Hide", L"Hidden: False");
  CheckFileUntouched(L"data.bin untouched by Hide and Unhide", list_file, after_add);

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
  Close(&app);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc > 1) {
    g_build = argv[1];
  } else {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    g_build = self;
    g_build.resize(g_build.find_last_of(L'\\'));
  }
  while (!g_build.empty() && (g_build.back() == L'\\' || g_build.back() == L'/'))
    g_build.pop_back();
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  g_root = std::wstring(temp) + L"veilkeep-e2e-" + std::to_wstring(GetCurrentProcessId());

  g_scenario = L"setup";
  const bool ready =
      Require(GetFileAttributesW((g_build + L"\\Veilkeep.exe").c_str()) != INVALID_FILE_ATTRIBUTES,
              L"find " + g_build + L"\\Veilkeep.exe", L"no such file") &&
      Require(CreateDirectoryW(g_root.c_str(), nullptr), L"create " + g_root,
              L"error " + std::to_wstring(GetLastError()));
  if (ready) {
    StartWithoutList();
    StartWithSavedListAndSecondCopy();
    FolderLife();
    RemoveTree(g_root);
  }
  std::printf("%d passed, %d failed\n", g_passed, g_failed);
  return g_failed == 0 ? 0 : 1;
}
