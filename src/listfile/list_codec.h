// data.bin's bytes and the list they hold.
//
// Every entry is followed by ";" with nothing in between, and an empty list
// is a 0-byte file. The bytes are in the ANSI code page when every entry fits
// it; otherwise the file is UTF-8 behind a byte-order mark.
#pragma once

#include <string>
#include <string_view>

#include "listfile/entry_list.h"
#include "platform/platform.h"

namespace vk {

// The largest folder list read: a larger data.bin is reported as unreadable
// and left as it is. Real lists hold tens of folders; these limits keep a
// damaged or foreign file from taking the machine's memory.
constexpr size_t kMaxListBytes = size_t{16} << 20;   // 16 MiB
constexpr size_t kMaxListEntries = size_t{1} << 20;  // 1,048,576 folders

// Whether `entries` folders in `bytes` bytes of data.bin are a list the
// reader takes: the one limit of the reader and of the writers, who never
// write a list it would refuse.
constexpr bool WithinLimits(size_t entries, size_t bytes) {
  return entries <= kMaxListEntries && bytes <= kMaxListBytes;
}
// How many of `entries` data.bin can hold within those limits, keeping the
// first `first` (a list read or saved) and then each next one while it fits.
size_t EntriesWithinLimits(Platform& platform, const EntryList& entries, size_t first);

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

// File bytes -> entries, within kMaxListEntries; fails when there are more
// or when memory runs out. ASCII bytes lying in `entries`' own memory
// (EntryList::byte_room) are widened in place.
Status DecodeList(Platform& platform, std::string_view bytes, EntryList* entries);

// True when `bytes` certainly read back as the list they were made from
// (ASCII not starting with a space); otherwise decode them to be sure.
bool ReadsBackAsWritten(std::string_view bytes);

}  // namespace vk
