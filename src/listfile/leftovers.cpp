#include "listfile/leftovers.h"

#include <algorithm>
#include <charconv>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include "listfile/listfile.h"

namespace vk {
namespace {

constexpr std::string_view kJournalMagic = "VKJ2 ", kEarlierJournalMagic = "VKJ1 ";

}  // namespace

uint64_t HashOf(std::string_view bytes) { return XXH3_64bits(bytes.data(), bytes.size()); }

uint64_t EarlierHashOf(std::string_view bytes) {
  uint64_t hash = 14695981039346656037u;
  for (unsigned char byte : bytes) {
    hash ^= byte;
    hash *= 1099511628211u;
  }
  return hash;
}

bool HashIs(uint64_t hash, std::string_view bytes) {
  return hash == HashOf(bytes) || hash == EarlierHashOf(bytes);
}

std::string Hex(uint64_t value) {
  std::string text(16, '0');
  for (size_t i = 16; i-- > 0; value >>= 4) text[i] = "0123456789abcdef"[value & 15];
  return text;
}

std::wstring WideHex(uint64_t value) {
  const std::string text = Hex(value);
  return std::wstring(text.begin(), text.end());
}

bool EndsWith(const std::wstring& text, std::wstring_view ending) {
  return text.size() >= ending.size() &&
         text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

std::string JournalHeader(std::string_view old, std::string_view list, uint64_t file) {
  return std::string(kJournalMagic) + Hex(HashOf(old)) + " " + Hex(list.size()) + " " +
         Hex(HashOf(list)) + " " + Hex(file) + "\n";
}

bool ParseJournal(std::string_view bytes, Journal* journal) {
  const std::string_view magic = bytes.substr(0, kJournalMagic.size());
  if (bytes.size() < kJournalHeader || (magic != kJournalMagic && magic != kEarlierJournalMagic)) {
    return false;
  }
  const auto hash = magic == kJournalMagic ? HashOf : EarlierHashOf;
  uint64_t numbers[4] = {};
  for (size_t n = 0; n < 4; ++n) {
    const char* at = bytes.data() + kJournalMagic.size() + n * 17;
    if (std::from_chars(at, at + 16, numbers[n], 16).ptr != at + 16) return false;
  }
  bytes.remove_prefix(kJournalHeader);
  if (bytes.size() < numbers[1]) return false;
  journal->file = numbers[3];
  journal->list = bytes.substr(0, numbers[1]);
  journal->old = bytes.substr(numbers[1]);
  return hash(journal->list) == numbers[2] && hash(journal->old) == numbers[0];
}

bool MadeOf(std::string_view now, std::string_view one, std::string_view other) {
  if (now.size() != one.size() && now.size() != other.size()) return false;
  for (size_t i = 0; i < now.size(); ++i) {
    if (now[i] != '\0' && (i >= one.size() || now[i] != one[i]) &&
        (i >= other.size() || now[i] != other[i])) {
      return false;
    }
  }
  return true;
}

std::wstring ListFile::FreeName(const std::wstring& base, const wchar_t* suffix) {
  // A name left by an earlier run of the same writer (a file a scanner still holds) is passed over.
  std::wstring name = base + suffix;
  FileFacts facts;
  for (int n = 1; n < 100 && platform_.InspectFile(name, &facts) && facts.stamp.exists; ++n) {
    name = base + L"." + Decimal(n) + suffix;
  }
  return name;
}

std::vector<std::wstring> ListFile::Leftovers(const FileFacts& facts) {
  std::vector<std::wstring> found;
  for (const std::wstring& name : facts.names) {
    for (std::wstring& left : platform_.FindFiles(name + L".")) {
      const bool journal = EndsWith(left, kJournalSuffix) || EndsWith(left, kUndoSuffix);
      if (!journal && !EndsWith(left, kCopySuffix)) continue;
      // One whose save is over, marked hidden, is never applied: it goes
      // when it can, and holds nothing up meanwhile.
      FileFacts its;
      if (platform_.InspectFile(left, &its) && (its.stamp.marks & kAttrHidden)) {
        platform_.RemoveFile(left);
        continue;
      }
      found.push_back(std::move(left));
    }
  }
  return found;
}

// The next reader's rule for what a save cut short left (docs/ARCHITECTURE.md).
Status ListFile::Recover(bool write, bool wait, bool* clean, bool* recovered) {
  FileFacts facts;
  Status status = platform_.InspectFile(path_, &facts);
  for (const std::wstring& left : status ? Leftovers(facts) : std::vector<std::wstring>{}) {
    if (!EndsWith(left, kCopySuffix)) {
      if (Status rolled = RollBack(facts, left, write, wait, clean); !rolled) status = rolled;
      continue;
    }
    // A copy whose replace never came is stale. Beside a missing data.bin,
    // on a file system that removes the old file before it renames, it may
    // be a replace cut short: whole (the hash in its name is what it
    // holds), it becomes data.bin. While that cannot be told (held), it is kept.
    const size_t dash = left.rfind(L'-');
    const bool named = dash != std::wstring::npos && dash > left.find_last_of(L"\\/");
    Status moved = Status::Fail(L"");
    std::string bytes;
    if (named && !facts.stamp.exists && platform_.ReplacesInTwoSteps(facts.final_path)) {
      moved = ReadBytes(left, &bytes);
      uint64_t named_hash = 0;
      const std::string digits(left.begin() + dash + 1,
                               left.begin() + std::min(dash + 17, left.size()));
      const auto [end, error] =
          std::from_chars(digits.data(), digits.data() + digits.size(), named_hash, 16);
      if (moved &&
          (error != std::errc() || end != digits.data() + 16 || !HashIs(named_hash, bytes))) {
        moved = Status::Fail(L"");
      } else if (moved) {
        moved = write ? platform_.MoveFileTo(left, facts.final_path, false)
                      : Status::Fail(L"The list left whole beside it cannot be put back here.");
      }
    }
    if (moved) {
      *recovered = true;
      facts.stamp.exists = true;
    } else if (!moved.changed && !moved.reason.empty()) {
      status = moved;
    } else if (write) {
      (void)Settle(left, wait);  // never taken for a file that is there
    }
  }
  return status;
}

Status ListFile::RollBack(const FileFacts& facts, const std::wstring& journal, bool write,
                          bool wait, bool* clean) {
  std::string bytes, now;
  Journal found;
  Status status = ReadBytes(journal, &bytes);
  // One not written whole never let its rewrite begin; one for another file
  // (replaced or removed since) is not this file's.
  if (status && ParseJournal(bytes, &found) && facts.stamp.exists &&
      found.file == facts.stamp.id) {
    status = ReadBytes(facts.final_path, &now);
    // What a rewrite cut short leaves, of the new list or of the old one
    // being put back, becomes the old list again, as often as it takes;
    // anything else was written whole by another program since, and stays.
    FileStamp stamp;
    if (status && now != found.old && MadeOf(now, found.list, found.old)) {
      status = write ? Write(facts.final_path, found.old.size(), Bytes(found.old), &stamp)
                     : Status::Fail(L"A save that was cut short cannot be rolled back here.");
    }
  }
  // Removed only once the file holds a whole list.
  if (!status || !write || !Settle(journal, wait)) *clean = false;
  return status;
}

bool ListFile::Clear(const std::wstring& journal) {
  FileStamp ignored;
  return Write(journal, 0, Bytes(kClearedJournal), &ignored).ok;
}

bool ListFile::Settle(const std::wstring& left, bool wait) {
  // A journal cleared on the disk is over, whatever a power cut undoes after
  // (a removal, a mark): it then goes when it can.
  if ((EndsWith(left, kJournalSuffix) || EndsWith(left, kUndoSuffix)) && Clear(left)) {
    platform_.RemoveFile(left);
    return true;
  }
  auto removed = [&] {
    platform_.RemoveFile(left);
    FileFacts facts;
    return platform_.InspectFile(left, &facts) && !facts.stamp.exists ? Status::Ok()
                                                                      : Status::Busy(L"");
  };
  if (Retrying(removed, wait)) return true;
  // Attributes can be written while another program holds the file, and
  // need no room on a full disk.
  (void)platform_.SetAttributes(left, kAttrHidden);
  FileFacts facts;
  return platform_.InspectFile(left, &facts) && (facts.stamp.marks & kAttrHidden);
}

}  // namespace vk
