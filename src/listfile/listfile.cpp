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

bool StartsWithBom(const std::string& bytes) {
  return bytes.size() >= kBomSize && bytes.compare(0, kBomSize, kBom) == 0;
}

// ASCII is read and written here without the platform: characters 0 to 127
// are the same single bytes in every ANSI code page (Platform::ToAnsi) and
// in UTF-8, so ASCII text converts to and from either form byte for byte.

// TakeCensus reads blocks of a set length: the compiler checks each block
// many bytes at a time.
constexpr size_t kBlock = 64;

struct ByteCensus {
  size_t separators = 0;  // ";" bytes
  bool ascii = true;
};

ByteCensus TakeCensus(std::string_view bytes) {
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

bool IsAscii(std::string_view bytes) { return TakeCensus(bytes).ascii; }

// The entry that ASCII bytes hold.
std::wstring WidenAscii(std::string_view bytes) {
  const auto* begin = reinterpret_cast<const unsigned char*>(bytes.data());
  return std::wstring(begin, begin + bytes.size());
}

bool IsAscii(const std::wstring& text) {
  uint32_t all = 0;
  for (wchar_t c : text) all |= static_cast<uint32_t>(c);
  return all < 0x80;
}

// Writes `text` to `out` as bytes when it is all ASCII; returns the end of
// what it wrote, or null (having written part of it) when it is not.
char* NarrowAscii(const std::wstring& text, char* out) {
  uint32_t all = 0;
  for (wchar_t c : text) {
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

// Calls `take` with each entry of `text` (characters or bytes): outer spaces
// trimmed, split at every ";", the piece after the last ";" dropped. Space
// and ";" are single bytes that no multi-byte character contains, so bytes
// split exactly as the characters they encode.
template <typename Char, typename Take>
void SplitList(std::basic_string_view<Char> text, Take&& take) {
  const Char space = static_cast<Char>(' ');
  size_t begin = text.find_first_not_of(space);
  if (begin == text.npos) return;
  text = text.substr(begin, text.find_last_not_of(space) + 1 - begin);
  for (;;) {
    size_t sep = FindSeparator(text);
    if (sep == text.npos) return;  // the last piece is dropped
    take(text.substr(0, sep));
    text.remove_prefix(sep + 1);
  }
}

// The whole list as text: every entry followed by ";".
std::wstring JoinList(const EntryList& entries) {
  size_t size = 0;
  for (const auto& entry : entries) size += entry.size() + 1;
  std::wstring text;
  text.reserve(size);
  for (const auto& entry : entries) {
    text += entry;
    text += kSeparator;
  }
  return text;
}

// The list's UTF-8 form: the mark, then each entry and its ";". The same
// bytes as the whole text encoded at once: no character spans a ";".
void EncodeUtf8List(const EntryList& entries, size_t characters, std::string* bytes) {
  bytes->assign(kBom);
  bytes->reserve(kBomSize + characters + characters / 2);
  for (const auto& entry : entries) {
    AppendUtf8(entry, bytes);
    *bytes += static_cast<char>(kSeparator);
  }
}

}  // namespace

EntryList ParseList(const std::wstring& text) {
  EntryList entries;
  SplitList(std::wstring_view(text), [&](std::wstring_view piece) { entries.emplace_back(piece); });
  return entries;
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

void EncodeListTo(Platform& platform, const EntryList& entries, std::string* to) {
  std::string& bytes = *to;
  size_t size = 0;
  for (const auto& entry : entries) size += entry.size() + 1;
  bytes.resize(size);
  char* out = bytes.data();
  size_t ascii = 0;  // the entries before the first one past ASCII
  for (; ascii < entries.size(); ++ascii) {
    char* end = NarrowAscii(entries[ascii], out);
    if (!end) break;
    *end = static_cast<char>(kSeparator);
    out = end + 1;
  }
  if (ascii == entries.size()) return;  // ASCII never begins like the mark

  // ";" is one byte in every ANSI code page and in UTF-8, and no multi-byte
  // character contains that byte, so text converts as its entries would and
  // the bytes split at each ";" into theirs: the entries past ASCII are
  // converted in one call and put back in their places.
  std::wstring others;
  size_t ascii_after = 0;  // characters of the ASCII entries after the first other one
  for (size_t i = ascii; i < entries.size(); ++i) {
    if (IsAscii(entries[i])) {
      ascii_after += entries[i].size() + 1;
    } else if (entries[i].find(kSeparator) != std::wstring::npos) {
      bytes = EncodeListPlain(platform, entries);
      return;
    } else {
      (others += entries[i]) += kSeparator;
    }
  }
  std::string converted;
  if (!platform.ToAnsi(others, &converted)) return EncodeUtf8List(entries, size, to);
  const size_t prefix = out - bytes.data();
  bytes.resize(prefix + ascii_after + converted.size());
  out = bytes.data() + prefix;
  const char* from = converted.data();  // the next converted entry
  const char* const converted_end = from + converted.size();
  for (size_t i = ascii; i < entries.size(); ++i) {
    if (IsAscii(entries[i])) {
      out = NarrowAscii(entries[i], out);
      *out++ = static_cast<char>(kSeparator);
    } else {
      const char* end = std::find(from, converted_end, static_cast<char>(kSeparator)) + 1;
      out = std::copy(from, end, out);
      from = end;
    }
  }
  if (StartsWithBom(bytes)) EncodeUtf8List(entries, size, to);
}

ListFile::ListFile(Platform& platform, std::wstring path)
    : platform_(platform), path_(std::move(path)) {}

LoadResult ListFile::LoadList() {
  LoadResult result;
  switch (platform_.FindNormalFile(path_)) {
    case FileLookup::Missing:
      result.state = LoadState::Missing;
      return result;
    case FileLookup::HiddenOrSystem:
      result.state = LoadState::Skipped;
      refusal_ =
          L"The file is hidden or marked system, so Veilkeep did not read it and "
          L"will not overwrite it.";
      return result;
    case FileLookup::Normal:
      break;
  }
  std::string bytes;
  Status read = Retrying([&] { return platform_.ReadWholeFile(path_, &bytes, kMaxListBytes); });
  if (read) read = Decode(bytes, &result.entries);
  if (!read) {
    result.state = LoadState::Unreadable;
    result.entries.clear();
    result.reason = read.reason;
    refusal_ =
        L"The file could not be read when Veilkeep started, so it is left as it is "
        L"to keep the folders it holds.";
    return result;
  }
  result.state = LoadState::Loaded;
  return result;
}

Status ListFile::Decode(const std::string& bytes, EntryList* entries) {
  // Split the bytes, then decode entry by entry: no second copy of the whole list.
  std::string_view view(bytes);
  const bool utf8 = StartsWithBom(bytes);
  if (utf8) view.remove_prefix(kBomSize);
  const ByteCensus census = TakeCensus(view);
  if (census.separators > kMaxListEntries) {
    return Status::Fail(L"The file lists " + std::to_wstring(census.separators) +
                        L" folders, more than the " + std::to_wstring(kMaxListEntries) +
                        L" a folder list may hold.");
  }
  try {
    entries->reserve(census.separators);
    SplitList(view, [&](std::string_view piece) {
      entries->push_back(census.ascii || IsAscii(piece) ? WidenAscii(piece)
                         : utf8                         ? DecodeUtf8(piece.data(), piece.size())
                                                        : platform_.FromAnsi(piece));
    });
  } catch (const std::bad_alloc&) {
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
Status ListFile::Save(WriteBody&& write_body) {
  if (!refusal_.empty()) return Status::Fail(refusal_);

  const std::wstring temp = path_ + L".new";
  std::unique_ptr<OutFile> file;
  Status status = Retrying([&] { return platform_.CreateOutFile(temp, &file); });
  if (!status) return status;

  status = write_body(*file);
  if (status) status = file->Flush();
  Status closed = file->Close();
  if (status) status = closed;
  file.reset();
  if (status) status = Retrying([&] { return platform_.MoveReplacing(temp, path_); });
  if (!status) platform_.RemoveFile(temp);
  return status;
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
