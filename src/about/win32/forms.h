// The two secondary windows. Each is shown modally by one call that returns
// when the user closes it; the owner is disabled meanwhile.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/window_kit.h"

namespace vk {

// Form2, "  About": the program icon, name, `version_text` and the notice.
void ShowForm2(HINSTANCE instance, HWND owner, const std::wstring& version_text);

// Form3, "  How To Use": the instruction picture.
void ShowForm3(HINSTANCE instance, HWND owner);

// Shared plumbing of the secondary windows.
namespace secondary {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT;

// Registers `class_name` once for windows whose state is a `Form` (see WindowProc).
void RegisterClassOnce(HINSTANCE instance, const wchar_t* class_name, WNDPROC proc);
template <typename Form>
void RegisterClassOnce(HINSTANCE instance, const wchar_t* class_name) {
  RegisterClassOnce(instance, class_name, WindowProc<Form>);
}

// Creates a fixed tool window whose client area is `width` x `height` twips
// at the owner's DPI, centred on the owner. `param` reaches WM_NCCREATE.
HWND Create(HINSTANCE instance, HWND owner, const wchar_t* class_name, const wchar_t* caption,
            int width_twips, int height_twips, void* param);

// Disables the owner, shows `window` and pumps messages until it is destroyed.
void RunModal(HWND window, HWND owner);

// What every secondary window does before its own handling: closes (enabling
// the owner first, so that activation returns to it) on WM_CLOSE and on
// Escape, and lets Enter press the focused button. True when it answered.
bool HandleCommon(HWND hwnd, UINT message, WPARAM wparam, LRESULT* result);

}  // namespace secondary
}  // namespace vk
