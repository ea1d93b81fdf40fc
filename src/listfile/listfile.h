// data.bin: the saved list of guarded folders.
//
// Every entry is followed by ";" with nothing in between, and an empty list
// is a 0-byte file. The bytes are in the ANSI code page when every entry fits
// it; otherwise the file is UTF-8 behind a byte-order mark. Saves go to a
// file beside data.bin first and then replace it in one step, so data.bin is
// always either the old list or the new one. Creating the file beside it and
// replacing data.bin are tried again for about a second while another program
// (a virus scanner, an indexer, a sync client) briefly holds them.
#pragma once

#include <string>
#include <string_view>

#include "listfile/entry_list.h"
#include "platform/platform.h"

namespace vk {

// The largest folder list read: a larger data.bin is reported as unreadable
// and left as it is. Real lists hold tens of folders; these limits keep a
// damaged or foreign file from taking the machine's memory.
constexpr size_t kMaxListBytes = size_t{16} << 20;  // 16 MiB
constexpr size_t kMaxListEntries = size_t{1} << 20;  // 1,048,576 folders

// Text of the file -> entries: outer spaces trimmed, split at every ";",
// the piece after the last ";" dropped, empty pieces kept.
EntryList ParseList(const std::wstring& text);

// Entries -> file bytes (ANSI when every entry fits, else BOM + UTF-8).
// A list all in ASCII is converted without the platform, any other in one call.
std::string EncodeList(Platform& platform, const EntryList& entries);
// The same, into `bytes`, whose memory it uses again.
void EncodeListTo(Platform& platform, const EntryList& entries, std::string* bytes);

// The same bytes as EncodeList, made the plain way: the whole list joined
// and converted in one call. EncodeList always gives exactly these bytes.
std::string EncodeListPlain(Platform& platform, const EntryList& entries);

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
  bool recovered = false;  // read from the copy a save that was cut short left behind
};

class ListFile {
 public:
  ListFile(Platform& platform, std::wstring path);

  const std::wstring& path() const { return path_; }
  // The copy a save writes first, beside the list file.
  std::wstring TempPath() const { return path_ + kTempSuffix; }

  // Reads the file at start-up, trying again for about a second while another
  // program writes it. Before that it finishes a save of a hard-linked list
  // that was cut short. When data.bin is missing but the copy a cut-short
  // save left beside it is there, that copy is the list (`recovered`), and it
  // becomes data.bin at the next save. After Skipped or Unreadable the file
  // is not overwritten until it has been read whole: saves fail saying so.
  LoadResult LoadList();
  // Why saves are refused now; empty while they are allowed.
  const std::wstring& refusal() const { return refusal_; }

  // True when data.bin is no longer as it was last read or saved here:
  // another program (a sync client, an editor, a second copy) changed it.
  // What it finds serves the save that follows.
  bool Changed();
  // Reads data.bin again as it is now; `wait` tries again for about a second
  // while another program writes it. Loaded or Missing: saves go on from it.
  // Skipped or Unreadable (not busy): it is left alone, as at start-up.
  LoadResult Reload(bool wait);

  // The two writers produce the same bytes. SaveWholeList writes the list in
  // one write, SaveEntryByEntry in one write per entry. Both save over
  // whatever data.bin is now: the caller first checks Changed().
  Status SaveWholeList(const EntryList& entries);
  Status SaveEntryByEntry(const EntryList& entries);
  // After a save of `entries`: true, with the list in *read_back, when the
  // saved file reads back as another list (a damaged entry, outer spaces).
  bool ReadsBackOtherwise(const EntryList& entries, EntryList* read_back);

  static constexpr const wchar_t* kTempSuffix = L".new";
  // A hard-linked list is rewritten in place, from this complete copy of the
  // new list beside data.bin, kept until the rewrite is done.
  static constexpr const wchar_t* kJournalSuffix = L".saving";

 private:
  static constexpr unsigned kBusyWaitMs = 50;
  static constexpr unsigned kBusyRetryMs = 1000;

  // Runs `step` again after short waits while it fails with a busy file.
  template <typename Step>
  Status Retrying(Step&& step);
  template <typename WriteBody>
  Status Save(WriteBody&& write_body);
  // Writes `temp` whole with `write_body`, flushed; *stamp is what was written.
  template <typename WriteBody>
  Status WriteCopy(const std::wstring& temp, WriteBody&& write_body, FileStamp* stamp);
  // Rewrites the hard-linked `target` in place from the journal beside it.
  Status RewriteInPlace(const std::wstring& target, std::string_view bytes, FileStamp* stamp);
  // Finishes a rewrite in place that was cut short, from its journal.
  void FinishCutShortRewrite();
  // After a read that left the file unread (hidden, unreadable): saves are
  // refused until it is read whole.
  void LeaveAloneIfUnread(const LoadResult& result);
  // Reads `file` whole: Missing, Skipped, Loaded or Unreadable.
  LoadResult Read(const std::wstring& file, bool wait, FileStamp* stamp);
  // The file's bytes -> its entries, within kMaxListEntries.
  Status Decode(std::string_view bytes, EntryList* entries);

  Platform& platform_;
  std::wstring path_;
  std::wstring refusal_;   // why saves are refused; empty while they are allowed
  std::string bytes_;      // the last save's bytes: its memory serves the next save
  FileStamp seen_;         // data.bin as last read or saved here
  bool recovering_ = false;  // the list came from the copy beside a missing data.bin
  FileFacts checked_;        // data.bin as Changed() last found it...
  bool checked_fresh_ = false;  // ...for the save that comes next
};

}  // namespace vk
