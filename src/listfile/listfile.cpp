#include "listfile/listfile.h"

#include <algorithm>
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

// Calls `take` with each entry of `text` (characters or bytes): outer spaces
// trimmed, split at every ";", the piece after the last ";" dropped. Space
// and ";" are single bytes that no multi-byte character contains, so bytes
// split exactly as the characters they encode.
template <typename Char, typename Take>
void SplitList(std::basic_string_view<Char> text, Take&& take) {
  const Char space = static_cast<Char>(' ');
  const Char separator = static_cast<Char>(kSeparator);
  size_t begin = text.find_first_not_of(space);
  if (begin == text.npos) return;
  text = text.substr(begin, text.find_last_not_of(space) + 1 - begin);
  for (;;) {
    size_t sep = text.find(separator);
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

}  // namespace

EntryList ParseList(const std::wstring& text) {
  EntryList entries;
  SplitList(std::wstring_view(text), [&](std::wstring_view piece) { entries.emplace_back(piece); });
  return entries;
}

std::string EncodeList(Platform& platform, const EntryList& entries) {
  // ";" is one byte in every ANSI code page and in UTF-8, and no multi-byte
  // character contains that byte, so the whole text converts as its entries would.
  const std::wstring text = JoinList(entries);
  std::string bytes;
  // ANSI bytes that happen to begin like the mark would read back as UTF-8.
  if (platform.ToAnsi(text, &bytes) && !StartsWithBom(bytes)) return bytes;
  return kBom + EncodeUtf8(text);
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
  Status read = platform_.ReadWholeFile(path_, &bytes);
  if (!read) {
    result.state = LoadState::Unreadable;
    result.reason = read.reason;
    refusal_ =
        L"The file could not be read when Veilkeep started, so it is left as it is "
        L"to keep the folders it holds.";
    return result;
  }
  result.state = LoadState::Loaded;
  // Split the bytes, then decode entry by entry: no second copy of the whole list.
  std::string_view view(bytes);
  const bool utf8 = StartsWithBom(bytes);
  if (utf8) view.remove_prefix(kBomSize);
  result.entries.reserve(std::count(view.begin(), view.end(), static_cast<char>(kSeparator)));
  SplitList(view, [&](std::string_view piece) {
    result.entries.push_back(utf8 ? DecodeUtf8(piece.data(), piece.size())
                                  : platform_.FromAnsi(piece));
  });
  return result;
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
  std::string bytes = EncodeList(platform_, entries);
  return Save([&](OutFile& file) { return bytes.empty() ? Status::Ok() : file.Write(bytes); });
}

Status ListFile::SaveEntryByEntry(const EntryList& entries) {
  const std::string bytes = EncodeList(platform_, entries);
  return Save([&](OutFile& file) {
    // One write per entry, each ending with its ";"; the mark goes with the first.
    size_t start = 0;
    while (start < bytes.size()) {
      size_t end = bytes.find(static_cast<char>(kSeparator), start);
      end = end == std::string::npos ? bytes.size() : end + 1;
      if (Status s = file.Write(std::string_view(bytes).substr(start, end - start)); !s) return s;
      start = end;
    }
    return Status::Ok();
  });
}

}  // namespace vk
