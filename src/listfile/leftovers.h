// What a save of data.bin leaves beside the file while under way: the copy
// that replaces it ("data.bin.WRITER-HASH.new", HASH of what it holds) and
// the journal of a rewrite in place ("data.bin.WRITER.saving"), which holds
// the list the file held before, so that a rewrite cut short is rolled back.
// What the next reader does with them is ListFile::Recover, defined beside
// these.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vk {

// Tells one list's bytes from another's: XXH3, 64 bits.
uint64_t HashOf(std::string_view bytes);
// The hash an earlier version named copies and headed journals with
// (64-bit FNV-1a): what such a copy or journal holds is still told by it.
uint64_t EarlierHashOf(std::string_view bytes);
// Whether `hash` is that of `bytes`, by either.
bool HashIs(uint64_t hash, std::string_view bytes);
// 16 lower-case hex digits.
std::string Hex(uint64_t value);
std::wstring WideHex(uint64_t value);
bool EndsWith(const std::wstring& text, std::wstring_view ending);

// A journal: "VKJ2 <hash of the old list> <size of the new> <its hash> <file>\n",
// the new list's bytes, then the old list's; <file> is the number of the
// file rewritten. An earlier version's "VKJ1" journals, hashed so, are read too.
constexpr size_t kJournalHeader = 5 + 4 * 17;
std::string JournalHeader(std::string_view old, std::string_view list, uint64_t file);
// What a journal's header is overwritten with once its save is made: a
// journal so cleared is applied by no reader.
inline constexpr std::string_view kClearedJournal = "VKJ0 over\n";
struct Journal {
  uint64_t file = 0;      // the number of the file it rewrites
  std::string_view list;  // the new list
  std::string_view old;   // the list the file held before
};
// Only a journal written whole parses; its views point into `bytes`.
bool ParseJournal(std::string_view bytes, Journal* journal);

// Whether `now` is what a rewrite in place of one of the two lists over the
// other can leave when cut short, however often it was tried: the size of
// one of them or of the longer, and each byte one of theirs at its place, or
// a zero where the disk had not caught up.
bool MadeOf(std::string_view now, std::string_view one, std::string_view other);

}  // namespace vk
