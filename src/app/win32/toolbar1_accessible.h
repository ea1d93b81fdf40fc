// What a screen reader learns of Toolbar1: each shown button, by its caption.
#pragma once

#include <windows.h>

namespace vk {

// The answer to WM_GETOBJECT for `toolbar`. Its client object is the system's
// own, with the shown buttons added as its children: each a push button named
// by its caption, located where it is drawn and pressed by its default action.
// 0 (the system's answer) for other objects, or when accessibility cannot load.
LRESULT Toolbar1Accessible(HWND toolbar, WPARAM wparam, LPARAM lparam);

}  // namespace vk
