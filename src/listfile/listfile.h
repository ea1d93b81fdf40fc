// data.bin on disk: read whole, saved by one protocol, whoever else writes
// it, links it or cuts a save short.
//
// A save holds the lock "NAME.lock" beside every name of the file data.bin
// really is (links followed), so that copies of the program save one at a
// time whatever name reached the file, and saves only over the data.bin it
// last read or saved: when another writer got there first it reports
// Overtaken and writes nothing. A file with one name is replaced in one step
// by a complete copy; a file with several names is rewritten in place under
// a journal holding what it held, which the next reader puts back when the
// rewrite was cut short (docs/ARCHITECTURE.md, "Saving data.bin").
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "listfile/entry_list.h"
#include "listfile/list_codec.h"
#include "platform/platform.h"

namespace vk {

enum class LoadState {
  Missing,     // no file: an empty list, saved normally later
  Loaded,      // read whole
  Skipped,     // hidden or system file: an empty list, and the file is left alone
  Unreadable,  // exists but could not be read: reported, and the file is left alone
};

struct LoadResult {
  LoadState state = LoadState::Missing;
  EntryList entries;
  std::wstring reason;     // with Unreadable
  bool busy = false;       // Unreadable only because another program is writing it
  bool recovered = false;  // the copy a save cut short left beside a missing data.bin
};

class ListFile {
 public:
  ListFile(Platform& platform, std::wstring path);

  const std::wstring& path() const { return path_; }

  // Reads the file at start-up, trying again for about a second while another
  // program writes it. After Skipped or Unreadable the file is not overwritten
  // until it has been read whole: saves fail saying why.
  LoadResult LoadList();
  // Why saves are refused now; empty while they are allowed.
  const std::wstring& refusal() const { return refusal_; }

  // True when data.bin is not as it was last read or saved here (another
  // program changed it), or has not been read whole yet.
  bool Changed();
  // Reads data.bin again as it is now; `wait` tries again for about a second
  // while another program writes it.
  LoadResult Reload(bool wait);

  // The two writers produce the same bytes: SaveWholeList in one write,
  // SaveEntryByEntry in one write per entry. A failed save changed nothing;
  // `changed` marks one refused because another writer got there first. A
  // list the reader would not take back (WithinLimits) is never written.
  Status SaveWholeList(const EntryList& entries);
  Status SaveEntryByEntry(const EntryList& entries);
  // After a save of `entries`: true, with the list in *read_back, when the
  // saved file reads back as another list (a damaged entry, outer spaces).
  bool ReadsBackOtherwise(const EntryList& entries, EntryList* read_back);

  // The endings of what a save puts beside data.bin.
  static constexpr const wchar_t* kLockSuffix = L".lock";
  static constexpr const wchar_t* kCopySuffix = L".new";        // data.bin.WRITER-HASH.new
  static constexpr const wchar_t* kJournalSuffix = L".saving";  // data.bin.WRITER.saving
  // A journal an earlier version renamed when it could not roll back itself.
  static constexpr const wchar_t* kUndoSuffix = L".undo";

 private:
  static constexpr unsigned kBusyWaitMs = 50;
  static constexpr unsigned kBusyRetryMs = 1000;

  // A step of a save: called again after short waits while another program holds a file.
  using Step = std::function<Status()>;
  // What a save writes into the file it makes.
  using WriteBody = std::function<Status(OutFile&)>;
  using Locks = std::vector<std::unique_ptr<FileLock>>;
  // Without `wait`, the step is tried once.
  Status Retrying(const Step& step, bool wait = true);
  // Takes the lock beside every name of the file (a name's folder that
  // refuses it, other than the file's own, is passed over).
  Status Lock(const FileFacts& facts, Locks* locks, bool wait = true);
  // Reads data.bin, first rolling back or removing what a save cut short left.
  LoadResult Read(bool wait);
  static LoadResult Unread(const Status& why);
  // Nothing written: another writer changed data.bin since it was read here.
  static Status Overtaken();
  // The list's bytes into bytes_; fails for a list beyond the reader's limits.
  Status Encode(const EntryList& entries);
  Status Save(const WriteBody& write_body);
  Status Replace(const FileFacts& facts, const WriteBody& write_body, FileStamp* stamp);
  Status RewriteInPlace(const FileFacts& facts, const std::string& old,
                        const WriteBody& write_body, FileStamp* stamp);
  // `base` + SUFFIX, or `base`.N + SUFFIX when a file of that name is left.
  std::wstring FreeName(const std::wstring& base, const wchar_t* suffix);
  // Writes `path` whole with `write_body`, opening it as it is tried again
  // while busy: a file made new (`room` kMake; one not written whole is
  // removed), or the existing one rewritten in place over what it holds,
  // given room for `room` bytes first (*opened: whether it was opened).
  static constexpr uint64_t kMake = ~uint64_t{0};
  Status Write(const std::wstring& path, uint64_t room, const WriteBody& write_body,
               FileStamp* stamp, bool* opened = nullptr);
  static WriteBody Bytes(std::string_view bytes);
  // What lies beside the names of the file.
  std::vector<std::wstring> Leftovers(const FileFacts& facts);
  // Under the lock: rolls back or removes every leftover beside the file;
  // without `write` (read-only media, where nobody writes), only judges
  // them. Fails while the file cannot be taken as the list; *clean false
  // while something is left that a save must wait for.
  Status Recover(bool write, bool wait, bool* clean, bool* recovered);
  Status RollBack(const FileFacts& facts, const std::wstring& journal, bool write, bool wait,
                  bool* clean);
  // Overwrites the journal's header in place, on the disk, so that no reader
  // applies it: its save is made. False when it could not be.
  bool Clear(const std::wstring& journal);
  // Ends a copy or journal whose save is over: a journal is cleared, then
  // removed when it can be; a copy is removed, tried again for a while with
  // `wait` (a scanner holds a file it has just seen). One that can be
  // neither is marked hidden, as over. False when it is still there, whole
  // and unmarked.
  bool Settle(const std::wstring& left, bool wait = true);
  // Reads the whole file into the memory `room` gives (bad_alloc: none).
  using Room = std::function<char*(size_t)>;
  Status ReadInto(const std::wstring& file, size_t max_bytes, const Room& room,
                  std::string_view* bytes, FileStamp* stamp);
  Status ReadBytes(const std::wstring& file, std::string* bytes);
  // After a read that left the file unread (hidden, unreadable): saves are
  // refused until it is read whole.
  void LeaveAloneIfUnread(const LoadResult& result);

  Platform& platform_;
  std::wstring path_;
  std::wstring writer_;              // this writer's part of its temporary names
  std::wstring refusal_;             // why saves are refused; empty while they are allowed
  std::string bytes_;                // the last save's bytes: its memory serves the next save
  FileStamp seen_;                   // data.bin as last read or saved here...
  bool read_whole_ = true;           // ...while it has been read whole (or found missing)
  uint64_t seen_hash_ = 0;           // ...and what it held then
  FileStamp inspected_;              // the file as the last read found it
  std::optional<FileStamp> unread_;  // as it was when left unread, for good
};

}  // namespace vk
