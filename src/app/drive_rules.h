// The list following the stick Veilkeep runs from: which entries read at
// start name folders that travelled with it to the letter it has now.
#pragma once

#include <string>
#include <vector>

#include "listfile/entry_list.h"
#include "platform/platform.h"

namespace vk {

// One listed folder that is `to` now.
struct DriveMove {
  std::wstring from, to;
};

struct DriveMoves {
  // Beyond doubt: each lies in the program's own folder as it was named on
  // its letter, and is there on the program's drive.
  std::vector<DriveMove> certain;
  // There on the program's drive, but only the user can tell whether it is
  // the listed folder: one question names them all, both paths each.
  std::vector<DriveMove> asked;
};

// Which of `entries` (the list read at start) follow the program, run from
// `program_folder`, to its drive. An entry follows only when it is not
// there itself (its drive not connected, or connected and without it: the
// old letter may be another disk here) and its path is there on the
// program's drive. Nothing follows unless the program runs from a lettered
// drive that travels: not the system drive, not a network drive. A network
// letter, connected or not, is never taken for the old one and is never
// looked at; each other drive is asked once whether it is connected.
DriveMoves FollowProgramDrive(Platform& platform, const EntryList& entries,
                              const std::wstring& program_folder);

// Where `path` would be on the program's drive, when that drive travels (a
// lettered drive, neither the system drive nor a network drive) and `path`
// lies on another lettered drive that is not a network drive; empty
// otherwise. Nothing is looked at but the two drives' kinds.
std::wstring OnTheStick(Platform& platform, const std::wstring& path,
                        const std::wstring& program_folder);

// `list` with each entry named by a move's `from` named by its `to`, listed
// once (an entry already listed under its new name is dropped). False when
// nothing changed.
bool ApplyMoves(const std::vector<DriveMove>& moves, EntryList* list);

}  // namespace vk
