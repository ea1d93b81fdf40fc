#include "app/form1.h"

#include <algorithm>

#include "about/toolbar.h"
#include "app/drive_rules.h"
#include "app/messages.h"
#include "module1/module1.h"
#include "platform/file_system.h"
#include "platform/path_root.h"

namespace vk {

Form1::Form1(Platform& platform, Form1View& view, std::wstring publisher_host)
    : platform_(platform), view_(view), publisher_host_(std::move(publisher_host)) {}

bool Form1::Load(bool window) {
  if (window && platform_.AnotherInstanceRunning()) return false;
  window_ = window;

  const std::wstring folder = platform_.ProgramFolder();
  view_.LoadToolbarPictures(folder);

  list_file_ = std::make_unique<ListFile>(platform_, folder + kListFileName);
  LoadResult loaded = list_file_->LoadList();
  entries_ = std::move(loaded.entries);
  // The entries that travelled with the stick: without a window, those beyond
  // doubt at once; with one, once it shows the list (FollowStick), on the
  // first list read whole.
  const bool read = loaded.state == LoadState::Loaded;
  if (!window && read) TakeMoves(FollowProgramDrive(platform_, entries_, folder));
  stick_pending_ = window && (read || loaded.busy);
  view_.List1Fill(entries_);
  if (!entries_.empty()) {
    SelectEntry(0);
    Enable(kDelete, true);
    Enable(kOpen, true);
  }
  // Said over the list as it is shown.
  if (loaded.state == LoadState::Unreadable) {
    Error(msg::CannotRead(list_file_->path(), loaded.reason));
  } else if (loaded.recovered) {
    Error(msg::Recovered(list_file_->path()));
  }
  // Held by another program through the start: shown once it can be read.
  if (loaded.busy) view_.FollowAgainSoon();
  FollowIfPending();
  return true;
}

void Form1::Handle(const UserAction& action) {
  if (modal()) {
    // The one check for everything that arrives while a window of ours is up.
    if (action.kind == UserAction::Kind::List1Select) view_.List1Select(selected_);
    return;
  }
  switch (action.kind) {
    case UserAction::Kind::Command1:
      Command1Click(action.index);
      break;
    case UserAction::Kind::Toolbar1:
      Toolbar1Click(action.index);
      break;
    case UserAction::Kind::List1Select:
      List1Click(action.index);
      break;
    case UserAction::Kind::List1Type:
      List1Search(action.typed);
      break;
    case UserAction::Kind::Drop:
      DropFolders(action.paths);
      break;
    case UserAction::Kind::FolderMenu:
      FolderMenuClick();
      break;
    case UserAction::Kind::FindHidden:
      FindHiddenFolders();
      break;
    case UserAction::Kind::HideAll:
    case UserAction::Kind::UnhideAll:
      AllFolders(action.kind == UserAction::Kind::HideAll);
      break;
    case UserAction::Kind::ShortcutKey:
      ShortcutKeyClick();
      break;
  }
  FollowIfPending();
}

void Form1::Form1Activate() {
  if (modal()) return;
  FollowListFile();
  ShowSelectionStatus(true);
}

void Form1::Error(const std::wstring& text) {
  ModalWindow box(*this);
  ShowError(platform_, text);
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

void Form1::ShowSelectionStatus(bool activation) {
  if (selected_ < 0) return;
  // The window never waits on an offline network drive.
  uint32_t attributes = kInvalidAttributes;
  if (!platform_.AttributesAtOnce(std::wstring(entries_[selected_]), &attributes) && activation) {
    return;
  }
  const bool hidden = (attributes & kAttrSystem) != 0 && (attributes & kAttrHidden) != 0;
  view_.SetStatusText(hidden ? kStatusHidden : kStatusShown);
  Enable(kHide, !hidden);
  Enable(kUnhide, hidden);
}

void Form1::Command1Click(int index) {
  current_path_ = selected_ >= 0 ? std::wstring(entries_[selected_]) : std::wstring();
  const bool exists = platform_.FolderExists(current_path_);

  if (index == kAdd) return Add();
  if (index < kDelete || index > kUnhide || selected_ < 0) return;
  switch (index) {
    case kDelete:
      return Delete(selected_);
    case kOpen:
      return Open(exists);
    case kHide: {
      // A folder is hidden only while data.bin lists it: another program may
      // have taken it off while the window could not follow.
      std::wstring why;
      if (!CatchUp(true, &why)) return Error(msg::CannotHide(current_path_, why));
      if (IndexOf(current_path_) < 0) return;  // the list now shown lacks it
      return SetHidden(true, exists);
    }
    case kUnhide:
      return SetHidden(false, exists);
  }
}

void Form1::Toolbar1Click(int index) {
  // Each opens a window of ours, or the shell, which may ask the user something.
  ModalWindow window(*this);
  switch (ActionForToolbarButton(index)) {
    case ToolbarAction::ShowHowToUse:
      return view_.ShowHowToUse();
    case ToolbarAction::ShowAbout:
      return view_.ShowAbout(VersionText(platform_.Version()));
    case ToolbarAction::OpenProductPage:
      return platform_.OpenWebAddress(ProductPageAddress(publisher_host_));
    case ToolbarAction::OpenSupportPage:
      return platform_.OpenWebAddress(SupportPageAddress(publisher_host_));
    case ToolbarAction::None:
      return;
  }
}

bool Form1::KeepsNewFolders() {
  // data.bin may have become readable since it was left alone.
  if (!list_file_->refusal().empty()) FollowListFile();
  if (list_file_->refusal().empty()) return true;
  Error(msg::CannotAddNow(list_file_->path(), list_file_->refusal()));
  return false;
}

bool Form1::AskForFolder(const wchar_t* prompt, std::wstring* path) {
  // Asking for a folder whose result could not be kept would only lose it later.
  if (!KeepsNewFolders()) return false;
  BrowseResult picked;
  {
    ModalWindow browser(*this);
    picked = PickFolder(platform_, prompt);
  }
  if (picked.outcome == BrowseOutcome::NoPath) Error(msg::InvalidFolder());
  if (picked.outcome != BrowseOutcome::Chosen) return false;
  *path = std::move(picked.path);
  return true;
}

void Form1::Add() {
  std::wstring path;
  if (AskForFolder(kAddPrompt, &path)) AddFolders({path}, false);
}

void Form1::DropFolders(const std::vector<std::wstring>& paths) {
  if (!paths.empty() && KeepsNewFolders()) AddFolders(paths, true);
}

std::wstring Form1::Refusal(const std::wstring& path, bool dropped) {
  // A name in the path that ends in a dot or a space: Windows would take it
  // for another folder's path.
  if (!ReachablePath(path, PathRoot(path).size())) return msg::Unreachable(path);
  // Anything can be dropped; the browser only gives folders.
  if (dropped && !platform_.FolderExists(path)) return msg::NotAFolder(path);
  if (path.size() <= 3) return msg::InvalidFolder();
  std::wstring why;
  if (!IsSupportedFolder(platform_, path, &why)) return why;
  // The list file separates entries with ";", so such a path would come back as two.
  if (path.find(L';') != std::wstring::npos) return msg::HasSeparator(path);
  return {};
}

void Form1::AddFolders(const std::vector<std::wstring>& paths, bool dropped) {
  // Each folder's own checks first: on a network share they may take a while.
  std::vector<std::wstring> refusals(paths.size());
  for (size_t i = 0; i < paths.size(); ++i) {
    // A folder named twice in one drop is added once.
    if (std::find(paths.begin(), paths.begin() + i, paths[i]) != paths.begin() + i) continue;
    refusals[i] = Refusal(paths[i], dropped);
  }
  // Then, against the list data.bin holds right before the save: what is
  // listed already, and what would make a list larger than the reader takes.
  size_t before = 0, left_out = 0;
  std::vector<bool> listed(paths.size());
  auto add = [&](EntryList* list) {
    before = list->size();
    for (size_t i = 0; i < paths.size(); ++i) {
      const bool first = std::find(paths.begin(), paths.begin() + i, paths[i]) == paths.begin() + i;
      listed[i] = first && refusals[i].empty() &&
                  std::find(list->begin(), list->end(), paths[i]) != list->end();
      if (first && refusals[i].empty() && !listed[i]) list->push_back(paths[i]);
    }
    const size_t fit = EntriesWithinLimits(platform_, *list, before);
    left_out = list->size() - fit;
    list->resize(fit);
    return list->size() > before;
  };
  std::wstring why, message;
  bool added = false;
  if (!SaveChange(add, true, &why, &added)) {
    message = msg::NotAdded(list_file_->path(), why);
    added = false;
    left_out = 0;
  } else if (added && !ShowReadBack()) {
    for (size_t i = before; i < entries_.size(); ++i) view_.List1Append(entries_[i]);
    SelectEntry(static_cast<int>(entries_.size()) - 1);
    Enable(kDelete, true);
    Enable(kOpen, true);
  }
  if (left_out > 0) message += (message.empty() ? L"" : L"\n\n") + msg::TooMany(left_out);
  for (size_t i = 0; i < paths.size(); ++i) {
    std::wstring refusal = listed[i] ? msg::AlreadyListed(paths[i]) : refusals[i];
    if (refusal.empty()) continue;
    // Among several dropped items each refusal names its own.
    if (dropped) refusal = msg::Named(paths[i], refusal);
    message += (message.empty() ? L"" : L"\n\n") + refusal;
  }
  // Shown once data.bin holds what was added and the last one is selected.
  if (!message.empty()) Error(message);
}

void Form1::Delete(int index) {
  if (index < 0 || index >= static_cast<int>(entries_.size())) return;
  const std::wstring removed(entries_[index]);
  // The folder is removed by its path from the list data.bin holds now.
  auto remove = [&](EntryList* list) {
    if (index >= static_cast<int>(list->size()) || (*list)[index] != removed) {
      auto found = std::find(list->begin(), list->end(), removed);
      if (found == list->end()) return false;  // another program removed it already
      index = static_cast<int>(std::distance(list->begin(), found));
    }
    list->erase(index);
    return true;
  };
  std::wstring why;
  bool changed = false;
  if (!SaveChange(remove, false, &why, &changed)) {
    // The entry stays listed, as data.bin still holds it.
    return Error(msg::NotDeleted(list_file_->path(), removed, why));
  }
  if (!changed) return;
  selected_ = -1;
  if (ShowReadBack()) return;
  view_.List1Remove(index);
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
  Status opened;
  {
    ModalWindow shell(*this);
    opened = platform_.OpenFolder(current_path_);
  }
  if (!opened) Error(msg::CannotOpen(current_path_, opened.reason));
}

void Form1::SetHidden(bool hide, bool exists) {
  // Windows would change another folder than the one listed.
  Status set = ReachablePath(current_path_, PathRoot(current_path_).size())
                   ? Status::Ok()
                   : Status::Fail(msg::LeadsElsewhere());
  if (set && !exists) return MissingFolder();
  const uint32_t attributes = hide ? (kAttrReadOnly | kAttrHidden | kAttrSystem) : kAttrReadOnly;
  if (set) set = platform_.SetAttributes(current_path_, attributes);
  if (!set) {
    Error(hide ? msg::CannotHide(current_path_, set.reason)
               : msg::CannotUnhide(current_path_, set.reason));
    // Show what the folder really is now, not what was asked for.
    return ShowSelectionStatus();
  }
  view_.SetStatusText(hide ? kStatusHidden : kStatusShown);
  Enable(kHide, !hide);
  Enable(kUnhide, hide);
}

int Form1::IndexOf(const std::wstring& path) const {
  auto found = std::find(entries_.begin(), entries_.end(), path);
  return found == entries_.end() ? -1 : static_cast<int>(std::distance(entries_.begin(), found));
}

void Form1::MissingFolder() {
  // The entry reported is the one removed, whatever happened while the message was up.
  const int index = selected_;
  const std::wstring path = current_path_;
  // Not connected is not gone: a folder on a drive or share that cannot be
  // reached now stays listed, and nothing else is done.
  const std::wstring root = PathRoot(path);
  if (!root.empty()) {
    const Status reached = platform_.ReachRoot(root);
    if (!reached) return Error(msg::NotConnected(path, root, reached.reason));
  }
  // Nor is one whose path is on the stick Veilkeep runs from: it may be
  // the same folder, under the stick's old letter.
  const std::wstring there = OnTheStick(platform_, path, platform_.ProgramFolder());
  if (!there.empty() && platform_.FolderExists(there)) return Error(msg::OnTheStick(path, there));
  Error(msg::DoesNotExist(path));
  if (index >= 0 && index < static_cast<int>(entries_.size()) && entries_[index] == path) {
    Delete(index);
  }
}

}  // namespace vk
