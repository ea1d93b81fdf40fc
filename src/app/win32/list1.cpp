#include "app/win32/list1.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <iterator>

#include "app/form1.h"
#include "app/layout.h"
#include "platform/twips.h"
#include "resource.h"

namespace vk {
namespace {

// What screen readers call List1: a list view's window text is its name.
constexpr wchar_t kName[] = L"Guarded folders";
// The menu: what the buttons do to the selected entry, with their letters.
constexpr int kMenu[] = {kOpen, kHide, kUnhide, kDelete};
constexpr const wchar_t* kMenuCaptions[] = {L"&Open", L"&Hide", L"&Unhide", L"&Delete"};
// Characters typed within this time of each other make one prefix.
constexpr DWORD kTypeAheadMs = 1000;

}  // namespace

void List1::Create(HWND parent, HINSTANCE instance) {
  hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, kName,
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER |
                              LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDATA,
                          0, 0, 0, 0, parent, reinterpret_cast<HMENU>(IDC_LIST1), instance,
                          nullptr);
  ListView_SetExtendedListViewStyle(hwnd_,
                                    LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
  SetWindowSubclass(hwnd_, Proc, 0, reinterpret_cast<DWORD_PTR>(this));
  LVCOLUMNW column = {};
  column.mask = LVCF_WIDTH;
  ListView_InsertColumn(hwnd_, 0, &column);
}

void List1::ApplyDpi(int dpi, HFONT font) {
  dpi_ = dpi;
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  const TwipsRect& l = layout::kList1;
  MoveWindow(hwnd_, TwipsToPixels(l.left, dpi), TwipsToPixels(l.top, dpi),
             TwipsToPixels(l.width, dpi), TwipsToPixels(l.height, dpi), TRUE);
  FitColumn();
}

void List1::FitColumn() {
  // The column leaves room for the vertical scroll bar, so that the list
  // never needs a horizontal one: a list that grows or shrinks then only
  // moves its vertical bar.
  RECT inside = {};
  GetWindowRect(hwnd_, &inside);
  const int edges = 2 * GetSystemMetricsForDpi(SM_CXEDGE, dpi_);
  const int scroll_bar = GetSystemMetricsForDpi(SM_CXVSCROLL, dpi_);
  ListView_SetColumnWidth(hwnd_, 0, inside.right - inside.left - edges - scroll_bar);
}

void List1::Fill(int count) {
  shown_selection_ = -1;
  ListView_SetItemCountEx(hwnd_, count, 0);
}

void List1::Append(int count) {
  ListView_SetItemCountEx(hwnd_, count, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void List1::Remove(int index, int count) {
  // The list view keeps selection by position: clear it before the entries move.
  Select(-1);
  // Only the rows from the removed one down change.
  RECT client = {};
  GetClientRect(hwnd_, &client);
  RECT rows = client;
  if (ListView_GetItemRect(hwnd_, index, &rows, LVIR_BOUNDS) && rows.top >= client.top) {
    rows.bottom = client.bottom;
  } else {
    rows = client;
  }
  InvalidateRect(hwnd_, &rows, TRUE);
  ListView_SetItemCountEx(hwnd_, count, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void List1::Select(int index) {
  // Only the entry shown selected is cleared: asking the list view which one
  // that is, or clearing them all, visits every entry.
  selecting_ = true;
  if (shown_selection_ >= 0 && shown_selection_ != index) {
    ListView_SetItemState(hwnd_, shown_selection_, 0, LVIS_SELECTED | LVIS_FOCUSED);
  }
  if (index >= 0) {
    ListView_SetItemState(hwnd_, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(hwnd_, index, FALSE);
  }
  shown_selection_ = index;
  selecting_ = false;
}

void List1::UserSelect(int index) {
  Select(index);
  owner_.List1UserSelect(index);
}

LRESULT List1::OnNotify(const NMHDR* header) {
  switch (header->code) {
    case LVN_GETDISPINFOW: {
      LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(header))->item;
      if ((item.mask & LVIF_TEXT) && item.iItem >= 0 && item.iItem < owner_.List1Count()) {
        item.pszText = const_cast<wchar_t*>(owner_.List1Text(item.iItem));
      }
      return 0;
    }
    case NM_CUSTOMDRAW: {
      // The selected entry is drawn in the selection colours even while the
      // list has no focus, as a list box shows it.
      auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(header));
      if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
      if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT &&
          static_cast<int>(draw->nmcd.dwItemSpec) == shown_selection_) {
        draw->nmcd.uItemState &= ~CDIS_SELECTED;
        draw->clrText = GetSysColor(COLOR_HIGHLIGHTTEXT);
        draw->clrTextBk = GetSysColor(COLOR_HIGHLIGHT);
      }
      return CDRF_DODEFAULT;
    }
    case LVN_ITEMCHANGED: {
      const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
      if (selecting_ || !(change->uChanged & LVIF_STATE)) return 0;
      if ((change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED)) {
        shown_selection_ = change->iItem;
        owner_.List1UserSelect(change->iItem);
      }
      return 0;
    }
  }
  return 0;
}

LRESULT CALLBACK List1::Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                             DWORD_PTR data) noexcept {
  auto* self = reinterpret_cast<List1*>(data);
  switch (message) {
    case WM_GETDLGCODE: {
      // Enter stays in List1, where it opens the selected folder.
      const auto* key = reinterpret_cast<const MSG*>(lparam);
      const bool enter = key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN;
      return DefSubclassProc(hwnd, message, wparam, lparam) | (enter ? DLGC_WANTMESSAGE : 0);
    }
    case WM_KEYDOWN:
      if (self->OnKey(static_cast<UINT>(wparam))) return 0;
      break;
    case WM_CHAR:  // typed text picks an entry as in a list box; the list view never sees it
      self->OnChar(static_cast<wchar_t>(wparam));
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: {
      LVHITTESTINFO hit = {};
      hit.pt = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      const int index = ListView_HitTest(hwnd, &hit);
      SetFocus(hwnd);
      if (index >= 0) self->UserSelect(index);
      return 0;  // a click beside the entries keeps the selection, as in a list box
    }
    case WM_RBUTTONUP: {  // the menu, for the entry under the mouse
      POINT at = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      ClientToScreen(hwnd, &at);
      self->OnContextMenu(MAKELPARAM(at.x, at.y));
      return 0;
    }
    case WM_CONTEXTMENU:  // the context key, or Shift+F10
      self->OnContextMenu(lparam);
      return 0;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, Proc, 0);
      break;
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

bool List1::OnKey(UINT key) {
  const int count = owner_.List1Count();
  if (count == 0) return false;
  const int current = owner_.List1Selected();
  const int page = std::max(1, ListView_GetCountPerPage(hwnd_) - 1);
  int target;
  switch (key) {
    case VK_UP:
      target = current - 1;
      break;
    case VK_DOWN:
      target = current + 1;
      break;
    case VK_PRIOR:
      target = current - page;
      break;
    case VK_NEXT:
      target = current + page;
      break;
    case VK_HOME:
      target = 0;
      break;
    case VK_END:
      target = count - 1;
      break;
    case VK_RETURN:  // opens the selected folder, as Open does
      if (owner_.List1CanChoose(kOpen)) owner_.List1Choose(kOpen);
      return true;
    default:
      return false;
  }
  target = std::clamp(target, 0, count - 1);
  if (current < 0 || target != current) UserSelect(target);
  return true;
}

void List1::OnChar(wchar_t typed) {
  if (typed < L' ') return;  // Enter, Escape, Backspace and the like are not text
  const DWORD now = static_cast<DWORD>(GetMessageTime());
  if (now - typed_at_ > kTypeAheadMs) typed_.clear();
  typed_at_ = now;
  typed_ += typed;
  owner_.List1Typed(typed_);
}

void List1::OnContextMenu(LPARAM lparam) {
  POINT at = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  const int selected = owner_.List1Selected();
  if (lparam == -1) {
    // From the keyboard: below the selected entry's text, scrolled into view.
    if (selected < 0) return;
    ListView_EnsureVisible(hwnd_, selected, FALSE);
    RECT row = {};
    if (!ListView_GetItemRect(hwnd_, selected, &row, LVIR_LABEL)) return;
    at = {row.left, row.bottom};
    ClientToScreen(hwnd_, &at);
  } else {
    // From the mouse: only on an entry, which becomes the selected one.
    LVHITTESTINFO hit = {};
    hit.pt = at;
    ScreenToClient(hwnd_, &hit.pt);
    const int index = ListView_HitTest(hwnd_, &hit);
    if (index < 0) return;
    if (index != selected) UserSelect(index);
  }
  ShowMenu(at);
}

void List1::ShowMenu(POINT at) {
  // No menu without an entry, or while nothing it offers may be chosen.
  if (owner_.List1Selected() < 0 || !owner_.List1CanChoose(kAdd)) return;
  HMENU menu = CreatePopupMenu();
  if (!menu) return;
  for (size_t i = 0; i < std::size(kMenu); ++i) {
    // Each item is enabled exactly as its button is.
    const UINT state = owner_.List1CanChoose(kMenu[i]) ? MF_ENABLED : MF_GRAYED;
    AppendMenuW(menu, MF_STRING | state, IDC_COMMAND1 + kMenu[i], kMenuCaptions[i]);
  }
  const int chosen = static_cast<int>(
      TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, GetParent(hwnd_), nullptr));
  DestroyMenu(menu);
  const int command = chosen - IDC_COMMAND1;
  if (command >= 0 && command < kCommandCount && owner_.List1CanChoose(command)) {
    owner_.List1Choose(command);
  }
}

}  // namespace vk
