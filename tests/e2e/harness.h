// What every end-to-end scenario shares: reporting, files on disk, windows of
// other processes, the running program and its folder browser.
//
// A check prints "ok - <scenario>: <what>" or "FAIL - <scenario>: <what>
// (expected ..., got ...)". A step that only drives the program (waiting for
// a window, pressing a dialog button) prints a FAIL line when it does not work
// and nothing when it does.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "resource.h"

namespace e2e {

constexpr DWORD kWaitMs = 10000;      // for anything the program should do soon
constexpr DWORD kAnswerMs = 5000;     // for a window to answer one message
constexpr DWORD kCloseMs = 5000;      // for the program to end after WM_CLOSE
constexpr int kBrowseTree = 14145;    // folder browser: the folder tree
constexpr int kBrowsePrompt = 14146;  // folder browser: the prompt
constexpr int kBoxText = 0xFFFF;      // message box: the message
constexpr wchar_t kMainClass[] = L"Veilkeep.Form1";
constexpr wchar_t kBrowseTitle[] = L"Browse for Folder";

inline const wchar_t* const kCaptions[] = {L"Add", L"Delete", L"Open", L"Hide", L"Unhide"};
enum Button { kAdd, kDelete, kOpen, kHide, kUnhide };

extern int g_passed;
extern int g_failed;
extern std::wstring g_scenario;
extern std::wstring g_build;       // holds Veilkeep.exe and ico\ as built
extern std::wstring g_root;        // this run's temporary folder
extern std::wstring g_host;        // the publisher's web host the program was built with
extern std::wstring g_url_log;     // where the http handler of this Wine prefix records addresses
extern std::wstring g_small_disk;  // a folder on a small file system of its own, ours to fill
extern std::wstring g_locked;      // a folder whose attributes we may not change

// ---------------------------------------------------------------- reporting

// Text to bytes and back, in UTF-8 or the ANSI code page (CP_ACP).
std::string ToBytes(const std::wstring& text, UINT code_page);
std::wstring FromBytes(const std::string& bytes, UINT code_page);
inline std::string Utf8(const std::wstring& text) { return ToBytes(text, CP_UTF8); }
inline std::wstring FromUtf8(const std::string& bytes) { return FromBytes(bytes, CP_UTF8); }
inline std::string Ansi(const std::wstring& text) { return ToBytes(text, CP_ACP); }
inline std::wstring FromAnsi(const std::string& bytes) { return FromBytes(bytes, CP_ACP); }
void Print(const std::wstring& line);
void Report(bool ok, const std::wstring& what, const std::wstring& expected,
            const std::wstring& got);
bool Require(bool ok, const std::wstring& what, const std::wstring& got);
std::wstring Quote(const std::wstring& text);
bool CheckText(const std::wstring& what, const std::wstring& expected, const std::wstring& got);
bool CheckNumber(const std::wstring& what, long long expected, long long got);
bool Check(const std::wstring& what, bool ok, const std::wstring& got);
std::wstring Hex(DWORD value);
std::wstring ErrorText(DWORD error);      // "error N"
std::wstring SystemMessage(DWORD error);  // the system's sentence for it, as the program shows it

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

struct FileState {
  bool exists = false;
  std::string bytes;
  ULONGLONG written = 0;  // last write time: tells a rewrite with the same bytes
};

FileState ReadFileState(const std::wstring& path);
std::wstring Describe(const FileState& state);
void CheckFileBytes(const std::wstring& what, const std::wstring& path,
                    const std::string& expected);
void CheckFileUntouched(const std::wstring& what, const std::wstring& path,
                        const FileState& before);
void CheckUntouched(const std::wstring& what, const FileState& before, const FileState& now);
bool WriteWholeFile(const std::wstring& path, const std::string& bytes);
// Writes a file the scenario starts from; failing to is a failed check.
void WriteFixture(const std::wstring& path, const std::string& bytes);
void RemoveTree(const std::wstring& folder);
// A fresh folder `name` in `parent` holding a copy of the program and, unless
// told not to, its pictures.
std::wstring MakeProgramFolder(const std::wstring& name, bool with_pictures = true,
                               const std::wstring& parent = g_root);
std::wstring MakeFolder(const std::wstring& name);  // under g_root; a nested name is fine

// The usual opening of a scenario: names it, and makes a fresh program folder
// `name` whose data.bin lists `listed` (in the ANSI code page).
struct Scenario {
  std::wstring folder;     // holds Veilkeep.exe and its pictures
  std::wstring list_file;  // its data.bin
  FileState saved;         // data.bin as written
};
Scenario OpenScenario(const std::wstring& scenario, const std::wstring& name,
                      const std::vector<std::wstring>& listed);
bool HiddenAndSystem(DWORD attributes);
// Runs a shell command line of the machine under Wine (chmod, ln...) and
// waits for it to end; false when it failed or did not end within 10 s.
bool RunUnix(const std::wstring& command);
// The machine's own path of a Windows path, single-quoted for the shell.
std::wstring UnixPath(const std::wstring& path);
void CheckHidden(const std::wstring& folder, bool hidden);

// Opens `path` with no sharing at all, as another program busy with the file
// would: while the handle is held, nobody else can open, replace or delete it.
// `creation` is OPEN_EXISTING or OPEN_ALWAYS. Closes the handle when it goes.
class HeldFile {
 public:
  // With no sharing, or with `share`: open to others as a copy of the
  // program holding its lock is, so that only a lock that lets no one in
  // keeps the program out.
  HeldFile(const std::wstring& path, DWORD creation, DWORD share = 0);
  ~HeldFile() { Release(); }
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE; }
  // The file as it is now, read through the held handle (nobody else can read it).
  FileState State() const;
  void Release();

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// ---------------------------------------------------------------- windows

std::wstring TextOf(HWND window);
std::wstring ClassOf(HWND window);
DWORD ProcessOf(HWND window);
std::vector<HWND> TopWindows();
// Dialogs (message boxes, the folder browser) owned by `owner`, shown or not yet.
std::vector<HWND> Dialogs(HWND owner);
bool HasVisibleWindow(DWORD pid);
// SendMessage that cannot hang the driver: a window that does not answer is a failure.
LRESULT Send(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0);
// Whether the window's thread answers a message within `ms`: no failure line of its own.
bool Answers(HWND window, DWORD ms);

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

// What the screen shows in a rectangle (screen coordinates), read back pixel by pixel.
struct ScreenShot {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> pixels;  // row by row from the top; RGB() values
  COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
ScreenShot CaptureScreen(const RECT& rect);

// ---------------------------------------------------------------- the program

struct App {
  PROCESS_INFORMATION process = {};
  HWND main = nullptr;
  HWND Item(int id) const { return GetDlgItem(main, id); }
  HWND Command(int index) const { return Item(IDC_COMMAND1 + index); }
};

HWND FindMainWindow(DWORD pid);
bool Launch(const std::wstring& folder, PROCESS_INFORMATION* process);
bool Start(const std::wstring& folder, App* app);
// Closes the main window like the user and waits for the program to end.
void Close(App* app);

std::wstring ListItemText(const App& app, int index);
// The rows of a list view of the program's: List1 when `list` is none.
std::vector<std::wstring> ListItems(const App& app, HWND list = nullptr);
LRESULT ListCount(const App& app);
LRESULT ListSelection(const App& app);
std::wstring Joined(const std::vector<std::wstring>& items, const wchar_t* separator = L" | ");
// `when` names the moment, e.g. "after Hide", so that a failure says where it happened.
void CheckList(const App& app, const std::wstring& when, const std::vector<std::wstring>& expected,
               int selected);
// The captions of the enabled Command1 buttons, in order, e.g. "Add Delete Open Hide".
std::wstring EnabledButtons(const App& app);
std::wstring StatusText(const App& app);
void SetStatusText(const App& app, const std::wstring& text);
// What the user sees: the enabled buttons and the status panel.
// Hide, then Unhide, of the selected entry `folder`: its real attributes,
// the buttons and the status after each.
void HideAndUnhide(const App& app, const std::wstring& folder);
void CheckState(const App& app, const std::wstring& when, const std::wstring& enabled,
                const std::wstring& status);
// The status panel the program shows for a folder with these attributes.
std::wstring StatusFor(const std::wstring& folder);

// Dismisses the dialog by pressing one of its buttons and waits for it to go.
void PressButton(HWND dialog, int button);
// Lets the program finish what it is doing, then fails on any dialog it opened.
void ExpectNoDialog(const App& app, const std::wstring& after);
// Waits for a shown dialog with this title, owned by the main window.
HWND WaitForDialog(const App& app, const std::wstring& title);
// Expects a message box with this text, checks that it blocks the main window, then presses OK.
void ExpectMessage(const App& app, const std::wstring& text);
// Expects exactly one "Error" message box holding every piece of `parts`;
// checks that it blocks the main window, presses OK and returns its text.
std::wstring ExpectMessageWith(const App& app, const std::vector<std::wstring>& parts);
bool Clickable(const App& app, Button button);
// A click the program handles without opening anything.
void Click(const App& app, Button button);
// A click that opens a modal window: posted, so the driver does not wait inside it.
bool PostClick(const App& app, Button button);
// Clicks a list entry with the mouse, as the user picks a folder.
void ClickListEntry(const App& app, int index);
// Right-clicks a list entry with the mouse, which opens the entry's menu: posted.
bool RightClickListEntry(const App& app, int index);

// Opens the selected entry with `open` (true when it could act) and expects
// one file manager window, titled with the folder's own name `name`; closes
// every file manager window that came.
void CheckOpens(const App& app, const std::wstring& name, const std::function<bool()>& open);

// Drops `paths` on the program's list as the shell drops files dragged from
// the file manager, and waits for the program to take them.
void Drop(const App& app, const std::vector<std::wstring>& paths);
// The program's shown pop-up menu, waited for up to `ms`; nullptr when none.
HWND WaitForMenu(const App& app, DWORD ms = kWaitMs);
// The captions of the menu's enabled items, e.g. "Open Hide Delete", read from
// the screen; `captions` are its items from the top, one line each.
std::wstring EnabledMenuItems(HWND menu, const std::vector<std::wstring>& captions);

// Toolbar button `index` (1..5, or any other number) as the toolbar reports a
// click: posted, because some of them open a modal window.
void PostToolbarClick(const App& app, int index);

struct ToolButton {
  bool hidden;
  std::wstring text;
};
std::vector<ToolButton> ToolButtons(const App& app);

// The program's control that has the keyboard focus: a Command1 caption,
// "Toolbar1", "List1" or "SBar"; "none"; or the class and caption of any other
// window of the program (a button of a message box, the main window itself).
std::wstring FocusedControl(const App& app);
// Presses and releases `key` as the user does, on the foreground window, which
// must be the program's; then gives the program a moment to act on it.
void PressKey(const App& app, WORD key);

// ---------------------------------------------------------------- the folder browser

HWND OpenBrowser(const App& app);
std::wstring TreeSelection(const App& app, HWND tree);
// Selects `folder` in the browser's tree, checks the tree shows it, and presses OK.
bool ChooseAndConfirm(const App& app, HWND dialog, const std::wstring& folder);
// Adds a folder not yet listed through the browser; waits for the list to grow.
bool AddFolder(const App& app, const std::wstring& folder);

// ---------------------------------------------------------------- scenarios

// scenarios_list.cpp: the list through the program's life.
void StartWithoutList();
void StartWithSavedListAndSecondCopy();
void FolderLife();
void DroppedFolders();
// scenarios_windows.cpp: the toolbar, its windows and web pages, and its pictures.
void HowToUseWindow();
void AboutWindow();
void WebPages();
void MissingPictures();
void ScreenReaderNames();
// scenarios_names.cpp: folder names beyond plain ASCII letters.
void UnicodeFolder();
void AwkwardNames();
void UnexpectedObjects();
void DeepFolders();
void NoFileManager();  // last: it leaves Wine's session changed
// scenarios_listfile.cpp: data.bin that cannot be written, read, or makes no sense.
void UnwritableList();
void BusyTemporaryFile();
void UnreadableListAtStart();
void BadListFiles();
// As a standard user, on a full disk, beside programs that hold files, killed mid-save.
void UnwritableByPermissions();
void FullDisk();
void BriefLocks();
void KilledWhileSaving();
// scenarios_keyboard.cpp: the keyboard and the focus, and the status bar's height.
void KeyboardHideAndUnhide();
void KeyboardTypeAhead();
void KeyboardAfterModalWindows();
void StatusBarHeight();
void KeyboardMenuAndEnter();
// scenarios_drives.cpp: a listed disk unplugged, a stick lettered otherwise.
void DrivesComeAndGo();
// scenarios_command_line.cpp: /hide, /unhide and /folder-menu, with and without the window;
// the search for hidden folders from the system menu and by /find-hidden.
void CommandLine();
void FindHiddenFolders();
void FoundWindowLayout();
void HideAllAndShortcutKey();

}  // namespace e2e
