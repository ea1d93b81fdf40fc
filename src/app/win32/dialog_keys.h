// Keys that Veilkeep's windows share with dialog boxes. Their messages go
// through IsDialogMessage, which asks the window for its default button
// (DM_GETDEFID) when Enter is pressed.
#pragma once

#include <windows.h>

namespace vk {

// The answer to DM_GETDEFID: the enabled push button of `window` that has the
// focus, so that Enter presses it as Space does; 0 (no default button) when
// the focus is on anything else.
inline LRESULT FocusedPushButton(HWND window) {
  HWND focus = GetFocus();
  if (!focus || !IsChild(window, focus) || !IsWindowEnabled(focus)) return 0;
  if (!(SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON)) return 0;
  return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
}

}  // namespace vk
