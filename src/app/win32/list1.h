// List1: the guarded folders, an owner-data report list view that asks for
// each row's text as it draws it, so that even a long list costs nothing to
// show. It behaves as a list box does: one entry selected, shown selected
// even without the focus, arrows, Page Up/Down, Home and End move the
// selection, typed letters find an entry. Enter opens the selected folder,
// and a right-click, the context key or Shift+F10 gives a menu of what the
// buttons do to it.
#pragma once

#include <windows.h>

#include <string>

namespace vk {

// What List1 asks of and tells the window that owns it.
class List1Owner {
 public:
  virtual ~List1Owner() = default;
  virtual int List1Count() = 0;
  virtual const wchar_t* List1Text(int index) = 0;
  // The entry held selected, -1 when none.
  virtual int List1Selected() = 0;
  // The user selected `index`; List1 already shows it.
  virtual void List1UserSelect(int index) = 0;
  // The user typed `typed` in quick succession.
  virtual void List1Typed(const std::wstring& typed) = 0;
  // Whether Command1(`command`) may be chosen now, and choosing it.
  virtual bool List1CanChoose(int command) = 0;
  virtual void List1Choose(int command) = 0;
};

class List1 {
 public:
  explicit List1(List1Owner& owner) : owner_(owner) {}

  void Create(HWND parent, HINSTANCE instance);
  HWND hwnd() const { return hwnd_; }
  // Its font, place and column at `dpi`.
  void ApplyDpi(int dpi, HFONT font);

  // It now holds `count` entries: all new, one more at the end, or one fewer
  // after `index` was removed.
  void Fill(int count);
  void Append(int count);
  void Remove(int index, int count);
  // Shows `index` as selected (-1: none), scrolled into view. Raises no selection.
  void Select(int index);

  // Its notifications to the owner: each row's text, the selection drawn,
  // and a selection made by other means than its keys and clicks (such as
  // assistive technology). 0 when it has nothing to say.
  LRESULT OnNotify(const NMHDR* header);

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                               UINT_PTR id, DWORD_PTR data) noexcept;
  bool OnKey(UINT key);
  void OnChar(wchar_t typed);
  // The menu at the entry under the mouse (`lparam`, screen) or, from the
  // keyboard (-1), below the selected one.
  void OnContextMenu(LPARAM lparam);
  void ShowMenu(POINT at);
  void UserSelect(int index);
  void FitColumn();

  List1Owner& owner_;
  HWND hwnd_ = nullptr;
  int dpi_ = USER_DEFAULT_SCREEN_DPI;
  bool selecting_ = false;    // Select is moving the selection: no notice to the owner
  int shown_selection_ = -1;  // the entry shown selected
  std::wstring typed_;        // what was typed in quick succession
  DWORD typed_at_ = 0;        // when its last character came
};

}  // namespace vk
