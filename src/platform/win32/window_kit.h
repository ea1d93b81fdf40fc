// What every window of the program is built from: handles that free
// themselves, the one font, and the one window procedure.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <utility>

namespace vk {

// Owns one handle and frees it with `Free` when it goes; `kNone` is the
// value that holds nothing.
template <typename Handle, typename Free, intptr_t kNone = 0>
class Owned {
 public:
  Owned() = default;
  explicit Owned(Handle handle) : handle_(handle) {}
  ~Owned() { reset(); }
  Owned(Owned&& other) noexcept : handle_(other.release()) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != None(); }
  Handle release() { return std::exchange(handle_, None()); }
  void reset(Handle handle = None()) {
    if (handle_ != None()) Free()(handle_);
    handle_ = handle;
  }

 private:
  static Handle None() { return reinterpret_cast<Handle>(kNone); }
  Handle handle_ = None();
};

struct FreeGdiObject {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct FreeIcon {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct FreeImageList {
  void operator()(HIMAGELIST list) const { ImageList_Destroy(list); }
};
struct FreeKernelHandle {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};

using Font = Owned<HFONT, FreeGdiObject>;
using Bitmap = Owned<HBITMAP, FreeGdiObject>;
using Icon = Owned<HICON, FreeIcon>;
using ImageList = Owned<HIMAGELIST, FreeImageList>;
using KernelHandle = Owned<HANDLE, FreeKernelHandle>;    // null is none
using FileHandle = Owned<HANDLE, FreeKernelHandle, -1>;  // INVALID_HANDLE_VALUE is none

// `name` from `library`, a system DLL loaded on first use; null when either is missing.
template <typename Function>
void Bind(HMODULE library, const char* name, Function* function) {
  FARPROC proc = library ? GetProcAddress(library, name) : nullptr;
  *function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

// Tahoma at `points_100` hundredths of a point (825 for 8.25 pt) for `dpi`.
inline Font MakeTahoma(int dpi, int points_100, int weight = FW_NORMAL) {
  return Font(CreateFontW(-MulDiv(points_100, dpi, 7200), 0, 0, 0, weight, FALSE, FALSE, FALSE,
                          DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                          CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma"));
}

// The answer to DM_GETDEFID, which IsDialogMessage asks a window when Enter
// is pressed: the enabled push button of `window` that has the focus, so that
// Enter presses it as Space does; 0 (no default button) for anything else.
inline LRESULT FocusedPushButton(HWND window) {
  HWND focus = GetFocus();
  if (!focus || !IsChild(window, focus) || !IsWindowEnabled(focus)) return 0;
  if (!(SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON)) return 0;
  return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
}

// What a program of ours does first: DLLs only from the system folder, and
// no box from the system for a drive with nothing in it.
inline void StartWindowsProgram() {
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryW(L"");
  // A card reader or DVD drive with nothing in it answers "not ready" to
  // every call, instead of the system asking the user to insert a disk.
  SetErrorMode(SEM_FAILCRITICALERRORS);
}

// Then, before its first window: the common controls its windows use. A
// command carried out without a window never loads them.
inline void StartCommonControls() {
  INITCOMMONCONTROLSEX controls = {};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_BAR_CLASSES | ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_HOTKEY_CLASS;
  InitCommonControlsEx(&controls);
}

// Registers a window class: the icon `icon_id` of `instance` (0: none) at
// the large and small sizes, the arrow, the face colour of buttons.
inline bool RegisterWindowClass(HINSTANCE instance, const wchar_t* class_name, WNDPROC proc,
                                int icon_id = 0) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  if (icon_id) {
    wc.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(icon_id), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXICON),
                                             GetSystemMetrics(SM_CYICON), 0));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(icon_id), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
  }
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = class_name;
  return RegisterClassExW(&wc) != 0;
}

// Gives `window` a client area of `width` x `height` pixels at `dpi`, centred
// on the work area of its screen.
inline void CentreOnScreen(HWND window, int width, int height, int dpi) {
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
  const DWORD ex_style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
  RECT frame = {0, 0, width, height};
  AdjustWindowRectExForDpi(&frame, style, FALSE, ex_style, static_cast<UINT>(dpi));
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& work = monitor.rcWork;
  const int outer_width = frame.right - frame.left;
  const int outer_height = frame.bottom - frame.top;
  SetWindowPos(window, nullptr, work.left + (work.right - work.left - outer_width) / 2,
               work.top + (work.bottom - work.top - outer_height) / 2, outer_width, outer_height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

// The window procedure of a window whose state is a `Window`, passed as the
// last argument of CreateWindowEx: binds it at WM_NCCREATE, then hands it
// every message; `Window::Handle` returns true when it answered one.
template <typename Window>
LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  auto* window = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    window = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
  }
  LRESULT result = 0;
  if (window && window->Handle(hwnd, message, wparam, lparam, &result)) return result;
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace vk
