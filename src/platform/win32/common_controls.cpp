// comctl32 loaded at the first call of one of its functions, which only a
// window makes: a command carried out without a window never loads it, nor
// what its start brings with it (the display driver, the visual styles).
//
// The system headers declare these functions imported: every call goes
// through the pointer __imp_NAME, which an import library would fill at
// start-up. Here each pointer is the program's own, and starts at a function
// that loads the DLL (the version the manifest asks for), finds the real one,
// puts it in the pointer's place and calls it. Only the window's thread calls
// them.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>

namespace {

using AnyFunction = void (*)();

AnyFunction Find(const char* name) {
  static const HMODULE comctl32 = LoadLibraryW(L"comctl32.dll");
  const FARPROC found = comctl32 ? GetProcAddress(comctl32, name) : nullptr;
  if (!found) std::abort();  // a Windows without its common controls: nothing to show
  return reinterpret_cast<AnyFunction>(found);
}

}  // namespace

#define VK_COMCTL32(result, name, parameters, arguments)                     \
  extern "C" {                                                               \
  result WINAPI First##name parameters;                                      \
  decltype(&First##name) __imp_##name = First##name;                         \
  result WINAPI First##name parameters {                                     \
    __imp_##name = reinterpret_cast<decltype(&First##name)>(Find(#name));    \
    return __imp_##name arguments;                                           \
  }                                                                          \
  }

VK_COMCTL32(BOOL, InitCommonControlsEx, (const INITCOMMONCONTROLSEX* controls), (controls))
VK_COMCTL32(HIMAGELIST, ImageList_Create, (int cx, int cy, UINT flags, int initial, int grow),
            (cx, cy, flags, initial, grow))
VK_COMCTL32(BOOL, ImageList_Destroy, (HIMAGELIST list), (list))
VK_COMCTL32(int, ImageList_ReplaceIcon, (HIMAGELIST list, int index, HICON icon),
            (list, index, icon))
VK_COMCTL32(BOOL, SetWindowSubclass,
            (HWND window, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data), (window, proc, id, data))
VK_COMCTL32(BOOL, RemoveWindowSubclass, (HWND window, SUBCLASSPROC proc, UINT_PTR id),
            (window, proc, id))
VK_COMCTL32(LRESULT, DefSubclassProc, (HWND window, UINT message, WPARAM wparam, LPARAM lparam),
            (window, message, wparam, lparam))
