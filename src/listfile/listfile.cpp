#include "listfile/listfile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <new>
#include <string_view>
#include <utility>

#include "listfile/utf8.h"

namespace vk {
namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";
constexpr size_t kBomSize = 3;
constexpr wchar_t kSeparator = L';';

bool StartsWithBom(std::string_view bytes) {
  return bytes.size() >= kBomSize && bytes.compare(0, kBomSize, kBom) == 0;
}

// ASCII is read and written here without the platform: characters 0 to 127
// are the same single bytes in every ANSI code page (Platform::ToAnsi) and
// in UTF-8, so ASCII text converts to and from either form byte for byte.

// One pass over the bytes: how many ";" and whether all are ASCII. It reads
// blocks of a set length, which the compiler checks many bytes at a time.
struct ByteCensus {
  size_t separators = 0;
  bool ascii = true;
};

ByteCensus TakeCensus(std::string_view bytes) {
  constexpr size_t kBlock = 64;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  const unsigned char separator = static_cast<unsigned char>(kSeparator);
  ByteCensus census;
  unsigned char high = 0;  // every byte's top bit
  for (; static_cast<size_t>(end - p) >= kBlock; p += kBlock) {
    unsigned char found = 0;  // at most kBlock
    for (size_t k = 0; k < kBlock; ++k) {
      found += p[k] == separator;
      high |= p[k];
    }
    census.separators += found;
  }
  for (; p < end; ++p) {
    census.separators += *p == separator;
    high |= *p;
  }
  census.ascii = high < 0x80;
  return census;
}

// ASCII bytes -> their characters, in blocks of a set length that the
// compiler widens many at a time.
void WidenAscii(std::string_view bytes, wchar_t* out) {
  constexpr size_t kBlock = 64;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  for (; static_cast<size_t>(end - p) >= kBlock; p += kBlock, out += kBlock) {
    unsigned char block[kBlock];  // apart from `out`, so nothing written can change it
    std::memcpy(block, p, kBlock);
    for (size_t k = 0; k < kBlock; ++k) out[k] = block[k];
  }
  for (; p < end; ++p) *out++ = *p;
}

// Writes `entry` to `out` as bytes when it is all ASCII; returns the end of
// what it wrote, or null (having written part of it) when it is not.
char* NarrowAscii(std::wstring_view entry, char* out) {
  uint32_t all = 0;
  for (wchar_t c : entry) {
    all |= static_cast<uint32_t>(c);
    *out++ = static_cast<char>(c);
  }
  return all < 0x80 ? out : nullptr;
}

size_t FindSeparator(std::wstring_view text) { return text.find(kSeparator); }

// The same in bytes, eight at a time: called once for each entry, it costs
// less than a call of the C library's search.
size_t FindSeparator(std::string_view text) {
  static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "a word's first byte is its lowest");
  constexpr uint64_t kOnes = 0x0101010101010101u;
  constexpr uint64_t kSeparators = kOnes * static_cast<unsigned char>(kSeparator);
  const char* p = text.data();
  const char* end = p + text.size();
  for (; end - p >= 8; p += 8) {
    uint64_t word;
    std::memcpy(&word, p, 8);
    const uint64_t x = word ^ kSeparators;  // a zero byte where ";" is
    // The top bit of each zero byte of `x`; bytes above the first zero byte
    // may be marked too, never one below it.
    const uint64_t zero = (x - kOnes) & ~x & (kOnes << 7);
    if (zero) return (p - text.data()) + __builtin_ctzll(zero) / 8;
  }
  for (; p < end; ++p) {
    if (*p == static_cast<char>(kSeparator)) return p - text.data();
  }
  return text.npos;
}

// `text` (characters or bytes) with its outer spaces trimmed and the piece
// after its last ";" dropped: every entry of the list, each followed by ";".
// Space and ";" are single bytes that no multi-byte character contains, so
// bytes are cut exactly as the characters they encode.
template <typename Char>
std::basic_string_view<Char> Entries(std::basic_string_view<Char> text) {
  const Char space = static_cast<Char>(' ');
  const size_t begin = text.find_first_not_of(space);
  if (begin == text.npos) return {};
  const size_t last = text.find_last_of(static_cast<Char>(kSeparator));
  if (last == text.npos || last < begin) return {};
  return text.substr(begin, last + 1 - begin);
}

// Calls `take` with each entry of `entries` (as Entries gives them).
template <typename Char, typename Take>
void SplitList(std::basic_string_view<Char> entries, Take&& take) {
  while (!entries.empty()) {
    const size_t sep = FindSeparator(entries);
    take(entries.substr(0, sep));
    entries.remove_prefix(sep + 1);
  }
}

EntryList SplitText(std::wstring_view text, size_t count) {
  EntryList entries;
  const std::wstring_view all = Entries(text);
  entries.reserve(count, all.size());
  SplitList(all, [&](std::wstring_view piece) { entries.push_back(piece); });
  return entries;
}

// The whole list as text: every entry followed by ";".
std::wstring JoinList(const EntryList& entries) {
  std::wstring text;
  text.reserve(entries.characters());
  for (std::wstring_view entry : entries) {
    text += entry;
    text += kSeparator;
  }
  return text;
}

}  // namespace

EntryList ParseList(const std::wstring& text) {
  return SplitText(text, std::count(text.begin(), text.end(), kSeparator));
}

std::string EncodeListPlain(Platform& platform, const EntryList& entries) {
  const std::wstring text = JoinList(entries);
  std::string bytes;
  // ANSI bytes that happen to begin like the mark would read back as UTF-8.
  if (platform.ToAnsi(text, &bytes) && !StartsWithBom(bytes)) return bytes;
  return kBom + EncodeUtf8(text);
}

std::string EncodeList(Platform& platform, const EntryList& entries) {
  std::string bytes;
  EncodeListTo(platform, entries, &bytes);
  return bytes;
}

void EncodeListTo(Platform& platform, const EntryList& entries, std::string* bytes) {
  // Each ASCII entry's characters are its bytes, and its NUL in the list
  // becomes ";". ASCII never begins like the mark.
  bytes->resize(entries.characters());
  char* out = bytes->data();
  for (std::wstring_view entry : entries) {
    out = NarrowAscii(entry, out);
    if (!out) {  // past ASCII: the whole list in one call
      *bytes = EncodeListPlain(platform, entries);
      return;
    }
    *out++ = static_cast<char>(kSeparator);
  }
}

ListFile::ListFile(Platform& platform, std::wstring path)
    : platform_(platform), path_(std::move(path)) {}

LoadResult ListFile::Read(const std::wstring& file, bool wait, FileStamp* stamp) {
  LoadResult result;
  *stamp = FileStamp{};
  switch (platform_.FindNormalFile(file)) {
    case FileLookup::Missing:
      result.state = LoadState::Missing;
      return result;
    case FileLookup::HiddenOrSystem:
      result.state = LoadState::Skipped;
      result.reason =
          L"The file is hidden or marked system, so Veilkeep did not read it and "
          L"will not overwrite it.";
      return result;
    case FileLookup::Normal:
      break;
  }
  // The bytes go into the list's own memory, where they are widened in place.
  std::string_view bytes;
  auto read_once = [&] {
    char* at = nullptr;
    size_t size = 0;
    Status status = platform_.ReadWholeFile(
        file, kMaxListBytes,
        [&](size_t wanted) -> char* {
          try {
            return at = result.entries.byte_room(wanted);
          } catch (const std::bad_alloc&) {
            return nullptr;
          }
        },
        &size, stamp);
    bytes = std::string_view(at, size);
    return status;
  };
  Status read = wait ? Retrying(read_once) : read_once();
  if (read) read = Decode(bytes, &result.entries);
  if (!read) {
    result.state = LoadState::Unreadable;
    result.entries.clear();
    result.reason = read.reason;
    result.busy = read.busy;
    return result;
  }
  result.state = LoadState::Loaded;
  return result;
}

LoadResult ListFile::LoadList() {
  FinishCutShortRewrite();
  LoadResult result = Read(path_, true, &seen_);
  if (result.state == LoadState::Missing) {
    // A replace cut short (a stick pulled out) can leave the new list beside
    // a missing data.bin: it is the only copy, so it is the list.
    FileStamp copy;
    LoadResult kept = Read(TempPath(), true, &copy);
    if (kept.state == LoadState::Loaded) {
      result = std::move(kept);
      result.recovered = true;
      recovering_ = true;
    }
  }
  LeaveAloneIfUnread(result);
  return result;
}

void ListFile::LeaveAloneIfUnread(const LoadResult& result) {
  if (result.state == LoadState::Skipped) {
    refusal_ = result.reason;
  } else if (result.state == LoadState::Unreadable) {
    refusal_ =
        L"The file could not be read, so it is left as it is to keep the folders it holds.";
  } else {
    return;
  }
  seen_ = FileStamp{true, ~uint64_t{0}};  // never what is there: read again before a save
}

bool ListFile::Changed() {
  checked_fresh_ = false;
  if (!platform_.InspectFile(path_, &checked_)) return true;
  checked_fresh_ = checked_.stamp == seen_;
  return !checked_fresh_;
}

LoadResult ListFile::Reload(bool wait) {
  FileStamp stamp;
  LoadResult result = Read(path_, wait, &stamp);
  if (result.state == LoadState::Loaded || result.state == LoadState::Missing) {
    // Read whole: saves go on from what it holds.
    seen_ = stamp;
    refusal_.clear();
    recovering_ = false;
  } else if (!result.busy) {
    LeaveAloneIfUnread(result);
  }
  return result;
}

Status ListFile::Decode(std::string_view bytes, EntryList* entries) {
  std::string_view all(bytes);
  const bool utf8 = StartsWithBom(bytes);
  if (utf8) all.remove_prefix(kBomSize);
  all = Entries(all);
  const ByteCensus census = TakeCensus(all);
  if (census.separators > kMaxListEntries) {
    return Status::Fail(L"The file lists " + std::to_wstring(census.separators) +
                        L" folders, more than the " + std::to_wstring(kMaxListEntries) +
                        L" a folder list may hold.");
  }
  try {
    if (census.ascii) {
      // Each byte is its character, widened in one pass; then each entry's
      // ";" becomes its NUL. The bytes lie in the list's memory past the
      // characters they become, so they are widened in place.
      wchar_t* text = entries->assign_uninitialized(all.size(), census.separators);
      for (size_t at = 0; at < all.size();) {
        entries->push_start(at);
        at += FindSeparator(all.substr(at)) + 1;  // Entries ends with ";"
      }
      WidenAscii(all, text);  // the bytes are gone from here on
      entries->end_entries();
    } else {
      // Converted in one call, then split as the bytes would be.
      const std::wstring text =
          utf8 ? DecodeUtf8(all.data(), all.size()) : platform_.FromAnsi(all);
      *entries = SplitText(text, census.separators);
    }
  } catch (const std::bad_alloc&) {
    entries->clear();
    return Status::Fail(L"There is not enough memory to hold the folders it lists.");
  }
  return Status::Ok();
}

template <typename Step>
Status ListFile::Retrying(Step&& step) {
  Status status = step();
  for (unsigned waited = 0; !status && status.busy && waited < kBusyRetryMs;
       waited += kBusyWaitMs) {
    platform_.Wait(kBusyWaitMs);
    status = step();
  }
  return status;
}

template <typename WriteBody>
Status ListFile::WriteCopy(const std::wstring& temp, WriteBody&& write_body, FileStamp* stamp) {
  std::unique_ptr<OutFile> file;
  Status status = Retrying([&] { return platform_.CreateOutFile(temp, &file); });
  if (!status) return status;
  status = write_body(*file);
  if (status) status = file->Flush();
  if (status) *stamp = file->Stamp();
  Status closed = file->Close();
  if (status) status = closed;
  file.reset();
  if (!status) platform_.RemoveFile(temp);
  return status;
}

Status ListFile::RewriteInPlace(const std::wstring& target, std::string_view bytes,
                                FileStamp* stamp) {
  std::unique_ptr<OutFile> file;
  Status status = Retrying([&] { return platform_.RewriteFile(target, &file); });
  if (!status) return status;
  status = bytes.empty() ? Status::Ok() : file->Write(bytes);
  if (status) status = file->Flush();
  if (status) *stamp = file->Stamp();
  Status closed = file->Close();
  return status ? closed : status;
}

void ListFile::FinishCutShortRewrite() {
  // Only a lookup at start-up, unless a rewrite was cut short.
  const std::wstring journal = path_ + kJournalSuffix;
  if (platform_.FindNormalFile(journal) != FileLookup::Normal) return;
  FileFacts facts;
  if (!platform_.InspectFile(path_, &facts) || !facts.stamp.exists) return;
  std::string bytes;
  size_t size = 0;
  FileStamp read;
  Status status = Retrying([&] {
    return platform_.ReadWholeFile(
        journal, kMaxListBytes,
        [&](size_t wanted) -> char* {
          try {
            bytes.resize(wanted);
            return bytes.data();
          } catch (const std::bad_alloc&) {
            return nullptr;
          }
        },
        &size, &read);
  });
  if (!status) return;  // data.bin is read as it is, and the journal kept for the next start
  bytes.resize(size);
  FileStamp written;
  if (RewriteInPlace(facts.final_path, bytes, &written)) platform_.RemoveFile(journal);
}

template <typename WriteBody>
Status ListFile::Save(WriteBody&& write_body) {
  if (!refusal_.empty()) return Status::Fail(refusal_);

  if (recovering_) {
    // The list was read from the copy beside a missing data.bin: that copy
    // becomes data.bin before a new copy is written in its place.
    FileFacts facts;
    if (platform_.InspectFile(path_, &facts) && !facts.stamp.exists) {
      Status moved = Retrying([&] { return platform_.MoveReplacing(TempPath(), path_); });
      if (!moved) return moved;
    }
    recovering_ = false;
    checked_fresh_ = false;
  }

  // Links are kept: a symbolic link's target is what is replaced, and a file
  // with several names is rewritten in place, so that every name sees the list.
  FileFacts facts = checked_;
  Status status = checked_fresh_ ? Status::Ok() : platform_.InspectFile(path_, &facts);
  checked_fresh_ = false;
  if (!status) return status;
  const std::wstring& target = facts.final_path;
  const bool in_place = facts.stamp.exists && facts.links > 1;
  // The copy is beside the file it replaces, or beside data.bin with the
  // journal it becomes.
  const std::wstring temp = (in_place ? path_ : target) + kTempSuffix;
  FileStamp written;
  status = WriteCopy(temp, write_body, &written);
  if (!status) return status;
  if (in_place) {
    // The complete copy takes the journal's name in one step: from then on a
    // cut-short rewrite is finished from it at the next start.
    const std::wstring journal = path_ + kJournalSuffix;
    status = Retrying([&] { return platform_.MoveReplacing(temp, journal); });
    if (!status) {
      platform_.RemoveFile(temp);
      return status;
    }
    status = RewriteInPlace(target, bytes_, &written);
    // A rewrite that failed part-way is finished from the journal at the next start.
    if (status) platform_.RemoveFile(journal);
  } else {
    status = Retrying([&] { return platform_.MoveReplacing(temp, target); });
    if (!status) platform_.RemoveFile(temp);
  }
  if (!status) return status;

  // What data.bin is now, when it is what was just written; otherwise what
  // was written, so that whatever replaced it since is read again.
  seen_ = written;
  FileFacts now;
  if (platform_.InspectFile(path_, &now) && now.stamp.exists && now.stamp.id == written.id &&
      now.stamp.size == written.size) {
    seen_ = now.stamp;
  }
  return status;
}

bool ListFile::ReadsBackOtherwise(const EntryList& entries, EntryList* read_back) {
  // ASCII reads back as written but for the spaces before the first entry,
  // which the reader trims; anything else is read back to be sure.
  if (TakeCensus(bytes_).ascii && (bytes_.empty() || bytes_[0] != ' ')) return false;
  EntryList back;
  if (!Decode(bytes_, &back) || back == entries) return false;
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
      const size_t sep = FindSeparator(rest);
      const size_t length = sep == rest.npos ? rest.size() : sep + 1;
      if (Status s = file.Write(rest.substr(0, length)); !s) return s;
      rest.remove_prefix(length);
    }
    return Status::Ok();
  });
}

}  // namespace vk
