// Stateful fuzz target for the main window's behaviour. The input is a
// sequence of user actions (start-up, Add, drops, the buttons, selecting,
// typing, the toolbar, a restart, and any of them arriving while a message or
// another window of the program is up) and world events (a save step failing,
// a disk that stays full, the program killed at a step, a busy file, a folder
// vanishing or turning into a file, data.bin hidden or unreadable at the next
// start, another program rewriting or deleting data.bin, a second copy of the
// program in another session acting on the same files, by the same name or
// another). After every step, and whenever a message box shows, the
// invariants below must hold; a failure aborts.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/form1.h"
#include "listfile/leftovers.h"
#include "fake_platform.h"
#include "fake_view.h"

namespace vk {
namespace {

// What the user may pick or drop: folders, then a file and a drive root.
const std::wstring kPaths[] = {L"C:\\A",      L"C:\\B",     L"C:\\a",   L"C:\\\u00e9t\u00e9",
                               L"C:\\\u6587", L"E:\\Stick", L"C:\\x;y", L"C:\\f.txt",
                               L"D:\\"};
constexpr size_t kPathCount = sizeof(kPaths) / sizeof(kPaths[0]);
constexpr size_t kFolderCount = kPathCount - 2;
constexpr uint32_t kHiddenAttrs = kAttrReadOnly | kAttrHidden | kAttrSystem;

class Input {
 public:
  Input(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
  bool empty() const { return p_ == end_; }
  unsigned Byte() { return p_ < end_ ? *p_++ : 0; }
  unsigned Below(unsigned n) { return Byte() % n; }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
};

// With FORM1_FUZZ_TRACE set, each step is printed: a found input reads as a story.
const bool kTrace = std::getenv("FORM1_FUZZ_TRACE") != nullptr;

// Any text, whatever the locale: beyond ASCII as <hex>.
void Print(std::wstring_view text) {
  for (wchar_t c : text) std::fprintf(stderr, c < 128 ? "%c" : "<%x>", static_cast<unsigned>(c));
}

void Trace(const char* what, int index = 0, const std::wstring& text = L"") {
  if (!kTrace) return;
  std::fprintf(stderr, "  %s %d ", what, index);
  Print(text);
  std::fprintf(stderr, "\n");
}

const std::map<std::wstring, FakePlatform::File>* traced_files = nullptr;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  if (kTrace && traced_files) {  // what is on disk
    for (const auto& [name, file] : *traced_files) {
      Print(name);
      std::fprintf(stderr, " (file %d%s): %s\n", static_cast<int>(file.id),
                   file.hidden ? ", hidden" : "", file.bytes.c_str());
    }
  }
  std::abort();
}

void Expect(bool ok, const char* what) {
  if (!ok) Fail(what);
}

struct World {
  FakePlatform platform;
  std::unique_ptr<FakeView> view;
  std::unique_ptr<Form1> form;
  std::string start_bytes;       // data.bin as this session found it
  bool next_hidden = false;      // data.bin hidden at the next start
  bool next_unreadable = false;  // ...or unreadable
  int next_busy = 0;             // ...or busy this many reads (or writes)
  FileStep next_busy_step = FileStep::Read;
  bool start_hidden = false;
  bool journal_seen = false;  // a journal beside data.bin this session: its roll-back writes
  std::set<std::wstring> hidden;  // folders the program hid, still listed by the user
  size_t attribute_sets_seen = 0;
  std::optional<UserAction> nested;  // arrives while the next window of ours is up
  std::vector<Request> requests;     // from starts with a command line, to be handed over
  int asked = 0, answered = 0;
  std::multiset<std::wstring> requested;  // folders of requests not answered yet
  // A second copy, in another session, over the same files.
  std::unique_ptr<FakeView> view2;
  std::unique_ptr<Form1> form2;
  bool second_acting = false;  // a window up now is the second copy's
  bool others_wrote = false;   // another program or copy wrote data.bin this session
  // data.bin as a package manager keeps it: a link to this file, symbolic
  // or hard, which every save must keep.
  enum class Link { None, Symbolic, Hard } link = Link::None;
  const std::wstring persisted = L"D:\\Persist\\data.bin";
  // The second copy reaches the file by another name: the file's own path
  // behind a symbolic link, or another hard link (a package manager's next
  // version folder).
  std::wstring second_folder;
  bool revived = false;  // the program was killed and started again during this step
  // What other programs and the second copy did to the list, until a user
  // of this copy undoes it: folders they added must stay listed, folders
  // they removed must not come back.
  std::set<std::wstring> kept_by_others, removed_by_others;
  // A save reported as failed changes nothing: the list data.bin holds as
  // the user's action found it, and as the failure left it for the next start.
  EntryList action_list;
  int action_others = 0, others_count = 0;
  size_t whole_before = 0;  // the lists written whole before the user's action
  bool calm = false;        // ...which found nothing that could make a save fail
  size_t messages_seen = 0;
  std::optional<EntryList> failed_list;

  std::string Bytes() {
    auto it = platform.files.find(platform.Resolve(ListPath()));
    return it == platform.files.end() ? std::string("<none>") : it->second.bytes;
  }

  std::wstring ListPath() const { return platform.ListPath(); }

  // A journal not yet rolled back lies beside data.bin.
  bool JournalLeft() const {
    return std::any_of(platform.files.begin(), platform.files.end(), [](const auto& file) {
      return !file.second.hidden && EndsWith(file.first, ListFile::kJournalSuffix);
    });
  }

  // The entries data.bin gives after a restart, what saves left beside it
  // applied; *taken, the bytes taken as the list (none when left unread).
  EntryList OnDisk(std::optional<std::string>* taken = nullptr) {
    FakePlatform reader;
    reader.cyrillic_ansi = platform.cyrillic_ansi;
    reader.files = platform.files;
    reader.symlinks = platform.symlinks;
    reader.hard_links = platform.hard_links;
    reader.removes_before_rename = platform.removes_before_rename;
    if (auto it = reader.files.find(reader.Resolve(ListPath())); it != reader.files.end())
      it->second.hidden = false;
    ListFile file(reader, reader.ListPath());
    LoadResult read = file.LoadList();
    if (taken && read.state == LoadState::Loaded) {
      *taken = reader.files[reader.Resolve(ListPath())].bytes;
    }
    return std::move(read.entries);
  }

  // What must hold at any moment the user can see the window.
  // `nested`: while a window of ours is up. Killed, it is checked once
  // started again, never while one of its windows is up.
  void CheckInvariants(bool nested = false) {
    if (platform.dead && nested) return;
    Revive();
    const EntryList& entries = form->entries();
    const int selected = form->selected();
    journal_seen = journal_seen || JournalLeft();
    // What a save left beside data.bin (or the file it leads to) is gone, or
    // marked as over, once a reader has been by.
    const std::wstring target = platform.Resolve(ListPath());
    auto list = platform.files.find(target);
    const bool list_hidden = list != platform.files.end() && list->second.hidden;
    for (const auto& [name, file] : platform.files) {
      Expect(file.hidden || !EndsWith(name, ListFile::kCopySuffix) || list_hidden ||
                 form->LeavesListAlone() || (name.rfind(target, 0) && name.rfind(ListPath(), 0)),
             "no half-written list left");
    }
    if (link == Link::Symbolic) {
      Expect(platform.symlinks.count(ListPath()) == 1, "a symbolic link stays a link");
    } else if (link == Link::Hard && platform.files.count(persisted)) {
      Expect(platform.Resolve(ListPath()) == persisted, "both names of a hard link stay one file");
    }
    std::optional<std::string> taken;
    const EntryList disk = OnDisk(&taken);
    Expect(!taken || platform.written_whole.count(*taken),
           "the next reader takes a list someone wrote whole, never a torn one");
    if (start_hidden && !others_wrote) {
      Expect(Bytes() == start_bytes, "a hidden or system list is never written");
    }
    if (form->LeavesListAlone()) {
      Expect(entries.empty(), "a list left alone is shown empty");
      // ...but by the roll-back of a save cut short, or of our own failed save
      // that the full disk kept from rolling back itself.
      Expect(others_wrote || journal_seen || Bytes() == start_bytes,
             "a list left alone is never written");
    } else if (!awaiting_follow && view->follow_soon == 0) {
      Expect(disk == entries, "the window shows exactly what data.bin holds");
    }
    // A copy still waiting to read the file (it asked to look again) shows what it last read.
    if (form2 && !form2->LeavesListAlone() && !list_hidden && platform.read_error.empty() &&
        view2->follow_soon == 0) {
      Expect(disk == form2->entries(), "the second copy shows what data.bin holds");
    }
    for (const std::wstring& path : kept_by_others) {
      // A request, as a click on Hide, drops a folder that is gone from the list.
      if (!platform.FolderExists(path) && std::any_of(requested.begin(), requested.end(),
                                                      [&](auto& r) { return Same(r, path); })) {
        continue;
      }
      Expect(std::find(disk.begin(), disk.end(), path) != disk.end(),
             "a folder another program or copy added is not lost");
    }
    for (const std::wstring& path : removed_by_others) {
      Expect(std::find(disk.begin(), disk.end(), path) == disk.end(),
             "a folder another program or copy removed does not come back");
    }
    Expect(view->list == entries, "List1 shows Form1's entries");
    Expect(view->selected == selected, "List1 shows Form1's selection");
    Expect(entries.empty() ? selected == -1
                           : selected >= 0 && selected < static_cast<int>(entries.size()),
           "an entry is selected exactly when there are entries");
    const bool* on = view->enabled;
    Expect(on[kAdd], "Add is never disabled");
    Expect(on[kDelete] == !entries.empty() && on[kOpen] == !entries.empty(),
           "Delete and Open are enabled exactly when there are entries");
    if (entries.empty()) {
      Expect(!on[kHide] && !on[kUnhide], "no Hide or Unhide without entries");
      Expect(view->status == kStatusInitial || view->status == kStatusEmptied,
             "an empty list shows no hidden state");
    } else {
      Expect(on[kHide] != on[kUnhide], "exactly one of Hide and Unhide");
      Expect(view->status == (on[kUnhide] ? kStatusHidden : kStatusShown),
             "the status agrees with Hide and Unhide");
    }
    for (const std::wstring& path : hidden) {
      auto folder = platform.folders.find(path);
      if (folder == platform.folders.end() || (folder->second & kHiddenAttrs) != kHiddenAttrs) {
        continue;
      }
      Expect(std::find(disk.begin(), disk.end(), path) != disk.end(),
             "a folder the program hid is in data.bin's list");
    }
  }

  // Folders hidden and revealed since the last look.
  void NoteAttributeChanges() {
    for (; attribute_sets_seen < platform.attribute_sets.size(); ++attribute_sets_seen) {
      const auto& [path, attributes] = platform.attribute_sets[attribute_sets_seen];
      auto folder = platform.folders.find(path);
      if (folder == platform.folders.end() || folder->second != attributes) continue;
      if (attributes == kHiddenAttrs) {
        hidden.insert(path);
      } else {
        hidden.erase(path);
      }
    }
  }

  // The user does `action`; a Delete drops its folder from those we follow.
  void Act(const UserAction& action) {
    auto list = platform.files.find(platform.Resolve(ListPath()));
    calm = platform.fault == FileStep::None && platform.busy_times == 0 && !platform.full &&
           platform.remove_fails == 0 && platform.kill_in == 0 && platform.read_error.empty() &&
           !form->LeavesListAlone() && (list == platform.files.end() || !list->second.hidden);
    action_list = OnDisk();
    whole_before = platform.written_log.size();
    action_others = others_count;
    failed_list.reset();
    std::wstring deleting;
    if (action.kind == UserAction::Kind::Command1 && action.index >= kDelete &&
        form->selected() >= 0) {
      // Delete, or Open, Hide or Unhide of a folder that is gone: the user removes it.
      deleting = form->entries()[form->selected()];
      kept_by_others.erase(deleting);
      if (action.index != kDelete && platform.FolderExists(deleting)) deleting.clear();
    }
    // What the user adds now may come back, whatever was removed meanwhile.
    user_adding = action.paths;
    if (action.kind == UserAction::Kind::Command1 && action.index == kAdd) {
      for (const BrowseResult& answer : platform.browse_answers) user_adding.push_back(answer.path);
    }
    const bool searching = action.kind == UserAction::Kind::FindHidden;
    for (const auto& [path, attributes] : platform.folders)  // what a search may add
      if (searching && (attributes & 6) == 6) user_adding.push_back(path);
    for (const auto& path : user_adding) removed_by_others.erase(path);
    static const char* const kKinds[] = {"Command1",   "Toolbar1",   "List1Select", "List1Type",
                                         "Drop",       "FolderMenu", "FindHidden",  "HideAll",
                                         "UnhideAll",  "ShortcutKey"};
    // Hide All and Unhide All drop every listed folder that is gone.
    all_folders = all_folders || action.kind == UserAction::Kind::HideAll ||
                  action.kind == UserAction::Kind::UnhideAll;
    for (auto it = kept_by_others.begin(); all_folders && it != kept_by_others.end();)
      it = platform.FolderExists(*it) ? std::next(it) : kept_by_others.erase(it);
    std::wstring text = action.typed;
    for (const auto& path : action.paths) text += path + L" ";
    Trace(kKinds[static_cast<int>(action.kind)], action.index, text);
    if (action.kind == UserAction::Kind::List1Select && action.index >= 0 &&
        action.index < static_cast<int>(form->entries().size())) {
      view->selected = action.index;  // a click shows itself before Form1 hears of it
    }
    const int answered_before = answered;
    view->chosen.clear();
    form->Handle(action);
    if (searching && answered == answered_before && action_others == others_count) {
      for (std::wstring_view entry : OnDisk()) {
        Expect(std::count(action_list.begin(), action_list.end(), entry) ||
                   std::count(view->chosen.begin(), view->chosen.end(), entry),
               "a search adds only what was left checked, on Add");
      }
    }
    platform.mid_save = nullptr;
    user_adding.clear();
    NoteAttributeChanges();
    const EntryList& entries = form->entries();
    // Killed meanwhile, the removal the user asked for may have been made.
    if (!deleting.empty() && (platform.dead || std::find(entries.begin(), entries.end(),
                                                         deleting) == entries.end())) {
      hidden.erase(deleting);
    }
  }

  // While a message, the browser or a secondary window is up.
  void WhileModal() {
    NoteAttributeChanges();
    const bool new_message = platform.messages.size() > messages_seen;
    messages_seen = platform.messages.size();
    if (new_message) {
      const std::wstring& text = platform.messages.back().text;
      Trace("  message:", 0, text);
      // Each part of a message says something: no empty reason left between two.
      Expect(!text.empty() && text.find(L"\n\n\n\n") == std::wstring::npos &&
                 text.find(L": \n") == std::wstring::npos && text.back() != L'\n',
             "a message says what it is about, and why");
    }
    // The second copy's window: this one follows afterwards. A program
    // killed meanwhile shows nothing more.
    if (second_acting || platform.dead) return;
    Expect(!form || form->modal(), "a window of ours is counted as open while it is up");
    if (new_message &&
        platform.messages.back().text.find(L"could not be saved") != std::wstring::npos &&
        action_others == others_count && asked == answered) {  // the user's action, no request
      Expect(OnDisk() == action_list, "a save reported as failed changes nothing");
      failed_list = OnDisk();
      Expect(!calm, "a save fails only for a reason: a fault, a busy or full disk, a list left alone");
    }
    if (other_during) {
      // Another program writes data.bin while the user is in our window.
      const OtherWrite write = *other_during;
      other_during.reset();
      OtherProgram(write);
      awaiting_follow = true;
      form->FollowListFile();  // its notification: taken once the window closes
    }
    // The second copy is another process: it follows while ours shows a window.
    if (form2) AsSecond([&] { FollowUntilRead(*form2, *view2); });
    if (form) CheckInvariants(true);
    if (!requests.empty()) HandOver();
    if (!nested) return;
    const UserAction action = *nested;
    nested.reset();
    Act(action);
  }

  bool Same(std::wstring_view a, std::wstring_view b) {  // one folder on Windows
    return a.size() == b.size() && platform.StartsWithIgnoringCase(a, b);
  }
  // A request drops a folder that is gone, listed in any letter case, as a click on Hide does.
  void Gone(const std::wstring& path) {
    for (auto it = kept_by_others.begin(); it != kept_by_others.end();)
      it = Same(*it, path) && !platform.FolderExists(*it) ? kept_by_others.erase(it) : std::next(it);
  }

  // Each request is answered once, never while a window of ours is up, with
  // whether every folder ended listed and in the asked state.
  void HandOver() {
    for (const Request& request : requests) {
      for (const auto& path : request.folders) removed_by_others.erase(path), requested.insert(path);
      form->Queue(request, [this, request](bool done) {
        ++answered;
        if (platform.dead) return;  // its caller saw it die
        failed_list.reset();  // a request may save what a failed action did not
        const EntryList& listed = form->entries();
        bool as_asked = true, twins = false;
        for (size_t i = 0; i < request.folders.size(); ++i) {
          const std::wstring& path = request.folders[i];
          requested.erase(requested.find(path));
          Gone(path);
          // Named again in another letter case: the same folder, carried out once.
          auto same = [&](std::wstring_view p) { return Same(p, path); };
          auto twin = [&](std::wstring_view p) { return same(p) && p != path; };
          twins = twins || std::any_of(listed.begin(), listed.end(), twin) ||
                  std::any_of(request.folders.begin(), request.folders.end(), twin);
          if (std::any_of(request.folders.begin(), request.folders.begin() + i, same)) continue;
          // Listed in another letter case, it is that entry.
          auto entry = std::find(listed.begin(), listed.end(), path);
          if (entry == listed.end()) entry = std::find_if(listed.begin(), listed.end(), same);
          const std::wstring folder = entry == listed.end() ? path : std::wstring(*entry);
          as_asked = as_asked && entry != listed.end() && platform.FolderExists(folder) &&
                     ((platform.GetAttributes(folder) & 6) == 6) == (request.kind == Request::Kind::Hide);
        }
        // Two spellings of one folder are two folders to the fake, each with
        // its own marks, not on Windows: such an answer is not judged.
        Expect((twins || done == as_asked) && !form->modal(),
               "a request's answer says how its folders ended");
      });
    }
    asked += static_cast<int>(requests.size());
    requests.clear();
    form->RunRequests();
    NoteAttributeChanges();
    if (form->modal() || platform.dead) return;  // killed: judged once started again
    awaiting_follow = false;
    Expect(form->LeavesListAlone() || view->follow_soon > 0 || OnDisk() == form->entries(),
           "a change of data.bin during a request's message is followed once it closes");
  }

  void Start(Input& in) {
    // The program ends and starts again; data.bin may have been changed meanwhile.
    const unsigned how = in.Below(4);
    if (how != 0) failed_list.reset();
    switch (how) {
      case 0:
        break;   // as the last session left it
      case 1: {  // a list of the known folders
        EntryList entries;
        for (unsigned n = in.Below(5); n > 0; --n)
          entries.push_back(kPaths[in.Below(kFolderCount)]);
        platform.WriteByOther(ListPath(), EncodeListPlain(platform, entries));
        platform.files[platform.Resolve(ListPath())].hidden = false;
        hidden.clear();
        kept_by_others.clear();
        removed_by_others.clear();
        break;
      }
      case 2: {  // any bytes
        std::string bytes;
        for (unsigned n = in.Below(12); n > 0; --n) bytes += static_cast<char>(in.Byte());
        platform.WriteByOther(ListPath(), bytes);
        platform.files[platform.Resolve(ListPath())].hidden = false;
        hidden.clear();
        kept_by_others.clear();
        removed_by_others.clear();
        break;
      }
      case 3:
        platform.remove_fails = 0;  // the user's own deletion is not held up
        platform.RemoveFile(ListPath());
        platform.Settled();
        Unlinked();
        hidden.clear();
        kept_by_others.clear();
        removed_by_others.clear();
        break;
    }
    const int others_before = others_count;
    Launch();
    // Where a replace is one step, nothing a save left brings a deleted list back
    // (another program or copy may write a new one while the start reads).
    Expect(how != 3 || platform.removes_before_rename || form->LeavesListAlone() ||
               form->entries().empty() || others_count != others_before,
           "a list deleted between two starts stays deleted");
  }

  // data.bin is no longer a link: a second copy that reached the file by
  // another name starts again over ours.
  void Unlinked() {
    link = Link::None;
    if (second_folder.empty()) return;
    second_folder.clear();
    if (form2) StartSecond();
  }

  // The program starts over data.bin as it is.
  void Launch() {
    others_wrote = false;
    const bool exists = platform.files.count(platform.Resolve(ListPath())) != 0;
    if (exists) platform.files[platform.Resolve(ListPath())].hidden = next_hidden;
    Trace("start; data.bin hidden, unreadable, busy:", next_hidden * 100 + next_unreadable * 10,
          std::to_wstring(next_busy));
    platform.read_error = next_unreadable ? L"Access is denied." : L"";
    platform.busy_step = next_busy > 0 ? next_busy_step : FileStep::None;
    platform.busy_times = next_busy;
    start_bytes = Bytes();
    journal_seen = JournalLeft();
    start_hidden = exists && next_hidden;
    next_hidden = next_unreadable = false;
    next_busy = 0;

    form.reset();
    view = std::make_unique<FakeView>();
    form = std::make_unique<Form1>(platform, *view);
    view->while_modal = platform.while_modal = [this] { WhileModal(); };
    Expect(form->Load(), "the only copy starts");
    // Unless the user or another program changed it meanwhile (Act and the others reset it).
    Expect(!failed_list || OnDisk() == *failed_list,
           "a save reported as failed is not made at the next start");
    failed_list.reset();
    form->RunRequests();  // as the window does once started: those that came meanwhile
    NoteAttributeChanges();
    platform.read_error.clear();
    platform.busy_times = 0;
    platform.full = false;  // room again once it has been read
  }

  // The program was killed: both copies start again over what the disk
  // holds, the system having let go of their locks and files; what it was
  // asked goes unanswered (its callers saw it die).
  void Revive() {
    while (platform.dead) {
      Trace(platform.power_cut ? "the power went: the copies start again" : "killed: the copies start again");
      revived = true;
      // What the window said data.bin holds, when it said so of its own saves alone.
      const bool judged = platform.power_cut && !form->LeavesListAlone() && !awaiting_follow &&
                          view->follow_soon == 0 && action_others == others_count;
      const EntryList shown = form->entries();
      platform.Revive();
      std::optional<std::string> taken;
      const auto& log = platform.written_log;
      Expect(!judged || OnDisk(&taken) == shown ||
                 (taken && std::find(log.begin() + std::min(whole_before, log.size()), log.end(),
                                     *taken) != log.end()),
             "a save reported as made is never undone by a power cut");
      nested.reset(), other_during.reset(), requests.clear();
      // A request cut short may have dropped a folder that is gone, as a click on Hide does.
      for (const std::wstring& path : requested) Gone(path);
      requested.clear();
      answered = asked, awaiting_follow = false;
      failed_list.reset();
      if (form2) StartSecond();
      Launch();
    }
  }

  void StartSecond() {
    form2.reset();
    view2 = std::make_unique<FakeView>();
    form2 = std::make_unique<Form1>(platform, *view2);
    const std::wstring ours = platform.program_folder;
    if (!second_folder.empty()) platform.program_folder = second_folder;
    AsSecond([&] { Expect(form2->Load(), "the second copy starts in its own session"); });
    platform.program_folder = ours;
  }

  // One user action from the input; never a restart.
  UserAction ReadAction(Input& in) {
    switch (in.Below(7)) {
      case 0: {
        const unsigned answer = in.Below(kPathCount + 2);
        if (answer < kPathCount) {
          platform.browse_answers.push_back({BrowseOutcome::Chosen, kPaths[answer]});
        } else {
          platform.browse_answers.push_back(
              {answer == kPathCount ? BrowseOutcome::Cancelled : BrowseOutcome::NoPath, L""});
        }
        return {UserAction::Kind::Command1, kAdd};
      }
      case 1: {
        std::vector<std::wstring> paths;
        for (unsigned n = in.Below(4); n > 0; --n) paths.push_back(kPaths[in.Below(kPathCount)]);
        return UserAction::Dropped(paths);
      }
      case 2:
        return {UserAction::Kind::Command1, static_cast<int>(kDelete + in.Below(4))};
      case 3:
        return {UserAction::Kind::List1Select, static_cast<int>(in.Below(8)) - 1};
      case 4: {
        static const wchar_t kKeys[] = L"cCdDeE\\:";
        std::wstring typed;
        for (unsigned n = 1 + in.Below(3); n > 0; --n) typed += kKeys[in.Below(8)];
        return UserAction::Typed(typed);
      }
      case 5:
        return {UserAction::Kind::Toolbar1, static_cast<int>(in.Below(6))};
      default: {
        const unsigned byte = in.Byte();
        if (byte % 6 < kCommandCount) return {UserAction::Kind::Command1, static_cast<int>(byte % 6)};
        // The system menu: Find Hidden Folders..., Hide All Folders, Unhide All Folders.
        if (byte / 6 % 3 == 1) return {UserAction::Kind::HideAll};
        if (byte / 6 % 3 == 2) return {UserAction::Kind::UnhideAll};
        return Search(in);
      }
    }
  }

  // The system menu's Find Hidden Folders...: the folder picked (or none),
  // whether the user cancels the search, and what is added of what it found
  // (the second copy's user cancels nothing and adds everything).
  UserAction Search(Input& in) {
    static const wchar_t* const kSearched[] = {L"C:\\", L"C:\\A", L"D:\\", L"C:\\Gone"};
    const unsigned folder = in.Below(5);
    if (folder < 4) platform.browse_answers.push_back({BrowseOutcome::Chosen, kSearched[folder]});
    view->cancel_at = static_cast<int>(in.Below(4)) - 1;
    view->add_found = in.Below(3) != 0;
    view->unchecked = kPaths[in.Below(kPathCount)];
    return {UserAction::Kind::FindHidden};
  }

  // Another program rewrites data.bin: one folder added or removed, or the
  // list reversed; replaced whole or rewritten in place, maybe caught by
  // the next reads while it is still being written; or deleted.
  struct OtherWrite {
    unsigned what, path, in_place, busy;
  };
  std::optional<OtherWrite> other_during;  // comes while the next window of ours is up
  bool awaiting_follow = false;            // data.bin changed while a window of ours was up
  std::vector<std::wstring> user_adding;   // what the user's action now adds
  bool all_folders = false;                // the action is Hide All or Unhide All

  OtherWrite ReadOtherWrite(Input& in) {
    OtherWrite write;
    write.path = in.Below(kFolderCount);
    write.what = in.Below(4);
    write.in_place = in.Below(2);
    write.busy = in.Below(2) ? in.Below(30) : 0;
    return write;
  }

  void OtherProgram(const OtherWrite& write) {
    EntryList list = OnDisk();
    const std::wstring& path = kPaths[write.path];
    const unsigned what = write.what;
    Trace("another program: add, remove, reverse, delete", static_cast<int>(what), path);
    others_wrote = true;
    ++others_count;
    failed_list.reset();
    if (what == 3) {
      platform.RemoveFile(ListPath());
      platform.Settled();
      Unlinked();
      kept_by_others.clear();
      removed_by_others.clear();
      hidden.clear();
    } else {
      if (what == 0 && path.find(L';') == std::wstring::npos) {
        list.push_back(path);
        kept_by_others.insert(path);
        removed_by_others.erase(path);
      } else if (what == 1) {
        EntryList kept;
        for (std::wstring_view entry : list) {
          if (entry != path) kept.push_back(entry);
        }
        list = std::move(kept);
        kept_by_others.erase(path);
        // A request not answered yet may add it again.
        if (std::find(user_adding.begin(), user_adding.end(), path) == user_adding.end() &&
            !requested.count(path)) {
          removed_by_others.insert(path);
        }
        hidden.erase(path);
      } else if (what == 2) {
        EntryList reversed;
        for (size_t i = list.size(); i > 0; --i) reversed.push_back(list[i - 1]);
        list = std::move(reversed);
      }
      platform.WriteByOther(ListPath(), EncodeListPlain(platform, list), write.in_place);
      // Over a save cut short whose journal is still there, a list made of
      // that save's two lists is taken for the rewrite and rolled back: the
      // one case the next reader cannot tell (what this write did may go).
      if (JournalLeft()) kept_by_others.erase(path), removed_by_others.erase(path);
      if (write.busy) {  // still being written when the next reads come
        platform.busy_step = FileStep::Read;
        platform.busy_times = static_cast<int>(write.busy);
      }
    }
    if (platform.busy_step != FileStep::Read) platform.busy_times = 0;
  }

  // The second copy starts, acts on the list as its user does, or ends.
  void SecondCopy(Input& in) {
    if (!form2 || in.Below(8) == 0) {
      Trace("second copy starts", 0, second_folder);
      StartSecond();
      return;
    }
    SecondCopyActs(ReadAction(in));
  }

  // The second copy acts at the `step`th step from now of a save or read of ours.
  void SecondCopyAt(int step, const UserAction& action) {
    platform.mid_save = [this, step, action] {
      if (step > 0) return SecondCopyAt(step - 1, action);
      if (!second_acting && form2) SecondCopyActs(action);
    };
  }

  void SecondCopyActs(UserAction action) {
    ++others_count;
    failed_list.reset();
    NoteAttributeChanges();  // ours so far, as when it acts in the middle of our requests
    if (action.kind == UserAction::Kind::Command1 && action.index >= kDelete &&
        form2->selected() >= 0) {
      const std::wstring path(form2->entries()[form2->selected()]);
      if (action.index == kDelete || !platform.FolderExists(path)) {
        removed_by_others.erase(path);  // its user may remove it; ours may add it again
        kept_by_others.erase(path);
        hidden.erase(path);
      }
    }
    if (action.kind == UserAction::Kind::HideAll || action.kind == UserAction::Kind::UnhideAll) {
      for (auto it = kept_by_others.begin(); it != kept_by_others.end();)  // drops what is gone
        it = platform.FolderExists(*it) ? std::next(it) : kept_by_others.erase(it);
    }
    const EntryList before = OnDisk();
    Trace("second copy acts:", static_cast<int>(action.kind), std::to_wstring(action.index));
    AsSecond([&] { form2->Handle(action); });
    platform.browse_answers.clear();
    NoteAttributeChanges();
    // The power went during its save: what it wrote unflushed is not kept,
    // and its save may have been made before, or not: what it added may be there.
    const bool cut = platform.dead && platform.power_cut;
    others_wrote = others_wrote || cut;
    const EntryList after = OnDisk();
    for (std::wstring_view entry : after) {
      if (std::find(before.begin(), before.end(), entry) == before.end()) {
        if (!cut) kept_by_others.insert(std::wstring(entry));
        removed_by_others.erase(std::wstring(entry));
        others_wrote = true;
      }
    }
  }

  // Each copy hears of the change as its folder's notification tells it,
  // and tries again in a moment while the file is still being written.
  void Follow() {
    // The window keeps the folder selected selected, while data.bin lists it.
    const std::wstring kept = form->selected() >= 0 ? std::wstring(form->entries()[form->selected()]) : L"";
    FollowUntilRead(*form, *view);
    const EntryList& now = form->entries();
    if (!kept.empty() && !form->LeavesListAlone() && view->follow_soon == 0 &&
        std::find(now.begin(), now.end(), kept) != now.end()) {
      Expect(form->selected() >= 0 && now[form->selected()] == kept,
             "the folder selected stays selected while the list names it");
    }
    form->Form1Activate();  // and the user comes back to its window
    if (form2) AsSecond([&] { FollowUntilRead(*form2, *view2); });
  }
  // What the second copy does, a window it shows included, is its own.
  template <class Acts>
  void AsSecond(Acts acts) {
    const bool was_acting = std::exchange(second_acting, true);
    acts();
    second_acting = was_acting;
  }
  // As the window does: follows, and again while it was asked to.
  static void FollowUntilRead(Form1& copy, FakeView& its_view) {
    its_view.follow_soon = 0;
    copy.FollowListFile();
    for (int tries = 0; tries < 40 && its_view.follow_soon > 0; ++tries) {
      its_view.follow_soon = 0;
      copy.FollowListFile();
    }
  }

  void Event(Input& in) {
    const unsigned event = in.Below(9);
    Trace("event", static_cast<int>(event));
    switch (event) {
      case 0: {  // the next save fails at one of its steps, from its first or a later one
        const unsigned step = in.Below(5), wait = in.Below(6), more = in.Byte();
        platform.fault = static_cast<FileStep>(static_cast<int>(FileStep::Create) + step);
        platform.faults_wait = static_cast<int>(wait);
        // What it leaves may outlive it: held for a moment, or past every retry.
        platform.remove_fails = std::array{0, 0, 0, 0, 0, 1, 2, 60}[more % 8];
        Trace("  save fault at step, after; mode:", step * 10 + wait, std::to_wstring(more / 8 % 8));
        if (more / 8 % 8 == 6) {  // the disk fills and stays full until the next start read it
          platform.fault = FileStep::None;
          platform.full = true;
        } else if (more / 8 % 8 == 7) {  // killed at a step: of a save, or of the recovery after one
          platform.fault = FileStep::None;
          platform.kill_in = static_cast<int>(1 + wait + 6 * step);
          platform.power_cut = more / 64 % 2;  // ...by a power cut: the disk keeps what was flushed
        }
        break;
      }
      case 1:  // another program holds the file for a moment, or longer
        platform.busy_step = in.Below(2) ? FileStep::Create : FileStep::Replace;
        platform.busy_times = static_cast<int>(in.Below(25));
        platform.faults_wait = static_cast<int>(in.Below(6));  // from a later step
        break;
      case 2: {  // a folder vanishes, turns into a file, or is made again
        const std::wstring& named = kPaths[in.Below(kFolderCount)];
        const uint32_t how = in.Below(3);
        for (const std::wstring& path : kPaths) {  // in any letter case: one name on Windows
          if (path.size() != named.size() || !platform.StartsWithIgnoringCase(path, named)) continue;
          if (how != 2) platform.folders.erase(path);
          if (how == 1) platform.files[path] = {"text", false};
          if (how == 2) platform.files.erase(path), platform.folders[path] = 0;
        }
        break;
      }
      case 3:  // data.bin at the next start; busy to read, or to finish a save
        next_hidden = in.Below(4) == 0;
        next_unreadable = in.Below(4) == 0;
        next_busy = static_cast<int>(in.Below(25));
        next_busy_step = in.Below(3) ? FileStep::Read : FileStep::Create;
        break;
      case 4:  // the shell or the file system refuses
        platform.open_folder_error = in.Below(2) ? L"Application not found." : L"";
        platform.set_attributes_error = in.Below(3) == 0 ? L"Access is denied." : L"";
        break;
      case 5:  // the next window of ours has something arrive while it is up
        nested = ReadAction(in);
        Trace("  ...to arrive during the next window of ours:", static_cast<int>(nested->kind),
              std::to_wstring(nested->index));
        break;
      case 6:
        if (in.Below(2)) {
          other_during = ReadOtherWrite(in);
          break;
        }
        OtherProgram(ReadOtherWrite(in));
        Follow();
        CheckInvariants();
        break;
      case 7:
        if (form2 && in.Below(3) == 0) {  // in the middle of our next save
          const UserAction action = ReadAction(in);
          Trace("  ...the second copy to act in the middle of our next save");
          SecondCopyAt(static_cast<int>(in.Below(8)), action);
          break;
        }
        SecondCopy(in);
        Follow();
        CheckInvariants();
        break;
      case 8:  // up to twenty starts with a command line: handed over now, or during the next window
        for (unsigned n = 1 + in.Below(20); n > 0; --n) {
          requests.push_back({in.Below(2) ? Request::Kind::Hide : Request::Kind::Unhide, {}});
          for (unsigned k = 1 + in.Below(3); k > 0; --k)
            requests.back().folders.push_back(kPaths[in.Below(kPathCount)]);
        }
        if (in.Below(2)) HandOver();
        break;
    }
  }

  void Step(Input& in) {
    revived = all_folders = false;
    Revive();  // killed by the last event: started again before anything else happens
    const size_t before = form->LeavesListAlone() ? 0 : OnDisk().size();
    const int answered_before = answered;
    const unsigned what = in.Below(8);
    if (what == 0) {
      Start(in);
      Follow();
    } else if (what <= 2) {
      Event(in);
      return;
    } else {
      Act(ReadAction(in));
      Revive();
      platform.fault = FileStep::None;
      platform.faults_wait = 0;
      platform.remove_fails = 0;
      platform.browse_answers.clear();
      Expect(awaiting_follow || revived || action_others != others_count ||
                 answered != answered_before || all_folders ||
                 form->entries().size() + 1 >= before,
             "one action removes one entry at most (requests carried out meanwhile aside)");
      if (!requests.empty()) HandOver();
      Follow();
      awaiting_follow = false;
    }
    Expect(!form->modal(), "no window of ours is left counted as open");
    Expect(answered == asked, "every request is answered once no window of ours is up");
    CheckInvariants();
  }
};

}  // namespace
}  // namespace vk

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vk::Input in(data, size);
  vk::World world;
  vk::traced_files = &world.platform.files;
  world.platform.cyrillic_ansi = in.Below(2) == 1;
  world.platform.fault_once = true;  // a step fails; what comes after it works
  for (size_t i = 0; i < vk::kFolderCount; ++i) world.platform.folders[vk::kPaths[i]] = 0;
  world.platform.folders[L"D:\\"] = 0;  // a drive root
  // For the search: a root, a hidden folder in a folder, one that cannot be
  // read, a link to go round and a sync client's folder to go into.
  for (const wchar_t* folder : {L"C:\\", L"C:\\Link", L"C:\\Cloud"}) world.platform.folders[folder] = 0;
  for (const wchar_t* hidden : {L"C:\\A\\In", L"C:\\Link\\Loop", L"C:\\Cloud\\Kept"})
    world.platform.folders[hidden] = vk::kAttrHidden | vk::kAttrSystem;
  world.platform.reparse_tags = {{L"C:\\Link", 0xA000000C}, {L"C:\\Cloud", 0x9000001A}};
  world.platform.denied = {L"C:\\B"};
  world.platform.files[L"C:\\f.txt"] = {"text", false};
  world.platform.drive_types[L"E:\\Stick"] = vk::kDriveRemovable;
  const unsigned link_byte = in.Byte(), link = link_byte % 5;
  world.platform.removes_before_rename = link_byte / 5 % 2;
  const bool other_name = link_byte / 10 % 3 == 2;
  switch (link) {
    case 1:
    case 3:  // the file the link leads to is hidden
    case 4:  // the link leads to no file yet
      world.link = vk::World::Link::Symbolic;
      world.platform.symlinks[world.ListPath()] = world.persisted;
      if (link != 4) world.platform.files[world.persisted] = {"C:\\A;", false};
      world.next_hidden = link == 3;
      if (other_name) world.second_folder = L"D:\\Persist";
      break;
    case 2:
      world.link = vk::World::Link::Hard;
      world.platform.hard_links[world.ListPath()] = world.persisted;
      world.platform.files[world.persisted] = {"C:\\A;", false};
      if (other_name) {
        world.second_folder = L"C:\\Apps\\Veilkeep2";
        world.platform.hard_links[world.second_folder + L"\\data.bin"] = world.persisted;
      }
      break;
  }
  world.platform.written_whole.insert("C:\\A;");
  world.Start(in);
  world.CheckInvariants();
  for (int steps = 0; steps < 64 && !in.empty(); ++steps) world.Step(in);
  return 0;
}
