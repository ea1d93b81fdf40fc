// Every operating-system operation Veilkeep uses, behind one interface.
// The program's logic sees only this; src/platform/win32 implements it with
// the wide-character Win32 calls and the unit tests use a fake.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vk {

// Attribute word bits used by the program, and the query's failure value.
constexpr uint32_t kAttrReadOnly = 1;
constexpr uint32_t kAttrHidden = 2;
constexpr uint32_t kAttrSystem = 4;
constexpr uint32_t kInvalidAttributes = 0xFFFFFFFFu;
constexpr uint32_t kAttrReparsePoint = 0x400;

// Drive-type codes as the system reports them.
enum DriveType : unsigned {
  kDriveUnknown = 0,
  kDriveNoRootDir = 1,
  kDriveRemovable = 2,
  kDriveFixed = 3,
  kDriveRemote = 4,
  kDriveCdRom = 5,
  kDriveRamDisk = 6,
};

// Outcome of an operation that can fail; `reason` is a sentence for the user.
// `busy` marks a failure that may pass by itself in a moment: another program
// (a virus scanner, the search indexer, a sync client) has the file open, or
// the drive the list file is on is not connected (a stick pulled out).
// `changed`: nothing was written because another program changed the file
// since it was read.
struct [[nodiscard]] Status {
  bool ok = true;
  std::wstring reason;
  bool busy = false;
  bool changed = false;

  static Status Ok() { return {}; }
  static Status Fail(std::wstring why) { return {false, std::move(why)}; }
  static Status Busy(std::wstring why) { return {false, std::move(why), true}; }
  explicit operator bool() const { return ok; }
};

// What the folder browser gave back.
enum class BrowseOutcome {
  Cancelled,  // the user closed the browser without choosing
  Chosen,     // `path` holds the chosen folder's full path
  NoPath,     // an item was chosen but it has no usable file-system path
};

struct BrowseResult {
  BrowseOutcome outcome = BrowseOutcome::Cancelled;
  std::wstring path;
};

// One state of a file, as far as it can be told without reading it. A save
// by anyone gives another: a new file (a replace), a new size or a new time.
struct FileStamp {
  bool exists = false;
  uint64_t id = 0;  // the file's number on its volume, the volume's in the top bits
  uint64_t size = 0;
  uint64_t written = 0;  // last-write time
  uint32_t marks = 0;    // kAttrHidden and kAttrSystem, as the file has them
  friend bool operator==(const FileStamp& a, const FileStamp& b) {
    return a.exists == b.exists && a.id == b.id && a.size == b.size && a.written == b.written &&
           a.marks == b.marks;
  }
  friend bool operator!=(const FileStamp& a, const FileStamp& b) { return !(a == b); }
};

// Where a file really is and what names it has. The stamp's marks are the
// file's own, wherever a link leads.
struct FileFacts {
  FileStamp stamp;
  // The file itself, symbolic links followed (for a link to no file, where
  // it points); the path when missing.
  std::wstring final_path;
  unsigned links = 1;  // its names: more than one when it is hard-linked
  // final_path, then the file's other names, as far as the system lists them.
  std::vector<std::wstring> names;
  bool dangling = false;  // the path is a link to a file that is not there (yet)
};

// A shell verb on every folder, for the current user only: the item `text`
// of the file manager's folder menu, which runs `command` (its "%1" the
// folder) and shows the icon `icon`.
struct FolderVerb {
  std::wstring key, text, command, icon;
};

// One subfolder as the listing of its folder gives it: no call of its own.
struct FolderItem {
  std::wstring_view name;    // its own name, valid during the call
  uint32_t attributes = 0;   // the attribute word
  uint32_t reparse_tag = 0;  // with kAttrReparsePoint: the kind of reparse point (0 unknown)
};

// A shortcut (.lnk): the program it starts, with what, where, and its key.
struct Shortcut {
  std::wstring target, arguments, folder;
  // The key that starts it from anywhere: a virtual-key code, with
  // kKeyShift, kKeyControl and kKeyAlt; 0 for none.
  uint16_t key = 0;
  bool minimized = false;  // started minimized
};
constexpr uint16_t kKeyShift = 0x100, kKeyControl = 0x200, kKeyAlt = 0x400;

struct VersionNumbers {
  unsigned major = 0;
  unsigned minor = 0;
};

// A file opened for writing. Dropping it without Close() abandons the write.
class OutFile {
 public:
  virtual ~OutFile() = default;
  virtual Status Write(std::string_view bytes) = 0;
  // Pushes everything written so far to the disk.
  virtual Status Flush() = 0;
  virtual Status Close() = 0;
  // The file as written so far (after Flush).
  virtual FileStamp Stamp() = 0;
};

// A file held open with no one else let in, and deleted when let go (or
// when the process ends): a lock among the copies of the program.
class FileLock {
 public:
  virtual ~FileLock() = default;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Folders and drives.
  virtual uint32_t GetAttributes(const std::wstring& path) = 0;
  // Of a folder, or of a file (which works while another program holds it).
  virtual Status SetAttributes(const std::wstring& path, uint32_t attributes) = 0;
  // True only for an existing folder (hidden and system ones included).
  virtual bool FolderExists(const std::wstring& path) = 0;
  // The drive-type code of exactly the string passed (kDriveUnknown when the
  // system cannot tell). For a drive's root (X:\) it looks at no disk and
  // no network, and a network letter the user keeps that is not connected
  // now is kDriveRemote too.
  virtual unsigned DriveType(const std::wstring& path) = 0;
  // The root (C:\) of the drive Windows runs from.
  virtual std::wstring SystemRoot() = 0;
  // GetAttributes, for a folder whose drive answers at once: false, without
  // waiting, when its drive or share takes longer (a network drive that is
  // offline keeps a caller waiting for the network's timeout).
  virtual bool AttributesAtOnce(const std::wstring& path, uint32_t* attributes) = 0;
  // Whether the drive or share `root` (X:\ or \\server\share\, as PathRoot gives it) can be
  // reached now; fails, saying why, for a drive not connected or not ready (no
  // disk in it) and for a network path that cannot be reached.
  virtual Status ReachRoot(const std::wstring& root) = 0;
  // Tells `each` every subfolder of `folder` (a drive root included), in one
  // pass of the system's listing; fails, saying why, when it cannot be listed.
  virtual Status ListFolder(const std::wstring& folder,
                            const std::function<void(const FolderItem&)>& each) = 0;

  // Shell.
  virtual BrowseResult BrowseForFolder(const std::wstring& prompt) = 0;
  // Shows the folder in the file manager; the path is never parsed as a command line.
  virtual Status OpenFolder(const std::wstring& path) = 0;
  virtual void OpenWebAddress(const std::wstring& address) = 0;
  // Modal box with the critical icon and an OK button.
  virtual void ShowError(const std::wstring& text, const std::wstring& title) = 0;
  // Modal box with the question icon and Yes and No buttons; true for Yes.
  virtual bool AskYesNo(const std::wstring& text, const std::wstring& title) = 0;

  // The program itself.
  // True when an earlier copy is running; the first copy claims the name for its lifetime.
  virtual bool AnotherInstanceRunning() = 0;
  // The executable's folder, without a trailing backslash except at a drive root.
  virtual std::wstring ProgramFolder() = 0;
  // The executable's full path, as it was started.
  virtual std::wstring ProgramPath() = 0;
  virtual VersionNumbers Version() = 0;

  // The folder verbs of the current user (no administrator needed): written,
  // removed (none there is no failure), and the command one runs now (empty
  // when there is none).
  virtual Status SetFolderVerb(const FolderVerb& verb) = 0;
  virtual Status RemoveFolderVerb(const std::wstring& key) = 0;
  virtual std::wstring FolderVerbCommand(const std::wstring& key) = 0;

  // The shortcut `name` (a .lnk) in the current user's Start menu Programs
  // folder: written, read (false when there is none), removed (none there
  // is no failure).
  virtual Status SaveStartMenuShortcut(const std::wstring& name, const Shortcut& shortcut) = 0;
  virtual bool ReadStartMenuShortcut(const std::wstring& name, Shortcut* shortcut) = 0;
  virtual Status RemoveStartMenuShortcut(const std::wstring& name) = 0;

  // Whether `text` begins with `prefix`, ignoring letter case as the system does.
  virtual bool StartsWithIgnoringCase(std::wstring_view text, std::wstring_view prefix) = 0;
  // Blocks the calling thread for about `milliseconds`.
  virtual void Wait(unsigned milliseconds) = 0;

  // Text in the system's ANSI code page. ToAnsi returns false when some
  // character has no exact form there (the bytes are then unusable). Both
  // convert character by character, and characters 0 to 127 are the same
  // single bytes in every ANSI code page: the list file relies on both.
  virtual bool ToAnsi(const std::wstring& text, std::string* bytes) = 0;
  virtual std::wstring FromAnsi(std::string_view bytes) = 0;

  // List-file I/O.
  // The file at `path` now, links followed; a missing one is no failure
  // (stamp.exists false). A folder there counts as no file.
  virtual Status InspectFile(const std::wstring& path, FileFacts* facts) = 0;
  // The full paths of the files whose path begins with `prefix`, in its folder.
  virtual std::vector<std::wstring> FindFiles(const std::wstring& prefix) = 0;
  // A name for this writer's temporary files that no other copy of the
  // program uses.
  virtual std::wstring WriterName() = 0;
  // Takes the lock file `path` (created when missing); busy while another has it.
  virtual Status LockFile(const std::wstring& path, std::unique_ptr<FileLock>* lock) = 0;
  // Reads the whole file into the memory `room` gives for its size, says in
  // *size how many bytes came and in *stamp which state of the file they are.
  // Only a file no one writes meanwhile is read: one another program has open
  // for writing, or that changes during the read, is reported busy. Fails when
  // the file holds more than `max_bytes`, or when `room` gives none (null).
  virtual Status ReadWholeFile(const std::wstring& path, size_t max_bytes,
                               const std::function<char*(size_t)>& room, size_t* size,
                               FileStamp* stamp) = 0;
  // Makes the file `path` for writing; fails when a file is there.
  virtual Status CreateOutFile(const std::wstring& path, std::unique_ptr<OutFile>* file) = 0;
  // Opens the existing file `path` for writing over it from its start, with
  // no one else let in (every name of a hard-linked file sees what is
  // written): first given room for `room` bytes (made longer with zeros,
  // never shorter), so that a full disk refuses it before any byte changes;
  // what it held stays until written over, and Flush ends the file where
  // the writes ended.
  virtual Status RewriteFile(const std::wstring& path, uint64_t room,
                             std::unique_ptr<OutFile>* file) = 0;
  // Whether the file system of `path` removes a file before it renames
  // another in its place (FAT, exFAT), so that a replace cut short can leave
  // no file there.
  virtual bool ReplacesInTwoSteps(const std::wstring& path) = 0;
  // Puts `from` in the place of `to` in one step: replacing any file there
  // with `replace`, else only where there is none (one there: `changed`).
  virtual Status MoveFileTo(const std::wstring& from, const std::wstring& to, bool replace) = 0;
  virtual void RemoveFile(const std::wstring& path) = 0;
};

// `value` in decimal. The program writes its numbers so, not with the C
// library's printf, whose float formatting would weigh more than the rest.
inline std::wstring Decimal(uint64_t value) {
  wchar_t digits[20];
  size_t count = 0;
  do {
    digits[count++] = static_cast<wchar_t>(L'0' + value % 10);
  } while (value /= 10);
  return std::wstring(std::make_reverse_iterator(digits + count),
                      std::make_reverse_iterator(digits));
}

// The one place where errors reach the user: a modal box titled "Error".
inline void ShowError(Platform& platform, const std::wstring& text) {
  platform.ShowError(text, L"Error");
}

// The same place for the one kind of question the program asks.
inline bool AskYesNo(Platform& platform, const std::wstring& text) {
  return platform.AskYesNo(text, L"Veilkeep");
}

}  // namespace vk
