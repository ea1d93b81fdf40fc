#include "about/win32/forms.h"

#include "platform/twips.h"

namespace vk {
namespace secondary {

void RegisterClassOnce(HINSTANCE instance, const wchar_t* class_name, WNDPROC proc) {
  WNDCLASSEXW existing = {};
  existing.cbSize = sizeof(existing);
  if (!GetClassInfoExW(instance, class_name, &existing)) {
    RegisterWindowClass(instance, class_name, proc);
  }
}

HWND Create(HINSTANCE instance, HWND owner, const wchar_t* class_name, const wchar_t* caption,
            int width_twips, int height_twips, void* param) {
  const int dpi = static_cast<int>(GetDpiForWindow(owner));
  RECT frame = {0, 0, TwipsToPixels(width_twips, dpi), TwipsToPixels(height_twips, dpi)};
  AdjustWindowRectExForDpi(&frame, kStyle, FALSE, kExStyle, dpi);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  RECT around = {};
  GetWindowRect(owner, &around);
  const int x = around.left + (around.right - around.left - width) / 2;
  const int y = around.top + (around.bottom - around.top - height) / 2;
  return CreateWindowExW(kExStyle, class_name, caption, kStyle, x, y, width, height, owner, nullptr,
                         instance, param);
}

namespace {
// Set on a secondary window whose owner was already disabled when it opened
// (by a message box, say): closing it must not enable the owner under that box.
constexpr wchar_t kOwnerWasDisabled[] = L"Veilkeep.OwnerWasDisabled";

// Gives the owner back the enabled state it had before `window` opened.
void GiveBackOwner(HWND window, HWND owner) {
  if (!GetPropW(window, kOwnerWasDisabled)) EnableWindow(owner, TRUE);
}
}  // namespace

void RunModal(HWND window, HWND owner) {
  if (!window) return;
  const bool owner_was_disabled = !IsWindowEnabled(owner);
  if (owner_was_disabled) SetPropW(window, kOwnerWasDisabled, reinterpret_cast<HANDLE>(1));
  EnableWindow(owner, FALSE);
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  MSG msg;
  while (IsWindow(window)) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // the program is ending: pass it on
      break;
    }
    if (got < 0) break;
    if (!IsDialogMessageW(window, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  // Enable the owner before the window goes, so activation returns to it.
  if (IsWindow(window)) {
    GiveBackOwner(window, owner);
    RemovePropW(window, kOwnerWasDisabled);
    DestroyWindow(window);
  } else if (!owner_was_disabled) {
    EnableWindow(owner, TRUE);
  }
  if (!owner_was_disabled) SetActiveWindow(owner);
}

bool HandleCommon(HWND hwnd, UINT message, WPARAM wparam, LRESULT* result) {
  if (message == WM_CLOSE || (message == WM_COMMAND && LOWORD(wparam) == IDCANCEL)) {
    GiveBackOwner(hwnd, GetWindow(hwnd, GW_OWNER));
    RemovePropW(hwnd, kOwnerWasDisabled);
    DestroyWindow(hwnd);
    *result = 0;
    return true;
  }
  if (message == DM_GETDEFID) {
    *result = FocusedPushButton(hwnd);
    return true;
  }
  return false;
}

}  // namespace secondary
}  // namespace vk
