#include "app/win32/form1_window.h"

#include <windowsx.h>

#include <algorithm>

#include "about/toolbar.h"
#include "about/win32/forms.h"
#include "app/layout.h"
#include "app/win32/toolbar1_accessible.h"
#include "resource.h"

namespace vk {
namespace {

constexpr wchar_t kClassName[] = L"Veilkeep.Form1";
constexpr wchar_t kCaption[] = L"Veilkeep - By Orvanta";
constexpr DWORD kStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
// Folders dragged from the file manager may be dropped anywhere on the window.
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT | WS_EX_ACCEPTFILES;

constexpr const wchar_t* kCommandCaptions[kCommandCount] = {L"Add", L"Delete", L"Open", L"Hide",
                                                            L"Unhide"};
// List1's menu: what the buttons do to the selected entry, with their letters.
constexpr int kList1Menu[] = {kOpen, kHide, kUnhide, kDelete};
constexpr const wchar_t* kList1MenuCaptions[] = {L"&Open", L"&Hide", L"&Unhide", L"&Delete"};
// What screen readers call List1.
constexpr wchar_t kList1Name[] = L"Guarded folders";
// Toolbar buttons 1..5; button 1 exists but is not shown.
constexpr const wchar_t* kToolbarCaptions[kToolbarButtonCount] = {
    L" Settings ", L"Help", L"Website", L"  Support  ", L"About"};
constexpr int kPictureSize = 16;  // toolbar pictures at 96 DPI
constexpr int kHelpButton = 1;    // Toolbar1's first shown button, by 0-based position
// Characters typed in List1 within this time of each other make one prefix.
constexpr DWORD kTypeAheadMs = 1000;

#ifndef VEILKEEP_PUBLISHER_HOST
#define VEILKEEP_PUBLISHER_HOST L"www.orvanta.example"
#endif

// Toolbar1's keys: the arrows move between its buttons, Space and Enter press one.
LRESULT CALLBACK Toolbar1Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                              DWORD_PTR) noexcept {
  switch (message) {
    case WM_GETDLGCODE: {
      // The arrows stay in Toolbar1, and so does Enter, which presses the hot button.
      const auto* key = reinterpret_cast<const MSG*>(lparam);
      const bool enter = key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN;
      return DLGC_WANTARROWS | (enter ? DLGC_WANTMESSAGE : 0);
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      const LRESULT result = DefSubclassProc(hwnd, message, wparam, lparam);
      // With the focus, a button is hot: the one hot before, or else Help.
      if (message == WM_SETFOCUS && SendMessageW(hwnd, TB_GETHOTITEM, 0, 0) < 0) {
        SendMessageW(hwnd, TB_SETHOTITEM, kHelpButton, 0);
      }
      InvalidateRect(hwnd, nullptr, TRUE);  // the frame comes or goes
      return result;
    }
    case WM_GETOBJECT:  // screen readers: each button by its caption
      if (const LRESULT answer = Toolbar1Accessible(hwnd, wparam, lparam)) return answer;
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, Toolbar1Proc, 0);
      break;
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

}  // namespace

Form1Window::Form1Window(Win32Platform& platform) : platform_(platform), form1_(platform, *this) {}

bool Form1Window::Create(HINSTANCE instance) {
  instance_ = instance;
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = WindowProc<Form1Window>;
  wc.hInstance = instance;
  wc.hIcon =
      static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_VEILKEEP), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_VEILKEEP), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), 0));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  if (!RegisterClassExW(&wc)) return false;

  hwnd_ = CreateWindowExW(kExStyle, kClassName, kCaption, kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, this);
  if (!hwnd_) return false;
  platform_.SetOwner(hwnd_);
  // Started as administrator, the window still takes drops from the user's
  // file manager: let the drop and the copy of its file list (0x0049) through.
  ChangeWindowMessageFilterEx(hwnd_, WM_DROPFILES, MSGFLT_ALLOW, nullptr);
  ChangeWindowMessageFilterEx(hwnd_, 0x0049, MSGFLT_ALLOW, nullptr);

  // Client area of the set size at this DPI, centred on the screen.
  RECT frame = {0, 0, Px(layout::kClientWidth), Px(layout::kClientHeight)};
  AdjustWindowRectExForDpi(&frame, kStyle, FALSE, kExStyle, dpi_);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& work = monitor.rcWork;
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - width) / 2,
               work.top + (work.bottom - work.top - height) / 2, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  if (!form1_.Load()) {
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
    return false;
  }
  return true;
}

void Form1Window::Show(int show_command) {
  ShowWindow(hwnd_, show_command);
  UpdateWindow(hwnd_);
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
      // A message box sends its F1 here too: nothing opens over it.
      if (IsWindowEnabled(hwnd_)) OnToolbarClick(2);
      return TRUE;
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wparam));
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wparam), reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd_, message, wparam, lparam);
}

void Form1Window::OnCreate() {
  dpi_ = static_cast<int>(GetDpiForWindow(hwnd_));
  CreateControls();
  ApplyDpi();
}

void Form1Window::CreateControls() {
  // Creation order is the tab order: Command1(0..4), Toolbar1, List1, SBar.
  for (int i = 0; i < kCommandCount; ++i) {
    DWORD style =
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | (i == kAdd ? 0 : WS_DISABLED);
    commands_[i] = CreateWindowExW(0, WC_BUTTONW, kCommandCaptions[i], style, 0, 0, 0, 0, hwnd_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_COMMAND1 + i)),
                                   instance_, nullptr);
  }

  toolbar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | CCS_TOP | CCS_NODIVIDER, 0, 0, 0,
                             0, hwnd_, reinterpret_cast<HMENU>(IDC_TOOLBAR1), instance_, nullptr);
  SetWindowSubclass(toolbar_, Toolbar1Proc, 0, 0);
  SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  TBBUTTON buttons[kToolbarButtonCount] = {};
  for (int i = 0; i < kToolbarButtonCount; ++i) {
    buttons[i].iBitmap = I_IMAGENONE;
    buttons[i].idCommand = IDC_TOOLBUTTON + i + 1;
    buttons[i].fsState = static_cast<BYTE>(TBSTATE_ENABLED | (i == 0 ? TBSTATE_HIDDEN : 0));
    buttons[i].fsStyle = BTNS_BUTTON;
    buttons[i].iString = reinterpret_cast<INT_PTR>(kToolbarCaptions[i]);
  }
  SendMessageW(toolbar_, TB_ADDBUTTONSW, kToolbarButtonCount, reinterpret_cast<LPARAM>(buttons));

  // List1 reads its entries from Form1 as it draws them (an owner-data list
  // view), so even a long list costs nothing to show at start-up.
  list_ =
      CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, kList1Name,
                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER |
                          LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDATA,
                      0, 0, 0, 0, hwnd_, reinterpret_cast<HMENU>(IDC_LIST1), instance_, nullptr);
  ListView_SetExtendedListViewStyle(list_,
                                    LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
  SetWindowSubclass(list_, List1Proc, 0, reinterpret_cast<DWORD_PTR>(this));
  LVCOLUMNW column = {};
  column.mask = LVCF_WIDTH;
  ListView_InsertColumn(list_, 0, &column);

  // SBar keeps the height it is given (OnSize), not the one it would pick for its font.
  status_ = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr,
                            WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP | CCS_NORESIZE, 0, 0, 0, 0,
                            hwnd_, reinterpret_cast<HMENU>(IDC_SBAR), instance_, nullptr);
  SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(kStatusInitial));
}

void Form1Window::ApplyDpi() {
  Font font = MakeTahoma(dpi_, 825);
  const auto font_handle = reinterpret_cast<WPARAM>(font.get());
  for (HWND control : commands_) SendMessageW(control, WM_SETFONT, font_handle, FALSE);
  SendMessageW(list_, WM_SETFONT, font_handle, FALSE);
  SendMessageW(toolbar_, WM_SETFONT, font_handle, FALSE);
  SendMessageW(status_, WM_SETFONT, font_handle, FALSE);  // its height follows its font
  font_ = std::move(font);  // the old font goes once no control uses it

  const TwipsRect& l = layout::kList1;
  MoveWindow(list_, Px(l.left), Px(l.top), Px(l.width), Px(l.height), TRUE);
  FitList1Column();
  for (int i = 0; i < kCommandCount; ++i) {
    const TwipsRect& c = layout::kCommand1[i];
    MoveWindow(commands_[i], Px(c.left), Px(c.top), Px(c.width), Px(c.height), TRUE);
  }
  LoadPictures();
  SendMessageW(toolbar_, TB_SETBUTTONSIZE, 0,
               MAKELPARAM(Px(layout::kToolButtonWidth), Px(layout::kToolButtonHeight)));
  // The set width, grown only as far as a caption needs in the font at hand.
  SendMessageW(toolbar_, TB_SETBUTTONWIDTH, 0,
               MAKELPARAM(Px(layout::kToolButtonWidth), Px(layout::kToolButtonWidth * 3 / 2)));

  int part = Px(layout::kSBarPanelWidth);
  SendMessageW(status_, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&part));
  OnSize();
}

int Form1Window::PictureSize() const { return MulDiv(kPictureSize, dpi_, USER_DEFAULT_SCREEN_DPI); }

void Form1Window::LoadPictures() {
  if (picture_folder_.empty()) return;  // start-up has not loaded them yet
  const int size = PictureSize();
  ImageList images(ImageList_Create(size, size, ILC_COLOR32, kToolbarButtonCount, 1));
  for (int i = 0; i < kToolbarButtonCount; ++i) {
    const std::wstring file = picture_folder_ + kImageList1Files[i];
    Icon icon(static_cast<HICON>(
        LoadImageW(nullptr, file.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE)));
    if (!icon) {
      // A missing or unreadable picture file: use the copy built into the program.
      icon.reset(static_cast<HICON>(
          LoadImageW(instance_, MAKEINTRESOURCEW(IDI_PICTURE1 + i), IMAGE_ICON, size, size, 0)));
    }
    ImageList_AddIcon(images.get(), icon.get());  // a null icon still takes its place
  }
  SendMessageW(toolbar_, TB_SETBITMAPSIZE, 0, MAKELPARAM(size, size));
  SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images.get()));
  for (int button = 1; button <= kToolbarButtonCount; ++button) {
    SendMessageW(toolbar_, TB_CHANGEBITMAP, IDC_TOOLBUTTON + button, kToolbarPictures[button - 1]);
  }
  images_ = std::move(images);  // the old list goes once the toolbar has let go of it
}

void Form1Window::OnSize() {
  // Only the toolbar and the status bar follow the window: SBar along its
  // bottom edge, at its laid-out height.
  SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
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
  } else if (!IsIconic(hwnd_)) {
    FocusOn(focus_);
  }
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
    OnToolbarClick(id - IDC_TOOLBUTTON);
  }
}

void Form1Window::ClickCommand(int index) {
  form1_.Command1Click(index);
  // A button that disabled itself has lost the focus: it goes on to the
  // next control after that button.
  HWND focus = GetFocus();
  if (GetActiveWindow() == hwnd_ && (!focus || !IsWindowEnabled(focus))) {
    FocusOn(commands_[index]);
  }
}

void Form1Window::OnDropFiles(HDROP drop) {
  std::vector<std::wstring> paths = platform_.TakeDroppedFiles(drop);
  // While a modal window is open the main window is disabled, and takes nothing.
  if (IsWindowEnabled(hwnd_)) form1_.DropFolders(paths);
}

void Form1Window::ShowList1Menu(POINT at) {
  if (form1_.selected() < 0) return;
  HMENU menu = CreatePopupMenu();
  if (!menu) return;
  for (size_t i = 0; i < std::size(kList1Menu); ++i) {
    const int index = kList1Menu[i];
    // Each item is enabled exactly as its button is.
    const UINT state = IsWindowEnabled(commands_[index]) ? MF_ENABLED : MF_GRAYED;
    AppendMenuW(menu, MF_STRING | state, IDC_COMMAND1 + index, kList1MenuCaptions[i]);
  }
  const int chosen = static_cast<int>(
      TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, hwnd_, nullptr));
  DestroyMenu(menu);
  if (chosen >= IDC_COMMAND1 && chosen < IDC_COMMAND1 + kCommandCount &&
      IsWindowEnabled(commands_[chosen - IDC_COMMAND1])) {
    ClickCommand(chosen - IDC_COMMAND1);
  }
}

void Form1Window::OnList1ContextMenu(LPARAM lparam) {
  POINT at = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  if (lparam == -1) {
    // From the keyboard: below the selected entry's text.
    RECT row = {};
    if (!ListView_GetItemRect(list_, form1_.selected(), &row, LVIR_LABEL)) return;
    at = {row.left, row.bottom};
    ClientToScreen(list_, &at);
  } else {
    // From the mouse: only on an entry, which becomes the selected one.
    LVHITTESTINFO hit = {};
    hit.pt = at;
    ScreenToClient(list_, &hit.pt);
    const int index = ListView_HitTest(list_, &hit);
    if (index < 0) return;
    if (index != form1_.selected()) UserSelect(index);
  }
  ShowList1Menu(at);
}

void Form1Window::OnToolbarClick(int index) {
  switch (ActionForToolbarButton(index)) {
    case ToolbarAction::ShowHowToUse:
      ShowForm3(instance_, hwnd_);
      break;
    case ToolbarAction::OpenProductPage:
      platform_.OpenWebAddress(ProductPageAddress(VEILKEEP_PUBLISHER_HOST));
      break;
    case ToolbarAction::OpenSupportPage:
      platform_.OpenWebAddress(SupportPageAddress(VEILKEEP_PUBLISHER_HOST));
      break;
    case ToolbarAction::ShowAbout:
      ShowForm2(instance_, hwnd_, VersionText(platform_.Version()));
      break;
    case ToolbarAction::None:
      break;
  }
}

LRESULT Form1Window::OnNotify(const NMHDR* header) {
  if (header->hwndFrom == toolbar_) return OnToolbarNotify(header);
  if (header->hwndFrom != list_) return 0;
  switch (header->code) {
    case LVN_GETDISPINFOW: {
      LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(header))->item;
      const EntryList& entries = form1_.entries();
      if ((item.mask & LVIF_TEXT) && item.iItem >= 0 &&
          item.iItem < static_cast<int>(entries.size())) {
        item.pszText = const_cast<wchar_t*>(entries[item.iItem].c_str());
      }
      return 0;
    }
    case NM_CUSTOMDRAW: {
      // The selected entry is drawn in the selection colours even while the
      // list has no focus, as a list box shows it.
      auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(header));
      if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
      if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT &&
          static_cast<int>(draw->nmcd.dwItemSpec) == shown_selection_) {
        draw->nmcd.uItemState &= ~CDIS_SELECTED;
        draw->clrText = GetSysColor(COLOR_HIGHLIGHTTEXT);
        draw->clrTextBk = GetSysColor(COLOR_HIGHLIGHT);
      }
      return CDRF_DODEFAULT;
    }
    case LVN_ITEMCHANGED: {
      // Selection by other means than List1's own keys and clicks (such as
      // assistive technology) reaches Form1 the same way.
      const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
      if (selecting_ || !(change->uChanged & LVIF_STATE)) return 0;
      if ((change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED)) {
        shown_selection_ = change->iItem;
        form1_.List1Click(change->iItem);
      }
      return 0;
    }
  }
  return 0;
}

LRESULT Form1Window::OnToolbarNotify(const NMHDR* header) {
  switch (header->code) {
    case TBN_HOTITEMCHANGE: {
      // The arrow keys pass the hidden Settings button by: it never becomes hot.
      const auto* change = reinterpret_cast<const NMTBHOTITEM*>(header);
      return SendMessageW(toolbar_, TB_ISBUTTONHIDDEN, change->idNew, 0) != 0;
    }
    case NM_CUSTOMDRAW: {
      // While Toolbar1 has the focus, its hot button (the one Space and Enter
      // press) is framed like a focused push button.
      auto* draw = reinterpret_cast<NMTBCUSTOMDRAW*>(const_cast<NMHDR*>(header));
      if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
      if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) return CDRF_NOTIFYPOSTPAINT;
      if (draw->nmcd.dwDrawStage == CDDS_ITEMPOSTPAINT && (draw->nmcd.uItemState & CDIS_HOT) &&
          GetFocus() == toolbar_) {
        RECT inside = draw->nmcd.rc;
        const int edge = 2 * GetSystemMetricsForDpi(SM_CXEDGE, dpi_);
        InflateRect(&inside, -edge, -edge);
        DrawFocusRect(draw->nmcd.hdc, &inside);
      }
      return CDRF_DODEFAULT;
    }
  }
  return 0;
}

LRESULT CALLBACK Form1Window::List1Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                        UINT_PTR, DWORD_PTR data) noexcept {
  auto* self = reinterpret_cast<Form1Window*>(data);
  switch (message) {
    case WM_GETDLGCODE: {
      // Enter stays in List1, where it opens the selected folder.
      const auto* key = reinterpret_cast<const MSG*>(lparam);
      const bool enter = key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN;
      return DefSubclassProc(hwnd, message, wparam, lparam) | (enter ? DLGC_WANTMESSAGE : 0);
    }
    case WM_KEYDOWN:
      if (self->List1Key(static_cast<UINT>(wparam))) return 0;
      break;
    case WM_CHAR:  // typed text picks an entry as in a list box; the list view never sees it
      self->List1Char(static_cast<wchar_t>(wparam));
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: {
      LVHITTESTINFO hit = {};
      hit.pt = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      const int index = ListView_HitTest(hwnd, &hit);
      SetFocus(hwnd);
      if (index >= 0) self->UserSelect(index);
      return 0;  // a click beside the entries keeps the selection, as in a list box
    }
    case WM_RBUTTONUP: {  // the menu, for the entry under the mouse
      POINT at = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      ClientToScreen(hwnd, &at);
      self->OnList1ContextMenu(MAKELPARAM(at.x, at.y));
      return 0;
    }
    case WM_CONTEXTMENU:  // the context key, or Shift+F10
      self->OnList1ContextMenu(lparam);
      return 0;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, List1Proc, 0);
      break;
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

bool Form1Window::List1Key(UINT key) {
  const int count = static_cast<int>(form1_.entries().size());
  if (count == 0) return false;
  const int current = form1_.selected();
  const int page = std::max(1, ListView_GetCountPerPage(list_) - 1);
  int target;
  switch (key) {
    case VK_UP:
      target = current - 1;
      break;
    case VK_DOWN:
      target = current + 1;
      break;
    case VK_PRIOR:
      target = current - page;
      break;
    case VK_NEXT:
      target = current + page;
      break;
    case VK_HOME:
      target = 0;
      break;
    case VK_END:
      target = count - 1;
      break;
    case VK_RETURN:  // opens the selected folder, as Open does
      if (IsWindowEnabled(commands_[kOpen])) ClickCommand(kOpen);
      return true;
    default:
      return false;
  }
  target = std::clamp(target, 0, count - 1);
  if (current < 0 || target != current) UserSelect(target);
  return true;
}

void Form1Window::List1Char(wchar_t typed) {
  if (typed < L' ') return;  // Enter, Escape, Backspace and the like are not text
  const DWORD now = static_cast<DWORD>(GetMessageTime());
  if (now - typed_at_ > kTypeAheadMs) typed_.clear();
  typed_at_ = now;
  typed_ += typed;
  form1_.List1Search(typed_);
}

void Form1Window::UserSelect(int index) {
  List1Select(index);
  form1_.List1Click(index);
}

void Form1Window::FitList1Column() {
  // The column leaves room for the vertical scroll bar, so that the list
  // never needs a horizontal one: a list that grows or shrinks then only
  // moves its vertical bar.
  RECT inside = {};
  GetWindowRect(list_, &inside);
  const int edges = 2 * GetSystemMetricsForDpi(SM_CXEDGE, dpi_);
  const int scroll_bar = GetSystemMetricsForDpi(SM_CXVSCROLL, dpi_);
  ListView_SetColumnWidth(list_, 0, inside.right - inside.left - edges - scroll_bar);
}

void Form1Window::List1Fill(const EntryList& entries) {
  shown_selection_ = -1;
  ListView_SetItemCountEx(list_, static_cast<int>(entries.size()), 0);
}

void Form1Window::List1Append(const std::wstring&) {
  ListView_SetItemCountEx(list_, static_cast<int>(form1_.entries().size()),
                          LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void Form1Window::List1Remove(int index) {
  // The list view keeps selection by position: clear it before the entries move.
  List1Select(-1);
  // Only the rows from the removed one down change.
  RECT client = {};
  GetClientRect(list_, &client);
  RECT rows = client;
  if (ListView_GetItemRect(list_, index, &rows, LVIR_BOUNDS) && rows.top >= client.top) {
    rows.bottom = client.bottom;
  } else {
    rows = client;
  }
  InvalidateRect(list_, &rows, TRUE);
  ListView_SetItemCountEx(list_, static_cast<int>(form1_.entries().size()),
                          LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void Form1Window::List1Select(int index) {
  // Only the entry shown selected is cleared: asking the list view which one
  // that is, or clearing them all, visits every entry.
  selecting_ = true;
  if (shown_selection_ >= 0 && shown_selection_ != index) {
    ListView_SetItemState(list_, shown_selection_, 0, LVIS_SELECTED | LVIS_FOCUSED);
  }
  if (index >= 0) {
    ListView_SetItemState(list_, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list_, index, FALSE);
  }
  shown_selection_ = index;
  selecting_ = false;
}

void Form1Window::SetCommandEnabled(int index, bool enabled) {
  EnableWindow(commands_[index], enabled);
}

void Form1Window::SetStatusText(const std::wstring& text) {
  SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Form1Window::LoadToolbarPictures(const std::wstring& program_folder) {
  picture_folder_ = program_folder;
  LoadPictures();
}

}  // namespace vk
