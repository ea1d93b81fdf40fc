// The second floor of the start-up benchmarks: the same window and controls
// as Veilkeep's main window, made by the same calls in the same order, shown
// and idle. Five push buttons, Toolbar1 with its four shown captioned buttons
// and their pictures read from the ico folder beside the exe, an owner-data
// report list view, SBar with its text and one Tahoma font. No data.bin, no
// single-instance check, no behaviour: what start-up costs Veilkeep beyond
// this is Veilkeep's own.
//
// Built with VEILKEEP_FLOOR_ROWS (veilkeep_floor_rows.exe) it shows what
// Veilkeep shows with 32,767 entries: the rows (a made-up path of the same
// length for each), the first one selected with its status, the buttons
// enabled as for that folder. It then does to its controls what Veilkeep's
// window does to them for each command, when its Delete, Hide or Unhide is
// clicked or a kFloor message says, so that the command benchmark can take
// those costs apart from Veilkeep's own.
#include <windows.h>
#include <commctrl.h>

#include <cwchar>
#include <string>

#include "about/toolbar.h"
#include "app/layout.h"
#include "floor_rows.h"
#include "resource.h"

namespace {

constexpr wchar_t kClassName[] = L"Veilkeep.FloorControls";
constexpr DWORD kStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;
constexpr const wchar_t* kCommandCaptions[5] = {L"Add", L"Delete", L"Open", L"Hide", L"Unhide"};
constexpr const wchar_t* kToolbarCaptions[vk::kToolbarButtonCount] = {
    L" Settings ", L"Help", L"Website", L"  Support  ", L"About"};

HINSTANCE instance;
int dpi = USER_DEFAULT_SCREEN_DPI;
HWND commands[5], toolbar, list, status;

#ifdef VEILKEEP_FLOOR_ROWS
int count = kFloorRows;  // rows shown
int shown = -1;          // the row shown selected

// What Veilkeep's List1Select does.
void Select(int index) {
  if (shown >= 0 && shown != index)
    ListView_SetItemState(list, shown, 0, LVIS_SELECTED | LVIS_FOCUSED);
  if (index >= 0) {
    ListView_SetItemState(list, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list, index, FALSE);
  }
  shown = index;
}

// What Veilkeep shows of a selected folder: the status and Hide or Unhide.
// The benchmark's data.bin names folders that do not exist, which Veilkeep
// shows as hidden (it can read no attributes); the folders it adds exist.
bool RowHidden(int index) { return index < kFloorRows; }

void ShowFolder(bool hidden) {
  SendMessageW(status, SB_SETTEXTW, 0,
               reinterpret_cast<LPARAM>(hidden ? L"Hidden: True" : L"Hidden: False"));
  EnableWindow(commands[3], !hidden);
  EnableWindow(commands[4], hidden);
}

void Command(UINT message) {
  switch (message) {
    case kFloorAdd:  // List1Append, then the new row selected
      ++count;
      ListView_SetItemCountEx(list, count, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
      Select(count - 1);
      ShowFolder(RowHidden(shown));
      EnableWindow(commands[1], TRUE);
      EnableWindow(commands[2], TRUE);
      break;
    case kFloorDelete: {  // List1Remove of the selected last row, then the new last row selected
      const int index = shown;
      Select(-1);
      RECT client = {};
      GetClientRect(list, &client);
      RECT rows = client;
      if (ListView_GetItemRect(list, index, &rows, LVIR_BOUNDS) && rows.top >= client.top) {
        rows.bottom = client.bottom;
      } else {
        rows = client;
      }
      InvalidateRect(list, &rows, TRUE);
      --count;
      ListView_SetItemCountEx(list, count, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
      Select(count - 1);
      ShowFolder(RowHidden(shown));
      break;
    }
    case kFloorHide:
      ShowFolder(true);
      break;
    case kFloorUnhide:
      ShowFolder(false);
      break;
    case kFloorUp:
    case kFloorDown:
      Select(shown + (message == kFloorUp ? -1 : 1));
      ShowFolder(RowHidden(shown));
      break;
  }
}

// A click of Delete, Hide or Unhide: that command's work, then, as in
// Veilkeep, the focus moves on from a button that disabled itself.
void Click(HWND hwnd, int index) {
  static constexpr UINT kCommands[5] = {0, kFloorDelete, 0, kFloorHide, kFloorUnhide};
  if (!kCommands[index]) return;
  Command(kCommands[index]);
  HWND focus = GetFocus();
  if (GetActiveWindow() == hwnd && (!focus || !IsWindowEnabled(focus))) {
    HWND next = commands[index];
    if (!IsWindowEnabled(next) || !IsWindowVisible(next))
      next = GetNextDlgTabItem(hwnd, next, FALSE);
    if (next) SetFocus(next);
  }
}
#endif

int Px(int twips) { return vk::TwipsToPixels(twips, dpi); }

void OnSize(HWND hwnd) {
  SendMessageW(toolbar, TB_AUTOSIZE, 0, 0);
  RECT client = {};
  GetClientRect(hwnd, &client);
  const int height = Px(vk::layout::kSBar.height);
  MoveWindow(status, 0, client.bottom - height, client.right, height, TRUE);
}

void CreateControls(HWND hwnd) {
  for (int i = 0; i < 5; ++i) {
    const DWORD style =
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | (i == 0 ? 0 : WS_DISABLED);
    commands[i] = CreateWindowExW(0, WC_BUTTONW, kCommandCaptions[i], style, 0, 0, 0, 0, hwnd,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_COMMAND1 + i)),
                                  instance, nullptr);
  }

  toolbar = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | CCS_TOP | CCS_NODIVIDER, 0, 0, 0,
                            0, hwnd, reinterpret_cast<HMENU>(IDC_TOOLBAR1), instance, nullptr);
  SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  TBBUTTON buttons[vk::kToolbarButtonCount] = {};
  for (int i = 0; i < vk::kToolbarButtonCount; ++i) {
    buttons[i].iBitmap = I_IMAGENONE;
    buttons[i].idCommand = IDC_TOOLBUTTON + i + 1;
    buttons[i].fsState = static_cast<BYTE>(TBSTATE_ENABLED | (i == 0 ? TBSTATE_HIDDEN : 0));
    buttons[i].fsStyle = BTNS_BUTTON;
    buttons[i].iString = reinterpret_cast<INT_PTR>(kToolbarCaptions[i]);
  }
  SendMessageW(toolbar, TB_ADDBUTTONSW, vk::kToolbarButtonCount, reinterpret_cast<LPARAM>(buttons));

  list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, nullptr,
                         WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER |
                             LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDATA,
                         0, 0, 0, 0, hwnd, reinterpret_cast<HMENU>(IDC_LIST1), instance, nullptr);
  ListView_SetExtendedListViewStyle(list,
                                    LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
  LVCOLUMNW column = {};
  column.mask = LVCF_WIDTH;
  ListView_InsertColumn(list, 0, &column);

  status = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr,
                           WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP | CCS_NORESIZE, 0, 0, 0, 0, hwnd,
                           reinterpret_cast<HMENU>(IDC_SBAR), instance, nullptr);
  SendMessageW(status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L"Hidden:"));
}

void Layout(HWND hwnd) {
  HFONT font = CreateFontW(-MulDiv(825, dpi, 7200), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
  const auto font_handle = reinterpret_cast<WPARAM>(font);
  for (HWND control : commands) SendMessageW(control, WM_SETFONT, font_handle, FALSE);
  SendMessageW(list, WM_SETFONT, font_handle, FALSE);
  SendMessageW(toolbar, WM_SETFONT, font_handle, FALSE);

  const vk::TwipsRect& l = vk::layout::kList1;
  MoveWindow(list, Px(l.left), Px(l.top), Px(l.width), Px(l.height), TRUE);
  RECT inside = {};
  GetWindowRect(list, &inside);
  const int edges = 2 * GetSystemMetricsForDpi(SM_CXEDGE, dpi);
  const int scroll_bar = GetSystemMetricsForDpi(SM_CXVSCROLL, dpi);
  ListView_SetColumnWidth(list, 0, inside.right - inside.left - edges - scroll_bar);
  for (int i = 0; i < 5; ++i) {
    const vk::TwipsRect& c = vk::layout::kCommand1[i];
    MoveWindow(commands[i], Px(c.left), Px(c.top), Px(c.width), Px(c.height), TRUE);
  }
  SendMessageW(toolbar, TB_SETBUTTONSIZE, 0,
               MAKELPARAM(Px(vk::layout::kToolButtonWidth), Px(vk::layout::kToolButtonHeight)));
  SendMessageW(
      toolbar, TB_SETBUTTONWIDTH, 0,
      MAKELPARAM(Px(vk::layout::kToolButtonWidth), Px(vk::layout::kToolButtonWidth * 3 / 2)));
  int part = Px(vk::layout::kSBarPanelWidth);
  SendMessageW(status, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&part));
  OnSize(hwnd);
}

// The pictures, as the main window loads them: each file of the ico folder
// beside the exe at 16 pixels (at 96 DPI) into one image list.
void LoadPictures() {
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring folder = exe;
  folder.resize(folder.find_last_of(L'\\'));
  const int size = MulDiv(16, dpi, USER_DEFAULT_SCREEN_DPI);
  HIMAGELIST images = ImageList_Create(size, size, ILC_COLOR32, vk::kToolbarButtonCount, 1);
  for (int i = 0; i < vk::kToolbarButtonCount; ++i) {
    const std::wstring file = folder + vk::kImageList1Files[i];
    HICON icon = static_cast<HICON>(
        LoadImageW(nullptr, file.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE));
    ImageList_AddIcon(images, icon);
    if (icon) DestroyIcon(icon);
  }
  SendMessageW(toolbar, TB_SETBITMAPSIZE, 0, MAKELPARAM(size, size));
  SendMessageW(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
  for (int button = 1; button <= vk::kToolbarButtonCount; ++button) {
    SendMessageW(toolbar, TB_CHANGEBITMAP, IDC_TOOLBUTTON + button,
                 vk::kToolbarPictures[button - 1]);
  }
}

LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      dpi = static_cast<int>(GetDpiForWindow(hwnd));
      CreateControls(hwnd);
      Layout(hwnd);
      return 0;
    case WM_SIZE:
      if (status) OnSize(hwnd);
      return 0;
#ifdef VEILKEEP_FLOOR_ROWS
    case WM_NOTIFY: {
      auto* info = reinterpret_cast<NMLVDISPINFOW*>(lparam);
      if (info->hdr.hwndFrom == list && info->hdr.code == LVN_GETDISPINFOW &&
          (info->item.mask & LVIF_TEXT)) {
        static wchar_t text[64];
        FloorRowText(info->item.iItem, text);
        info->item.pszText = text;
      }
      return 0;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      if (HIWORD(wparam) == BN_CLICKED && id >= IDC_COMMAND1 && id < IDC_COMMAND1 + 5) {
        Click(hwnd, id - IDC_COMMAND1);
      }
      return 0;
    }
    case kFloorAdd:
    case kFloorUp:
    case kFloorDown:
      Command(message);
      return 0;
#endif
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE this_instance, HINSTANCE, PWSTR, int show) {
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryW(L"");
  INITCOMMONCONTROLSEX controls = {};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_BAR_CLASSES | ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES;
  InitCommonControlsEx(&controls);
  instance = this_instance;

  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = Proc;
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
  RegisterClassExW(&wc);
  HWND hwnd = CreateWindowExW(kExStyle, kClassName, L"Floor with controls", kStyle, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                              instance, nullptr);

  // The set client size at this DPI, centred on the screen.
  RECT frame = {0, 0, Px(vk::layout::kClientWidth), Px(vk::layout::kClientHeight)};
  AdjustWindowRectExForDpi(&frame, kStyle, FALSE, kExStyle, dpi);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& work = monitor.rcWork;
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  SetWindowPos(hwnd, nullptr, work.left + (work.right - work.left - width) / 2,
               work.top + (work.bottom - work.top - height) / 2, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  LoadPictures();
#ifdef VEILKEEP_FLOOR_ROWS
  ListView_SetItemCountEx(list, count, 0);
  Select(0);
  ShowFolder(RowHidden(shown));
  EnableWindow(commands[1], TRUE);
  EnableWindow(commands[2], TRUE);
#endif

  ShowWindow(hwnd, show);
  UpdateWindow(hwnd);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(hwnd, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return 0;
}
