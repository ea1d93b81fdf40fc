// The main window: turns messages into Form1 calls and shows what Form1 decides.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>

#include "app/form1.h"
#include "app/layout.h"
#include "app/view.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/window_kit.h"

namespace vk {

class Form1Window final : public Form1View {
 public:
  explicit Form1Window(Win32Platform& platform);

  // Creates the window hidden and runs start-up. False when the program must end.
  bool Create(HINSTANCE instance);
  void Show(int show_command);
  HWND hwnd() const { return hwnd_; }

  // Form1View
  void List1Fill(const EntryList& entries) override;
  void List1Append(const std::wstring& entry) override;
  void List1Remove(int index) override;
  void List1Select(int index) override;
  void SetCommandEnabled(int index, bool enabled) override;
  void SetStatusText(const std::wstring& text) override;
  void LoadToolbarPictures(const std::wstring& program_folder) override;
  void ShowHowToUse() override;
  void ShowAbout(const std::wstring& version_text) override;

  // For WindowProc: every message of the main window.
  bool Handle(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);

 private:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

  void OnCreate();
  void OnActivate(bool active);
  void OnCommand(int id, int code);
  void OnSize();
  void OnDpiChanged(int dpi, const RECT* suggested);
  // Command1(index) clicked, from its button, List1's menu or Enter in List1.
  void ClickCommand(int index);
  void OnDropFiles(HDROP drop);
  // List1's menu: Open, Hide, Unhide and Delete, at `at` (screen).
  void OnList1ContextMenu(LPARAM lparam);
  void ShowList1Menu(POINT at);
  LRESULT OnNotify(const NMHDR* header);
  LRESULT OnToolbarNotify(const NMHDR* header);
  // Gives the keyboard focus to `control` or, when it cannot take it, to the
  // next control in tab order that can, as the dialog manager moves it.
  void FocusOn(HWND control);
  // List1's own keyboard and mouse selection, moved in one step each.
  static LRESULT CALLBACK List1Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                    UINT_PTR id, DWORD_PTR data) noexcept;
  bool List1Key(UINT key);
  void List1Char(wchar_t typed);
  void UserSelect(int index);
  void FitList1Column();

  void CreateControls();
  void ApplyDpi();      // positions, fonts and pictures for dpi_
  void LoadPictures();  // ImageList1 at dpi_, shown on the toolbar
  int PictureSize() const;
  int Px(int twips) const { return TwipsToPixels(twips, dpi_); }

  Win32Platform& platform_;
  Form1 form1_;
  HINSTANCE instance_ = nullptr;
  HWND hwnd_ = nullptr;
  HWND toolbar_ = nullptr;
  HWND list_ = nullptr;
  HWND status_ = nullptr;
  HWND commands_[kCommandCount] = {};
  Font font_;
  ImageList images_;
  std::wstring picture_folder_;  // where ImageList1's files are; empty until start-up says
  int dpi_ = USER_DEFAULT_SCREEN_DPI;
  bool selecting_ = false;    // List1Select is moving the selection: no click
  int shown_selection_ = -1;  // the entry List1 shows selected
  HWND focus_ = nullptr;      // the control that had the focus when the window was last active
  std::wstring typed_;        // what was typed in List1 in quick succession
  DWORD typed_at_ = 0;        // when its last character came
};

}  // namespace vk
