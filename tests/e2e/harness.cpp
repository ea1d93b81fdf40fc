// The helpers every scenario shares; see harness.h.
#include "harness.h"

#include <shlobj.h>

#include <cstdio>
#include <utility>

namespace e2e {

int g_passed = 0;
int g_failed = 0;
std::wstring g_scenario;
std::wstring g_build;
std::wstring g_root;
std::wstring g_host;
std::wstring g_url_log;
std::wstring g_small_disk;
std::wstring g_locked;

// ---------------------------------------------------------------- reporting

std::string ToBytes(const std::wstring& text, UINT code_page) {
  const int length = static_cast<int>(text.size());
  int size = WideCharToMultiByte(code_page, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? size : 0, '\0');
  if (size > 0) {
    WideCharToMultiByte(code_page, 0, text.data(), length, out.data(), size, nullptr, nullptr);
  }
  return out;
}

std::wstring FromBytes(const std::string& bytes, UINT code_page) {
  const int length = static_cast<int>(bytes.size());
  int size = MultiByteToWideChar(code_page, 0, bytes.data(), length, nullptr, 0);
  std::wstring out(size > 0 ? size : 0, L'\0');
  if (size > 0) MultiByteToWideChar(code_page, 0, bytes.data(), length, out.data(), size);
  return out;
}

// One check, one line: line breaks inside texts (message boxes) print as "\n".
void Print(const std::wstring& line) {
  std::wstring flat;
  for (wchar_t c : line) {
    if (c == L'\r') continue;
    flat += c == L'\n' ? std::wstring(L"\\n") : std::wstring(1, c);
  }
  std::fputs(Utf8(flat + L"\n").c_str(), stdout);
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

std::wstring ErrorText(DWORD error) { return L"error " + std::to_wstring(error); }

std::wstring SystemMessage(DWORD error) {
  wchar_t text[512] = {};
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                 text, 512, nullptr);
  std::wstring message = text;
  while (!message.empty() &&
         (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ')) {
    message.pop_back();
  }
  return message.empty() ? ErrorText(error) : message;
}

// ---------------------------------------------------------------- files

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

void CheckUntouched(const std::wstring& what, const FileState& before, const FileState& now) {
  bool same_bytes = now.exists == before.exists && now.bytes == before.bytes;
  Report(same_bytes && now.written == before.written, what, Describe(before) + L" not rewritten",
         same_bytes ? L"the same bytes written again" : Describe(now));
}

void CheckFileUntouched(const std::wstring& what, const std::wstring& path,
                        const FileState& before) {
  CheckUntouched(what, before, ReadFileState(path));
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

void WriteFixture(const std::wstring& path, const std::string& bytes) {
  Require(WriteWholeFile(path, bytes), L"write " + path, ErrorText(GetLastError()));
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

std::wstring MakeProgramFolder(const std::wstring& name, bool with_pictures,
                               const std::wstring& parent) {
  const std::wstring folder = parent + L"\\" + name;
  bool ok = CreateDirectoryW(folder.c_str(), nullptr) &&
            CopyFileW((g_build + L"\\Veilkeep.exe").c_str(), (folder + L"\\Veilkeep.exe").c_str(),
                      TRUE) &&
            (!with_pictures || CreateDirectoryW((folder + L"\\ico").c_str(), nullptr));
  for (int i = 1; i <= 5 && ok && with_pictures; ++i) {
    const std::wstring icon = L"\\ico\\" + std::to_wstring(i) + L".ico";
    ok = CopyFileW((g_build + icon).c_str(), (folder + icon).c_str(), TRUE);
  }
  Require(ok, L"copy the program to " + folder, L"error " + std::to_wstring(GetLastError()));
  return folder;
}

Scenario OpenScenario(const std::wstring& scenario, const std::wstring& name,
                      const std::vector<std::wstring>& listed) {
  g_scenario = scenario;
  Scenario opened;
  opened.folder = MakeProgramFolder(name);
  opened.list_file = opened.folder + L"\\data.bin";
  std::wstring list;
  for (const std::wstring& entry : listed) list += entry + L";";
  WriteFixture(opened.list_file, Ansi(list));
  opened.saved = ReadFileState(opened.list_file);
  return opened;
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

std::wstring UnixPath(const std::wstring& path) {
  using UnixName = char*(CDECL*)(const wchar_t*);
  static const auto unix_name = reinterpret_cast<UnixName>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* name = unix_name ? unix_name(path.c_str()) : nullptr;
  if (!name) return L"'/nonexistent'";
  std::wstring quoted = L"'" + FromUtf8(name) + L"'";
  HeapFree(GetProcessHeap(), 0, name);
  return quoted;
}

// Wine starts a program of the machine when given its path, but hands back no
// handle to wait on: the command leaves its exit code in a file instead.
bool RunUnix(const std::wstring& command) {
  static int count = 0;
  const std::wstring done = g_root + L"\\unix-done-" + std::to_wstring(++count);
  std::wstring line = L"/bin/sh -c \"" + command + L"; echo $? >" + UnixPath(done) + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!Require(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                              nullptr, nullptr, &startup, &process),
               L"run " + command, ErrorText(GetLastError()))) {
    return false;
  }
  if (process.hThread) CloseHandle(process.hThread);
  if (process.hProcess) CloseHandle(process.hProcess);
  std::string code;
  WaitUntil([&] { return !(code = ReadFileState(done).bytes).empty() && code.back() == '\n'; },
            kWaitMs);
  DeleteFileW(done.c_str());
  return Require(code == "0\n", L"run " + command,
                 code.empty() ? L"no end within 10 s" : L"exit code " + FromUtf8(code));
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

HeldFile::HeldFile(const std::wstring& path, DWORD creation, DWORD share) {
  handle_ = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, creation,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
  Require(handle_ != INVALID_HANDLE_VALUE, L"hold " + path + L" open with no sharing",
          ErrorText(GetLastError()));
}

FileState HeldFile::State() const {
  FileState state;
  if (handle_ == INVALID_HANDLE_VALUE) return state;
  state.exists = true;
  FILETIME written = {};
  GetFileTime(handle_, nullptr, nullptr, &written);
  state.written = (static_cast<ULONGLONG>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
  SetFilePointer(handle_, 0, nullptr, FILE_BEGIN);
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(handle_, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
    state.bytes.append(buffer, got);
  }
  return state;
}

void HeldFile::Release() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
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

LRESULT Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, message, wparam, lparam, SMTO_NORMAL, kAnswerMs, &result)) {
    Require(false, L"window " + ClassOf(window) + L" answers message " + Hex(message),
            L"no answer within 5 s (a modal window open?)");
    return 0;
  }
  return static_cast<LRESULT>(result);
}

bool Answers(HWND window, DWORD ms) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, ms, &result) !=
         0;
}

ScreenShot CaptureScreen(const RECT& rect) {
  ScreenShot shot;
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return shot;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap && bits) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    if (BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY)) {
      GdiFlush();
      const auto* bgra = static_cast<const BYTE*>(bits);
      shot.width = width;
      shot.height = height;
      for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
        shot.pixels.push_back(RGB(bgra[i * 4 + 2], bgra[i * 4 + 1], bgra[i * 4]));
      }
    }
    SelectObject(memory, old);
  }
  if (bitmap) DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return shot;
}

// ---------------------------------------------------------------- the program

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
std::wstring ItemText(const App& app, HWND list, int index) {
  constexpr size_t kChars = 33000;
  Remote remote(app.process.hProcess, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
  if (!remote) return L"(unreadable)";
  LVITEMW query = {};
  query.iSubItem = 0;
  query.pszText = reinterpret_cast<wchar_t*>(remote.Address(sizeof(LVITEMW)));
  query.cchTextMax = kChars;
  remote.Write(&query, sizeof(query));
  const LRESULT length = Send(list, LVM_GETITEMTEXTW, index, remote.Address());
  return remote.ReadText(sizeof(LVITEMW), static_cast<size_t>(length > 0 ? length : 0) + 1);
}

std::wstring ListItemText(const App& app, int index) {
  return ItemText(app, app.Item(IDC_LIST1), index);
}

std::vector<std::wstring> ListItems(const App& app, HWND list) {
  std::vector<std::wstring> items;
  if (!list) list = app.Item(IDC_LIST1);
  const LRESULT count = Send(list, LVM_GETITEMCOUNT);
  for (LRESULT i = 0; i < count; ++i) items.push_back(ItemText(app, list, static_cast<int>(i)));
  return items;
}

LRESULT ListSelection(const App& app) {
  return Send(app.Item(IDC_LIST1), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
}

LRESULT ListCount(const App& app) { return Send(app.Item(IDC_LIST1), LVM_GETITEMCOUNT); }

std::wstring Joined(const std::vector<std::wstring>& items, const wchar_t* separator) {
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

void SetStatusText(const App& app, const std::wstring& text) {
  Remote remote(app.process.hProcess, (text.size() + 1) * sizeof(wchar_t));
  if (!remote) return;
  remote.Write(text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  Send(app.Item(IDC_SBAR), SB_SETTEXTW, 0, remote.Address());
}

std::wstring StatusFor(const std::wstring& folder) {
  return HiddenAndSystem(GetFileAttributesW(folder.c_str())) ? L"Hidden: True" : L"Hidden: False";
}

// What the user sees: the enabled buttons and the status panel.
void CheckState(const App& app, const std::wstring& when, const std::wstring& enabled,
                const std::wstring& status) {
  CheckText(when + L": enabled buttons", enabled, EnabledButtons(app));
  CheckText(when + L": status panel", status, StatusText(app));
}

void HideAndUnhide(const App& app, const std::wstring& folder) {
  Click(app, kHide);
  CheckHidden(folder, true);
  CheckState(app, L"after Hide", L"Add Delete Open Unhide", L"Hidden: True");
  Click(app, kUnhide);
  CheckHidden(folder, false);
  CheckState(app, L"after Unhide", L"Add Delete Open Hide", L"Hidden: False");
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

std::wstring ExpectMessageWith(const App& app, const std::vector<std::wstring>& parts) {
  HWND box = WaitForDialog(app, L"Error");
  if (!box) return std::wstring();
  int shown = 0;
  for (HWND dialog : Dialogs(app.main)) shown += IsWindowVisible(dialog) ? 1 : 0;
  CheckNumber(L"message boxes shown at once", 1, shown);
  const std::wstring text = TextOf(GetDlgItem(box, kBoxText));
  for (const std::wstring& part : parts) {
    Check(L"message text holds " + Quote(part), text.find(part) != std::wstring::npos, Quote(text));
  }
  Check(L"main window is disabled while the message is shown", !IsWindowEnabled(app.main),
        L"enabled");
  PressButton(box, IDOK);
  ExpectNoDialog(app, L"pressing OK in the message");
  return text;
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
namespace {

// The middle of list entry `index`, in the list's client coordinates; 0 when it has none.
LPARAM ListEntryPoint(const App& app, int index) {
  Remote remote(app.process.hProcess, sizeof(RECT));
  RECT rect = {};
  rect.left = LVIR_BOUNDS;
  remote.Write(&rect, sizeof(rect));
  if (!Require(Send(app.Item(IDC_LIST1), LVM_GETITEMRECT, index, remote.Address()) != 0,
               L"find list entry " + std::to_wstring(index), L"no item rectangle")) {
    return 0;
  }
  remote.Read(&rect, sizeof(rect));
  return MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

}  // namespace

void ClickListEntry(const App& app, int index) {
  HWND list = app.Item(IDC_LIST1);
  const LPARAM point = ListEntryPoint(app, index);
  if (!point) return;
  Send(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
  Send(list, WM_LBUTTONUP, 0, point);
  CheckNumber(L"selected list entry after clicking entry " + std::to_wstring(index), index,
              ListSelection(app));
  ExpectNoDialog(app, L"clicking list entry " + std::to_wstring(index));
}

bool RightClickListEntry(const App& app, int index) {
  HWND list = app.Item(IDC_LIST1);
  const LPARAM point = ListEntryPoint(app, index);
  // Posted: the button's release opens a menu, which waits for the user.
  return point && PostMessageW(list, WM_RBUTTONDOWN, MK_RBUTTON, point) &&
         PostMessageW(list, WM_RBUTTONUP, 0, point);
}

void PostToolbarClick(const App& app, int index) {
  PostMessageW(app.main, WM_COMMAND, MAKEWPARAM(IDC_TOOLBUTTON + index, BN_CLICKED),
               reinterpret_cast<LPARAM>(app.Item(IDC_TOOLBAR1)));
}

std::wstring FocusedControl(const App& app) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(app.main, nullptr), &info) || !info.hwndFocus) {
    return L"none";
  }
  for (int i = 0; i < 5; ++i) {
    if (info.hwndFocus == app.Command(i)) return kCaptions[i];
  }
  const std::pair<int, const wchar_t*> others[] = {
      {IDC_TOOLBAR1, L"Toolbar1"}, {IDC_LIST1, L"List1"}, {IDC_SBAR, L"SBar"}};
  for (const auto& [id, name] : others) {
    if (info.hwndFocus == app.Item(id)) return name;
  }
  return ClassOf(info.hwndFocus) + L" " + Quote(TextOf(info.hwndFocus));
}

void PressKey(const App& app, WORD key) {
  HWND foreground = GetForegroundWindow();
  if (!Require(foreground && ProcessOf(foreground) == app.process.dwProcessId,
               L"the program is in the foreground to take key " + Hex(key),
               foreground ? ClassOf(foreground) + L" " + Quote(TextOf(foreground)) : L"none")) {
    return;
  }
  INPUT inputs[2] = {};
  inputs[0].type = INPUT_KEYBOARD;
  inputs[0].ki.wVk = key;
  inputs[1] = inputs[0];
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  Require(SendInput(2, inputs, sizeof(INPUT)) == 2, L"send key " + Hex(key),
          ErrorText(GetLastError()));
  Sleep(100);
  Send(app.main, WM_NULL);
}

namespace {

bool IsExplorerWindow(HWND window) {
  return IsWindowVisible(window) && ClassOf(window) == L"ExplorerWClass";
}

}  // namespace

void CheckOpens(const App& app, const std::wstring& name, const std::function<bool()>& open) {
  std::vector<HWND> before;
  for (HWND window : TopWindows()) {
    if (IsExplorerWindow(window)) before.push_back(window);
  }
  auto is_new = [&](HWND window) {
    for (HWND old : before) {
      if (old == window) return false;
    }
    return IsExplorerWindow(window);
  };
  if (!open()) return;
  HWND opened = nullptr;
  WaitUntil(
      [&] {
        for (HWND window : TopWindows()) {
          if (is_new(window) && TextOf(window) == name) opened = window;
        }
        return opened != nullptr || !Dialogs(app.main).empty();
      },
      kWaitMs);
  Send(app.main, WM_NULL);
  Sleep(300);  // a second window would come right after the first
  std::vector<HWND> came;
  std::wstring others;
  for (HWND window : TopWindows()) {
    if (!is_new(window)) continue;
    came.push_back(window);
    if (window != opened) others += Quote(TextOf(window)) + L" ";
  }
  Check(L"Open " + Quote(name) + L": a file manager window titled with the folder's name",
        opened != nullptr, came.empty() ? L"no file manager window" : L"windows " + others);
  Check(L"Open " + Quote(name) + L": no file manager window with another title", others.empty(),
        others);
  ExpectNoDialog(app, L"Open " + Quote(name));
  for (HWND window : came) PostMessageW(window, WM_CLOSE, 0, 0);
  const bool closed = WaitUntil(
      [&] {
        for (HWND window : came) {
          if (IsWindow(window)) return false;
        }
        return true;
      },
      kWaitMs);
  Require(closed, L"close the file manager windows of " + Quote(name), L"still open after 10 s");
}

void Drop(const App& app, const std::vector<std::wstring>& paths) {
  // A shell drop, as the system delivers one to a window that accepts files:
  // a DROPFILES block in the program's memory, posted in WM_DROPFILES.
  std::wstring names;
  for (const std::wstring& path : paths) names += path + L'\0';
  names += L'\0';
  DROPFILES header = {};
  header.pFiles = sizeof(header);
  header.fWide = TRUE;
  RECT list = {};
  GetWindowRect(app.Item(IDC_LIST1), &list);
  header.pt = {(list.left + list.right) / 2, (list.top + list.bottom) / 2};
  ScreenToClient(app.main, &header.pt);  // dropped on the list
  const size_t size = sizeof(header) + names.size() * sizeof(wchar_t);
  Remote block(app.process.hProcess, size);
  if (!block) return;
  block.Write(&header, sizeof(header));
  block.Write(names.data(), names.size() * sizeof(wchar_t), sizeof(header));
  if (!Require(PostMessageW(app.main, WM_DROPFILES, static_cast<WPARAM>(block.Address()), 0),
               L"drop on the program", ErrorText(GetLastError()))) {
    return;
  }
  // The program reads the block before it acts on the drop, so once it has
  // answered (from a message box too, which answers in its place) the block is done with.
  Sleep(100);
  Send(app.main, WM_NULL);
}

HWND WaitForMenu(const App& app, DWORD ms) {
  HWND menu = nullptr;
  WaitUntil(
      [&] {
        for (HWND window : TopWindows()) {
          if (ClassOf(window) == L"#32768" && IsWindowVisible(window) &&
              ProcessOf(window) == app.process.dwProcessId) {
            menu = window;
          }
        }
        return menu != nullptr;
      },
      ms);
  return menu;
}

std::wstring EnabledMenuItems(HWND menu, const std::vector<std::wstring>& captions) {
  // Another program's menu cannot be asked (Wine keeps menus per process), so
  // it is read as the user reads it: an item is enabled when its caption is
  // drawn in the menu text colour, or, on the highlighted item, in the
  // highlighted text colour over the highlight.
  RECT client = {};
  GetClientRect(menu, &client);
  MapWindowPoints(menu, nullptr, reinterpret_cast<POINT*>(&client), 2);
  const ScreenShot shot = CaptureScreen(client);
  const COLORREF text = GetSysColor(COLOR_MENUTEXT);
  const COLORREF lit = GetSysColor(COLOR_HIGHLIGHT);
  const COLORREF lit_text = GetSysColor(COLOR_HIGHLIGHTTEXT);
  std::wstring enabled;
  const int rows = static_cast<int>(captions.size());
  for (int row = 0; row < rows && shot.height > 0; ++row) {
    bool plain = false, on_lit = false, lit_text_seen = false;
    for (int y = shot.height * row / rows; y < shot.height * (row + 1) / rows; ++y) {
      for (int x = 0; x < shot.width; ++x) {
        const COLORREF pixel = shot.At(x, y);
        plain = plain || pixel == text;
        on_lit = on_lit || pixel == lit;
        lit_text_seen = lit_text_seen || pixel == lit_text;
      }
    }
    if (plain || (on_lit && lit_text_seen)) {
      enabled += (enabled.empty() ? L"" : L" ") + captions[row];
    }
  }
  return enabled;
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

}  // namespace e2e
