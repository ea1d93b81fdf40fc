// Command1: the five buttons Add, Delete, Open, Hide and Unhide, one control
// array. A click reaches the owner as WM_COMMAND with IDC_COMMAND1 + index.
#pragma once

#include <windows.h>

#include "app/form1.h"

namespace vk {

class Command1 {
 public:
  // Creates them in tab order, Add enabled and the rest disabled.
  void Create(HWND parent, HINSTANCE instance);
  // Their font and places at `dpi`.
  void ApplyDpi(int dpi, HFONT font);
  HWND operator[](int index) const { return buttons_[index]; }

 private:
  HWND buttons_[kCommandCount] = {};
};

}  // namespace vk
