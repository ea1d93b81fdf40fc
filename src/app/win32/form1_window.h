// The main window: creates, lays out and scales its controls, turns what the
// user does into Form1's actions and shows what Form1 decides.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "app/form1.h"
#include "app/view.h"
#include "app/win32/command1.h"
#include "app/win32/list1.h"
#include "app/win32/list_watch.h"
#include "app/win32/toolbar1.h"
#include "platform/twips.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/window_kit.h"

namespace vk {

class Form1Window final : public Form1View, private List1Owner {
 public:
  explicit Form1Window(Win32Platform& platform);
  ~Form1Window() override;

  // Creates the window hidden and runs start-up. False when the program must end.
  bool Create(HINSTANCE instance);
  void Show(int show_command);
  // The message queue is empty: what waited for the window runs now (AtIdle).
  void OnIdle();
  HWND hwnd() const { return hwnd_; }
  // What the message loop waits on besides messages: the folders of data.bin.
  const ListWatch& watch() const { return watch_; }
  // A folder of data.bin changed (watch handle `index` was signalled).
  void OnListFolderChanged(DWORD index);

  // Form1View
  void List1Fill(const EntryList& entries) override;
  void List1Append(std::wstring_view entry) override;
  void List1Remove(int index) override;
  void List1Select(int index) override;
  void SetCommandEnabled(int index, bool enabled) override;
  void SetStatusText(const std::wstring& text) override;
  void LoadToolbarPictures(const std::wstring& program_folder) override;
  void ShowHowToUse() override;
  void ShowAbout(const std::wstring& version_text) override;
  void FollowAgainSoon() override;
  void AtIdle(std::function<void()> then) override;
  void RunAside(const std::function<void()>& work, std::function<void()> done) override;
  void RunSearch(const std::function<void(SearchWatch&)>& search) override;
  bool ChooseFoundFolders(const std::wstring& note, const std::vector<std::wstring>& found,
                          std::vector<std::wstring>* chosen) override;
  bool ChooseShortcutKey(uint16_t now, uint16_t* key) override;

  // For WindowProc: every message of the main window.
  bool Handle(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);

 private:
  // List1Owner
  int List1Count() override;
  const wchar_t* List1Text(int index) override;
  int List1Selected() override;
  void List1UserSelect(int index) override;
  void List1Typed(const std::wstring& typed) override;
  bool List1CanChoose(int command) override;
  void List1Choose(int command) override;

  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void OnCreate();
  // One of the items Veilkeep adds to the system menu: false for the system's own.
  bool OnSystemCommand(UINT id);
  void OnActivate(bool active);
  void OnCommand(int id, int code);
  LRESULT OnNotify(const NMHDR* header);
  void OnSize();
  void OnDpiChanged(int dpi, const RECT* suggested);
  void OnDropFiles(HDROP drop);
  void OnTimer(UINT_PTR id);
  // A request handed over by a start with a command line: queued, carried out
  // after this message is answered.
  LRESULT OnCopyData(const COPYDATASTRUCT* data);
  // Command1(index) clicked, from its button, List1's menu or Enter in List1.
  void ClickCommand(int index);
  // Gives the keyboard focus to `control` or, when it cannot take it, to the
  // next control in tab order that can, as the dialog manager moves it.
  void FocusOn(HWND control);

  static DWORD WINAPI Aside(void* form);

  void CreateControls();
  void ApplyDpi();  // positions, fonts and pictures for dpi_
  int Px(int twips) const { return TwipsToPixels(twips, dpi_); }

  Win32Platform& platform_;
  Form1 form1_;
  HINSTANCE instance_ = nullptr;
  HWND hwnd_ = nullptr;
  Command1 commands_;
  Toolbar1 toolbar_;
  List1 list_{*this};
  HWND status_ = nullptr;
  Font font_;
  int dpi_ = USER_DEFAULT_SCREEN_DPI;
  HWND focus_ = nullptr;  // the control that had the focus when the window was last active
  ListWatch watch_;
  bool shown_ = false;
  std::function<void()> aside_work_, aside_done_;  // RunAside's, while under way
  KernelHandle aside_;                             // its thread
  std::function<void()> idle_work_;                // AtIdle's, until the queue empties
  bool settling_ = false;      // a burst of changes in data.bin's folders is settling...
  ULONGLONG burst_began_ = 0;  // ...since this tick
};

// The main window of the copy that runs in this session; null when none does.
HWND FindRunningForm1();

}  // namespace vk
