// Form2, the About window.
#include "about/win32/forms.h"

#include <commctrl.h>

#include "platform/twips.h"
#include "resource.h"

namespace vk {
namespace {

constexpr wchar_t kClassName[] = L"Veilkeep.Form2";
constexpr wchar_t kCaption[] = L"  About";
constexpr wchar_t kNotice[] = L"Hides folders from view, not from access.";

struct Form2 {
  HINSTANCE instance;
  std::wstring version_text;
  int dpi = USER_DEFAULT_SCREEN_DPI;
  Font font = {};
  Font title_font = {};
  Icon icon = {};

  HWND Child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, TwipsRect r, int id,
             HFONT with) const {
    HWND child = CreateWindowExW(
        0, cls, text, WS_CHILD | WS_VISIBLE | style, TwipsToPixels(r.left, dpi),
        TwipsToPixels(r.top, dpi), TwipsToPixels(r.width, dpi), TwipsToPixels(r.height, dpi),
        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (with) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(with), FALSE);
    return child;
  }

  // Form2's load: builds the controls and sets the version line.
  void OnCreate(HWND hwnd) {
    dpi = static_cast<int>(GetDpiForWindow(hwnd));
    font = MakeTahoma(dpi, 825);
    title_font = MakeTahoma(dpi, 975, FW_BOLD);
    // The icon at its natural 48 x 48, scaled with the DPI.
    const int icon_size = TwipsToPixels(720, dpi);
    icon.reset(static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_VEILKEEP), IMAGE_ICON, icon_size, icon_size, 0)));
    HWND image = Child(hwnd, WC_STATICW, nullptr, SS_ICON | SS_REALSIZECONTROL,
                       {180, 120, 720, 720}, IDC_IMAGE1, nullptr);
    SendMessageW(image, STM_SETICON, reinterpret_cast<WPARAM>(icon.get()), 0);

    Child(hwnd, WC_STATICW, L"Veilkeep", SS_LEFT | SS_NOPREFIX, {1110, 180, 2235, 255},
          IDC_LABEL1 + 0, title_font.get());
    Child(hwnd, WC_STATICW, version_text.c_str(), SS_LEFT | SS_NOPREFIX, {1110, 540, 2235, 255},
          IDC_LABEL1 + 1, font.get());
    Child(hwnd, WC_STATICW, kNotice, SS_LEFT | SS_NOPREFIX, {1110, 900, 3795, 345}, IDC_LABEL1 + 3,
          font.get());
    HWND ok = Child(hwnd, WC_BUTTONW, L"OK", WS_TABSTOP | BS_PUSHBUTTON, {2100, 1470, 1095, 315},
                    IDC_FORM2_OK, font.get());
    SetFocus(ok);
  }

  bool Handle(HWND hwnd, UINT message, WPARAM wparam, LPARAM, LRESULT* result) {
    if (secondary::HandleCommon(hwnd, message, wparam, result)) return true;
    if (message == WM_CREATE) {
      OnCreate(hwnd);
      return true;
    }
    if (message == WM_COMMAND && LOWORD(wparam) == IDC_FORM2_OK && HIWORD(wparam) == BN_CLICKED) {
      SendMessageW(hwnd, WM_CLOSE, 0, 0);  // OK unloads the window
      return true;
    }
    return false;
  }
};

}  // namespace

void ShowForm2(HINSTANCE instance, HWND owner, const std::wstring& version_text) {
  secondary::RegisterClassOnce<Form2>(instance, kClassName);
  Form2 form{instance, version_text};  // loaded afresh at every opening
  HWND window = secondary::Create(instance, owner, kClassName, kCaption, 5340, 1950, &form);
  secondary::RunModal(window, owner);
}

}  // namespace vk
