// Form3, the How To Use window: a picture and nothing else.
#include "about/win32/forms.h"
#include "resource.h"

namespace vk {
namespace {

constexpr wchar_t kClassName[] = L"Veilkeep.Form3";
constexpr wchar_t kCaption[] = L"  How To Use";

struct Form3 {
  Bitmap picture;

  bool Handle(HWND hwnd, UINT message, WPARAM wparam, LPARAM, LRESULT* result);
};

void Paint(HWND hwnd, const Form3& form) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  BITMAP info = {};
  if (form.picture && GetObjectW(form.picture.get(), sizeof(info), &info)) {
    // Drawn from the top-left corner at the window's DPI; the last row may fall outside.
    const int dpi = static_cast<int>(GetDpiForWindow(hwnd));
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, form.picture.get());
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, 0, 0, MulDiv(info.bmWidth, dpi, USER_DEFAULT_SCREEN_DPI),
               MulDiv(info.bmHeight, dpi, USER_DEFAULT_SCREEN_DPI), memory, 0, 0, info.bmWidth,
               info.bmHeight, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
  }
  EndPaint(hwnd, &ps);
}

bool Form3::Handle(HWND hwnd, UINT message, WPARAM wparam, LPARAM, LRESULT* result) {
  if (secondary::HandleCommon(hwnd, message, wparam, result)) return true;
  if (message != WM_PAINT) return false;
  Paint(hwnd, *this);
  return true;
}

}  // namespace

void ShowForm3(HINSTANCE instance, HWND owner) {
  secondary::RegisterClassOnce<Form3>(instance, kClassName);
  Form3 form;
  form.picture.reset(static_cast<HBITMAP>(LoadImageW(instance, MAKEINTRESOURCEW(IDB_HOWTOUSE),
                                                     IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  HWND window = secondary::Create(instance, owner, kClassName, kCaption, 7815, 4935, &form);
  secondary::RunModal(window, owner);
}

}  // namespace vk
