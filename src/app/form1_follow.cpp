// Form1 keeping to data.bin: the list others change, the stick it travels
// on, and the saves of every change.
#include <algorithm>
#include <memory>
#include <utility>

#include "app/drive_rules.h"
#include "app/form1.h"
#include "app/messages.h"
#include "platform/path_root.h"

namespace vk {

void Form1::FollowIfPending() {
  if (modal()) return;
  // The stick's entries, once the list was read whole, and what was found of them.
  if (stick_pending_ && list_file_ && list_file_->refusal().empty()) FollowStick();
  if (moves_) TakeMoves(std::exchange(*moves_, {}));
  // A change of data.bin that came while a window of ours was up.
  if (follow_pending_) FollowListFile();
  // And requests that came meanwhile.
  if (!requests_.empty()) RunRequests();
}

void Form1::FollowListFile() {
  if (!list_file_) return;
  if (modal()) {
    follow_pending_ = true;
    return;
  }
  follow_pending_ = false;
  std::wstring why;
  bool busy = false;
  // Being written: read again in a moment.
  if (!CatchUp(false, &why, &busy) && busy) view_.FollowAgainSoon();
  // Read whole at last after a busy start: the stick's entries are followed now.
  if (stick_pending_) FollowIfPending();
}

void Form1::ShowList(EntryList entries) {
  const std::wstring kept = selected_ >= 0 ? std::wstring(entries_[selected_]) : std::wstring();
  const int was = selected_;
  const bool emptied = !entries_.empty();
  int index = entries.empty() ? -1 : 0;
  if (was >= 0) {
    if (was < static_cast<int>(entries.size()) && entries[was] == kept) {
      index = was;
    } else {
      auto found = std::find(entries.begin(), entries.end(), kept);
      if (found != entries.end()) index = static_cast<int>(std::distance(entries.begin(), found));
    }
  }
  entries_ = std::move(entries);
  selected_ = -1;
  view_.List1Fill(entries_);
  const bool any = !entries_.empty();
  Enable(kDelete, any);
  Enable(kOpen, any);
  if (any) return SelectEntry(index);
  Enable(kHide, false);
  Enable(kUnhide, false);
  // An empty list that stays empty has nothing to say "emptied" about.
  if (emptied) view_.SetStatusText(kStatusEmptied);
}

bool Form1::CatchUp(bool wait, std::wstring* why, bool* busy) {
  if (!list_file_->Changed()) return true;  // our own save, or nothing of the list
  LoadResult now = list_file_->Reload(wait);
  if (now.state == LoadState::Loaded || now.state == LoadState::Missing) {
    ShowList(std::move(now.entries));
    return true;
  }
  // Hidden or unreadable now: shown empty and left alone, as at start-up.
  if (!now.busy) ShowList(EntryList());
  *why = now.reason;
  if (busy) *busy = now.busy;
  return false;
}

bool Form1::SaveChange(const std::function<bool(EntryList*)>& change, bool whole, std::wstring* why,
                       bool* changed) {
  *changed = true;
  // Another writer may get there between the catch-up and the save: the
  // change is then made again on what it wrote.
  for (int tries = 0; tries < kSaveTries; ++tries) {
    if (!CatchUp(true, why)) return false;
    EntryList next = entries_;
    if (!change(&next)) {
      *changed = false;
      return true;
    }
    const Status saved =
        whole ? list_file_->SaveWholeList(next) : list_file_->SaveEntryByEntry(next);
    if (saved) {
      entries_ = std::move(next);
      return true;
    }
    *why = saved.reason;
    if (!saved.changed) return false;
  }
  *why = L"Other programs kept changing the file while it was being saved.";
  return false;
}

void Form1::FollowStick() {
  stick_pending_ = false;
  stick_aside_ = true;
  // Its folders are looked up aside, on a copy of the list made once the
  // window is up: the window shows first and answers meanwhile.
  view_.AtIdle([this] {
    auto moves = std::make_shared<DriveMoves>();
    view_.RunAside(
        [this, moves, entries = entries_, folder = platform_.ProgramFolder()] {
          *moves = FollowProgramDrive(platform_, entries, folder);
        },
        [this, moves] {
          stick_aside_ = false;
          moves_ = std::move(*moves);
          FollowIfPending();
        });
  });
}

void Form1::TakeMoves(DriveMoves moves) {
  moves_.reset();
  std::vector<DriveMove> taken = std::move(moves.certain);
  // One question names every folder a Yes moves; any more are asked at the next start.
  if (moves.asked.size() > msg::kMovesNamed) moves.asked.resize(msg::kMovesNamed);
  if (!moves.asked.empty() && window_) {
    std::vector<std::pair<std::wstring, std::wstring>> named;
    for (const DriveMove& move : moves.asked) named.emplace_back(move.from, move.to);
    ModalWindow question(*this);
    if (AskYesNo(platform_, msg::AskMoved(PathRoot(platform_.ProgramFolder()), named))) {
      taken.insert(taken.end(), moves.asked.begin(), moves.asked.end());
    }
  }
  if (taken.empty()) return;
  // Saved at once, as any change: the list shown is the list data.bin holds.
  std::wstring why;
  bool changed = false;
  auto move = [&](EntryList* list) { return ApplyMoves(taken, list); };
  EntryList shown = entries_;
  if (!SaveChange(move, true, &why, &changed)) return Error(msg::NotMoved(list_file_->path(), why));
  if (!changed) return;
  std::swap(shown, entries_);  // the list as shown, then the moved one shown over it
  ShowList(std::move(shown));
}

bool Form1::ShowReadBack() {
  EntryList read_back;
  if (!list_file_->ReadsBackOtherwise(entries_, &read_back)) return false;
  ShowList(std::move(read_back));
  if (!entries_.empty()) SelectEntry(static_cast<int>(entries_.size()) - 1);
  return true;
}

}  // namespace vk
