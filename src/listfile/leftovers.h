// What a save of data.bin leaves beside it while under way, and what the
// next reader makes of it when the save was cut short: the copy that
// replaces data.bin ("data.bin.WRITER-HASH.new", HASH of what it holds), the
// journal of a rewrite in place ("data.bin.WRITER.saving") and the same
// journal renamed to an undo ("data.bin.WRITER-MARK.undo") when a failed
// rewrite could not put the old list back itself. What the next reader does with
// them is ListFile::Recover, defined beside these.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace vk {

// 64-bit FNV-1a: tells one list's bytes from another's.
uint64_t HashOf(std::string_view bytes);
// 16 lower-case hex digits.
std::string Hex(uint64_t value);
std::wstring WideHex(uint64_t value);
bool EndsWith(const std::wstring& text, std::wstring_view ending);

// A journal: "VKJ1 <hash of the list it replaces> <size> <hash> <file>\n",
// the new list's bytes, then the list it replaces; <file> is the number of
// the file rewritten.
constexpr size_t kJournalHeader = 5 + 4 * 17;
std::string JournalHeader(std::string_view before, std::string_view list, uint64_t file);
struct Journal {
  uint64_t before = 0;    // the hash of the list it replaces
  uint64_t file = 0;      // the number of the file it rewrites
  std::string_view list;  // the new list
  std::string_view old;   // the list it replaces; empty in one written without it
};
// Only a journal written whole parses; its views point into `bytes`.
bool ParseJournal(std::string_view bytes, Journal* journal);

// The part of an undo's name that tells the file as the failed save left it
// ("data.bin.WRITER-MARK.undo"): a file written since is not touched.
std::wstring StampMark(const FileStamp& stamp);

// What a rewrite of `list` in place leaves when cut short: its first bytes,
// maybe with zeros where the disk had not caught up.
bool CutShortOf(std::string_view now, std::string_view list);

}  // namespace vk
