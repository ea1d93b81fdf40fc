#include "app/drive_rules.h"

#include <algorithm>
#include <map>

#include "platform/path_root.h"

namespace vk {

DriveMoves FollowProgramDrive(Platform& platform, const EntryList& entries,
                              const std::wstring& program_folder) {
  DriveMoves moves;
  const std::wstring home = PathRoot(program_folder);
  if (home.size() != 3 || home == PathRoot(platform.SystemRoot()) ||
      platform.DriveType(home) == kDriveRemote) {
    return moves;  // only a lettered drive that travels has a letter that can change
  }
  // The program's folder below its root: on the old letter, nothing but the stick had it.
  const std::wstring own = program_folder.size() > 3 ? program_folder.substr(3) : L"";
  enum class Drive { Network, Connected, Absent };
  std::map<std::wstring, Drive> drives;
  for (std::wstring_view entry : entries) {
    const std::wstring root = PathRoot(entry);
    if (root.size() != 3 || root == home || entry.size() <= 3) continue;
    auto drive = drives.find(root);
    if (drive == drives.end()) {
      const Drive kind = platform.DriveType(root) == kDriveRemote ? Drive::Network
                         : platform.ReachRoot(root)              ? Drive::Connected
                                                                 : Drive::Absent;
      drive = drives.emplace(root, kind).first;
    }
    if (drive->second == Drive::Network) continue;
    const std::wstring listed(entry);
    if (drive->second == Drive::Connected && platform.FolderExists(listed)) continue;
    const std::wstring rest = listed.substr(3);
    const std::wstring now = home + rest;
    if (!platform.FolderExists(now)) continue;
    // In the program's folder itself, or below it: a folder merely named like it is not.
    const bool inside = !own.empty() && platform.StartsWithIgnoringCase(rest, own) &&
                        (rest.size() == own.size() || rest[own.size()] == L'\\');
    (inside ? moves.certain : moves.asked).push_back({listed, now});
  }
  return moves;
}

bool ApplyMoves(const std::vector<DriveMove>& moves, EntryList* list) {
  EntryList moved;
  moved.reserve(list->size(), list->characters());
  bool changed = false;
  for (std::wstring_view entry : *list) {
    auto move = std::find_if(moves.begin(), moves.end(),
                             [&](const DriveMove& m) { return m.from == entry; });
    if (move == moves.end()) {
      moved.push_back(entry);
      continue;
    }
    changed = true;
    if (std::find(list->begin(), list->end(), move->to) == list->end() &&
        std::find(moved.begin(), moved.end(), move->to) == moved.end()) {
      moved.push_back(move->to);
    }
  }
  if (changed) *list = std::move(moved);
  return changed;
}

}  // namespace vk
