// Form2, the About window.
#include "about/win32/forms.h"

#include <commctrl.h>
#include <windowsx.h>

#include "app/layout.h"
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
  HFONT font = nullptr;
  HFONT title_font = nullptr;
  HICON icon = nullptr;

  int Px(int twips) const { return MulDiv(twips, dpi, 1440); }

  HWND Child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, TwipsRect r, int id,
             HFONT with) const {
    HWND child = CreateWindowExW(
        0, cls, text, WS_CHILD | WS_VISIBLE | style, Px(r.left), Px(r.top), Px(r.width),
        Px(r.height), parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (with) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(with), FALSE);
    return child;
  }

  // Form2's load: builds the controls and sets the version line.
  void OnCreate(HWND hwnd) {
    dpi = static_cast<int>(GetDpiForWindow(hwnd));
    font = CreateFontW(-MulDiv(825, dpi, 7200), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
    title_font = CreateFontW(-MulDiv(975, dpi, 7200), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
    // The icon at its natural 48 x 48, scaled with the DPI.
    const int icon_size = Px(720);
    icon = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_VEILKEEP), IMAGE_ICON, icon_size, icon_size, 0));
    HWND image = Child(hwnd, WC_STATICW, nullptr, SS_ICON | SS_REALSIZECONTROL,
                       {180, 120, 720, 720}, IDC_IMAGE1, nullptr);
    SendMessageW(image, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);

    Child(hwnd, WC_STATICW, L"Veilkeep", SS_LEFT | SS_NOPREFIX, {1110, 180, 2235, 255},
          IDC_LABEL1 + 0, title_font);
    Child(hwnd, WC_STATICW, version_text.c_str(), SS_LEFT | SS_NOPREFIX, {1110, 540, 2235, 255},
          IDC_LABEL1 + 1, font);
    Child(hwnd, WC_STATICW, kNotice, SS_LEFT | SS_NOPREFIX, {1110, 900, 3795, 345}, IDC_LABEL1 + 3,
          font);
    HWND ok = Child(hwnd, WC_BUTTONW, L"OK", WS_TABSTOP | BS_PUSHBUTTON, {2100, 1470, 1095, 315},
                    IDC_FORM2_OK, font);
    SetFocus(ok);
  }

  bool Handle(HWND hwnd, UINT message, WPARAM wparam, LPARAM, LRESULT*) {
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

  ~Form2() {
    if (font) DeleteObject(font);
    if (title_font) DeleteObject(title_font);
    if (icon) DestroyIcon(icon);
  }
};

}  // namespace

void ShowForm2(HINSTANCE instance, HWND owner, const std::wstring& version_text) {
  secondary::RegisterClassOnce(instance, kClassName, secondary::Proc<Form2>);
  Form2 form{instance, version_text};  // loaded afresh at every opening
  HWND window = secondary::Create(instance, owner, kClassName, kCaption, 5340, 1950, &form);
  secondary::RunModal(window, owner);
}

}  // namespace vk
