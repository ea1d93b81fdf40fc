#include "app/win32/form1_window.h"

#include <windowsx.h>

#include <new>
#include <utility>

#include "about/toolbar.h"
#include "about/win32/forms.h"
#include "app/layout.h"
#include "app/win32/requests.h"
#include "app/win32/search_windows.h"
#include "app/win32/shortcut_key.h"
#include "resource.h"

namespace vk {
namespace {

constexpr wchar_t kClassName[] = L"Veilkeep.Form1";
constexpr wchar_t kCaption[] = L"Veilkeep - By Orvanta";
constexpr DWORD kStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
// Folders dragged from the file manager may be dropped anywhere on the window.
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT | WS_EX_ACCEPTFILES;
// data.bin is looked at once a burst of changes in its folder has settled
// for kSettleMs (a save is a burst of them), but no later than kSettleCapMs
// after the burst began; read again after kRetryMs while another program
// writes it; and checked every kPollMs where its folders cannot all be
// watched. One timer for each.
constexpr UINT_PTR kSettleTimer = 1, kRetryTimer = 2, kPollTimer = 3;
constexpr UINT kSettleMs = 100, kSettleCapMs = 1000, kRetryMs = 200, kPollMs = 1000;
// Carries out the requests handed over, once the start that sent one has its reply.
constexpr UINT kRunRequests = WM_APP + 1;
// RunAside's work is done.
constexpr UINT kAsideDone = WM_APP + 2;

// The window of the copy that already runs in this session, shown restored
// and brought to the foreground, or the window of it the user must answer
// first (a message, the folder browser, About): a second start shows the
// running one. Not waited for: the first copy restores itself when it gets
// to it.
void BringRunningCopyForward() {
  HWND running = FindWindowW(kClassName, nullptr);
  if (!running) return;
  if (IsIconic(running)) ShowWindowAsync(running, SW_RESTORE);
  HWND popup = GetLastActivePopup(running);
  SetForegroundWindow(popup && IsWindowVisible(popup) ? popup : running);
}

}  // namespace

HWND FindRunningForm1() { return FindWindowW(kClassName, nullptr); }

Form1Window::Form1Window(Win32Platform& platform)
    : platform_(platform), form1_(platform, *this, VEILKEEP_PUBLISHER_HOST) {}

Form1Window::~Form1Window() {
  // Work aside uses the platform: it ends before it goes.
  if (aside_) WaitForSingleObject(aside_.get(), INFINITE);
}

void Form1Window::AtIdle(std::function<void()> then) { idle_work_ = std::move(then); }

void Form1Window::OnIdle() {
  if (shown_ && idle_work_) std::exchange(idle_work_, nullptr)();
}

void Form1Window::RunAside(const std::function<void()>& work, std::function<void()> done) {
  aside_work_ = work;
  aside_done_ = std::move(done);
  // Below the window's own priority: the window answers first.
  aside_ = KernelHandle(CreateThread(nullptr, 0, Aside, this, CREATE_SUSPENDED, nullptr));
  if (!aside_) {
    Aside(this);  // no thread to be had: here, then
    return;
  }
  SetThreadPriority(aside_.get(), THREAD_PRIORITY_BELOW_NORMAL);
  ResumeThread(aside_.get());
}

DWORD WINAPI Form1Window::Aside(void* form) {
  auto* self = static_cast<Form1Window*>(form);
  try {
    self->aside_work_();
  } catch (const std::bad_alloc&) {
    // Nothing found: no memory to look with.
  }
  PostMessageW(self->hwnd_, kAsideDone, 0, 0);
  return 0;
}

bool Form1Window::Create(HINSTANCE instance) {
  instance_ = instance;
  if (!RegisterWindowClass(instance, kClassName, WindowProc<Form1Window>, IDI_VEILKEEP)) {
    return false;
  }

  hwnd_ = CreateWindowExW(kExStyle, kClassName, kCaption, kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, this);
  if (!hwnd_) return false;
  platform_.SetOwner(hwnd_);
  // Started as administrator, the window still takes drops from the user's
  // file manager: let the drop and the copy of its file list (0x0049) through.
  // Requests (WM_COPYDATA) are not let in from below: a start with fewer
  // rights carries its request out itself.
  ChangeWindowMessageFilterEx(hwnd_, WM_DROPFILES, MSGFLT_ALLOW, nullptr);
  ChangeWindowMessageFilterEx(hwnd_, 0x0049, MSGFLT_ALLOW, nullptr);

  CentreOnScreen(hwnd_, Px(layout::kClientWidth), Px(layout::kClientHeight), dpi_);
  if (!form1_.Load()) {  // another copy runs
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
    BringRunningCopyForward();
    return false;
  }
  // Other programs may change data.bin, or the file its link names.
  const std::wstring list_file = platform_.ProgramFolder() + kListFileName;
  FileFacts facts;
  if (!platform_.InspectFile(list_file, &facts)) facts.final_path = list_file;
  if (!watch_.Start({list_file, facts.final_path})) SetTimer(hwnd_, kPollTimer, kPollMs, nullptr);
  HMENU system = GetSystemMenu(hwnd_, FALSE);
  AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(system, MF_STRING, IDM_FOLDER_MENU, L"Hide and Unhide in folder menus");
  AppendMenuW(system, MF_STRING, IDM_FIND_HIDDEN, L"&Find Hidden Folders...");
  AppendMenuW(system, MF_STRING, IDM_HIDE_ALL, L"Hide &All Folders");
  // Not N: the system's own Minimize has it.
  AppendMenuW(system, MF_STRING, IDM_UNHIDE_ALL, L"&Unhide All Folders");
  AppendMenuW(system, MF_STRING, IDM_SHORTCUT_KEY, L"Shortcut &Key For Hide All...");
  // Requests handed over while start-up showed a message.
  PostMessageW(hwnd_, kRunRequests, 0, 0);
  return true;
}

void Form1Window::OnListFolderChanged(DWORD index) {
  if (!watch_.Rearm(index)) SetTimer(hwnd_, kPollTimer, kPollMs, nullptr);
  const ULONGLONG now = GetTickCount64();
  if (!settling_) burst_began_ = now;
  settling_ = true;
  // A folder that never quiets still has data.bin looked at about once a second.
  if (now - burst_began_ < kSettleCapMs) SetTimer(hwnd_, kSettleTimer, kSettleMs, nullptr);
}

void Form1Window::OnTimer(UINT_PTR id) {
  if (id == kSettleTimer) settling_ = false;
  if (id != kPollTimer) KillTimer(hwnd_, id);
  form1_.FollowListFile();
}

void Form1Window::FollowAgainSoon() { SetTimer(hwnd_, kRetryTimer, kRetryMs, nullptr); }

void Form1Window::Show(int show_command) {
  ShowWindow(hwnd_, show_command);
  UpdateWindow(hwnd_);
  shown_ = true;
}

bool Form1Window::Handle(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  hwnd_ = hwnd;
  *result = HandleMessage(message, wparam, lparam);
  return true;
}

LRESULT Form1Window::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      OnCreate();
      return 0;
    case WM_ACTIVATE:
      OnActivate(LOWORD(wparam) != WA_INACTIVE);
      return 0;
    case WM_SETFOCUS:  // the window itself never keeps the focus: a control takes it
      FocusOn(focus_);
      return 0;
    case DM_GETDEFID:  // Enter presses the focused button
      return FocusedPushButton(hwnd_);
    case WM_COMMAND:
      OnCommand(GET_WM_COMMAND_ID(wparam, lparam), GET_WM_COMMAND_CMD(wparam, lparam));
      return 0;
    case WM_SIZE:
      OnSize();
      return 0;
    case WM_NOTIFY:
      return OnNotify(reinterpret_cast<const NMHDR*>(lparam));
    case WM_HELP:  // F1 opens How To Use, as the toolbar's Help does
      form1_.Handle({UserAction::Kind::Toolbar1, 2});
      return TRUE;
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wparam));
      return 0;
    case WM_TIMER:
      OnTimer(wparam);
      return 0;
    case WM_COPYDATA:
      return OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lparam));
    case kRunRequests:
      form1_.RunRequests();
      return 0;
    case kAsideDone: {
      if (aside_) WaitForSingleObject(aside_.get(), INFINITE);
      aside_ = KernelHandle();
      aside_work_ = nullptr;
      const std::function<void()> done = std::move(aside_done_);
      if (done) done();
      return 0;
    }
    case WM_INITMENUPOPUP:  // the system menu's check mark says where the verbs point now
      if (HIWORD(lparam)) {
        CheckMenuItem(reinterpret_cast<HMENU>(wparam), IDM_FOLDER_MENU,
                      MF_BYCOMMAND | (form1_.FolderMenuChecked() ? MF_CHECKED : MF_UNCHECKED));
      }
      break;
    case WM_SYSCOMMAND:
      if (OnSystemCommand(static_cast<UINT>(wparam & 0xFFF0))) return 0;
      break;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wparam), reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd_, message, wparam, lparam);
}

bool Form1Window::OnSystemCommand(UINT id) {
  static constexpr std::pair<UINT, UserAction::Kind> kItems[] = {
      {IDM_FOLDER_MENU, UserAction::Kind::FolderMenu}, {IDM_FIND_HIDDEN, UserAction::Kind::FindHidden},
      {IDM_HIDE_ALL, UserAction::Kind::HideAll},       {IDM_UNHIDE_ALL, UserAction::Kind::UnhideAll},
      {IDM_SHORTCUT_KEY, UserAction::Kind::ShortcutKey}};
  for (const auto& [item, kind] : kItems) {
    if (id != item) continue;
    form1_.Handle({kind});
    return true;
  }
  return false;
}

void Form1Window::OnCreate() {
  dpi_ = static_cast<int>(GetDpiForWindow(hwnd_));
  CreateControls();
  ApplyDpi();
}

void Form1Window::CreateControls() {
  // Creation order is the tab order: Command1(0..4), Toolbar1, List1, SBar.
  commands_.Create(hwnd_, instance_);
  toolbar_.Create(hwnd_, instance_);
  list_.Create(hwnd_, instance_);
  // SBar keeps the height it is given (OnSize), not the one it would pick for its font.
  status_ = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr,
                            WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP | CCS_NORESIZE, 0, 0, 0, 0,
                            hwnd_, reinterpret_cast<HMENU>(IDC_SBAR), instance_, nullptr);
  SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(kStatusInitial));
}

void Form1Window::ApplyDpi() {
  Font font = MakeTahoma(dpi_, 825);
  commands_.ApplyDpi(dpi_, font.get());
  list_.ApplyDpi(dpi_, font.get());
  toolbar_.ApplyDpi(dpi_, font.get());
  // SBar's text in the DPI's font; its height is the laid-out one (OnSize).
  SendMessageW(status_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
  font_ = std::move(font);  // the old font goes once no control uses it

  int part = Px(layout::kSBarPanelWidth);
  SendMessageW(status_, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&part));
  OnSize();
}

void Form1Window::OnSize() {
  // Only the toolbar and the status bar follow the window: SBar along its
  // bottom edge, at its laid-out height.
  toolbar_.FitWidth();
  RECT client = {};
  GetClientRect(hwnd_, &client);
  const int height = Px(layout::kSBar.height);
  MoveWindow(status_, 0, client.bottom - height, client.right, height, TRUE);
}

void Form1Window::OnDpiChanged(int dpi, const RECT* suggested) {
  dpi_ = dpi;
  SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
               suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  ApplyDpi();
}

void Form1Window::OnActivate(bool active) {
  // As a dialog does: the focus is kept while another window is active, and
  // given back on return, to the next control if that one is now disabled.
  if (!active) {
    HWND focus = GetFocus();
    if (focus && IsChild(hwnd_, focus)) focus_ = focus;
    return;
  }
  // First the folder as it is now: Hide or Unhide may change before the focus returns.
  form1_.Form1Activate();
  if (!IsIconic(hwnd_)) FocusOn(focus_);
}

void Form1Window::FocusOn(HWND control) {
  if (!control || !IsWindowEnabled(control) || !IsWindowVisible(control)) {
    control = GetNextDlgTabItem(hwnd_, control, FALSE);
  }
  if (control) SetFocus(control);
}

void Form1Window::OnCommand(int id, int code) {
  if (id >= IDC_COMMAND1 && id < IDC_COMMAND1 + kCommandCount) {
    if (code == BN_CLICKED) ClickCommand(id - IDC_COMMAND1);
  } else if (id > IDC_TOOLBUTTON && id <= IDC_TOOLBUTTON + kToolbarButtonCount) {
    form1_.Handle({UserAction::Kind::Toolbar1, id - IDC_TOOLBUTTON});
  }
}

void Form1Window::ClickCommand(int index) {
  form1_.Handle({UserAction::Kind::Command1, index});
  // A button that disabled itself has lost the focus: it goes on to the
  // next control after that button.
  HWND focus = GetFocus();
  if (GetActiveWindow() == hwnd_ && (!focus || !IsWindowEnabled(focus))) {
    FocusOn(commands_[index]);
  }
}

void Form1Window::OnDropFiles(HDROP drop) {
  // The drop is taken from the shell even when Form1 refuses it.
  form1_.Handle(UserAction::Dropped(platform_.TakeDroppedFiles(drop)));
}

LRESULT Form1Window::OnCopyData(const COPYDATASTRUCT* data) {
  Request request;
  DWORD reply_to = 0;
  if (!data || !TakeHandedRequest(*data, &request, &reply_to)) return FALSE;
  form1_.Queue(std::move(request), [reply_to](bool done) { AnswerHandedRequest(reply_to, done); });
  PostMessageW(hwnd_, kRunRequests, 0, 0);
  return TRUE;
}

LRESULT Form1Window::OnNotify(const NMHDR* header) {
  if (header->hwndFrom == toolbar_.hwnd()) return toolbar_.OnNotify(header);
  if (header->hwndFrom == list_.hwnd()) return list_.OnNotify(header);
  return 0;
}

int Form1Window::List1Count() { return static_cast<int>(form1_.entries().size()); }

const wchar_t* Form1Window::List1Text(int index) {
  return form1_.entries()[index].data();  // each entry ends with a NUL in the list
}

int Form1Window::List1Selected() { return form1_.selected(); }

void Form1Window::List1UserSelect(int index) {
  form1_.Handle({UserAction::Kind::List1Select, index});
}

void Form1Window::List1Typed(const std::wstring& typed) { form1_.Handle(UserAction::Typed(typed)); }

bool Form1Window::List1CanChoose(int command) {
  return !form1_.modal() && IsWindowEnabled(commands_[command]);
}

void Form1Window::List1Choose(int command) { ClickCommand(command); }

void Form1Window::List1Fill(const EntryList& entries) {
  list_.Fill(static_cast<int>(entries.size()));
}

void Form1Window::List1Append(std::wstring_view) { list_.Append(List1Count()); }

void Form1Window::List1Remove(int index) { list_.Remove(index, List1Count()); }

void Form1Window::List1Select(int index) { list_.Select(index); }

void Form1Window::SetCommandEnabled(int index, bool enabled) {
  EnableWindow(commands_[index], enabled);
}

void Form1Window::SetStatusText(const std::wstring& text) {
  SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Form1Window::LoadToolbarPictures(const std::wstring& program_folder) {
  toolbar_.LoadPictures(program_folder);
}

void Form1Window::ShowHowToUse() { ShowForm3(instance_, hwnd_); }

void Form1Window::ShowAbout(const std::wstring& version_text) {
  ShowForm2(instance_, hwnd_, version_text);
}

void Form1Window::RunSearch(const std::function<void(SearchWatch&)>& search) {
  RunSearchWindow(instance_, hwnd_, search);
}

bool Form1Window::ChooseShortcutKey(uint16_t now, uint16_t* key) {
  return ShowShortcutKey(instance_, hwnd_, now, key);
}

bool Form1Window::ChooseFoundFolders(const std::wstring& note,
                                     const std::vector<std::wstring>& found,
                                     std::vector<std::wstring>* chosen) {
  return ShowFoundFolders(instance_, hwnd_, note, found, chosen);
}

}  // namespace vk
