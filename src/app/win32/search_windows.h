// The windows of the search for hidden folders: its progress, and what it
// found. Each is shown modally by one call, its owner disabled meanwhile.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/twips.h"
#include "search/find_hidden.h"

namespace vk {

// Runs `search` on a thread of its own while a small window shows how many
// folders it has searched and the one it searches now, a few times a
// second, with Cancel (Escape and closing the window too), which its watch
// answers at the next folder. Returns once the search has ended.
void RunSearchWindow(HINSTANCE instance, HWND owner,
                     const std::function<void(SearchWatch&)>& search);

// "Hidden Folders Found": `note`, then `found` in a list with a check box
// each, all checked, with Add (the default button) and Cancel. True for Add,
// with those checked then in *chosen.
bool ShowFoundFolders(HINSTANCE instance, HWND owner, const std::wstring& note,
                      const std::vector<std::wstring>& found, std::vector<std::wstring>* chosen);

// A control of either window, at `r` twips for `dpi`, in `font`.
inline HWND SearchControl(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style,
                          TwipsRect r, int id, int dpi, HFONT font, DWORD ex_style = 0) {
  HWND child = CreateWindowExW(ex_style, cls, text, WS_CHILD | WS_VISIBLE | style,
                               TwipsToPixels(r.left, dpi), TwipsToPixels(r.top, dpi),
                               TwipsToPixels(r.width, dpi), TwipsToPixels(r.height, dpi), parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return child;
}

}  // namespace vk
