// The search's progress window: how many folders were searched, the one
// searched now, and Cancel, while the search runs on a thread of its own.
#include <atomic>

#include "about/win32/forms.h"
#include "app/win32/search_windows.h"
#include "resource.h"

namespace vk {
namespace {

constexpr wchar_t kClassName[] = L"Veilkeep.Searching";
constexpr wchar_t kCaption[] = L"  Find Hidden Folders";
constexpr UINT kSearchEnded = WM_APP + 1;
constexpr UINT_PTR kShowTimer = 1;
constexpr UINT kShowMs = 100;  // how often the progress is shown

class Searching final : public SearchWatch {
 public:
  explicit Searching(const std::function<void(SearchWatch&)>& search) : search_(search) {}

  // The search's thread: notes where it is, and whether to go on.
  bool Next(const std::wstring& folder, uint64_t searched) override {
    searched_.store(searched, std::memory_order_relaxed);
    if (wanted_.load(std::memory_order_relaxed) && wanted_.exchange(false)) {
      AcquireSRWLockExclusive(&lock_);
      folder_ = folder;
      ReleaseSRWLockExclusive(&lock_);
    }
    return !cancelled_.load(std::memory_order_relaxed);
  }
  static DWORD WINAPI Run(void* param) {
    auto* self = static_cast<Searching*>(param);
    self->search_(*self);
    self->ended_ = true;
    PostMessageW(self->hwnd_, kSearchEnded, 0, 0);
    return 0;
  }
  // Stops the search at its next folder; a listing that waits on a drive
  // that does not answer (a share whose server is gone) is cut short.
  void Cancel() {
    cancelled_ = true;
    if (thread_) CancelSynchronousIo(thread_);
  }
  HANDLE thread_ = nullptr;

  // The window's thread.
  bool Handle(HWND hwnd, UINT message, WPARAM wparam, LPARAM, LRESULT* result) {
    if (!hwnd_) hwnd_ = hwnd;  // before the search's thread starts
    *result = 0;
    switch (message) {
      case WM_CREATE:
        OnCreate();
        return true;
      case WM_TIMER:
        Show();
        return true;
      case kSearchEnded:  // closes, as Escape would once the search is over
        Show();
        return secondary::HandleCommon(hwnd, WM_CLOSE, 0, result);
      case WM_CLOSE:
      case WM_COMMAND:
        if (ended_ || (message == WM_COMMAND && LOWORD(wparam) != IDCANCEL)) break;
        // Cancel, Escape or closing: the search stops at its next folder, then the window goes.
        Cancel();
        EnableWindow(GetDlgItem(hwnd, IDCANCEL), FALSE);
        return true;
    }
    return secondary::HandleCommon(hwnd, message, wparam, result);
  }

 private:
  void OnCreate() {
    const int dpi = static_cast<int>(GetDpiForWindow(hwnd_));
    font_ = MakeTahoma(dpi, 825);
    SearchControl(hwnd_, WC_STATICW, L"Folders searched: 0", SS_LEFT | SS_NOPREFIX,
                  {180, 150, 5340, 255}, IDC_SEARCH_COUNT, dpi, font_.get());
    SearchControl(hwnd_, WC_STATICW, L"", SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS,
                  {180, 450, 5340, 255}, IDC_SEARCH_FOLDER, dpi, font_.get());
    SetFocus(SearchControl(hwnd_, WC_BUTTONW, L"Cancel", WS_TABSTOP | BS_PUSHBUTTON,
                           {4425, 840, 1095, 345}, IDCANCEL, dpi, font_.get()));
    SetTimer(hwnd_, kShowTimer, kShowMs, nullptr);
  }
  void Show() {
    const std::wstring count =
        L"Folders searched: " + Decimal(searched_.load(std::memory_order_relaxed));
    SetDlgItemTextW(hwnd_, IDC_SEARCH_COUNT, count.c_str());
    AcquireSRWLockShared(&lock_);
    const std::wstring folder = folder_;
    ReleaseSRWLockShared(&lock_);
    if (folder != shown_) SetDlgItemTextW(hwnd_, IDC_SEARCH_FOLDER, folder.c_str());
    shown_ = folder;
    wanted_ = true;
  }

  const std::function<void(SearchWatch&)>& search_;
  HWND hwnd_ = nullptr;
  Font font_;
  std::atomic<uint64_t> searched_{0};
  std::atomic<bool> wanted_{true}, cancelled_{false}, ended_{false};
  SRWLOCK lock_ = SRWLOCK_INIT;
  std::wstring folder_;  // the folder searched when the window last asked
  std::wstring shown_;
};

}  // namespace

void RunSearchWindow(HINSTANCE instance, HWND owner,
                     const std::function<void(SearchWatch&)>& search) {
  secondary::RegisterClassOnce<Searching>(instance, kClassName);
  Searching searching(search);
  HWND window = secondary::Create(instance, owner, kClassName, kCaption, 5700, 1365, &searching);
  HANDLE thread =
      window ? CreateThread(nullptr, 0, Searching::Run, &searching, 0, nullptr) : nullptr;
  searching.thread_ = thread;
  if (!thread) {  // no window, or no thread for it: searched here
    if (window) DestroyWindow(window);
    return search(searching);
  }
  secondary::RunModal(window, owner);
  // Gone early (the program is ending): the search stops, and is waited for.
  searching.Cancel();
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
}

}  // namespace vk
