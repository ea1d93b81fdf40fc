// The main window's behaviour: start-up, the folder commands, the selection
// status and the button rules.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/view.h"
#include "listfile/listfile.h"
#include "platform/platform.h"

namespace vk {

// Command1 indices.
enum Command : int { kAdd = 0, kDelete = 1, kOpen = 2, kHide = 3, kUnhide = 4 };
constexpr int kCommandCount = 5;

// Status panel texts.
inline constexpr const wchar_t* kStatusInitial = L"Hidden:";
inline constexpr const wchar_t* kStatusEmptied = L"Hidden: ";
inline constexpr const wchar_t* kStatusHidden = L"Hidden: True";
inline constexpr const wchar_t* kStatusShown = L"Hidden: False";

inline constexpr const wchar_t* kAddPrompt = L"Select A Folder:";
inline constexpr const wchar_t* kListFileName = L"\\data.bin";

class Form1 {
 public:
  Form1(Platform& platform, Form1View& view);

  // Start-up. Returns false, having touched nothing, when another copy runs.
  bool Load();

  // One handler for the five buttons.
  void Command1Click(int index);
  // The user selected `index` in List1.
  void List1Click(int index);
  // The user typed `prefix` in List1. As in a list box, the next entry whose
  // text starts with it, ignoring letter case, becomes the selected one: a
  // single character, or one character typed again and again, searches from
  // the entry after the selected one, a longer prefix from the selected one
  // itself, and the search wraps. When no entry matches, nothing changes.
  void List1Search(const std::wstring& prefix);
  // Folders dropped on the window: each is added as Add adds a chosen one,
  // with the same checks and messages, and the list is saved once. What is
  // refused (a file among them, too) is named in one message after the save.
  void DropFolders(const std::vector<std::wstring>& paths);

  const EntryList& entries() const { return entries_; }
  int selected() const { return selected_; }

 private:
  void SelectEntry(int index);
  void ShowSelectionStatus();
  void Add();
  // Why `path` may not join the list, or empty when it may: the checks of Add, in its order.
  std::wstring Refusal(const std::wstring& path, bool dropped);
  void AddFolders(const std::vector<std::wstring>& paths, bool dropped);
  void Delete();
  void Open(bool exists);
  void SetHidden(bool hide, bool exists);
  void MissingFolder();
  void ReportSave(const Status& saved);
  void Enable(int index, bool enabled) { view_.SetCommandEnabled(index, enabled); }

  Platform& platform_;
  Form1View& view_;
  std::unique_ptr<ListFile> list_file_;
  EntryList entries_;
  int selected_ = -1;
  std::wstring current_path_;
};

}  // namespace vk
