// The texts of the main window's messages. The folder checks own theirs
// (module1/module1.h); every one is shown through ShowError (platform.h).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "listfile/list_codec.h"

namespace vk {
namespace msg {

inline std::wstring AlreadyListed(const std::wstring& path) {
  return L"Folder " + path + L" already exists!";
}
inline std::wstring DoesNotExist(const std::wstring& path) {
  return L"Folder " + path + L" doesn't exist!";
}
// A folder on a drive or share that cannot be reached now: it stays listed.
inline std::wstring NotConnected(const std::wstring& path, const std::wstring& root,
                                 const std::wstring& reason) {
  return L"Folder " + path + L" cannot be reached: " +
         (root.size() == 3 ? L"drive " : L"network share ") + root + L" is not connected.\n\n" +
         reason + L"\n\nThe folder stays in the list: connect the drive and try again.";
}
// The most folders one question names: those beyond wait for the next start.
constexpr size_t kMovesNamed = 10;
// Veilkeep runs from the drive `now_root`, which may have had other letters
// when the list was saved (a USB stick lettered otherwise on another
// computer): each listed folder (first) is not there, and the folder of the
// same path on `now_root` (second) is.
inline std::wstring AskMoved(const std::wstring& now_root,
                             const std::vector<std::pair<std::wstring, std::wstring>>& moves) {
  std::wstring text = L"Veilkeep runs from drive " + now_root +
                      L" now. These listed folders are not there, and folders of the same "
                      L"path are on drive " + now_root + L":\n";
  for (const auto& [from, to] : moves) text += L"\n" + from + L"  ->  " + to;
  return text + L"\n\nAre they the same folders, on the drive Veilkeep runs from?\n\nYes: the list "
                L"names them so from now on, and is saved. No: the list stays as it is.";
}
// The entries that follow the stick could not be saved under their new names.
// `path` is not there, but its path is on the drive Veilkeep runs from
// (`there`): perhaps the same folder, listed under the stick's old letter.
inline std::wstring OnTheStick(const std::wstring& path, const std::wstring& there) {
  return L"Folder " + path + L" is not there, but " + there +
         L" is, on the drive Veilkeep runs from: if it is the same folder (a USB stick lettered "
         L"otherwise on another computer), start Veilkeep again to have the list name it so."
         L"\n\nThe folder stays in the list.";
}
inline std::wstring NotMoved(const std::wstring& file, const std::wstring& reason) {
  return L"The folder list could not be saved to " + file + L".\n\n" + reason +
         L"\n\nThe folders on the drive Veilkeep runs from stay "
         L"listed under their old drive letters.";
}
inline std::wstring NotAFolder(const std::wstring& path) {
  return path + L" is not a folder: only folders can be added.";
}
inline std::wstring HasSeparator(const std::wstring& path) {
  return L"Folder " + path +
         L" cannot be added: its path contains \";\", which the folder list uses to "
         L"separate folders.";
}
inline std::wstring LeadsElsewhere() {
  return L"A name in its path ends in a dot or a space, which Windows drops from a path, so "
         L"that the path would lead to another folder.";
}
inline std::wstring Unreachable(const std::wstring& path) {
  return L"Folder " + path +
         L" cannot be added: a name in its path ends in a dot or a space, which Windows drops "
         L"from a path, so that the path would lead to another folder.";
}
inline std::wstring CannotHide(const std::wstring& path, const std::wstring& reason) {
  return L"Folder " + path + L" could not be hidden.\n\n" + reason;
}
inline std::wstring CannotUnhide(const std::wstring& path, const std::wstring& reason) {
  return L"Folder " + path + L" could not be revealed.\n\n" + reason;
}
inline std::wstring CannotOpen(const std::wstring& path, const std::wstring& reason) {
  return L"Folder " + path + L" could not be opened.\n\n" + reason;
}
inline std::wstring CannotRead(const std::wstring& file, const std::wstring& reason) {
  return L"The folder list " + file + L" could not be read, so the list is shown empty.\n\n" +
         reason + L"\n\nThe file is left as it is: Veilkeep will not overwrite it.";
}
// data.bin was missing at start, and the list came from the copy beside it.
inline std::wstring Recovered(const std::wstring& file) {
  return L"The folder list " + file +
         L" was missing: a save that was cut short had left the whole list beside it, "
         L"which is now " + file + L" again.";
}
// A change whose save failed is taken back: the list stays as data.bin holds it.
inline std::wstring NotAdded(const std::wstring& file, const std::wstring& reason) {
  return L"The folder list could not be saved to " + file + L".\n\n" + reason +
         L"\n\nNothing was added to the list.";
}
inline std::wstring NotDeleted(const std::wstring& file, const std::wstring& path,
                               const std::wstring& reason) {
  return L"The folder list could not be saved to " + file + L".\n\n" + reason +
         L"\n\nFolder " + path + L" stays in the list.";
}
// Add and drops while the list file is left alone for the session.
inline std::wstring CannotAddNow(const std::wstring& file, const std::wstring& why) {
  return L"No folder can be added: the folder list " + file + L" cannot be saved.\n\n" + why;
}
// Folders left out of what was to be added: the list would be larger than
// Veilkeep reads back, and would not be read at the next start.
inline std::wstring TooMany(size_t count) {
  return Decimal(count) + (count == 1 ? L" folder was" : L" folders were") +
         L" not added: the folder list would be larger than Veilkeep can read back (" +
         Decimal(kMaxListEntries) + L" folders, " + Decimal(kMaxListBytes >> 20) + L" MiB).";
}
// A refusal in a drop that does not name its folder is given the folder's name.
inline std::wstring Named(const std::wstring& path, const std::wstring& refusal) {
  return refusal.find(path) == std::wstring::npos ? path + L": " + refusal : refusal;
}

// Hide All or Unhide All found no list it could read.
inline std::wstring ListNotRead(bool hide, const std::wstring& file, const std::wstring& reason) {
  return L"The folder list " + file + L" could not be read, so no folder was " +
         (hide ? L"hidden" : L"revealed") + L".\n\n" + reason;
}
// The gone folders Hide All or Unhide All dropped could not be saved.
inline std::wstring NotRemoved(const std::wstring& file, const std::wstring& reason) {
  return L"The folder list could not be saved to " + file + L": " + reason +
         L" The folders that do not exist stay in the list.";
}
// The folders Hide All (or Unhide All) could not hide, each said in `not_done`: ten at most.
constexpr size_t kNotDoneNamed = 10;
inline std::wstring NotAllDone(bool hide, const std::vector<std::wstring>& not_done) {
  std::wstring text =
      hide ? L"Not every folder could be hidden:" : L"Not every folder could be revealed:";
  for (size_t i = 0; i < not_done.size() && i < kNotDoneNamed; ++i) text += L"\n\n" + not_done[i];
  if (not_done.size() > kNotDoneNamed) {
    text += L"\n\nand " + Decimal(not_done.size() - kNotDoneNamed) + L" more.";
  }
  return text;
}
inline std::wstring ShortcutKeyNotSet(const std::wstring& reason) {
  return L"The shortcut key for Hide All could not be changed.\n\n" + reason;
}

// A start with a command line the program does not know.
inline std::wstring BadCommandLine(const std::wstring& usage) {
  return L"The command line is not understood. It may be one of:\n\n" + usage;
}
inline std::wstring FolderMenuNotChanged(const std::wstring& reason) {
  return L"Hide and Unhide could not be changed in the folder menus.\n\n" + reason;
}

}  // namespace msg
}  // namespace vk
