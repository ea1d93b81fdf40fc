#include "app/form1.h"

#include <algorithm>

#include "app/messages.h"
#include "module1/module1.h"

namespace vk {

Form1::Form1(Platform& platform, Form1View& view) : platform_(platform), view_(view) {}

bool Form1::Load() {
  if (platform_.AnotherInstanceRunning()) return false;

  const std::wstring folder = platform_.ProgramFolder();
  view_.LoadToolbarPictures(folder);

  list_file_ = std::make_unique<ListFile>(platform_, folder + kListFileName);
  LoadResult loaded = list_file_->LoadList();
  if (loaded.state == LoadState::Unreadable) {
    ShowError(platform_, msg::CannotRead(list_file_->path(), loaded.reason));
  }
  entries_ = std::move(loaded.entries);
  view_.List1Fill(entries_);
  if (!entries_.empty()) {
    SelectEntry(0);
    Enable(kDelete, true);
    Enable(kOpen, true);
  }
  return true;
}

void Form1::SelectEntry(int index) {
  selected_ = index;
  view_.List1Select(index);
  ShowSelectionStatus();
}

void Form1::List1Click(int index) {
  if (index < 0 || index >= static_cast<int>(entries_.size())) return;
  selected_ = index;
  ShowSelectionStatus();
}

void Form1::List1Search(const std::wstring& prefix) {
  const int count = static_cast<int>(entries_.size());
  if (prefix.empty() || count == 0) return;
  // "d", "dd", "ddd"...: each "d" moves on to the next entry that starts with "d".
  const std::wstring first = prefix.substr(0, 1);
  bool one_key = true;
  for (wchar_t typed : prefix) {
    one_key = one_key && platform_.StartsWithIgnoringCase(std::wstring(1, typed), first);
  }
  const std::wstring& wanted = one_key ? first : prefix;
  const int from = one_key ? selected_ + 1 : std::max(selected_, 0);
  for (int step = 0; step < count; ++step) {
    const int index = (from + step) % count;
    if (platform_.StartsWithIgnoringCase(entries_[index], wanted)) {
      if (index != selected_) SelectEntry(index);
      return;
    }
  }
}

void Form1::ShowSelectionStatus() {
  if (selected_ < 0) return;
  const uint32_t attributes = platform_.GetAttributes(entries_[selected_]);
  const bool hidden = (attributes & kAttrSystem) != 0 && (attributes & kAttrHidden) != 0;
  view_.SetStatusText(hidden ? kStatusHidden : kStatusShown);
  Enable(kHide, !hidden);
  Enable(kUnhide, hidden);
}

void Form1::Command1Click(int index) {
  current_path_ = selected_ >= 0 ? entries_[selected_] : std::wstring();
  const bool exists = platform_.FolderExists(current_path_);

  if (index == kAdd) return Add();
  if (index < kDelete || index > kUnhide || selected_ < 0) return;
  switch (index) {
    case kDelete:
      return Delete();
    case kOpen:
      return Open(exists);
    case kHide:
      return SetHidden(true, exists);
    case kUnhide:
      return SetHidden(false, exists);
  }
}

void Form1::Add() {
  BrowseResult picked = PickFolder(platform_, kAddPrompt);
  if (picked.outcome == BrowseOutcome::Cancelled) return;
  if (picked.outcome == BrowseOutcome::NoPath) return ShowError(platform_, msg::InvalidFolder());
  AddFolders({picked.path}, false);
}

void Form1::DropFolders(const std::vector<std::wstring>& paths) { AddFolders(paths, true); }

std::wstring Form1::Refusal(const std::wstring& path, bool dropped) {
  // Anything can be dropped; the browser only gives folders.
  if (dropped && !platform_.FolderExists(path)) return msg::NotAFolder(path);
  if (path.size() <= 3) return msg::InvalidFolder();
  std::wstring why;
  if (!IsSupportedFolder(platform_, path, &why)) return why;
  for (const auto& entry : entries_) {
    if (entry == path) return msg::AlreadyListed(path);
  }
  // The list file separates entries with ";", so such a path would come back as two.
  if (path.find(L';') != std::wstring::npos) return msg::HasSeparator(path);
  return {};
}

void Form1::AddFolders(const std::vector<std::wstring>& paths, bool dropped) {
  std::wstring refusals;
  bool added = false;
  for (const auto& path : paths) {
    const std::wstring refusal = Refusal(path, dropped);
    if (!refusal.empty()) {
      refusals += (refusals.empty() ? L"" : L"\n\n") + refusal;
      continue;
    }
    entries_.push_back(path);
    view_.List1Append(path);
    added = true;
  }
  if (added) {
    ReportSave(list_file_->SaveWholeList(entries_));
    SelectEntry(static_cast<int>(entries_.size()) - 1);
    Enable(kDelete, true);
    Enable(kOpen, true);
  }
  if (!refusals.empty()) ShowError(platform_, refusals);
}

void Form1::Delete() {
  const int index = selected_;
  entries_.erase(entries_.begin() + index);
  selected_ = -1;
  view_.List1Remove(index);
  ReportSave(list_file_->SaveEntryByEntry(entries_));
  if (entries_.empty()) {
    Enable(kDelete, false);
    Enable(kOpen, false);
    Enable(kHide, false);
    Enable(kUnhide, false);
    view_.SetStatusText(kStatusEmptied);
  } else {
    SelectEntry(static_cast<int>(entries_.size()) - 1);
  }
}

void Form1::Open(bool exists) {
  if (!exists) return MissingFolder();
  Status opened = platform_.OpenFolder(current_path_);
  if (!opened) ShowError(platform_, msg::CannotOpen(current_path_, opened.reason));
}

void Form1::SetHidden(bool hide, bool exists) {
  if (!exists) return MissingFolder();
  const uint32_t attributes = hide ? (kAttrReadOnly | kAttrHidden | kAttrSystem) : kAttrReadOnly;
  Status set = platform_.SetAttributes(current_path_, attributes);
  if (!set) {
    ShowError(platform_, hide ? msg::CannotHide(current_path_, set.reason)
                              : msg::CannotUnhide(current_path_, set.reason));
    // Show what the folder really is now, not what was asked for.
    return ShowSelectionStatus();
  }
  view_.SetStatusText(hide ? kStatusHidden : kStatusShown);
  Enable(kHide, !hide);
  Enable(kUnhide, hide);
}

void Form1::MissingFolder() {
  ShowError(platform_, msg::DoesNotExist(current_path_));
  Delete();
}

void Form1::ReportSave(const Status& saved) {
  if (!saved) ShowError(platform_, msg::CannotSave(list_file_->path(), saved.reason));
}

}  // namespace vk
