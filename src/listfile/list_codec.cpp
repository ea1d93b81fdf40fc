#include "listfile/list_codec.h"

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

Status DecodeList(Platform& platform, std::string_view bytes, EntryList* entries) {
  std::string_view all(bytes);
  const bool utf8 = StartsWithBom(bytes);
  if (utf8) all.remove_prefix(kBomSize);
  all = Entries(all);
  const ByteCensus census = TakeCensus(all);
  if (!WithinLimits(census.separators, bytes.size())) {
    return Status::Fail(L"The file lists " + Decimal(census.separators) +
                        L" folders, more than the " + Decimal(kMaxListEntries) +
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
      const std::wstring text = utf8 ? DecodeUtf8(all.data(), all.size()) : platform.FromAnsi(all);
      *entries = SplitText(text, census.separators);
    }
  } catch (const std::bad_alloc&) {
    entries->clear();
    return Status::Fail(L"There is not enough memory to hold the folders it lists.");
  }
  return Status::Ok();
}

size_t EntriesWithinLimits(Platform& platform, const EntryList& entries, size_t first) {
  // The most bytes an entry takes with its ";": one a character in ASCII,
  // at most three a character in UTF-8 or any ANSI code page. The mark aside.
  auto most = [](std::wstring_view entry) {
    uint32_t all = 0;
    for (wchar_t c : entry) all |= static_cast<uint32_t>(c);
    return (all < 0x80 ? 1 : 3) * entry.size() + 1;
  };
  size_t bytes = kBomSize;
  for (std::wstring_view entry : entries) bytes += most(entry);
  if (WithinLimits(entries.size(), bytes)) return entries.size();  // the usual case: all of them
  // The first ones as they are written, then each next one at its most.
  EntryList kept;
  for (size_t i = 0; i < first; ++i) kept.push_back(entries[i]);
  bytes = EncodeList(platform, kept).size() + kBomSize;
  size_t count = first;
  while (count < entries.size() && WithinLimits(count + 1, bytes + most(entries[count]))) {
    bytes += most(entries[count++]);
  }
  return count;
}

bool ReadsBackAsWritten(std::string_view bytes) {
  // ASCII reads back as written but for spaces before the first entry, which
  // the reader trims.
  return TakeCensus(bytes).ascii && (bytes.empty() || bytes[0] != ' ');
}

}  // namespace vk
