// Entry point: restricts where DLLs come from, then runs the main window.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>

#include "app/win32/form1_window.h"
#include "app/win32/requests.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/window_kit.h"

// A window program has nowhere to print why it ends: the runtime's verbose
// handler for an uncaught exception, and the 45 KB demangler it brings, are
// left out. Nothing is thrown across a window procedure; should anything be
// left uncaught, the program ends as it would anyway.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
  // Before anything else loads.
  vk::StartWindowsProgram();
  // /hide, /unhide and /folder-menu: carried out without this window.
  if (std::optional<int> code = vk::RunCommandLine()) return *code;
  vk::StartCommonControls();

  int exit_code = 0;
  {
    vk::Win32Platform platform;
    vk::Form1Window form1(platform);
    if (form1.Create(instance)) {
      form1.Show(show_command);
      // Messages, and the changes of data.bin's folders, as they come.
      MSG msg = {};
      for (bool running = true; running;) {
        const vk::ListWatch& watch = form1.watch();
        const DWORD woke = MsgWaitForMultipleObjectsEx(watch.count(), watch.handles(), INFINITE,
                                                       QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        // A change of a watched folder, then the messages waiting: a folder
        // that changes all the time never keeps the window from answering.
        if (woke >= WAIT_OBJECT_0 && woke < WAIT_OBJECT_0 + watch.count()) {
          form1.OnListFolderChanged(woke - WAIT_OBJECT_0);
        } else if (woke == WAIT_FAILED) {
          WaitMessage();  // never a loop that spins
        }
        while (running && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
          running = msg.message != WM_QUIT;
          if (running && !IsDialogMessageW(form1.hwnd(), &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
          }
        }
        if (running) form1.OnIdle();
      }
      exit_code = static_cast<int>(msg.wParam);
    }
  }
  return exit_code;
}
