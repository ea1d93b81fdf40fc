// The two secondary windows. Each is shown modally by one call that returns
// when the user closes it; the owner is disabled meanwhile.
#pragma once

#include <windows.h>

#include <string>

#include "app/win32/dialog_keys.h"

namespace vk {

// Form2, "  About": the program icon, name, `version_text` and the notice.
void ShowForm2(HINSTANCE instance, HWND owner, const std::wstring& version_text);

// Form3, "  How To Use": the instruction picture.
void ShowForm3(HINSTANCE instance, HWND owner);

// Shared plumbing of the secondary windows.
namespace secondary {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT;

// Registers `class_name` once with `proc`.
void RegisterClassOnce(HINSTANCE instance, const wchar_t* class_name, WNDPROC proc);

// Creates a fixed tool window whose client area is `width` x `height` twips
// at the owner's DPI, centred on the owner. `param` reaches WM_NCCREATE.
HWND Create(HINSTANCE instance, HWND owner, const wchar_t* class_name, const wchar_t* caption,
            int width_twips, int height_twips, void* param);

// Disables the owner, shows `window` and pumps messages until it is destroyed.
void RunModal(HWND window, HWND owner);

// The window procedure of a secondary window whose state is a `Form`, passed
// to Create: binds the form at WM_NCCREATE, closes the window (enabling the
// owner first, so that activation returns to it) on WM_CLOSE and on Escape,
// lets Enter press the focused button, and hands every other message to
// `form->Handle`, which returns true when it answered it.
template <typename Form>
LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    form = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  } else if (message == WM_CLOSE || (message == WM_COMMAND && LOWORD(wparam) == IDCANCEL)) {
    EnableWindow(GetWindow(hwnd, GW_OWNER), TRUE);
    DestroyWindow(hwnd);
    return 0;
  } else if (message == DM_GETDEFID) {
    return FocusedPushButton(hwnd);
  }
  LRESULT result = 0;
  if (form && form->Handle(hwnd, message, wparam, lparam, &result)) return result;
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace secondary
}  // namespace vk
