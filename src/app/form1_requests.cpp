// Form1 carrying out requests from the command line of other starts, and
// the system menu's folder-menu item.
#include <algorithm>

#include "app/drive_rules.h"
#include "app/form1.h"
#include "app/messages.h"
#include "platform/file_system.h"
#include "platform/path_root.h"

namespace vk {

void Form1::RunRequests() {
  // One at a time, in order, never behind a window of ours; none before start-up.
  // Nor while the stick's entries are looked up: they may be moved first.
  if (carrying_out_ || !list_file_ || stick_aside_) return;
  carrying_out_ = true;
  while (!modal() && !requests_.empty()) {
    auto [request, done] = std::move(requests_.front());
    requests_.pop_front();
    const bool ok = CarryOut(request);
    done(ok);
  }
  carrying_out_ = false;
  // A change of data.bin that came while one of their messages was up.
  if (follow_pending_ && !modal()) FollowListFile();
}

bool Form1::CarryOut(const Request& request) {
  switch (request.kind) {
    case Request::Kind::Hide:
    case Request::Kind::Unhide:
      return HideOrUnhide(request.folders, request.kind == Request::Kind::Hide);
    case Request::Kind::FindHidden:
      return request.folders.size() == 1 && ListHiddenFolders(request.folders[0]);
    case Request::Kind::HideAll:
    case Request::Kind::UnhideAll:
      // A shortcut key leaves no window on the screen: nothing is said.
      return AllFolders(request.kind == Request::Kind::HideAll, /*quiet=*/true);
    default:
      return false;
  }
}

bool Form1::HideOrUnhide(const std::vector<std::wstring>& named, bool hide) {
  // What is listed is what data.bin holds now.
  std::wstring why;
  CatchUp(true, &why);
  // A folder named twice, in any letter case, is one folder, as the file
  // system takes it; one listed in another letter case is that entry.
  auto listed = [this](const std::wstring& folder) {
    auto entry = std::find(entries_.begin(), entries_.end(), folder);
    if (entry != entries_.end()) return entry;
    return std::find_if(entries_.begin(), entries_.end(),
                        [&](std::wstring_view other) { return SameFolder(other, folder); });
  };
  std::vector<std::wstring> folders;
  for (const std::wstring& folder : named) {
    auto same = [&](std::wstring_view other) { return SameFolder(other, folder); };
    if (std::any_of(folders.begin(), folders.end(), same)) continue;
    auto entry = listed(folder);
    folders.push_back(entry == entries_.end() ? folder : std::wstring(*entry));
  }
  std::vector<std::wstring> unlisted;
  for (const std::wstring& folder : folders) {
    if (IndexOf(folder) < 0) unlisted.push_back(folder);
  }
  if (!unlisted.empty()) DropFolders(unlisted);
  for (const std::wstring& folder : folders) {
    // Others may have changed data.bin while a message was up: a folder is
    // hidden only while data.bin lists it.
    if (!CatchUp(true, &why)) break;
    const int index = IndexOf(folder);
    if (index < 0) continue;
    SelectEntry(index);
    current_path_ = folder;
    SetHidden(hide, platform_.FolderExists(folder));
  }
  // Done when each ends listed, in whatever spelling data.bin now has it, and as asked.
  bool done = true;
  for (const std::wstring& folder : folders) {
    auto entry = listed(folder);
    const std::wstring spelled = entry == entries_.end() ? L"" : std::wstring(*entry);
    if (spelled.empty() || !platform_.FolderExists(spelled)) return false;
    const uint32_t attributes = platform_.GetAttributes(spelled);
    const bool hidden = (attributes & kAttrHidden) != 0 && (attributes & kAttrSystem) != 0;
    done = done && hidden == hide;
  }
  return done;
}

bool Form1::AllFolders(bool hide, bool quiet) {
  std::wstring why;
  // Only a list read whole says what there is to hide.
  if (!CatchUp(true, &why) || LeavesListAlone()) {
    if (!quiet) {
      Error(msg::ListNotRead(hide, list_file_->path(), why.empty() ? list_file_->refusal() : why));
    }
    return false;
  }
  const uint32_t attributes = hide ? (kAttrReadOnly | kAttrHidden | kAttrSystem) : kAttrReadOnly;
  const std::vector<std::wstring> folders(entries_.begin(), entries_.end());
  std::vector<std::wstring> not_done, gone;
  bool done = true;  // each one there as asked, none missing
  for (const std::wstring& folder : folders) {
    const std::wstring root = PathRoot(folder);
    if (!ReachablePath(folder, root.size())) {  // Windows would change another folder
      not_done.push_back(msg::Named(folder, msg::LeadsElsewhere())), done = false;
      continue;
    }
    if (platform_.FolderExists(folder)) {
      const Status set = platform_.SetAttributes(folder, attributes);
      if (!set) not_done.push_back(msg::Named(folder, set.reason)), done = false;
      continue;
    }
    // One whose path is on the stick is there, not as listed: kept, not done.
    const std::wstring there = OnTheStick(platform_, folder, platform_.ProgramFolder());
    if (!there.empty() && platform_.FolderExists(there)) {
      not_done.push_back(msg::OnTheStick(folder, there)), done = false;
      continue;
    }
    // Not connected is not gone: kept, and skipped.
    const Status reached = root.empty() ? Status::Ok() : platform_.ReachRoot(root);
    if (!reached) {
      not_done.push_back(msg::NotConnected(folder, root, reached.reason));
      continue;
    }
    done = false;
    not_done.push_back(msg::DoesNotExist(folder)), gone.push_back(folder);
  }
  // Those gone leave the list, in one save.
  bool changed = false;
  auto drop = [&](EntryList* list) {
    EntryList kept;
    for (std::wstring_view entry : *list) {
      if (std::find(gone.begin(), gone.end(), entry) == gone.end()) kept.push_back(entry);
    }
    if (kept.size() == list->size()) return false;
    *list = std::move(kept);
    return true;
  };
  EntryList shown = entries_;
  if (!gone.empty() && !SaveChange(drop, false, &why, &changed)) {
    not_done.push_back(msg::NotRemoved(list_file_->path(), why));
  } else if (changed) {
    std::swap(shown, entries_);
    ShowList(std::move(shown));
  }
  ShowSelectionStatus();
  if (!quiet && !not_done.empty()) Error(msg::NotAllDone(hide, not_done));
  return done;
}

void Form1::ShortcutKeyClick() {
  uint16_t key = 0;
  bool chosen = false;
  {
    ModalWindow window(*this);
    chosen = view_.ChooseShortcutKey(ShortcutKeyNow(platform_), &key);
  }
  if (!chosen) return;
  const Status set = SetShortcutKey(platform_, platform_.ProgramPath(), key);
  if (!set) Error(msg::ShortcutKeyNotSet(set.reason));
}

void Form1::FolderMenuClick() {
  const std::wstring exe = platform_.ProgramPath();
  // Verbs that run another copy (moved, or updated) are pointed here.
  Status set = SetFolderMenu(platform_, exe, !FolderMenuIsHere(platform_, exe));
  if (!set) Error(msg::FolderMenuNotChanged(set.reason));
}

}  // namespace vk
