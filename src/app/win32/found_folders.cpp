// "Hidden Folders Found": what the search found, each with a check box, and
// Add or Cancel.
#include "about/win32/forms.h"
#include "app/win32/search_windows.h"
#include "resource.h"

namespace vk {
namespace {

constexpr wchar_t kClassName[] = L"Veilkeep.Found";
constexpr wchar_t kCaption[] = L"Hidden Folders Found";

struct Found {
  const std::wstring& note;
  const std::vector<std::wstring>& found;
  std::vector<std::wstring>* chosen;
  bool added = false;
  Font font = {};
  HWND list = nullptr;

  void OnCreate(HWND hwnd) {
    const int dpi = static_cast<int>(GetDpiForWindow(hwnd));
    font = MakeTahoma(dpi, 825);
    SearchControl(hwnd, WC_STATICW, note.c_str(), SS_LEFT | SS_NOPREFIX, {180, 120, 7440, 900},
                  IDC_FOUND_NOTE, dpi, font.get());
    // Named for screen readers by its text.
    list = SearchControl(
        hwnd, WC_LISTVIEWW, L"Hidden folders found",
        WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
        {180, 1110, 7440, 2850}, IDC_FOUND_LIST, dpi, font.get(), WS_EX_CLIENTEDGE);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    LVCOLUMNW column = {};
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    for (const std::wstring& path : found) {
      item.pszText = const_cast<wchar_t*>(path.c_str());
      const int at =
          static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
      ListView_SetCheckState(list, at, TRUE);
      ++item.iItem;
    }
    ListView_SetItemState(list, 0, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE);
    SearchControl(hwnd, WC_BUTTONW, L"Add", WS_TABSTOP | BS_DEFPUSHBUTTON, {5085, 4110, 1095, 345},
                  IDC_FOUND_ADD, dpi, font.get());
    SearchControl(hwnd, WC_BUTTONW, L"Cancel", WS_TABSTOP | BS_PUSHBUTTON, {6525, 4110, 1095, 345},
                  IDCANCEL, dpi, font.get());
    SetFocus(list);
  }

  bool Handle(HWND hwnd, UINT message, WPARAM wparam, LPARAM, LRESULT* result) {
    if (message == DM_GETDEFID) {  // Enter: Add, unless Cancel has the focus
      *result = FocusedPushButton(hwnd);
      if (!*result) *result = MAKELRESULT(IDC_FOUND_ADD, DC_HASDEFID);
      return true;
    }
    if (message == WM_CREATE) {
      OnCreate(hwnd);
      *result = 0;
      return true;
    }
    if (message == WM_COMMAND && LOWORD(wparam) == IDC_FOUND_ADD && HIWORD(wparam) == BN_CLICKED) {
      for (size_t i = 0; i < found.size(); ++i) {
        if (ListView_GetCheckState(list, static_cast<int>(i))) chosen->push_back(found[i]);
      }
      added = true;
      return secondary::HandleCommon(hwnd, WM_CLOSE, 0, result);
    }
    return secondary::HandleCommon(hwnd, message, wparam, result);
  }
};

}  // namespace

bool ShowFoundFolders(HINSTANCE instance, HWND owner, const std::wstring& note,
                      const std::vector<std::wstring>& found, std::vector<std::wstring>* chosen) {
  secondary::RegisterClassOnce<Found>(instance, kClassName);
  Found form{note, found, chosen};
  HWND window = secondary::Create(instance, owner, kClassName, kCaption, 7800, 4620, &form);
  secondary::RunModal(window, owner);
  return form.added;
}

}  // namespace vk
