// The search for folders hidden as Hide hides them that the list does not
// name: what a lost data.bin left behind, on a disk, a stick or a share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "listfile/entry_list.h"
#include "platform/platform.h"

namespace vk {

// Follows a search and may stop it.
class SearchWatch {
 public:
  virtual ~SearchWatch() = default;
  // Told before each folder is listed: that folder, and how many were
  // searched before it. False ends the search there (the user cancelled).
  virtual bool Next(const std::wstring& folder, uint64_t searched) = 0;
};

// What a search found, and how it went.
struct HiddenSearch {
  // Full paths: those with Veilkeep's own marks (read-only, hidden and
  // system) first, then those hidden and system alone; each group sorted.
  std::vector<std::wstring> found;
  uint64_t searched = 0;  // folders listed
  // Folders skipped: they could not be listed (access denied), or their
  // names end in a dot or a space, which no path on Windows reaches.
  uint64_t unreadable = 0;
  bool cancelled = false;  // ended by the watch; `found` is what came before
  std::wstring failed;     // why the folder itself could not be searched; nothing found
  std::wstring stopped;    // why the search ended early (its drive went away); `found` is kept
};

// Searches `folder` and every folder below it for folders that are hidden
// and system, read-only or not, and that `listed` does not name (letter case
// ignored), nor folders whose names no path reaches (ReachableName). Never
// goes through a link or junction, nor offers one; goes into
// the folders a sync client keeps as reparse points of its own. At a drive's
// root, the folders Windows keeps there for itself and the Windows folder
// are left out. Lists each folder once, changes nothing.
HiddenSearch FindHidden(Platform& platform, const std::wstring& folder, const EntryList& listed,
                        SearchWatch& watch);

}  // namespace vk
