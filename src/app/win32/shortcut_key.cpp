// "Shortcut Key For Hide All...": the key of the Start menu's Hide All
// shortcut in the system's own key control, with OK, Remove and Cancel.
#include "app/win32/shortcut_key.h"

#include <commctrl.h>

#include "about/win32/forms.h"
#include "app/win32/search_windows.h"
#include "resource.h"

namespace vk {
namespace {

constexpr wchar_t kClassName[] = L"Veilkeep.ShortcutKey";
constexpr wchar_t kCaption[] = L"  Shortcut Key For Hide All";
constexpr wchar_t kNote[] =
    L"The key that hides every listed folder from anywhere, Veilkeep running or not: the Start "
    L"menu's shortcut \"Veilkeep - Hide All\" holds it. Press the key, with Ctrl or Alt:";

struct ShortcutKeyForm {
  uint16_t now;
  uint16_t* key;
  bool chosen = false;
  Font font = {};
  HWND hotkey = nullptr;

  void OnCreate(HWND hwnd) {
    const int dpi = static_cast<int>(GetDpiForWindow(hwnd));
    font = MakeTahoma(dpi, 825);
    SearchControl(hwnd, WC_STATICW, kNote, SS_LEFT | SS_NOPREFIX, {180, 120, 5400, 660},
                  IDC_KEY_NOTE, dpi, font.get());
    hotkey = SearchControl(hwnd, HOTKEY_CLASSW, L"Shortcut key", WS_TABSTOP | WS_BORDER,
                           {180, 900, 5400, 345}, IDC_KEY_HOTKEY, dpi, font.get());
    // A key alone, or with Shift alone, would be typed into the program in front: Ctrl+Alt then.
    SendMessageW(hotkey, HKM_SETRULES, HKCOMB_NONE | HKCOMB_S,
                 MAKELPARAM(HOTKEYF_CONTROL | HOTKEYF_ALT, 0));
    SendMessageW(hotkey, HKM_SETHOTKEY, now, 0);
    const struct {
      const wchar_t* caption;
      int id;
      int left;
      DWORD style;
    } buttons[] = {{L"OK", IDC_KEY_OK, 2205, BS_DEFPUSHBUTTON},
                   {L"Remove", IDC_KEY_REMOVE, 3345, BS_PUSHBUTTON},
                   {L"Cancel", IDCANCEL, 4485, BS_PUSHBUTTON}};
    for (const auto& b : buttons) {
      SearchControl(hwnd, WC_BUTTONW, b.caption, WS_TABSTOP | b.style, {b.left, 1470, 1095, 345},
                    b.id, dpi, font.get());
    }
    SetFocus(hotkey);
  }

  bool Handle(HWND hwnd, UINT message, WPARAM wparam, LPARAM, LRESULT* result) {
    if (message == DM_GETDEFID) {  // Enter: OK, unless another button has the focus
      *result = FocusedPushButton(hwnd);
      if (!*result) *result = MAKELRESULT(IDC_KEY_OK, DC_HASDEFID);
      return true;
    }
    if (message == WM_CREATE) {
      OnCreate(hwnd);
      *result = 0;
      return true;
    }
    const int id = LOWORD(wparam);
    if (message == WM_COMMAND && HIWORD(wparam) == BN_CLICKED &&
        (id == IDC_KEY_OK || id == IDC_KEY_REMOVE)) {
      *key =
          id == IDC_KEY_OK ? static_cast<uint16_t>(SendMessageW(hotkey, HKM_GETHOTKEY, 0, 0)) : 0;
      chosen = true;
      return secondary::HandleCommon(hwnd, WM_CLOSE, 0, result);
    }
    return secondary::HandleCommon(hwnd, message, wparam, result);
  }
};

}  // namespace

bool ShowShortcutKey(HINSTANCE instance, HWND owner, uint16_t now, uint16_t* key) {
  secondary::RegisterClassOnce<ShortcutKeyForm>(instance, kClassName);
  ShortcutKeyForm form{now, key};
  HWND window = secondary::Create(instance, owner, kClassName, kCaption, 5760, 1980, &form);
  secondary::RunModal(window, owner);
  return form.chosen;
}

}  // namespace vk
