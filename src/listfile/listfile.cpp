#include "listfile/listfile.h"

#include <algorithm>
#include <new>
#include <utility>

#include "listfile/leftovers.h"

namespace vk {

ListFile::ListFile(Platform& platform, std::wstring path)
    : platform_(platform),
      path_(std::move(path)),
      writer_(platform.WriterName()),
      seen_hash_(HashOf({})) {}

Status ListFile::Retrying(const Step& step, bool wait) {
  Status status = step();
  for (unsigned waited = 0; wait && !status && status.busy && waited < kBusyRetryMs;
       waited += kBusyWaitMs) {
    platform_.Wait(kBusyWaitMs);
    status = step();
  }
  return status;
}

Status ListFile::Lock(const FileFacts& facts, Locks* locks, bool wait) {
  // Taken in one order by every copy, whatever name reached the file.
  std::vector<std::wstring> names = facts.names;
  std::sort(names.begin(), names.end());
  for (const std::wstring& name : names) {
    std::unique_ptr<FileLock> lock;
    Status status = Retrying([&] { return platform_.LockFile(name + kLockSuffix, &lock); }, wait);
    if (!status && (status.busy || name == facts.final_path)) return status;
    if (lock) locks->push_back(std::move(lock));
  }
  return Status::Ok();
}

Status ListFile::ReadInto(const std::wstring& file, size_t max_bytes, const Room& room,
                          std::string_view* bytes, FileStamp* stamp) {
  char* at = nullptr;
  size_t size = 0;
  Status status = platform_.ReadWholeFile(
      file, max_bytes,
      [&](size_t wanted) -> char* {
        try {
          return at = room(wanted);
        } catch (const std::bad_alloc&) {
          return nullptr;
        }
      },
      &size, stamp);
  *bytes = std::string_view(at, size);
  return status;
}

Status ListFile::ReadBytes(const std::wstring& file, std::string* bytes) {
  std::string_view read;
  FileStamp stamp;
  auto room = [&](size_t wanted) { return bytes->resize(wanted), bytes->data(); };
  Status status = ReadInto(file, kJournalHeader + 2 * kMaxListBytes, room, &read, &stamp);
  bytes->resize(read.size());
  return status;
}

Status ListFile::Overtaken() {
  Status status = Status::Fail(L"Another program changed the file meanwhile.");
  status.changed = true;
  return status;
}

LoadResult ListFile::Unread(const Status& why) {
  LoadResult result;
  result.state = LoadState::Unreadable;
  result.reason = why.reason;
  result.busy = why.busy;
  return result;
}

LoadResult ListFile::Read(bool wait) {
  FileFacts facts;
  Status status = platform_.InspectFile(path_, &facts);
  LoadResult result;
  Locks locks;
  const bool alone = facts.stamp.marks & (kAttrHidden | kAttrSystem);
  // A hidden or system list is left alone, and so is what lies beside it. A
  // file with several names, which another copy rewrites in place, is read
  // under the lock.
  if (status && !alone && (facts.links > 1 || !Leftovers(facts).empty())) {
    Status locked = Lock(facts, &locks, wait);
    // Where none can be made (read-only media), nobody writes: what lies
    // beside the file is judged without writing.
    if (locked || !locked.busy) {
      const bool write = locked.ok;
      bool clean = true;
      locked = Retrying([&] { return Recover(write, wait, &clean, &result.recovered); }, wait);
    }
    if (!locked) status = locked;
    if (status) status = platform_.InspectFile(path_, &facts);
  }
  inspected_ = facts.stamp;
  if (status && alone) {
    result.state = LoadState::Skipped;
    result.reason =
        L"The file is hidden or marked system, so Veilkeep did not read it and "
        L"will not overwrite it.";
    return result;
  }
  // The bytes go into the list's own memory, where they are widened in place.
  std::string_view bytes;
  FileStamp stamp;
  if (status && facts.stamp.exists) {
    status = Retrying([&] {
      return ReadInto(path_, kMaxListBytes, [&](size_t n) { return result.entries.byte_room(n); },
                      &bytes, &stamp);
    }, wait);
    // A file rewritten in place keeps its ID: what it holds tells a change
    // within one tick of the clock that leaves its size as it was.
    seen_hash_ = HashOf(bytes);  // before the bytes are widened
    if (status) status = DecodeList(platform_, bytes, &result.entries);
    result.state = LoadState::Loaded;
  }
  if (!status) return Unread(status);
  // Read whole (or found missing): saves go on from what it holds.
  seen_ = stamp;
  if (!facts.stamp.exists) seen_hash_ = HashOf({});
  read_whole_ = true;
  refusal_.clear();
  return result;
}

LoadResult ListFile::LoadList() {
  LoadResult result = Read(true);
  LeaveAloneIfUnread(result);
  return result;
}

void ListFile::LeaveAloneIfUnread(const LoadResult& result) {
  // Left unread for good, it is read again once it changes (no sooner: a
  // read may take locks beside it, whose own notifications would wake the
  // window over and over); being written, in a moment.
  unread_.reset();
  if (!result.busy && result.state != LoadState::Loaded && result.state != LoadState::Missing) {
    unread_ = inspected_;
  }
  if (result.state == LoadState::Skipped) {
    refusal_ = result.reason;
  } else if (result.state == LoadState::Unreadable) {
    refusal_ = L"The file could not be read, so it is left as it is to keep the folders it holds.";
  } else {
    return;
  }
  read_whole_ = false;
}

bool ListFile::Changed() {
  FileFacts facts;
  if (!platform_.InspectFile(path_, &facts)) return true;
  if (!read_whole_) return !unread_ || facts.stamp != *unread_;
  return facts.stamp != seen_;
}

LoadResult ListFile::Reload(bool wait) {
  LoadResult result = Read(wait);
  // Being written: as it was until it can be read.
  if (!result.busy) LeaveAloneIfUnread(result);
  return result;
}

Status ListFile::Write(const std::wstring& path, uint64_t room, const WriteBody& write_body,
                       FileStamp* stamp, bool* opened) {
  const bool make = room == kMake;
  std::unique_ptr<OutFile> file;
  Status status = Retrying([&] {
    return make ? platform_.CreateOutFile(path, &file) : platform_.RewriteFile(path, room, &file);
  });
  if (opened) *opened = status.ok;
  if (status) status = write_body(*file);
  if (status) status = file->Flush();
  if (status) *stamp = file->Stamp();
  if (file) {
    const Status closed = file->Close();
    if (status) status = closed;
  }
  if (!status && make) (void)Settle(path);
  return status;
}

ListFile::WriteBody ListFile::Bytes(std::string_view bytes) {
  return [bytes](OutFile& file) { return bytes.empty() ? Status::Ok() : file.Write(bytes); };
}

Status ListFile::Replace(const FileFacts& facts, const WriteBody& write_body, FileStamp* stamp) {
  const std::wstring& target = facts.final_path;
  const bool replacing = facts.stamp.exists;
  // The name of a copy that replaces a file carries the hash of what it
  // holds: one cut short is told from a whole one. A copy made where there
  // was no file is never taken for the list.
  const std::wstring copy = FreeName(
      target + L"." + writer_ + (replacing ? L"-" + WideHex(HashOf(bytes_)) : L""), kCopySuffix);
  Status status = Write(copy, kMake, write_body, stamp);
  if (!status) return status;
  // Where there was no file, one made meanwhile by another program is not replaced.
  status = Retrying([&] { return platform_.MoveFileTo(copy, target, replacing); });
  if (status) return status;
  (void)Settle(copy);
  return status.changed ? Overtaken() : status;
}

Status ListFile::RewriteInPlace(const FileFacts& facts, const std::string& old,
                                const WriteBody& write_body, FileStamp* stamp) {
  // Before the file's first byte changes, a journal beside each of its names
  // (one may go with its folder) holds what it holds now.
  const std::string header = JournalHeader(old, bytes_, facts.stamp.id);
  std::vector<std::wstring> journals;
  auto settled = [&](bool cleared) {
    bool all = true;
    for (const std::wstring& journal : journals) {
      all = (cleared ? Clear(journal) : Settle(journal)) && all;
    }
    return all;
  };
  FileStamp ignored;
  Status status;
  for (size_t i = 0; status && i < facts.names.size(); ++i) {
    journals.push_back(FreeName(facts.names[i] + L"." + writer_, kJournalSuffix));
    status = Write(
        journals.back(), kMake,
        [&](OutFile& file) {
          Status written = file.Write(header);
          if (written && !bytes_.empty()) written = file.Write(bytes_);
          return written && !old.empty() ? file.Write(old) : written;
        },
        &ignored);
  }
  bool opened = false;
  // Room for the longer of the two lists first: a full disk refuses that
  // before any byte changes, and the old list written back needs no more.
  const uint64_t room = std::max(old.size(), bytes_.size());
  if (status) status = Write(facts.final_path, room, write_body, stamp, &opened);
  // The save is made once every journal is cleared on the disk: a power cut
  // may undo a removal or a mark, never what was flushed. Short of that it is
  // rolled back: here, or failing that by the next reader. Cleared, they go.
  if (status && settled(true)) {
    for (const std::wstring& journal : journals) platform_.RemoveFile(journal);
    return status;
  }
  if (status) status = Status::Busy(L"What the save left beside the file is in use.");
  if (!opened || Write(facts.final_path, old.size(), Bytes(old), &ignored)) (void)settled(false);
  return status;
}

Status ListFile::Save(const WriteBody& write_body) {
  if (!refusal_.empty()) return Status::Fail(refusal_);
  FileFacts facts;
  Status status = platform_.InspectFile(path_, &facts);
  Locks locks;
  if (status) status = Lock(facts, &locks);
  // A leftover is dealt with first: a journal left behind would roll this save back.
  bool recovered = false;
  if (status) {
    status = Retrying([&] {
      bool clean = true;
      Status left = Recover(true, true, &clean, &recovered);
      return !left || clean ? left
                            : Status::Busy(L"What a save that was cut short left is in use.");
    });
  }
  if (status) status = platform_.InspectFile(path_, &facts);
  if (!status) return status;
  // Under the lock, data.bin is as this copy last saw it, or another writer
  // got there first: its stamp, and what it holds (a change within one tick
  // of the clock that left its size, and on FAT its number, as they were).
  if (!read_whole_ || facts.stamp != seen_) return Overtaken();
  std::string old;
  if (facts.stamp.exists) status = Retrying([&] { return ReadBytes(facts.final_path, &old); });
  if (!status) return status;
  if (HashOf(old) != seen_hash_) {
    seen_ = FileStamp{};  // to be read again
    return Overtaken();
  }
  FileStamp written;
  // A file with several names is rewritten in place so that every name sees the list.
  status = facts.links > 1 ? RewriteInPlace(facts, old, write_body, &written)
                           : Replace(facts, write_body, &written);
  if (!status) return status;
  seen_ = written;
  seen_hash_ = HashOf(bytes_);
  FileFacts now;
  if (platform_.InspectFile(path_, &now) && now.stamp.exists && now.stamp.id == written.id &&
      now.stamp.size == written.size) {
    seen_ = now.stamp;
  }
  return status;
}

bool ListFile::ReadsBackOtherwise(const EntryList& entries, EntryList* read_back) {
  if (ReadsBackAsWritten(bytes_)) return false;
  EntryList back;
  if (!DecodeList(platform_, bytes_, &back) || back == entries) return false;
  *read_back = std::move(back);
  return true;
}

Status ListFile::Encode(const EntryList& entries) {
  EncodeListTo(platform_, entries, &bytes_);
  if (WithinLimits(entries.size(), bytes_.size())) return Status::Ok();
  return Status::Fail(L"The list would be larger than Veilkeep reads back: " +
                      Decimal(kMaxListEntries) + L" folders, " +
                      Decimal(kMaxListBytes) + L" bytes.");
}

Status ListFile::SaveWholeList(const EntryList& entries) {
  if (Status encoded = Encode(entries); !encoded) return encoded;
  return Save(Bytes(bytes_));
}

Status ListFile::SaveEntryByEntry(const EntryList& entries) {
  if (Status encoded = Encode(entries); !encoded) return encoded;
  const std::string& bytes = bytes_;
  return Save([&](OutFile& file) {
    // One write per entry, each ending with its ";"; the mark goes with the first.
    std::string_view rest = bytes;
    while (!rest.empty()) {
      size_t length = rest.find(';');
      length = length == rest.npos ? rest.size() : length + 1;
      if (Status s = file.Write(rest.substr(0, length)); !s) return s;
      rest.remove_prefix(length);
    }
    return Status::Ok();
  });
}

}  // namespace vk
