#include "listfile/leftovers.h"

#include "listfile/listfile.h"

namespace vk {
namespace {

constexpr std::string_view kJournalMagic = "VKJ1 ";

}  // namespace

uint64_t HashOf(std::string_view bytes) {
  uint64_t hash = 14695981039346656037u;
  for (unsigned char byte : bytes) {
    hash ^= byte;
    hash *= 1099511628211u;
  }
  return hash;
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

std::string JournalHeader(std::string_view before, std::string_view list, uint64_t file) {
  return std::string(kJournalMagic) + Hex(HashOf(before)) + " " + Hex(list.size()) + " " +
         Hex(HashOf(list)) + " " + Hex(file) + "\n";
}

bool ParseJournal(std::string_view bytes, Journal* journal) {
  if (bytes.size() < kJournalHeader || bytes.substr(0, kJournalMagic.size()) != kJournalMagic) {
    return false;
  }
  uint64_t numbers[4] = {};
  for (size_t n = 0; n < 4; ++n) {
    for (size_t i = 0; i < 16; ++i) {
      const char c = bytes[kJournalMagic.size() + n * 17 + i];
      const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
      if (digit < 0) return false;
      numbers[n] = numbers[n] << 4 | static_cast<unsigned>(digit);
    }
  }
  bytes.remove_prefix(kJournalHeader);
  if (bytes.size() < numbers[1]) return false;
  journal->before = numbers[0];
  journal->file = numbers[3];
  journal->list = bytes.substr(0, numbers[1]);
  journal->old = bytes.substr(numbers[1]);
  return HashOf(journal->list) == numbers[2] &&
         (journal->old.empty() || HashOf(journal->old) == journal->before);
}

std::wstring StampMark(const FileStamp& stamp) {
  return WideHex(HashOf(Hex(stamp.id) + Hex(stamp.size) + Hex(stamp.written)));
}

bool CutShortOf(std::string_view now, std::string_view list) {
  if (now.size() > list.size()) return false;
  for (size_t i = 0; i < now.size(); ++i) {
    if (now[i] != list[i] && now[i] != '\0') return false;
  }
  return true;
}

// The next reader's rule for what a save cut short left (docs/ARCHITECTURE.md).
bool ListFile::Recover(const std::wstring& target, bool wait, bool* recovered) {
  bool done = true;
  for (const std::wstring& left : platform_.FindFiles(target + L".")) {
    const bool journal = EndsWith(left, kJournalSuffix) || EndsWith(left, kUndoSuffix);
    if (!journal && !EndsWith(left, kCopySuffix)) continue;
    // One whose save is over, marked hidden when it could not be removed,
    // is never applied: it goes when it can, and holds nothing up meanwhile.
    FileFacts facts;
    if (!platform_.InspectFile(left, &facts)) {
      done = false;
      continue;
    }
    if (facts.stamp.marks & kAttrHidden) {
      (void)Remove(left);
      continue;
    }
    if (journal) {
      done = RecoverJournal(target, left, wait) && done;
      continue;
    }
    // A copy whose replace never came is stale. Beside a missing data.bin it
    // may be a replace cut short (a file system that removes the old file
    // first): whole, it becomes data.bin.
    if (!platform_.InspectFile(target, &facts) || facts.stamp.exists) {
      done = Settle(left, wait) && done;
      continue;
    }
    std::string bytes;
    const size_t dash = left.rfind(L'-');
    const bool whole = dash != std::wstring::npos && ReadBytes(left, &bytes) &&
                       left.compare(dash + 1, 16, WideHex(HashOf(bytes))) == 0;
    if (whole && platform_.MoveReplacing(left, target)) {
      *recovered = true;
    } else {
      done = Settle(left, wait) && done;
    }
  }
  return done;
}

bool ListFile::Remove(const std::wstring& file) {
  platform_.RemoveFile(file);
  FileFacts facts;
  return platform_.InspectFile(file, &facts) && !facts.stamp.exists;
}

bool ListFile::Settle(const std::wstring& left, bool wait) {
  if (Retrying([&] { return Remove(left) ? Status::Ok() : Status::Busy(L""); }, wait)) return true;
  // Attributes can be written while another program holds the file, and
  // need no room on a full disk.
  (void)platform_.SetAttributes(left, kAttrHidden);
  FileFacts facts;
  return platform_.InspectFile(left, &facts) && (facts.stamp.marks & kAttrHidden);
}

bool ListFile::RecoverJournal(const std::wstring& target, const std::wstring& journal, bool wait) {
  std::string bytes, now;
  Journal found;
  Status read = ReadBytes(journal, &bytes);
  if (!read && read.busy) return false;
  FileFacts facts;
  if (!platform_.InspectFile(target, &facts)) return false;
  // A file replaced since (another number) is not the one it was written for.
  if (read && ParseJournal(bytes, &found) && facts.stamp.exists && found.file == facts.stamp.id) {
    if (!ReadBytes(target, &now)) return false;
    const std::string_view* put = nullptr;
    if (!EndsWith(journal, kUndoSuffix)) {
      // Neither the list it was made from nor the one it holds: a rewrite
      // cut short is finished; a file changed since it was written is left
      // as it is.
      if (now != found.list && HashOf(now) != found.before && CutShortOf(now, found.list)) {
        put = &found.list;
      }
    } else if (HashOf(found.old) == found.before && now != found.old &&
               EndsWith(journal, L"-" + StampMark(facts.stamp) + kUndoSuffix)) {
      // The save was reported as failed, and nobody wrote the file since:
      // the list it replaced comes back.
      put = &found.old;
    }
    FileStamp stamp;
    if (put && !Rewrite(target, *put, &stamp)) return false;
  }
  return Settle(journal, wait);
}

}  // namespace vk
