// The floor of the start-up benchmarks: the least a Win32 program of
// Veilkeep's kind does. Veilkeep's own start (system DLLs only, the same
// common controls), one top-level window of the same size, shown, messages
// pumped until idle.
#include <windows.h>
#include <commctrl.h>

#include "platform/win32/window_kit.h"

static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  vk::StartWindowsProgram();
  vk::StartCommonControls();
  constexpr wchar_t kClassName[] = L"Veilkeep.Floor";
  vk::RegisterWindowClass(instance, kClassName, Proc);
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
  RECT frame = {0, 0, 498, 278};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  HWND hwnd = CreateWindowExW(0, kClassName, L"Floor", style, CW_USEDEFAULT, CW_USEDEFAULT,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                              instance, nullptr);
  ShowWindow(hwnd, show);
  UpdateWindow(hwnd);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
