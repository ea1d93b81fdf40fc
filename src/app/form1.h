// The main window's behaviour: start-up, the folder commands, the selection
// status and the button rules.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/command_line.h"
#include "app/drive_rules.h"
#include "app/view.h"
#include "listfile/listfile.h"
#include "platform/platform.h"

namespace vk {

// Command1 indices.
enum Command : int { kAdd = 0, kDelete = 1, kOpen = 2, kHide = 3, kUnhide = 4 };
constexpr int kCommandCount = 5;

// Status panel texts.
inline constexpr const wchar_t* kStatusInitial = L"Hidden:";
inline constexpr const wchar_t* kStatusEmptied = L"Hidden: ";
inline constexpr const wchar_t* kStatusHidden = L"Hidden: True";
inline constexpr const wchar_t* kStatusShown = L"Hidden: False";

inline constexpr const wchar_t* kAddPrompt = L"Select A Folder:";
inline constexpr const wchar_t* kListFileName = L"\\data.bin";

// Something the user did in the main window, as the window reports it.
struct UserAction {
  enum class Kind {
    Command1, Toolbar1, List1Select, List1Type, Drop, FolderMenu, FindHidden, HideAll, UnhideAll,
    ShortcutKey
  };
  UserAction(Kind what, int at = -1) : kind(what), index(at) {}
  static UserAction Typed(std::wstring text) {
    UserAction action(Kind::List1Type);
    action.typed = std::move(text);
    return action;
  }
  static UserAction Dropped(std::vector<std::wstring> items) {
    UserAction action(Kind::Drop);
    action.paths = std::move(items);
    return action;
  }

  Kind kind;
  int index = -1;                   // the Command1 index, the toolbar button, the entry selected
  std::wstring typed;               // List1Type: what was typed in quick succession
  std::vector<std::wstring> paths;  // Drop: what was dropped
};

class Form1 {
 public:
  Form1(Platform& platform, Form1View& view, std::wstring publisher_host = L"www.orvanta.example");

  // Start-up. Returns false, having touched nothing, when another copy runs.
  // A start that only carries out its command line (`window` false) does not
  // count as a copy, asks nothing and keeps the list as it reads, but for the
  // moves beyond doubt of FollowStick.
  bool Load(bool window = true);

  // Everything the user does reaches Form1 here. While a window that Form1
  // opened is still up (a message, the folder browser, About, How To Use),
  // the main window is disabled, and whatever arrives all the same (a posted
  // click, an assistive tool's action, a drop, a key) is refused; a refused
  // selection is shown back as it was.
  void Handle(const UserAction& action);
  // True while such a window is up.
  bool modal() const { return modal_ > 0; }

  // data.bin may have been changed by another program (a sync client, an
  // editor, a second copy): the window shows the list it holds now, keeping
  // the selected folder selected while it is listed. While a window of ours
  // is up this waits until it closes. When the file is being written and
  // cannot be read yet, it asks the view to call again in a moment.
  void FollowListFile();
  // The main window is the active one again: the selected folder may have
  // been hidden or revealed elsewhere, and data.bin changed, meanwhile. The
  // status and Hide and Unhide show the folder as it is now.
  void Form1Activate();
  // Requests (form1_requests.cpp).
  // A request from the command line of another start: carried out by
  // RunRequests, in the order they came, then `done` is told whether every
  // folder ended as asked.
  void Queue(Request request, std::function<void(bool)> done) {
    requests_.emplace_back(std::move(request), std::move(done));
  }
  // Carries out the queued requests; while a window of ours is up they wait
  // until it closes (Handle runs them then). A change of data.bin that came
  // while one of their messages was up is followed afterwards.
  void RunRequests();
  // One request, by its kind; true when it was done as asked. Hide and
  // Unhide: each folder once (two spellings that differ only in letter case
  // are one); those not listed are added first, with Add's checks, as a drop
  // adds them; then each listed one is hidden or revealed as the buttons do,
  // and selected. True when every folder ended listed and in the asked state.
  bool CarryOut(const Request& request);
  // The system menu's "Hide and Unhide in folder menus": checked while both
  // verbs run this program; a click removes them, or writes them to run it.
  bool FolderMenuChecked() { return FolderMenuIsHere(platform_, platform_.ProgramPath()); }
  void FolderMenuClick();
  // The system menu's "Find Hidden Folders...": asks for a folder (a drive
  // root too), searches it and every folder below it for folders hidden as
  // Hide hides them that the list does not name, shows them, and adds those
  // the user keeps checked as a drop adds folders.
  void FindHiddenFolders();
  // The system menu's "Hide All Folders" and "Unhide All Folders": each
  // listed folder that is there hidden or revealed as the buttons do, in the
  // list's order; one missing is dropped, one on a drive not connected (or
  // on the stick under its old letter) kept and skipped. One message at the
  // end names what could not be done, unless `quiet`. True when every listed
  // folder that is there ended as asked and none was missing.
  bool AllFolders(bool hide, bool quiet = false);
  // The system menu's "Shortcut Key For Hide All...": the key of the Start
  // menu's Hide All shortcut, chosen, removed or left.
  void ShortcutKeyClick();

  // True while data.bin is left alone: it could not be read whole.
  bool LeavesListAlone() const { return list_file_ && !list_file_->refusal().empty(); }

  // The handlers Handle calls.
  // One handler for the five buttons.
  void Command1Click(int index);
  // The user selected `index` in List1.
  void List1Click(int index);
  // The user typed `prefix` in List1. As in a list box, the next entry whose
  // text starts with it, ignoring letter case, becomes the selected one: a
  // single character, or one character typed again and again, searches from
  // the entry after the selected one, a longer prefix from the selected one
  // itself, and the search wraps. When no entry matches, nothing changes.
  void List1Search(const std::wstring& prefix);
  // Folders dropped on the window: each is added as Add adds a chosen one,
  // with the same checks, and the list is saved once. What is refused (a
  // file among them, too) is named in one message after the save.
  void DropFolders(const std::vector<std::wstring>& paths);
  // Toolbar1's button `index` (1 to 5) was pressed.
  void Toolbar1Click(int index);

  const EntryList& entries() const { return entries_; }
  int selected() const { return selected_; }

 private:
  // Counts a window of Form1's as open for its lifetime.
  class ModalWindow {
   public:
    explicit ModalWindow(Form1& form) : form_(form) { ++form_.modal_; }
    ~ModalWindow() { --form_.modal_; }
    ModalWindow(const ModalWindow&) = delete;
    ModalWindow& operator=(const ModalWindow&) = delete;

   private:
    Form1& form_;
  };

  // Once a started window shows the first list read whole: the entries that
  // travelled with the stick Veilkeep runs from, looked up aside
  // (FollowProgramDrive), are taken once no window of ours is up (TakeMoves).
  // Entries added or read later keep their letters.
  void FollowStick();
  // Those entries name the stick's letter now: those beyond doubt at once,
  // the others after one Yes (never asked without the window); saved at once.
  void TakeMoves(DriveMoves moves);
  void SelectEntry(int index);
  // Shows `entries` as the list, keeping the selected folder selected while
  // it is listed, else selecting the first entry.
  void ShowList(EntryList entries);
  // Brings the list up to data.bin when another program changed it, before a
  // change is saved or when told of a change; `wait` tries for about a second
  // while it is being written. False, with the reason in *why (and in *busy
  // whether it was being written), when it could not be read.
  bool CatchUp(bool wait, std::wstring* why, bool* busy = nullptr);
  void FollowIfPending();
  // Saves the list `change` makes of the one data.bin holds right now (it
  // returns false, setting *changed false, when there is nothing to change).
  // False, with the reason in *why, when it was not saved.
  bool SaveChange(const std::function<bool(EntryList*)>& change, bool whole, std::wstring* why,
                  bool* changed);
  static constexpr int kSaveTries = 5;
  // After a change was saved: shows what the saved file reads back as, when
  // that differs from the list (a damaged entry). True when it did.
  bool ShowReadBack();
  // Reads the selected folder's attributes. A folder whose drive does not
  // answer at once reads as not there, or, at `activation`, keeps the status shown.
  void ShowSelectionStatus(bool activation = false);
  // Takes out of `found` the folders the list names now, letter case ignored.
  void Unlisted(std::vector<std::wstring>* found);
  bool HideOrUnhide(const std::vector<std::wstring>& folders, bool hide);
  // Two names of one folder: the same but for letter case.
  bool SameFolder(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && platform_.StartsWithIgnoringCase(a, b);
  }
  // The folder the user picks in the folder browser; false, having said why
  // where there is something to say, when there is none or it could not be kept.
  bool AskForFolder(const wchar_t* prompt, std::wstring* path);
  void Add();
  // False, having said why, while data.bin is left alone for the session.
  bool KeepsNewFolders();
  // Why `path` may not join the list, or empty when it may: the checks of Add, in its order.
  std::wstring Refusal(const std::wstring& path, bool dropped);
  void AddFolders(const std::vector<std::wstring>& paths, bool dropped);
  // Removes entry `index` when its removal can be saved; otherwise it stays, selected.
  void Delete(int index);
  void Open(bool exists);
  void SetHidden(bool hide, bool exists);
  void MissingFolder();
  // The search of `folder` against the list data.bin holds now, the view
  // showing it while it runs. False, having said why, when the folder
  // itself could not be searched.
  bool Search(const std::wstring& folder, HiddenSearch* result);
  // /find-hidden: every folder found is added as a drop adds folders. True
  // when the search went through and each one found is listed.
  bool ListHiddenFolders(const std::wstring& folder);
  void Error(const std::wstring& text);
  int IndexOf(const std::wstring& path) const;
  void Enable(int index, bool enabled) { view_.SetCommandEnabled(index, enabled); }

  Platform& platform_;
  Form1View& view_;
  std::wstring publisher_host_;
  std::unique_ptr<ListFile> list_file_;
  EntryList entries_;
  int selected_ = -1;
  std::wstring current_path_;
  int modal_ = 0;                // windows of Form1's open now
  bool follow_pending_ = false;  // data.bin changed while a window of ours was up
  bool window_ = true;           // false: a start that only carries out its command line
  std::deque<std::pair<Request, std::function<void(bool)>>> requests_;
  bool carrying_out_ = false;        // a request is being carried out
  bool stick_pending_ = false;       // the stick's entries are to be looked up...
  bool stick_aside_ = false;         // ...are being looked up...
  std::optional<DriveMoves> moves_;  // ...and what was found, to be taken
};

}  // namespace vk
