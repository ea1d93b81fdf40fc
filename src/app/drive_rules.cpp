#include "app/drive_rules.h"

#include <algorithm>
#include <map>
#include <set>

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
  // Two listed folders that would become one are not asked about: one Yes
  // could not tell which of them is on the stick.
  std::map<std::wstring, int> targets;
  for (const DriveMove& move : moves.certain) targets[move.to] += 2;
  for (const DriveMove& move : moves.asked) ++targets[move.to];
  moves.asked.erase(std::remove_if(moves.asked.begin(), moves.asked.end(),
                                   [&](const DriveMove& m) { return targets[m.to] > 1; }),
                    moves.asked.end());
  return moves;
}

std::wstring OnTheStick(Platform& platform, const std::wstring& path,
                        const std::wstring& program_folder) {
  const std::wstring home = PathRoot(program_folder), root = PathRoot(path);
  if (home.size() != 3 || root.size() != 3 || root == home || path.size() <= 3 ||
      home == PathRoot(platform.SystemRoot()) || platform.DriveType(home) == kDriveRemote ||
      platform.DriveType(root) == kDriveRemote) {
    return {};  // a network letter is never the stick's old one
  }
  return home + path.substr(3);
}

bool ApplyMoves(const std::vector<DriveMove>& moves, EntryList* list) {
  std::map<std::wstring_view, std::wstring_view> to;
  for (const DriveMove& move : moves) to.emplace(move.from, move.to);
  std::set<std::wstring_view> listed(list->begin(), list->end());
  EntryList moved;
  moved.reserve(list->size(), list->characters());
  bool changed = false;
  for (std::wstring_view entry : *list) {
    auto move = to.find(entry);
    if (move == to.end()) {
      moved.push_back(entry);
      continue;
    }
    changed = true;
    // Listed once: under its new name, where it is not listed so already.
    if (listed.insert(move->second).second) moved.push_back(move->second);
  }
  if (changed) *list = std::move(moved);
  return changed;
}

}  // namespace vk
