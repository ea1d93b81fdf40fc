// The second floor of the start-up benchmarks: the same window and controls
// as Veilkeep's main window, made by the same calls in the same order, shown
// and idle. Five push buttons, Toolbar1 with its four shown captioned buttons
// and their pictures read from the ico folder beside the exe, an owner-data
// report list view, SBar with its text and one Tahoma font. Toolbar1 and
// List1 are Veilkeep's own controls, the same classes. No data.bin, no
// single-instance check, no Form1: what start-up costs Veilkeep beyond this
// is Veilkeep's own.
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

#include "app/layout.h"
#include "app/win32/command1.h"
#include "app/win32/list1.h"
#include "app/win32/toolbar1.h"
#include "floor_rows.h"
#include "platform/twips.h"
#include "platform/win32/window_kit.h"
#include "resource.h"

namespace {

constexpr wchar_t kClassName[] = L"Veilkeep.FloorControls";
constexpr DWORD kStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;

HINSTANCE instance;
int dpi = USER_DEFAULT_SCREEN_DPI;
vk::Command1 commands;
HWND status;
#ifdef VEILKEEP_FLOOR_ROWS
int count = kFloorRows;  // rows shown
#else
int count = 0;
#endif
int shown = -1;  // the row shown selected

// List1's rows, and nothing done when the user works it.
class Rows final : public vk::List1Owner {
 public:
  int List1Count() override { return count; }
  const wchar_t* List1Text(int index) override {
    FloorRowText(index, text_);
    return text_;
  }
  int List1Selected() override { return shown; }
  void List1UserSelect(int) override {}
  void List1Typed(const std::wstring&) override {}
  bool List1CanChoose(int) override { return false; }
  void List1Choose(int) override {}

 private:
  wchar_t text_[64] = {};
};
Rows rows;
vk::Toolbar1 toolbar;
vk::List1 list(rows);

#ifdef VEILKEEP_FLOOR_ROWS
// What Veilkeep's List1Select does.
void Select(int index) {
  list.Select(index);
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
      list.Append(count);
      Select(count - 1);
      ShowFolder(RowHidden(shown));
      EnableWindow(commands[1], TRUE);
      EnableWindow(commands[2], TRUE);
      break;
    case kFloorDelete: {  // List1Remove of the selected last row, then the new last row selected
      const int index = shown;
      --count;
      list.Remove(index, count);
      shown = -1;
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
  toolbar.FitWidth();
  RECT client = {};
  GetClientRect(hwnd, &client);
  const int height = Px(vk::layout::kSBar.height);
  MoveWindow(status, 0, client.bottom - height, client.right, height, TRUE);
}

void CreateControls(HWND hwnd) {
  commands.Create(hwnd, instance);
  toolbar.Create(hwnd, instance);
  list.Create(hwnd, instance);
  status = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr,
                           WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP | CCS_NORESIZE, 0, 0, 0, 0, hwnd,
                           reinterpret_cast<HMENU>(IDC_SBAR), instance, nullptr);
  SendMessageW(status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L"Hidden:"));
}

void Layout(HWND hwnd) {
  HFONT font = CreateFontW(-MulDiv(825, dpi, 7200), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
  commands.ApplyDpi(dpi, font);
  list.ApplyDpi(dpi, font);
  toolbar.ApplyDpi(dpi, font);
  int part = Px(vk::layout::kSBarPanelWidth);
  SendMessageW(status, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&part));
  OnSize(hwnd);
}

// The pictures, as the main window loads them, from the ico folder beside the exe.
void LoadPictures() {
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring folder = exe;
  folder.resize(folder.find_last_of(L'\\'));
  toolbar.LoadPictures(folder);
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
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (header->hwndFrom == toolbar.hwnd()) return toolbar.OnNotify(header);
      if (header->hwndFrom == list.hwnd()) return list.OnNotify(header);
      return 0;
    }
#ifdef VEILKEEP_FLOOR_ROWS
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
  vk::StartWindowsProgram();
  vk::StartCommonControls();
  instance = this_instance;
  vk::RegisterWindowClass(instance, kClassName, Proc, IDI_VEILKEEP);
  HWND hwnd = CreateWindowExW(kExStyle, kClassName, L"Floor with controls", kStyle, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                              instance, nullptr);

  vk::CentreOnScreen(hwnd, Px(vk::layout::kClientWidth), Px(vk::layout::kClientHeight), dpi);
  LoadPictures();
#ifdef VEILKEEP_FLOOR_ROWS
  list.Fill(count);
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
