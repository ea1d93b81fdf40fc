// Win32Platform's list-file calls: the file's facts and names, the files
// beside it, the lock, the whole read, the buffered write and the move.
#include "platform/file_system.h"
#include "platform/long_path.h"
#include "platform/path_root.h"
#include "platform/win32/system_calls.h"
#include "platform/win32/win32_platform.h"

#include <winioctl.h>

namespace vk {
namespace {

// The state of the open file `handle`, or nothing when it cannot be told.
bool StampOf(HANDLE handle, FileStamp* stamp) {
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!GetFileInformationByHandle(handle, &info)) return false;
  stamp->exists = true;
  stamp->id = (uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow) ^
              (uint64_t{info.dwVolumeSerialNumber} << 32);
  stamp->size = uint64_t{info.nFileSizeHigh} << 32 | info.nFileSizeLow;
  stamp->written =
      uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32 | info.ftLastWriteTime.dwLowDateTime;
  stamp->marks = info.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  return true;
}

// Writes go through a buffer, so that many small writes cost few system calls.
// The buffer's memory is the platform's, lent for the file's life: the next
// file writes into memory already in use, not into fresh pages.
class Win32OutFile final : public OutFile {
 public:
  // `ends_at_flush`: a file written over, which Flush ends where the writes ended.
  Win32OutFile(HANDLE handle, std::string* lent, bool ends_at_flush = false)
      : handle_(handle), lent_(lent), ends_at_flush_(ends_at_flush) {
    buffer_.swap(*lent_);
    buffer_.clear();
  }
  ~Win32OutFile() override { buffer_.swap(*lent_); }

  Status Write(std::string_view bytes) override {
    if (buffer_.empty() && bytes.size() >= kBufferSize) return WriteAll(bytes);  // no copy
    buffer_.append(bytes.data(), bytes.size());
    return buffer_.size() >= kBufferSize ? Drain() : Status::Ok();
  }

  Status Flush() override {
    Status drained = Drain();
    if (!drained) return drained;
    if (ends_at_flush_ && !SetEndOfFile(handle_.get())) return LastFileError();
    return FlushFileBuffers(handle_.get()) ? Status::Ok() : LastError();
  }

  FileStamp Stamp() override {
    FileStamp stamp;
    StampOf(handle_.get(), &stamp);
    return stamp;
  }

  Status Close() override {
    Status drained = Drain();
    if (!CloseHandle(handle_.release()) && drained) return LastError();
    return drained;
  }

 private:
  static constexpr size_t kBufferSize = 1 << 20;

  Status Drain() {
    Status written = WriteAll(buffer_);
    buffer_.clear();
    return written;
  }

  Status WriteAll(std::string_view bytes) {
    const char* data = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
      DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
      DWORD written = 0;
      if (!WriteFile(handle_.get(), data, chunk, &written, nullptr)) return LastError();
      if (written == 0) return Status::Fail(SystemErrorText(ERROR_WRITE_FAULT));
      data += written;
      left -= written;
    }
    return Status::Ok();
  }

  FileHandle handle_;
  std::string* lent_;
  bool ends_at_flush_;
  std::string buffer_;
};

// A list file whose drive or share cannot be reached now (a stick pulled
// out) is not missing: its failure is busy, and passes once the drive is
// back. Ok while the drive is there.
Status DriveGone(Platform& platform, const std::wstring& path) {
  const std::wstring root = PathRoot(path);
  Status reached = root.empty() ? Status::Ok() : platform.ReachRoot(root);
  if (!reached) reached = Status::Busy(L"Drive " + root + L" is not connected. " + reached.reason);
  return reached;
}

// Where the symbolic link `path` points, as a full path; empty when it is
// no symbolic link or where it points cannot be told.
std::wstring LinkTarget(const std::wstring& path) {
  FileHandle link(CreateFileW(SystemPath(path).c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                              nullptr));
  std::vector<unsigned char> buffer(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
  DWORD got = 0;
  if (!link || !DeviceIoControl(link.get(), FSCTL_GET_REPARSE_POINT, nullptr, 0, buffer.data(),
                                static_cast<DWORD>(buffer.size()), &got, nullptr)) {
    return {};
  }
  const std::wstring target = SymbolicLinkTarget(buffer.data(), got, path);
  if (target.empty()) return {};
  std::wstring full(32768, L'\0');
  const DWORD size = GetFullPathNameW(target.c_str(), static_cast<DWORD>(full.size()), full.data(),
                                      nullptr);
  if (size == 0 || size >= full.size()) return {};
  full.resize(size);
  return full;
}

}  // namespace

bool NamesOf(const std::wstring& path, std::vector<std::wstring>* names) {
  const std::wstring system_path = SystemPath(path);
  FileHandle file(CreateFileW(system_path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr));
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!file || !GetFileInformationByHandle(file.get(), &info) || info.nNumberOfLinks < 2) {
    return true;
  }
  // Looked up when needed: a system without them (Wine) cannot list them.
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const auto first = reinterpret_cast<decltype(&FindFirstFileNameW)>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "FindFirstFileNameW")));
  const auto next = reinterpret_cast<decltype(&FindNextFileNameW)>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "FindNextFileNameW")));
  // The names come from the root of the file's volume, which may be mounted
  // in a folder (C:\Data\) as well as at a letter: made paths through the
  // mount point of the path asked, or not listed at all.
  std::wstring volume(32768, L'\0');
  if (!GetVolumePathNameW(system_path.c_str(), volume.data(), static_cast<DWORD>(volume.size()))) {
    return false;
  }
  volume = OrdinaryPath(volume.c_str());
  std::vector<std::wstring> listed;
  std::wstring name(32768, L'\0');
  DWORD length = static_cast<DWORD>(name.size());
  HANDLE find = first && next ? first(system_path.c_str(), 0, &length, name.data())
                              : INVALID_HANDLE_VALUE;
  if (find == INVALID_HANDLE_VALUE) return false;
  do {
    listed.emplace_back(name.c_str());
    length = static_cast<DWORD>(name.size());
  } while (next(find, &length, name.data()));
  FindClose(find);
  return NamesOnVolume(volume, listed, info.nNumberOfLinks, names);
}

Status Win32Platform::InspectFile(const std::wstring& path, FileFacts* facts) {
  *facts = FileFacts{};
  facts->final_path = path;
  // Opened for nothing but its facts, links followed: it stops no one.
  const std::wstring system_path = SystemPath(path);
  FileHandle file(CreateFileW(system_path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    const Status failed = LastFileError();
    if (Status gone = DriveGone(*this, path); !gone) return gone;
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return failed;
    // A symbolic link to a file that is not there (yet) is still a name to
    // keep: its file is made where it points.
    const std::wstring target = LinkTarget(path);
    facts->dangling = !target.empty();
    if (facts->dangling) facts->final_path = target;
    facts->names = {facts->final_path};
    return Status::Ok();
  }
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!GetFileInformationByHandle(file.get(), &info)) return LastError();
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return Status::Ok();  // no file
  StampOf(file.get(), &facts->stamp);
  facts->links = info.nNumberOfLinks;
  facts->final_path = FinalPathOf(file.get(), path);
  facts->names = {facts->final_path};
  std::vector<std::wstring> names;
  if (facts->links > 1) (void)NamesOf(facts->final_path, &names);
  for (std::wstring& name : names) {
    if (_wcsicmp(name.c_str(), facts->final_path.c_str()) != 0) facts->names.push_back(name);
  }
  return Status::Ok();
}

std::vector<std::wstring> Win32Platform::FindFiles(const std::wstring& prefix) {
  std::vector<std::wstring> found;
  const size_t slash = prefix.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? L"" : prefix.substr(0, slash + 1);
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileExW(SystemPath(prefix + L"*").c_str(), FindExInfoBasic, &data,
                                 FindExSearchNameMatch, nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) return found;
  do {
    std::wstring path = folder + data.cFileName;
    // Short names can match the pattern too: only the names that begin so count.
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        _wcsnicmp(path.c_str(), prefix.c_str(), prefix.size()) == 0) {
      found.push_back(std::move(path));
    }
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return found;
}

std::wstring Win32Platform::WriterName() {
  static unsigned writers = 0;
  return Decimal(GetCurrentProcessId()) + L"." + Decimal(++writers);
}

namespace {

class Win32FileLock final : public FileLock {
 public:
  explicit Win32FileLock(HANDLE handle) : handle_(handle) {}

 private:
  FileHandle handle_;
};

}  // namespace

Status Win32Platform::LockFile(const std::wstring& path, std::unique_ptr<FileLock>* lock) {
  // No one else let in, and gone with the last handle: the system lets go of
  // it when the process ends, however it ends.
  HANDLE handle = CreateFileW(
      SystemPath(path).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastFileError();
  *lock = std::make_unique<Win32FileLock>(handle);
  return Status::Ok();
}

Status Win32Platform::ReadWholeFile(const std::wstring& path, size_t max_bytes,
                                    const std::function<char*(size_t)>& room, size_t* size,
                                    FileStamp* stamp) {
  *size = 0;
  *stamp = FileStamp{};
  // Only a whole list is read: while another program has the file open for
  // writing it cannot be opened (busy), and one whose length changes all the
  // same during the read (a file system that keeps no share modes) is busy too.
  // Replacing it meanwhile is let through: what is read is the file as it was.
  FileHandle file(CreateFileW(SystemPath(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    const Status failed = LastFileError(), gone = DriveGone(*this, path);
    return gone ? failed : gone;
  }
  FileStamp before;
  if (!StampOf(file.get(), &before)) return LastError();
  if (before.size > max_bytes) {
    return Status::Fail(L"The file holds " + Decimal(before.size) +
                        L" bytes, more than the " + Decimal(max_bytes) +
                        L" a folder list may hold.");
  }
  const size_t wanted = static_cast<size_t>(before.size);
  char* into = room(wanted);
  if (!into) return Status::Fail(SystemErrorText(ERROR_NOT_ENOUGH_MEMORY));
  size_t done = 0;
  while (done < wanted) {
    DWORD got = 0;
    if (!ReadFile(file.get(), into + done, static_cast<DWORD>(wanted - done), &got, nullptr)) {
      return LastFileError();
    }
    if (got == 0) break;
    done += got;
  }
  char more = 0;
  DWORD extra = 0;
  if (done != wanted || (ReadFile(file.get(), &more, 1, &extra, nullptr) && extra != 0)) {
    return Status::Busy(L"Another program was writing the file while it was being read.");
  }
  *size = done;
  *stamp = before;
  return Status::Ok();
}

Status Win32Platform::CreateOutFile(const std::wstring& path, std::unique_ptr<OutFile>* file) {
  HANDLE handle = CreateFileW(SystemPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastFileError();
  *file = std::make_unique<Win32OutFile>(handle, &write_buffer_);
  return Status::Ok();
}

Status Win32Platform::RewriteFile(const std::wstring& path, uint64_t room,
                                  std::unique_ptr<OutFile>* file) {
  FileHandle handle(CreateFileW(SystemPath(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle) return LastFileError();
  // The room first, zeros at its end: a full disk refuses it here.
  LARGE_INTEGER size = {}, end = {}, start = {};
  end.QuadPart = static_cast<LONGLONG>(room);
  if (!GetFileSizeEx(handle.get(), &size)) return LastFileError();
  if (size.QuadPart < end.QuadPart &&
      (!SetFilePointerEx(handle.get(), end, nullptr, FILE_BEGIN) || !SetEndOfFile(handle.get()) ||
       !SetFilePointerEx(handle.get(), start, nullptr, FILE_BEGIN))) {
    return LastFileError();
  }
  *file = std::make_unique<Win32OutFile>(handle.release(), &write_buffer_, true);
  return Status::Ok();
}

bool Win32Platform::ReplacesInTwoSteps(const std::wstring& path) {
  // Where the file system cannot be told, as FAT does: a copy left whole is kept.
  std::wstring volume(32768, L'\0');
  wchar_t name[MAX_PATH + 1] = {};
  if (!GetVolumePathNameW(SystemPath(path).c_str(), volume.data(),
                          static_cast<DWORD>(volume.size())) ||
      !GetVolumeInformationW(volume.c_str(), nullptr, 0, nullptr, nullptr, nullptr, name,
                             MAX_PATH + 1)) {
    return true;
  }
  return RemovesBeforeRename(name);
}

Status Win32Platform::MoveFileTo(const std::wstring& from, const std::wstring& to, bool replace) {
  // A read-only file is never replaced, as Windows refuses; not every file
  // system underneath (a Samba share, Wine) does so by itself.
  const std::wstring target = SystemPath(to);
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    return Status::Fail(SystemErrorText(ERROR_ACCESS_DENIED));
  }
  if (MoveFileExW(SystemPath(from).c_str(), target.c_str(),
                  (replace ? MOVEFILE_REPLACE_EXISTING : 0) | MOVEFILE_WRITE_THROUGH)) {
    return Status::Ok();
  }
  const DWORD error = GetLastError();
  Status status = LastFileError();
  status.changed = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
  return status;
}

void Win32Platform::RemoveFile(const std::wstring& path) { DeleteFileW(SystemPath(path).c_str()); }

}  // namespace vk
