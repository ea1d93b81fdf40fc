#include "app/win32/command1.h"

#include <commctrl.h>

#include "app/layout.h"
#include "platform/twips.h"
#include "resource.h"

namespace vk {

void Command1::Create(HWND parent, HINSTANCE instance) {
  static constexpr const wchar_t* kCaptions[kCommandCount] = {L"Add", L"Delete", L"Open", L"Hide",
                                                              L"Unhide"};
  for (int i = 0; i < kCommandCount; ++i) {
    const DWORD style =
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | (i == kAdd ? 0 : WS_DISABLED);
    buttons_[i] = CreateWindowExW(0, WC_BUTTONW, kCaptions[i], style, 0, 0, 0, 0, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_COMMAND1 + i)),
                                  instance, nullptr);
  }
}

void Command1::ApplyDpi(int dpi, HFONT font) {
  for (int i = 0; i < kCommandCount; ++i) {
    SendMessageW(buttons_[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    const TwipsRect& c = layout::kCommand1[i];
    MoveWindow(buttons_[i], TwipsToPixels(c.left, dpi), TwipsToPixels(c.top, dpi),
               TwipsToPixels(c.width, dpi), TwipsToPixels(c.height, dpi), TRUE);
  }
}

}  // namespace vk
