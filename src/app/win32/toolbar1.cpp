#include "app/win32/toolbar1.h"

#include <commctrl.h>

#include "about/toolbar.h"
#include "app/layout.h"
#include "platform/twips.h"
#include "resource.h"

namespace vk {
namespace {

// Buttons 1..5; button 1 exists but is not shown.
constexpr const wchar_t* kCaptions[kToolbarButtonCount] = {L" Settings ", L"Help", L"Website",
                                                           L"  Support  ", L"About"};
constexpr int kPictureSize = 16;  // pictures at 96 DPI
constexpr int kHelpButton = 1;    // the first shown button, by 0-based position

}  // namespace

void Toolbar1::Create(HWND parent, HINSTANCE instance) {
  instance_ = instance;
  hwnd_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | CCS_TOP | CCS_NODIVIDER, 0, 0, 0, 0,
                          parent, reinterpret_cast<HMENU>(IDC_TOOLBAR1), instance, nullptr);
  SetWindowSubclass(hwnd_, Proc, 0, 0);
  SendMessageW(hwnd_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  TBBUTTON buttons[kToolbarButtonCount] = {};
  for (int i = 0; i < kToolbarButtonCount; ++i) {
    buttons[i].iBitmap = I_IMAGENONE;
    buttons[i].idCommand = IDC_TOOLBUTTON + i + 1;
    buttons[i].fsState = static_cast<BYTE>(TBSTATE_ENABLED | (i == 0 ? TBSTATE_HIDDEN : 0));
    buttons[i].fsStyle = BTNS_BUTTON;
    buttons[i].iString = reinterpret_cast<INT_PTR>(kCaptions[i]);
  }
  SendMessageW(hwnd_, TB_ADDBUTTONSW, kToolbarButtonCount, reinterpret_cast<LPARAM>(buttons));
}

void Toolbar1::ApplyDpi(int dpi, HFONT font) {
  dpi_ = dpi;
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  ShowPictures();
  const int width = TwipsToPixels(layout::kToolButtonWidth, dpi);
  SendMessageW(hwnd_, TB_SETBUTTONSIZE, 0,
               MAKELPARAM(width, TwipsToPixels(layout::kToolButtonHeight, dpi)));
  // The set width, grown only as far as a caption needs in the font at hand.
  SendMessageW(hwnd_, TB_SETBUTTONWIDTH, 0,
               MAKELPARAM(width, TwipsToPixels(layout::kToolButtonWidth * 3 / 2, dpi)));
}

void Toolbar1::LoadPictures(const std::wstring& program_folder) {
  picture_folder_ = program_folder;
  ShowPictures();
}

void Toolbar1::ShowPictures() {
  if (picture_folder_.empty()) return;  // start-up has not said where they are yet
  const int size = MulDiv(kPictureSize, dpi_, USER_DEFAULT_SCREEN_DPI);
  ImageList images(ImageList_Create(size, size, ILC_COLOR32, kToolbarButtonCount, 1));
  for (int i = 0; i < kToolbarButtonCount; ++i) {
    const std::wstring file = picture_folder_ + kImageList1Files[i];
    Icon icon(static_cast<HICON>(
        LoadImageW(nullptr, file.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE)));
    if (!icon) {
      // A missing or unreadable picture file: the copy built into the program.
      icon.reset(static_cast<HICON>(
          LoadImageW(instance_, MAKEINTRESOURCEW(IDI_PICTURE1 + i), IMAGE_ICON, size, size, 0)));
    }
    ImageList_AddIcon(images.get(), icon.get());  // a null icon still takes its place
  }
  SendMessageW(hwnd_, TB_SETBITMAPSIZE, 0, MAKELPARAM(size, size));
  SendMessageW(hwnd_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images.get()));
  for (int button = 1; button <= kToolbarButtonCount; ++button) {
    SendMessageW(hwnd_, TB_CHANGEBITMAP, IDC_TOOLBUTTON + button, kToolbarPictures[button - 1]);
  }
  images_ = std::move(images);  // the old list goes once the toolbar has let go of it
}

void Toolbar1::FitWidth() { SendMessageW(hwnd_, TB_AUTOSIZE, 0, 0); }

LRESULT Toolbar1::OnNotify(const NMHDR* header) {
  switch (header->code) {
    case TBN_HOTITEMCHANGE: {
      // The arrow keys pass the hidden Settings button by: it never becomes hot.
      const auto* change = reinterpret_cast<const NMTBHOTITEM*>(header);
      return SendMessageW(hwnd_, TB_ISBUTTONHIDDEN, change->idNew, 0) != 0;
    }
    case NM_CUSTOMDRAW: {
      // While Toolbar1 has the focus, its hot button (the one Space and Enter
      // press) is framed like a focused push button.
      auto* draw = reinterpret_cast<NMTBCUSTOMDRAW*>(const_cast<NMHDR*>(header));
      if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
      if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) return CDRF_NOTIFYPOSTPAINT;
      if (draw->nmcd.dwDrawStage == CDDS_ITEMPOSTPAINT && (draw->nmcd.uItemState & CDIS_HOT) &&
          GetFocus() == hwnd_) {
        RECT inside = draw->nmcd.rc;
        const int edge = 2 * GetSystemMetricsForDpi(SM_CXEDGE, dpi_);
        InflateRect(&inside, -edge, -edge);
        DrawFocusRect(draw->nmcd.hdc, &inside);
      }
      return CDRF_DODEFAULT;
    }
  }
  return 0;
}

LRESULT CALLBACK Toolbar1::Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                DWORD_PTR) noexcept {
  switch (message) {
    case WM_GETDLGCODE: {
      // The arrows stay in Toolbar1, and so does Enter, which presses the hot button.
      const auto* key = reinterpret_cast<const MSG*>(lparam);
      const bool enter = key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN;
      return DLGC_WANTARROWS | (enter ? DLGC_WANTMESSAGE : 0);
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      const LRESULT result = DefSubclassProc(hwnd, message, wparam, lparam);
      // With the focus, a button is hot: the one hot before, or else Help.
      if (message == WM_SETFOCUS && SendMessageW(hwnd, TB_GETHOTITEM, 0, 0) < 0) {
        SendMessageW(hwnd, TB_SETHOTITEM, kHelpButton, 0);
      }
      InvalidateRect(hwnd, nullptr, TRUE);  // the frame comes or goes
      return result;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, Proc, 0);
      break;
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

}  // namespace vk
