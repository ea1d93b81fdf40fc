#include "listfile/listfile.h"

#include <new>
#include <utility>

#include "listfile/leftovers.h"

namespace vk {

ListFile::ListFile(Platform& platform, std::wstring path)
    : platform_(platform), path_(std::move(path)), writer_(platform.WriterName()) {}

Status ListFile::Retrying(const Step& step, bool wait) {
  Status status = step();
  for (unsigned waited = 0; wait && !status && status.busy && waited < kBusyRetryMs;
       waited += kBusyWaitMs) {
    platform_.Wait(kBusyWaitMs);
    status = step();
  }
  return status;
}

Status ListFile::Lock(const std::wstring& file, std::unique_ptr<FileLock>* lock, bool wait) {
  return Retrying([&] { return platform_.LockFile(file + kLockSuffix, lock); }, wait);
}

Status ListFile::ReadBytes(const std::wstring& file, std::string* bytes) {
  size_t size = 0;
  FileStamp read;
  Status status = platform_.ReadWholeFile(
      file, kJournalHeader + 2 * kMaxListBytes,
      [&](size_t wanted) -> char* {
        try {
          bytes->resize(wanted);
          return bytes->data();
        } catch (const std::bad_alloc&) {
          return nullptr;
        }
      },
      &size, &read);
  bytes->resize(size);
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

LoadResult ListFile::ReadFile(const FileFacts& facts, bool wait, FileStamp* stamp) {
  LoadResult result;
  *stamp = FileStamp{};
  if (!facts.stamp.exists) return result;  // Missing
  if (facts.stamp.marks & (kAttrHidden | kAttrSystem)) {
    result.state = LoadState::Skipped;
    result.reason =
        L"The file is hidden or marked system, so Veilkeep did not read it and "
        L"will not overwrite it.";
    return result;
  }
  // The bytes go into the list's own memory, where they are widened in place.
  std::string_view bytes;
  auto read_once = [&] {
    char* at = nullptr;
    size_t size = 0;
    Status status = platform_.ReadWholeFile(
        path_, kMaxListBytes,
        [&](size_t wanted) -> char* {
          try {
            return at = result.entries.byte_room(wanted);
          } catch (const std::bad_alloc&) {
            return nullptr;
          }
        },
        &size, stamp);
    bytes = std::string_view(at, size);
    // A file rewritten in place keeps its ID: what it holds tells a change
    // within one tick of the clock that leaves its size as it was.
    if (facts.links > 1) seen_hash_ = HashOf(bytes);
    return status;
  };
  Status read = Retrying(read_once, wait);
  if (read) read = DecodeList(platform_, bytes, &result.entries);
  if (!read) return Unread(read);
  result.state = LoadState::Loaded;
  return result;
}

LoadResult ListFile::Read(bool wait) {
  FileFacts facts;
  Status status = platform_.InspectFile(path_, &facts);
  bool recovered = false;
  if (status && !(facts.stamp.marks & (kAttrHidden | kAttrSystem))) {
    // A journal is always dealt with first; a copy only beside a missing data.bin.
    bool leftovers = false;
    for (const std::wstring& left : platform_.FindFiles(facts.final_path + L".")) {
      leftovers = leftovers || EndsWith(left, kJournalSuffix) || EndsWith(left, kUndoSuffix) ||
                  (!facts.stamp.exists && EndsWith(left, kCopySuffix));
    }
    if (leftovers) {
      std::unique_ptr<FileLock> lock;
      status = Lock(facts.final_path, &lock, wait);
      if (status && !Recover(facts.final_path, wait, &recovered)) {
        status = Status::Busy(
            L"A save that was cut short could not be finished yet: the file is in use.");
      }
      if (status) status = platform_.InspectFile(path_, &facts);
    }
  }
  if (!status) return Unread(status);
  FileStamp stamp;
  LoadResult result = ReadFile(facts, wait, &stamp);
  result.recovered = recovered;
  if (result.state == LoadState::Loaded || result.state == LoadState::Missing) {
    // Read whole: saves go on from what it holds.
    seen_ = stamp;
    if (result.state == LoadState::Missing) seen_hash_ = HashOf({});
    read_whole_ = true;
    refusal_.clear();
  }
  return result;
}

LoadResult ListFile::LoadList() {
  LoadResult result = Read(true);
  LeaveAloneIfUnread(result);
  return result;
}

void ListFile::LeaveAloneIfUnread(const LoadResult& result) {
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
  return !read_whole_ || facts.stamp != seen_;
}

LoadResult ListFile::Reload(bool wait) {
  LoadResult result = Read(wait);
  // Being written: as it was until it can be read.
  if (!result.busy) LeaveAloneIfUnread(result);
  return result;
}

Status ListFile::Fill(const Opener& open, const WriteBody& write_body, FileStamp* stamp,
                      bool* opened) {
  std::unique_ptr<OutFile> file;
  Status status = Retrying([&] { return open(&file); });
  if (opened) *opened = status.ok;
  if (!status) return status;
  status = write_body(*file);
  if (status) status = file->Flush();
  if (status) *stamp = file->Stamp();
  Status closed = file->Close();
  return status ? closed : status;
}

Status ListFile::WriteCopy(const std::wstring& copy, const WriteBody& write_body,
                           FileStamp* stamp) {
  Status status =
      Fill([&](auto* file) { return platform_.CreateOutFile(copy, file); }, write_body, stamp);
  if (!status) (void)Settle(copy);
  return status;
}

Status ListFile::Rewrite(const std::wstring& target, std::string_view bytes, FileStamp* stamp,
                         const WriteBody& write_body, bool* opened) {
  return Fill([&](auto* file) { return platform_.RewriteFile(target, file); },
              write_body
                  ? write_body
                  : [&](OutFile& file) { return bytes.empty() ? Status::Ok() : file.Write(bytes); },
              stamp, opened);
}

Status ListFile::Replace(const std::wstring& target, bool replacing, const WriteBody& write_body,
                         FileStamp* stamp) {
  // The name of a copy that replaces a file carries the hash of what it
  // holds: one cut short is told from a whole one. A copy made where there
  // was no file is never taken for the list.
  const std::wstring copy =
      target + L"." + writer_ + (replacing ? L"-" + WideHex(HashOf(bytes_)) : L"") + kCopySuffix;
  Status status = WriteCopy(copy, write_body, stamp);
  if (!status) return status;
  status = Retrying([&] { return platform_.MoveReplacing(copy, target); });
  if (!status) (void)Settle(copy);
  return status;
}

Status ListFile::RewriteInPlace(const std::wstring& target, const WriteBody& write_body,
                                FileStamp* stamp) {
  std::string before;
  FileFacts facts;
  FileStamp ignored;
  Status status = platform_.InspectFile(target, &facts);
  if (status && !facts.stamp.exists) return Overtaken();  // removed meanwhile
  if (status) status = ReadBytes(target, &before);
  if (!status) return status;
  if (HashOf(before) != seen_hash_) return Overtaken();
  const std::wstring journal = target + L"." + writer_ + kJournalSuffix;
  const std::string header = JournalHeader(before, bytes_, facts.stamp.id);
  status = WriteCopy(
      journal,
      [&](OutFile& file) {
        Status written = file.Write(header);
        if (written && !bytes_.empty()) written = file.Write(bytes_);
        return written && !before.empty() ? file.Write(before) : written;
      },
      &ignored);
  if (!status) return status;

  bool opened = false;
  status = Rewrite(target, {}, stamp, write_body, &opened);
  // Cut short after emptying it: the list it held goes back, and the journal
  // is stale. Should that fail too, the journal becomes an undo, named for
  // the file as it is left, and the next reader puts the old list back.
  FileFacts left;
  if (status || !opened || Rewrite(target, before, &ignored)) {
    (void)Settle(journal);
  } else if (platform_.InspectFile(target, &left) && left.stamp.exists) {
    const std::wstring undo = target + L"." + writer_ + L"-" + StampMark(left.stamp) + kUndoSuffix;
    (void)Retrying([&] { return platform_.MoveReplacing(journal, undo); });
  }
  return status;
}

Status ListFile::Save(const WriteBody& write_body) {
  if (!refusal_.empty()) return Status::Fail(refusal_);
  FileFacts facts;
  Status status = platform_.InspectFile(path_, &facts);
  if (!status) return status;
  std::unique_ptr<FileLock> lock;
  status = Lock(facts.final_path, &lock);
  if (!status) return status;
  // A leftover that stays could be taken for the list later: no save until it goes.
  bool recovered = false;
  status = Retrying([&] {
    return Recover(facts.final_path, true, &recovered)
               ? Status::Ok()
               : Status::Busy(L"What a save that was cut short left beside the file is in use.");
  });
  if (!status) return status;
  // Under the lock, data.bin is as this copy last saw it, or another writer got there first.
  status = platform_.InspectFile(path_, &facts);
  if (!status) return status;
  if (!read_whole_ || facts.stamp != seen_) return Overtaken();

  // A link to no file yet first gets the file it points to, empty as the
  // list was; the save then goes on beside that file, under its lock too.
  FileStamp written;
  std::unique_ptr<FileLock> file_lock;
  if (facts.dangling) {
    FileStamp made;
    status = Rewrite(path_, {}, &made);
    if (status) status = platform_.InspectFile(path_, &facts);
    if (status) status = Lock(facts.final_path, &file_lock);
    if (status) status = platform_.InspectFile(path_, &facts);
    if (!status) return status;
    // Another copy may have saved there between the making and the lock.
    if (!facts.stamp.exists || facts.stamp.id != made.id || facts.stamp.size != 0) {
      return Overtaken();
    }
  }
  // A file with several names is rewritten in place so that every name sees the list.
  status = facts.links > 1 ? RewriteInPlace(facts.final_path, write_body, &written)
                           : Replace(facts.final_path, facts.stamp.exists, write_body, &written);
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

Status ListFile::SaveWholeList(const EntryList& entries) {
  EncodeListTo(platform_, entries, &bytes_);
  const std::string& bytes = bytes_;
  return Save([&](OutFile& file) { return bytes.empty() ? Status::Ok() : file.Write(bytes); });
}

Status ListFile::SaveEntryByEntry(const EntryList& entries) {
  EncodeListTo(platform_, entries, &bytes_);
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
