#include "search/find_hidden.h"

#include <cstdlib>
#include <cwctype>
#include <new>

#include "platform/file_system.h"
#include "platform/path_root.h"

namespace vk {
namespace {

constexpr uint32_t kHiddenAndSystem = kAttrHidden | kAttrSystem;

bool SameName(Platform& platform, std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() && platform.StartsWithIgnoringCase(a, b);
}

// The folders Windows keeps at the root of a drive for itself, and the
// Windows folder: neither offered nor searched from the root.
bool KeptByWindows(Platform& platform, std::wstring_view name) {
  static constexpr const wchar_t* kOwn[] = {L"System Volume Information", L"Recovery",
                                            L"Config.Msi", L"Windows"};
  if (!name.empty() && name[0] == L'$') return true;  // $RECYCLE.BIN, $WinREAgent...
  for (const wchar_t* own : kOwn) {
    if (SameName(platform, name, own)) return true;
  }
  return false;
}

// A reparse point that is a folder to the user: one a sync client keeps as
// its own (the cloud files of OneDrive and others, OneDrive's older tag,
// projected and Azure-synced folders). Links and junctions, and any tag not
// known here, are not gone through.
bool OrdinaryReparsePoint(uint32_t tag) {
  return (tag & 0xFFFF0FFFu) == 0x9000001Au || tag == 0x80000021u || tag == 0x9000001Cu ||
         tag == 0x8000001Eu;
}

struct Hit {
  bool ours;  // read-only too, as Hide leaves a folder on Windows
  std::wstring path;
  bool listed = false;
};

// The C library's sort, on pointers: one small routine for every order.
void Sort(std::vector<const Hit*>* hits, int (*order)(const void*, const void*)) {
  if (!hits->empty()) std::qsort(hits->data(), hits->size(), sizeof(const Hit*), order);
}
const Hit& At(const void* p) { return **static_cast<const Hit* const*>(p); }
int BySize(const void* a, const void* b) {
  return (At(a).path.size() > At(b).path.size()) - (At(a).path.size() < At(b).path.size());
}
// Veilkeep's own first, then by path, letter case ignored as the file manager sorts.
int ByShowing(const void* a, const void* b) {
  if (At(a).ours != At(b).ours) return At(a).ours ? -1 : 1;
  const std::wstring &x = At(a).path, &y = At(b).path;
  for (size_t i = 0; i < x.size() && i < y.size(); ++i) {
    const wint_t p = std::towupper(x[i]), q = std::towupper(y[i]);
    if (p != q) return p < q ? -1 : 1;
  }
  return x.size() != y.size() ? (x.size() < y.size() ? -1 : 1) : x.compare(y);
}

// The hits that `listed` does not name, letter case ignored, in the order they are shown.
std::vector<const Hit*> Unlisted(Platform& platform, const EntryList& listed,
                                 std::vector<Hit>* hits) {
  std::vector<const Hit*> by_size, kept;
  for (const Hit& hit : *hits) by_size.push_back(&hit);
  Sort(&by_size, BySize);
  for (std::wstring_view entry : listed) {
    // The first hit as long as the entry, if any.
    size_t low = 0, high = by_size.size();
    while (low < high) {
      const size_t mid = (low + high) / 2;
      (by_size[mid]->path.size() < entry.size() ? low = mid + 1 : high = mid);
    }
    for (; low < by_size.size() && by_size[low]->path.size() == entry.size(); ++low) {
      if (platform.StartsWithIgnoringCase(by_size[low]->path, entry)) {
        (*hits)[by_size[low] - hits->data()].listed = true;
      }
    }
  }
  for (const Hit& hit : *hits) {
    if (!hit.listed) kept.push_back(&hit);
  }
  Sort(&kept, ByShowing);
  return kept;
}

}  // namespace

HiddenSearch FindHidden(Platform& platform, const std::wstring& folder, const EntryList& listed,
                        SearchWatch& watch) {
  HiddenSearch result;
  const std::wstring root = PathRoot(folder);
  std::vector<Hit> hits;
  // Said without memory to spare, should it run out.
  static const std::wstring kNoMemory = L"There is not enough memory to go on.";
  result.stopped.reserve(kNoMemory.size());
  // The folder searched is one of the folders searched: the lost one itself,
  // maybe; but not a link or junction, whose reparse tag its parent's listing tells.
  uint32_t own = platform.GetAttributes(folder);
  if (own != kInvalidAttributes && (own & kAttrReparsePoint)) {
    const size_t slash = folder.find_last_of(L'\\');
    const std::wstring parent = slash < root.size() ? root : folder.substr(0, slash);
    const std::wstring_view name = std::wstring_view(folder).substr(slash + 1);
    uint32_t tag = 0;
    (void)platform.ListFolder(parent, [&](const FolderItem& item) {
      if (SameName(platform, item.name, name)) tag = item.reparse_tag;
    });
    if (!OrdinaryReparsePoint(tag)) own = 0;
  }
  if (folder.size() > root.size() && own != kInvalidAttributes &&
      (own & kHiddenAndSystem) == kHiddenAndSystem) {
    hits.push_back({(own & kAttrReadOnly) != 0, folder});
  }
  // Depth first, with a stack of its own: a tree of any depth.
  std::vector<std::wstring> pending(1, folder);
  try {
    for (bool first = true; !pending.empty(); first = false) {
      const std::wstring path = std::move(pending.back());
      pending.pop_back();
      if (!watch.Next(path, result.searched)) {
        result.cancelled = true;
        break;
      }
      const bool at_root = first && !root.empty() && path.size() <= root.size();
      const bool slash = !path.empty() && path.back() == L'\\';
      const Status read = platform.ListFolder(path, [&](const FolderItem& item) {
        if (at_root && KeptByWindows(platform, item.name)) return;
        if ((item.attributes & kAttrReparsePoint) && !OrdinaryReparsePoint(item.reparse_tag))
          return;
        // Neither offered nor searched: its path would lead Windows to another folder.
        if (!ReachableName(item.name)) return void(++result.unreadable);
        std::wstring child = path;
        if (!slash) child += L'\\';
        child += item.name;
        if ((item.attributes & kHiddenAndSystem) == kHiddenAndSystem) {
          hits.push_back({(item.attributes & kAttrReadOnly) != 0, child});
        }
        pending.push_back(std::move(child));
      });
      if (read) {
        ++result.searched;
        continue;
      }
      // A folder that cannot be read is skipped, unless the user stopped a
      // listing that waited on it, or its drive is gone; the first one
      // cannot be searched.
      if (!watch.Next(path, result.searched)) {
        result.cancelled = true;
        break;
      }
      if (first) {
        result.failed = read.reason;
        return result;
      }
      if (!root.empty()) {
        const Status reached = platform.ReachRoot(root);
        if (!reached) {
          result.stopped = reached.reason;
          break;
        }
      }
      ++result.unreadable;
    }
  } catch (const std::bad_alloc&) {
    result.stopped = kNoMemory;  // in the room kept for it
  }
  // What is left to search goes first: its memory serves what comes.
  std::vector<std::wstring>().swap(pending);
  try {
    for (const Hit* hit : Unlisted(platform, listed, &hits)) result.found.push_back(hit->path);
  } catch (const std::bad_alloc&) {
    result.found.clear();
    result.stopped = kNoMemory;
  }
  return result;
}

}  // namespace vk
