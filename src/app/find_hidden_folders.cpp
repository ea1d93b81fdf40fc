// Form1's search for the folders a lost list left hidden: the system menu's
// "Find Hidden Folders..." and the command line's /find-hidden.
#include <algorithm>

#include "app/form1.h"
#include "module1/module1.h"

namespace vk {
namespace {
constexpr const wchar_t* kFindPrompt = L"Select A Folder To Search:";
}  // namespace

namespace msg {

// How a search of `folder` went: how much it searched, and why it ended early.
inline std::wstring Searched(const std::wstring& folder, const HiddenSearch& search) {
  std::wstring text = L"In " + folder + L": " + Decimal(search.searched) +
                      L" folders searched, " + Decimal(search.unreadable) +
                      L" skipped (they could not be read, or their names end in a dot or a "
                      L"space, which paths on Windows do not reach).";
  if (search.cancelled) text += L" The search was cancelled.";
  if (!search.stopped.empty()) text += L" The search stopped early: " + search.stopped;
  return text;
}
inline std::wstring CannotSearch(const std::wstring& folder, const std::wstring& reason) {
  return L"Folder " + folder + L" cannot be searched.\n\n" + reason;
}
inline std::wstring NoneFound(const std::wstring& folder, const HiddenSearch& search) {
  return L"No hidden folder that the list does not name was found.\n\n" + Searched(folder, search);
}
// Above the folders found.
inline std::wstring Found(const std::wstring& folder, const HiddenSearch& search) {
  return L"Folders hidden and system that the list does not name, those read-only too (as "
         L"Hide leaves them) first. The checked ones are added.\n" +
         Searched(folder, search);
}

}  // namespace msg

bool Form1::Search(const std::wstring& folder, HiddenSearch* result) {
  std::wstring why;
  CatchUp(true, &why);
  // What is found could not be kept (data.bin hidden or unreadable now).
  if (!KeepsNewFolders()) return false;
  {
    // The window showing it is one of ours: nothing else is taken meanwhile,
    // and the list it is compared with stays as it is.
    ModalWindow progress(*this);
    view_.RunSearch(
        [&](SearchWatch& watch) { *result = FindHidden(platform_, folder, entries_, watch); });
  }
  if (!result->failed.empty()) {
    Error(msg::CannotSearch(folder, result->failed));
    return false;
  }
  Unlisted(&result->found);
  return true;
}

void Form1::Unlisted(std::vector<std::wstring>* found) {
  // The list may have changed meanwhile: what it names now, in any letter case, is not offered.
  std::wstring why;
  CatchUp(true, &why);
  found->erase(std::remove_if(found->begin(), found->end(),
                              [&](const std::wstring& folder) {
                                return std::any_of(entries_.begin(), entries_.end(),
                                                   [&](std::wstring_view entry) {
                                                     return SameFolder(entry, folder);
                                                   });
                              }),
               found->end());
}

void Form1::FindHiddenFolders() {
  std::wstring folder;
  if (!AskForFolder(kFindPrompt, &folder)) return;
  HiddenSearch search;
  if (!Search(folder, &search)) return;
  if (search.found.empty()) return Error(msg::NoneFound(folder, search));
  std::vector<std::wstring> chosen;
  bool add = false;
  {
    ModalWindow window(*this);
    add = view_.ChooseFoundFolders(msg::Found(folder, search), search.found, &chosen);
  }
  if (add) Unlisted(&chosen);
  if (add && !chosen.empty()) AddFolders(chosen, true);
}

bool Form1::ListHiddenFolders(const std::wstring& folder) {
  HiddenSearch search;
  if (!Search(folder, &search)) return false;
  if (!search.found.empty()) DropFolders(search.found);
  // Cancelled, the user knows; a drive gone is said.
  if (!search.stopped.empty()) Error(msg::Searched(folder, search));
  bool listed = !search.cancelled && search.stopped.empty();
  for (const std::wstring& found : search.found) {
    listed = listed && std::any_of(entries_.begin(), entries_.end(), [&](std::wstring_view entry) {
               return SameFolder(entry, found);
             });
  }
  return listed;
}

}  // namespace vk
