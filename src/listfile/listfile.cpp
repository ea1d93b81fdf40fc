#include "listfile/listfile.h"

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

// Encodes every entry in the ANSI code page, or returns false when one does not fit.
bool AllToAnsi(Platform& platform, const EntryList& entries, std::vector<std::string>* out) {
  out->clear();
  out->reserve(entries.size());
  std::string bytes;
  for (const auto& entry : entries) {
    if (!platform.ToAnsi(entry, &bytes)) return false;
    out->push_back(std::move(bytes));
  }
  return true;
}

// The entries as the pieces of the file: a leading mark (maybe empty) and one
// chunk per entry, each ending in ";".
struct Pieces {
  std::string mark;
  std::vector<std::string> chunks;
};

Pieces MakePieces(Platform& platform, const EntryList& entries) {
  Pieces pieces;
  if (!AllToAnsi(platform, entries, &pieces.chunks)) {
    pieces.mark = kBom;
    pieces.chunks.clear();
    for (const auto& entry : entries) pieces.chunks.push_back(EncodeUtf8(entry));
  }
  for (auto& chunk : pieces.chunks) chunk += static_cast<char>(kSeparator);
  return pieces;
}

}  // namespace

EntryList ParseList(const std::wstring& text) {
  size_t begin = text.find_first_not_of(L' ');
  if (begin == std::wstring::npos) return {};
  size_t end = text.find_last_not_of(L' ') + 1;

  EntryList entries;
  size_t start = begin;
  for (;;) {
    size_t sep = text.find(kSeparator, start);
    if (sep == std::wstring::npos || sep >= end) break;  // the last piece is dropped
    entries.emplace_back(text, start, sep - start);
    start = sep + 1;
  }
  return entries;
}

std::wstring DecodeListBytes(Platform& platform, const std::string& bytes) {
  if (StartsWithBom(bytes)) return DecodeUtf8(bytes.data() + kBomSize, bytes.size() - kBomSize);
  return platform.FromAnsi(bytes);
}

std::string EncodeList(Platform& platform, const EntryList& entries) {
  Pieces pieces = MakePieces(platform, entries);
  size_t size = pieces.mark.size();
  for (const auto& chunk : pieces.chunks) size += chunk.size();
  std::string out;
  out.reserve(size);
  out += pieces.mark;
  for (const auto& chunk : pieces.chunks) out += chunk;
  return out;
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
  result.entries = ParseList(DecodeListBytes(platform_, bytes));
  return result;
}

template <typename WriteBody>
Status ListFile::Save(WriteBody&& write_body) {
  if (!refusal_.empty()) return Status::Fail(refusal_);

  const std::wstring temp = path_ + L".new";
  std::unique_ptr<OutFile> file;
  Status status = platform_.CreateOutFile(temp, &file);
  if (!status) return status;

  status = write_body(*file);
  if (status) status = file->Flush();
  Status closed = file->Close();
  if (status) status = closed;
  file.reset();
  if (status) status = platform_.MoveReplacing(temp, path_);
  if (!status) platform_.RemoveFile(temp);
  return status;
}

Status ListFile::SaveWholeList(const EntryList& entries) {
  std::string bytes = EncodeList(platform_, entries);
  return Save([&](OutFile& file) { return bytes.empty() ? Status::Ok() : file.Write(bytes); });
}

Status ListFile::SaveEntryByEntry(const EntryList& entries) {
  Pieces pieces = MakePieces(platform_, entries);
  return Save([&](OutFile& file) {
    if (!pieces.mark.empty()) {
      if (Status s = file.Write(pieces.mark); !s) return s;
    }
    for (const auto& chunk : pieces.chunks) {
      if (Status s = file.Write(chunk); !s) return s;
    }
    return Status::Ok();
  });
}

}  // namespace vk
