// Form1 carrying out requests from the command line of other starts, and
// the system menu's folder-menu item.
#include <algorithm>

#include "app/form1.h"
#include "app/messages.h"

namespace vk {

void Form1::RunRequests() {
  // One at a time, in order, never behind a window of ours; none before start-up.
  if (carrying_out_ || !list_file_) return;
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

void Form1::FolderMenuClick() {
  const std::wstring exe = platform_.ProgramPath();
  // Verbs that run another copy (moved, or updated) are pointed here.
  Status set = SetFolderMenu(platform_, exe, !FolderMenuIsHere(platform_, exe));
  if (!set) Error(msg::FolderMenuNotChanged(set.reason));
}

}  // namespace vk
