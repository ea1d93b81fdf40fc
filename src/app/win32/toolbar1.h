// Toolbar1: Help, Website, Support and About, each a picture over its
// caption (a fifth button, Settings, exists but is never shown). Its clicks
// reach the owner as WM_COMMAND with IDC_TOOLBUTTON + the button's index.
// Screen readers read it through the system's own accessible object, which
// names each button by its caption.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/window_kit.h"

namespace vk {

class Toolbar1 {
 public:
  // Creates the toolbar along the top of `parent`, a tab stop whose arrows
  // move between its buttons and whose Space and Enter press one.
  void Create(HWND parent, HINSTANCE instance);
  HWND hwnd() const { return hwnd_; }

  // Its font, button sizes and pictures at `dpi`.
  void ApplyDpi(int dpi, HFONT font);
  // ImageList1 from the pictures in `program_folder` (one that cannot be
  // loaded is replaced by the program's own copy), shown as the buttons' pictures.
  void LoadPictures(const std::wstring& program_folder);
  // Follows the owner's width.
  void FitWidth();

  // Its notifications to the owner: the hidden button never becomes hot, and
  // the hot button is framed while the toolbar has the focus.
  LRESULT OnNotify(const NMHDR* header);

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                               DWORD_PTR) noexcept;
  void ShowPictures();

  HWND hwnd_ = nullptr;
  HINSTANCE instance_ = nullptr;
  int dpi_ = USER_DEFAULT_SCREEN_DPI;
  ImageList images_;
  std::wstring picture_folder_;  // empty until start-up says where the pictures are
};

}  // namespace vk
