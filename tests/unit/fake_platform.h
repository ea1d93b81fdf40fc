// A Platform held in memory: folders, drives, files, the browser and the
// message boxes are all scripted, and every failure point can be injected.
#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "platform/path_root.h"
#include "platform/platform.h"

namespace vk {

// Where a list-file operation can be made to fail.
enum class FileStep { None, Read, Create, Write, Flush, Close, Replace };

class FakePlatform final : public Platform {
 public:
  struct Message {
    std::wstring text, title;
  };
  struct File {
    std::string bytes;
    bool hidden = false;
    uint64_t id = 0;       // set by the writes below; 0 for a file a test put there
    uint64_t written = 0;  // the write clock at its last write
  };

  // Scripted state.
  std::map<std::wstring, uint32_t> folders;      // existing folders and their attributes
  std::map<std::wstring, unsigned> drive_types;  // default kDriveNoRootDir
  std::set<std::wstring> unplugged;              // roots not connected: nothing below them is there
  // Folder trees: a folder's subfolders are the entries of `folders` one
  // level below it; these are reparse points (the tag), those cannot be
  // listed, and the drive goes when that one is about to be.
  std::map<std::wstring, uint32_t> reparse_tags;
  std::set<std::wstring> denied;
  std::wstring unplug_at;
  std::deque<BrowseResult> browse_answers;       // empty: the user cancels
  std::string answers;                           // 'y' or 'n' for each Yes/No question; then No
  std::wstring set_attributes_error;             // non-empty: a folder's SetAttributes fails so
  std::wstring open_folder_error;
  bool another_instance = false;
  std::wstring program_folder = L"C:\\Apps\\Veilkeep";
  std::map<std::wstring, std::wstring> folder_verbs;  // the command of each, by key
  VersionNumbers version{1, 0};
  std::map<std::wstring, File> files;
  std::map<std::wstring, std::wstring> symlinks;    // a link's name -> its target
  std::map<std::wstring, std::wstring> hard_links;  // another name -> the name holding the file
  // Folders where a volume with no letter of its own is mounted ("C:\\Data\\"):
  // a file's other names there are listed as Windows lists them, from that
  // volume's root, and made paths through the mount point of the path asked.
  std::vector<std::wstring> mounts;
  std::wstring AsListed(const std::wstring& path, const std::wstring& other) const {
    auto mount = [&](const std::wstring& name) {
      std::wstring found;
      for (const auto& at : mounts) {
        if (name.rfind(at, 0) == 0 && at.size() > found.size()) found = at;
      }
      return found;
    };
    const std::wstring on = mount(other);
    return on.empty() ? other : PathOnVolume(mount(path), other.substr(on.size() - 1));
  }
  std::wstring read_error;                          // non-empty: ReadWholeFile fails so
  // The ANSI code page: Latin-1, or one whose upper half is other letters
  // (bytes 0x80-0xFF are U+0400-U+047F, Cyrillic as in windows-1251).
  bool cyrillic_ansi = false;
  FileStep fault = FileStep::None;
  bool fault_once = false;  // the fault clears once it has struck
  int faults_wait = 0;      // save steps (creates, writes, replaces) let through first
  int remove_fails = 0;     // this many removals fail (a scanner holds the file)
  // A scanner holds each file made from now on: until it lets go (false),
  // no one else removes a file it holds or writes over it.
  bool scanner = false;
  std::set<std::wstring> scanned;
  // Read-only media (a locked SD card, a CD): no lock is made, no file
  // written, moved, removed or marked.
  bool read_only = false;
  FileStep busy_step = FileStep::None;  // Read, Create or Replace fails as busy...
  int busy_times = 0;                   // ...this many times, then works
  // The program dies (killed, a power cut, a stick pulled out) at the
  // `kill_in`th step from now that changes the disk (a lock, a create, a
  // write, a replace, a removal); from then on nothing it does reaches the
  // disk, until it starts again (`dead` cleared, its locks and files let go).
  int kill_in = 0;
  bool dead = false;
  // With kill_in: the program dies as the power goes, and the disk keeps only
  // what reached it: each file's bytes as last flushed (one made and never
  // flushed is gone), and names and marks as they were at the last flush or
  // write-through move (the file system logs them in order): a removal or a
  // mark since is undone.
  bool power_cut = false;
  // Everything done so far is on the disk (another program's work, time passing).
  void Settled() {
    undo_.clear();
    unflushed_.clear();
  }
  // It starts again: the system let go of what the dead program held.
  void Revive() {
    if (power_cut) PowerCut();
    power_cut = false;
    dead = false;
    kill_in = 0;
    locks.clear();
    held.clear();
    mid_save = nullptr;
  }
  // The disk is full: no file grows (what is written over in place still is).
  bool full = false;
  // A FAT or exFAT volume: a replace removes the old file, then renames.
  bool removes_before_rename = false;
  // The bytes of every file as it stood once written whole: closed after its
  // writes, or written by another program.
  std::set<std::string> written_whole;
  std::vector<std::string> written_log;  // ...each time, in order
  void WrittenWhole(const std::string& bytes) {
    written_whole.insert(bytes);
    written_log.push_back(bytes);
  }

  // Runs while a message box or the folder browser is up, as whatever the
  // user or another program does then.
  std::function<void()> while_modal;
  // Runs once, at the next step of a save (a create, a write, a replace):
  // another writer acting in the middle of ours.
  std::function<void()> mid_save;

  // What happened.
  std::vector<Message> messages;
  std::vector<std::wstring> browse_prompts;
  std::vector<std::wstring> opened_folders;
  std::vector<std::wstring> opened_addresses;
  std::vector<std::pair<std::wstring, uint32_t>> attribute_sets;
  int reads = 0;
  int writes = 0;      // Write calls, over all saves
  int file_calls = 0;  // every list-file operation
  unsigned waited_ms = 0;
  int waits = 0;

  std::wstring ListPath() const { return program_folder + L"\\data.bin"; }

  // Another program replaces `path` whole (a new file), or rewrites it in place.
  void WriteByOther(const std::wstring& path, const std::string& bytes, bool in_place = false) {
    const std::wstring name = Resolve(path);
    File& file = files[name];
    if (!in_place || file.id == 0) file.id = next_id_++;
    file.bytes = bytes;
    file.written = ++clock_;
    WrittenWhole(bytes);
    Settled();
  }
  // The name that holds the file `path` names: links followed.
  std::wstring Resolve(std::wstring path) const {
    if (auto link = symlinks.find(path); link != symlinks.end()) path = link->second;
    if (auto alias = hard_links.find(path); alias != hard_links.end()) path = alias->second;
    return path;
  }

  uint32_t GetAttributes(const std::wstring& path) override {
    Look(path);
    auto it = folders.find(path);
    return it == folders.end() ? kInvalidAttributes
                               : (it->second | 0x10u | (reparse_tags.count(path) ? kAttrReparsePoint : 0));
  }
  Status SetAttributes(const std::wstring& path, uint32_t attributes) override {
    attribute_sets.emplace_back(path, attributes);
    if (auto file = files.find(Resolve(path)); file != files.end()) {
      if (Killed()) return Dead();
      if (read_only) return Status::Fail(L"Access is denied.");
      undo_.push_back({Undo::Mark, file->first, {}, file->second.hidden});
      file->second.hidden = attributes & kAttrHidden;  // held or not, as on Windows
      return Status::Ok();
    }
    if (!set_attributes_error.empty()) return Status::Fail(set_attributes_error);
    auto it = folders.find(path);
    if (it == folders.end()) return Status::Fail(L"The system cannot find the file specified.");
    it->second = attributes;
    return Status::Ok();
  }
  bool FolderExists(const std::wstring& path) override {
    Look(path);
    return folders.count(path) && !unplugged.count(PathRoot(path));
  }
  Status ReachRoot(const std::wstring& root) override {
    Look(root);
    return unplugged.count(root) ? Status::Fail(L"The device is not ready.") : Status::Ok();
  }
  Status ListFolder(const std::wstring& folder,
                    const std::function<void(const FolderItem&)>& each) override {
    if (folder == unplug_at) unplugged.insert(PathRoot(folder));
    if (!FolderExists(folder)) return Status::Fail(L"The system cannot find the path specified.");
    if (denied.count(folder)) return Status::Fail(L"Access is denied.");
    const std::wstring stem = folder.back() == L'\\' ? folder : folder + L'\\';
    for (auto it = folders.upper_bound(stem); it != folders.end(); ++it) {
      if (it->first.compare(0, stem.size(), stem) != 0) break;
      const std::wstring_view name = std::wstring_view(it->first).substr(stem.size());
      if (name.find(L'\\') != std::wstring_view::npos) continue;
      const auto tag = reparse_tags.find(it->first);
      each({name, it->second | 0x10u | (tag != reparse_tags.end() ? kAttrReparsePoint : 0u),
            tag != reparse_tags.end() ? tag->second : 0u});
    }
    return Status::Ok();
  }
  unsigned DriveType(const std::wstring& path) override {
    auto it = drive_types.find(path);
    return it == drive_types.end() ? kDriveNoRootDir : it->second;
  }

  // Network drives: a look at one (a folder, its root) may wait for the
  // network's timeout when it is offline; those in `unplugged` do not answer at once.
  std::wstring system_root = L"C:\\";
  int network_looks = 0;  // looks that may have waited so
  std::wstring SystemRoot() override { return system_root; }
  bool OnNetwork(const std::wstring& path) {
    const std::wstring root = PathRoot(path);
    return root.size() > 3 || DriveType(root) == kDriveRemote;
  }
  void Look(const std::wstring& path) { network_looks += OnNetwork(path); }
  bool AttributesAtOnce(const std::wstring& path, uint32_t* attributes) override {
    if (OnNetwork(path) && unplugged.count(PathRoot(path))) return false;
    auto it = folders.find(path);
    *attributes = it == folders.end() ? kInvalidAttributes : (it->second | 0x10u);
    return true;
  }

  BrowseResult BrowseForFolder(const std::wstring& prompt) override {
    browse_prompts.push_back(prompt);
    if (while_modal) while_modal();
    if (browse_answers.empty()) return {};
    BrowseResult answer = browse_answers.front();
    browse_answers.pop_front();
    return answer;
  }
  Status OpenFolder(const std::wstring& path) override {
    opened_folders.push_back(path);
    return open_folder_error.empty() ? Status::Ok() : Status::Fail(open_folder_error);
  }
  void OpenWebAddress(const std::wstring& address) override { opened_addresses.push_back(address); }
  void ShowError(const std::wstring& text, const std::wstring& title) override {
    messages.push_back({text, title});
    if (while_modal) while_modal();
  }

  bool AskYesNo(const std::wstring& text, const std::wstring& title) override {
    ShowError(text, title);
    const bool yes = answers.substr(0, 1) == "y";
    answers.erase(0, 1);
    return yes;
  }

  bool AnotherInstanceRunning() override { return another_instance; }
  std::wstring ProgramFolder() override { return program_folder; }
  std::wstring ProgramPath() override { return program_folder + L"\\Veilkeep.exe"; }
  std::map<std::wstring, Shortcut> shortcuts;  // the Start menu's, by name
  std::wstring shortcut_error;                 // non-empty: saving or removing one fails so
  Status SaveStartMenuShortcut(const std::wstring& name, const Shortcut& shortcut) override {
    if (!shortcut_error.empty()) return Status::Fail(shortcut_error);
    shortcuts[name] = shortcut;
    return Status::Ok();
  }
  bool ReadStartMenuShortcut(const std::wstring& name, Shortcut* shortcut) override {
    auto it = shortcuts.find(name);
    if (it == shortcuts.end()) return false;
    *shortcut = it->second;
    return true;
  }
  Status RemoveStartMenuShortcut(const std::wstring& name) override {
    if (!shortcut_error.empty()) return Status::Fail(shortcut_error);
    shortcuts.erase(name);
    return Status::Ok();
  }
  Status SetFolderVerb(const FolderVerb& verb) override { return Verb(verb.key, verb.command); }
  Status RemoveFolderVerb(const std::wstring& key) override { return Verb(key, L""); }
  std::wstring FolderVerbCommand(const std::wstring& key) override { return folder_verbs[key]; }
  Status Verb(const std::wstring& key, const std::wstring& command) {
    folder_verbs[key] = command;
    return Status::Ok();
  }
  VersionNumbers Version() override { return version; }

  // Letter case is folded for ASCII and Latin-1, which is all the tests use.
  bool StartsWithIgnoringCase(std::wstring_view text, std::wstring_view prefix) override {
    if (prefix.size() > text.size()) return false;
    auto fold = [](wchar_t c) {
      return (c >= L'a' && c <= L'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) ? c - 0x20 : c;
    };
    for (size_t i = 0; i < prefix.size(); ++i) {
      if (fold(text[i]) != fold(prefix[i])) return false;
    }
    return true;
  }
  void Wait(unsigned milliseconds) override {
    waited_ms += milliseconds;
    ++waits;
  }

  bool ToAnsi(const std::wstring& text, std::string* bytes) override {
    const uint32_t upper = cyrillic_ansi ? 0x400 : 0x80;  // the character of byte 0x80
    bytes->resize(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
      uint32_t c = static_cast<uint32_t>(text[i]);
      if (c >= 0x80) {
        if (c < upper || c >= upper + 0x80) return false;
        c = c - upper + 0x80;
      }
      (*bytes)[i] = static_cast<char>(c);
    }
    return true;
  }
  std::wstring FromAnsi(std::string_view bytes) override {
    const wchar_t upper = cyrillic_ansi ? 0x400 : 0x80;
    std::wstring text;
    text.reserve(bytes.size());
    for (char byte : bytes) {
      const auto b = static_cast<unsigned char>(byte);
      text += b < 0x80 ? static_cast<wchar_t>(b) : static_cast<wchar_t>(upper + (b - 0x80));
    }
    return text;
  }

  Status InspectFile(const std::wstring& path, FileFacts* facts) override {
    ++file_calls;
    *facts = FileFacts{};
    if (dead) return Dead();
    const std::wstring name = Resolve(path);
    facts->final_path = symlinks.count(path) ? symlinks.at(path) : path;
    facts->names = {facts->final_path};
    auto it = files.find(name);
    if (it == files.end()) {  // a link to nothing cannot be opened
      facts->dangling = symlinks.count(path) != 0;
      return Status::Ok();
    }
    facts->stamp = Stamp(it->second);
    if (name != facts->final_path) facts->names.push_back(AsListed(facts->final_path, name));
    for (const auto& [alias, holder] : hard_links) {
      if (holder != name) continue;
      ++facts->links;
      if (alias != facts->final_path) facts->names.push_back(AsListed(facts->final_path, alias));
    }
    return Status::Ok();
  }
  std::vector<std::wstring> FindFiles(const std::wstring& prefix) override {
    ++file_calls;
    std::vector<std::wstring> found;
    if (dead) return found;
    for (const auto& [name, file] : files) {
      if (name.compare(0, prefix.size(), prefix) == 0) found.push_back(name);
    }
    return found;
  }
  std::wstring WriterName() override { return L"w" + std::to_wstring(++writers_); }
  struct FakeLock final : FileLock {
    FakeLock(FakePlatform& owner, std::wstring path) : owner(owner), path(std::move(path)) {}
    ~FakeLock() override { owner.locks.erase(path); }
    FakePlatform& owner;
    std::wstring path;
  };
  Status LockFile(const std::wstring& path, std::unique_ptr<FileLock>* lock) override {
    ++file_calls;
    MidSave();
    if (Killed()) return Dead();
    if (read_only) return Status::Fail(L"The media is write protected.");
    if (locks.count(path)) return Status::Busy(L"The file is in use.");
    locks.insert(path);
    *lock = std::make_unique<FakeLock>(*this, path);
    return Status::Ok();
  }
  std::set<std::wstring> locks;  // lock files held now

  Status ReadWholeFile(const std::wstring& path, size_t max_bytes,
                       const std::function<char*(size_t)>& room, size_t* size,
                       FileStamp* stamp) override {
    ++file_calls;
    ++reads;
    *size = 0;
    *stamp = FileStamp{};
    if (dead) return Dead();
    if (Busy(FileStep::Read) || held.count(Resolve(path)))
      return Status::Busy(L"The file is in use.");
    if (!read_error.empty()) return Status::Fail(read_error);
    auto it = files.find(Resolve(path));
    if (it == files.end()) return Status::Fail(L"The system cannot find the file specified.");
    const std::string& bytes = it->second.bytes;
    if (bytes.size() > max_bytes) return Status::Fail(L"The file is too large.");
    char* into = room(bytes.size());
    if (!into) return Status::Fail(L"Not enough memory resources are available.");
    std::copy(bytes.begin(), bytes.end(), into);
    *size = bytes.size();
    *stamp = Stamp(it->second);
    return Status::Ok();
  }

  class FakeOutFile final : public OutFile {
   public:
    // `exclusive`: a file written over in place, held with no one else let in.
    FakeOutFile(FakePlatform& owner, std::wstring path, bool exclusive = false)
        : owner_(owner), path_(std::move(path)), exclusive_(exclusive) {
      if (exclusive_) owner_.held.insert(path_);
    }
    ~FakeOutFile() override {
      if (exclusive_) owner_.held.erase(path_);
    }
    Status Write(std::string_view bytes) override {
      ++owner_.writes;
      owner_.Step();
      if (owner_.dead) return owner_.Dead();
      owner_.Written(path_);
      File& file = owner_.files[path_];
      // Over what is there; a full disk takes no more than the file's room.
      const size_t room = owner_.full ? std::max(file.bytes.size(), pos_) - pos_ : bytes.size();
      const bool cut = owner_.Killed() || owner_.Strikes(FileStep::Write) || room < bytes.size();
      const size_t n = std::min(room, cut ? bytes.size() / 2 : bytes.size());  // cut: part-way
      file.bytes.resize(std::max(file.bytes.size(), pos_ + n));
      file.bytes.replace(pos_, n, bytes.data(), n);
      pos_ += n;
      file.written = ++owner_.clock_;
      return cut ? Status::Fail(L"There is not enough space on the disk.") : Status::Ok();
    }
    FileStamp Stamp() override { return owner_.Stamp(owner_.files[path_]); }
    Status Flush() override {
      if (exclusive_) owner_.files[path_].bytes.resize(pos_);  // ends where the writes ended
      owner_.WrittenWhole(owner_.files[path_].bytes);  // every write done
      if (owner_.Killed()) return owner_.Dead();
      if (owner_.Strikes(FileStep::Flush)) return Status::Fail(L"The device is not ready.");
      owner_.FlushPoint(path_);
      return Status::Ok();
    }
    Status Close() override {
      if (owner_.Killed()) return owner_.Dead();
      if (owner_.Strikes(FileStep::Close)) {
        return Status::Fail(L"The network name is no longer available.");
      }
      return Status::Ok();
    }

   private:
    FakePlatform& owner_;
    std::wstring path_;
    bool exclusive_;
    size_t pos_ = 0;
  };
  std::set<std::wstring> held;  // files open with no one else let in

  Status CreateOutFile(const std::wstring& path, std::unique_ptr<OutFile>* file) override {
    ++file_calls;
    Step();
    if (Killed()) return Dead();
    if (files.count(path) || symlinks.count(path) || hard_links.count(path)) {
      return Status::Fail(L"The file exists.");
    }
    if (read_only || Strikes(FileStep::Create)) return Status::Fail(L"Access is denied.");
    files[path] = File{"", false, next_id_++, ++clock_};
    if (scanner) scanned.insert(path);
    undo_.push_back({Undo::Erase, path});
    unflushed_[path] = "";
    *file = std::make_unique<FakeOutFile>(*this, path);
    return Status::Ok();
  }
  Status RewriteFile(const std::wstring& path, uint64_t room,
                     std::unique_ptr<OutFile>* file) override {
    ++file_calls;
    Step();
    if (Killed()) return Dead();
    if (Busy(FileStep::Create) || held.count(Resolve(path)) ||
        (scanner && scanned.count(Resolve(path))))
      return Status::Busy(L"Access is denied.");
    if (read_only || Strikes(FileStep::Create)) return Status::Fail(L"Access is denied.");
    const std::wstring name = Resolve(path);
    if (!files.count(name)) return Status::Fail(L"The system cannot find the file specified.");
    File& opened = files[name];
    if (opened.bytes.size() < room) {  // room first, zeros at its end
      if (full) return Status::Fail(L"There is not enough space on the disk.");
      Written(name);
      opened.bytes.resize(room, '\0');
    }
    opened.written = ++clock_;
    *file = std::make_unique<FakeOutFile>(*this, name, true);
    return Status::Ok();
  }
  bool ReplacesInTwoSteps(const std::wstring&) override { return removes_before_rename; }
  Status MoveFileTo(const std::wstring& from, const std::wstring& to, bool replace) override {
    ++file_calls;
    Step();
    if (Killed()) return Dead();
    if (Busy(FileStep::Replace) || held.count(to)) return Status::Busy(L"The file is in use.");
    if (read_only || Strikes(FileStep::Replace)) {
      return Status::Fail(
          L"The process cannot access the file because it is being used by another process.");
    }
    auto it = files.find(from);
    if (it == files.end()) return Status::Fail(L"The system cannot find the file specified.");
    if (!replace && (files.count(to) || symlinks.count(to) || hard_links.count(to))) {
      Status there = Status::Fail(L"Cannot create a file when that file already exists.");
      there.changed = true;
      return there;
    }
    const File moved = it->second;
    // Written through: the move, and all before it, is on the disk.
    if (removes_before_rename && files.count(to)) {
      Unlink(to);
      FlushPoint(to);
      if (Killed()) return Dead();  // cut short between the two
    }
    files.erase(from);
    Unlink(to);  // a name replaced is no longer a link: the new file takes it
    files[to] = moved;
    FlushPoint(to);
    if (auto bytes = unflushed_.find(from); bytes != unflushed_.end()) {
      unflushed_[to] = bytes->second;
      unflushed_.erase(bytes);
    }
    return Status::Ok();
  }
  void RemoveFile(const std::wstring& path) override {
    ++file_calls;
    if (Killed() || read_only || (scanner && scanned.count(path)) ||
        (remove_fails > 0 && remove_fails--))
      return;
    // A file of one name comes back at a power cut, as it last was.
    const bool linked = hard_links.count(path) || symlinks.count(path) ||
                        std::any_of(hard_links.begin(), hard_links.end(),
                                    [&](const auto& link) { return link.second == path; });
    if (auto file = files.find(path); file != files.end() && !linked) {
      undo_.push_back({Undo::Restore, path, file->second});
    }
    Unlink(path);
  }

 private:
  // True once the program has died: at this step, or before it.
  // What a power cut undoes, last first: a file made, one removed, a mark.
  struct Undo {
    enum Kind { Erase, Restore, Mark } kind;
    std::wstring name;
    File file = {};
    bool hidden = false;
  };
  std::vector<Undo> undo_;
  std::map<std::wstring, std::string> unflushed_;  // bytes as last flushed, of a file written since
  void Written(const std::wstring& name) { unflushed_.emplace(name, files[name].bytes); }
  // A flush of `flushed`, or a move written through: that file's bytes and
  // every name and mark so far are on the disk.
  void FlushPoint(const std::wstring& flushed) {
    undo_.clear();
    unflushed_.erase(flushed);
  }
  void PowerCut() {
    for (auto undo = undo_.rbegin(); undo != undo_.rend(); ++undo) {
      auto file = files.find(undo->name);
      if (undo->kind == Undo::Erase) files.erase(undo->name);
      if (undo->kind == Undo::Restore && file == files.end()) files[undo->name] = undo->file;
      if (undo->kind == Undo::Mark && file != files.end()) file->second.hidden = undo->hidden;
    }
    for (const auto& [name, bytes] : unflushed_) {
      if (auto file = files.find(name); file != files.end()) file->second.bytes = bytes;
    }
    Settled();
  }
  bool Killed() {
    if (kill_in > 0 && --kill_in == 0) dead = true;
    return dead;
  }
  static Status Dead() { return Status::Fail(L"The device is not ready."); }
  // The start of a save step.
  void Step() {
    MidSave();
    waiting_ = faults_wait > 0;
    if (waiting_) --faults_wait;
  }
  bool Strikes(FileStep step) {
    if (fault != step || waiting_) return false;
    if (fault_once) fault = FileStep::None;
    return true;
  }
  bool waiting_ = false;  // the step under way is let through
  void MidSave() {
    if (!mid_save) return;
    auto other = std::move(mid_save);
    mid_save = nullptr;
    other();
  }
  FileStamp Stamp(const File& file) const {
    return {true, file.id, file.bytes.size(), file.written, file.hidden ? kAttrHidden : 0u};
  }
  // Takes the name `path` away from its file; the file's other names keep it.
  void Unlink(const std::wstring& path) {
    symlinks.erase(path);
    if (hard_links.erase(path)) return;
    std::wstring heir;
    for (auto& [alias, holder] : hard_links) {
      if (holder != path) continue;
      if (heir.empty()) heir = alias;
      holder = heir;
    }
    if (!heir.empty()) {
      hard_links.erase(heir);
      files[heir] = files[path];
    }
    files.erase(path);
  }

  uint64_t clock_ = 0;
  int writers_ = 0;
  uint64_t next_id_ = 1;

  bool Busy(FileStep step) {
    if (busy_step != step || busy_times == 0 || (step != FileStep::Read && waiting_)) return false;
    --busy_times;
    return true;
  }
};

}  // namespace vk
