// What a save of data.bin leaves beside it while under way, and what the
// next reader makes of it when the save was cut short: the copy that
// replaces data.bin ("data.bin.WRITER-HASH.new", HASH of what it holds) and
// the journal of a rewrite in place ("data.bin.WRITER.saving"). What the next
// reader does with them is ListFile::Recover, defined beside these.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vk {

// 64-bit FNV-1a: tells one list's bytes from another's.
uint64_t HashOf(std::string_view bytes);
// 16 lower-case hex digits.
std::string Hex(uint64_t value);
std::wstring WideHex(uint64_t value);
bool EndsWith(const std::wstring& text, std::wstring_view ending);

// A journal: "VKJ1 <hash of the list it replaces> <size> <hash> <file>\n",
// then the new list's bytes; <file> is the number of the file rewritten (0
// for one made through a link to no file).
constexpr size_t kJournalHeader = 5 + 4 * 17;
std::string JournalHeader(std::string_view before, std::string_view list, uint64_t file);
// Only a journal written whole parses: *before is the hash of the list it
// replaces, *file the file's number, *list the new list (a view into `bytes`).
bool ParseJournal(std::string_view bytes, uint64_t* before, uint64_t* file,
                  std::string_view* list);

// What a rewrite of `list` in place leaves when cut short: its first bytes,
// maybe with zeros where the disk had not caught up.
bool CutShortOf(std::string_view now, std::string_view list);

}  // namespace vk
