#include "platform/win32/win32_platform.h"

#include <vector>

#include "platform/long_path.h"
#include "platform/path_root.h"
#include "platform/win32/system_calls.h"

namespace vk {

Status LastError() { return Status::Fail(SystemErrorText(GetLastError())); }

Status LastFileError() {
  const DWORD error = GetLastError();
  Status status = Status::Fail(SystemErrorText(error));
  status.busy = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                error == ERROR_ACCESS_DENIED;
  return status;
}

std::wstring SystemPath(const std::wstring& path) {
  if (path.size() < kLongPathFrom) return path;
  DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size, L'\0');
  size = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (size == 0 || size >= full.size()) return path;
  full.resize(size);
  return ExtendedLengthPath(full);
}

std::wstring FinalPathOf(HANDLE file, const std::wstring& fallback) {
  std::wstring final_path(MAX_PATH, L'\0');
  DWORD length = GetFinalPathNameByHandleW(file, final_path.data(),
                                           static_cast<DWORD>(final_path.size()), 0);
  if (length >= final_path.size()) {  // too long for it: `length` is the room it needs
    final_path.assign(length, L'\0');
    length = GetFinalPathNameByHandleW(file, final_path.data(), length, 0);
  }
  if (length == 0 || length >= final_path.size()) return fallback;
  final_path.resize(length);
  return OrdinaryPath(final_path);
}

namespace {

constexpr wchar_t kInstanceMutexName[] = L"Local\\Orvanta.Veilkeep.SingleInstance";

// A folder's attributes asked on a thread of its own: what it shares with
// its caller, who may stop waiting first. The last of the two frees it.
struct AttributeLook {
  std::wstring path;
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  LONG owners = 2;
};

DWORD WINAPI LookAt(void* param) {
  auto* look = static_cast<AttributeLook*>(param);
  look->attributes = GetFileAttributesW(look->path.c_str());
  if (InterlockedDecrement(&look->owners) == 0) delete look;
  return 0;
}

// The path of the file `path` names, through any symbolic link, in its plain
// form (C:\... or \\server\share\...); `path` itself when it cannot be told.
std::wstring FinalPath(const std::wstring& path) {
  FileHandle file(CreateFileW(SystemPath(path).c_str(), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr));
  return file ? FinalPathOf(file.get(), path) : path;
}

}  // namespace

std::wstring SystemErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  DWORD size = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text;
  if (size > 0 && buffer) text.assign(buffer, size);
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
    text.pop_back();
  }
  if (text.empty()) text = L"Windows error " + Decimal(code) + L".";
  return text;
}

std::wstring ModulePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::wstring();
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

uint32_t Win32Platform::GetAttributes(const std::wstring& path) {
  return GetFileAttributesW(SystemPath(path).c_str());
}

Status Win32Platform::SetAttributes(const std::wstring& path, uint32_t attributes) {
  return SetFileAttributesW(SystemPath(path).c_str(), attributes) ? Status::Ok() : LastError();
}

bool Win32Platform::FolderExists(const std::wstring& path) {
  if (path.empty()) return false;
  DWORD attributes = GetFileAttributesW(SystemPath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

unsigned Win32Platform::DriveType(const std::wstring& path) {
  const unsigned type = GetDriveTypeW(path.c_str());
  if (type != DRIVE_NO_ROOT_DIR || path.size() != 3 || PathRoot(path) != path) return type;
  // A network letter kept for the user (reconnected at sign-in) that is not
  // connected now has no device: its key under Network says what it is.
  HKEY kept = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, (L"Network\\" + path.substr(0, 1)).c_str(), 0, KEY_READ,
                    &kept) != ERROR_SUCCESS) {
    return type;
  }
  RegCloseKey(kept);
  return kDriveRemote;
}

std::wstring Win32Platform::SystemRoot() {
  wchar_t windows[MAX_PATH] = {};
  const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? std::wstring() : PathRoot(windows);
}

bool Win32Platform::AttributesAtOnce(const std::wstring& path, uint32_t* attributes) {
  const std::wstring root = PathRoot(path);
  if (root.size() == 3 && DriveType(root) != kDriveRemote) {
    *attributes = GetAttributes(path);
    return true;
  }
  // A share, or a network letter: asked on a thread of its own, which may
  // wait out the network's timeout after this caller has gone on.
  auto* look = new AttributeLook{SystemPath(path)};
  KernelHandle thread(CreateThread(nullptr, 0, LookAt, look, 0, nullptr));
  if (!thread) {
    delete look;
    return false;
  }
  const bool answered = WaitForSingleObject(thread.get(), kAtOnceMs) == WAIT_OBJECT_0;
  if (answered) *attributes = look->attributes;
  if (InterlockedDecrement(&look->owners) == 0) delete look;
  return answered;
}

Status Win32Platform::ReachRoot(const std::wstring& root) {
  // An empty card reader or drive answers "not ready" here instead of the
  // system asking the user to insert a disk.
  DWORD mode = 0;
  SetThreadErrorMode(SEM_FAILCRITICALERRORS, &mode);
  const DWORD attributes = GetFileAttributesW(root.c_str());
  const DWORD error = GetLastError();
  SetThreadErrorMode(mode, nullptr);
  return attributes != INVALID_FILE_ATTRIBUTES ? Status::Ok()
                                               : Status::Fail(SystemErrorText(error));
}


void Win32Platform::ShowError(const std::wstring& text, const std::wstring& title) {
  if (!windowless_) {
    MessageBoxW(owner_, text.c_str(), title.c_str(), MB_OK | MB_ICONERROR);
    return;
  }
  // Nobody may be there to close a box: the text goes to the console of the
  // program that started this one, when it has one.
  if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) return;
  FileHandle console(CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
  const std::wstring line = L"Veilkeep: " + title + L": " + text + L"\r\n";
  DWORD written = 0;
  if (console) {
    WriteConsoleW(console.get(), line.c_str(), static_cast<DWORD>(line.size()), &written, nullptr);
  }
}

bool Win32Platform::AskYesNo(const std::wstring& text, const std::wstring& title) {
  if (windowless_) return false;  // the program asks only with its window up
  return MessageBoxW(owner_, text.c_str(), title.c_str(),
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

bool Win32Platform::AnotherInstanceRunning() {
  if (instance_mutex_) return false;
  KernelHandle mutex(CreateMutexW(nullptr, FALSE, kInstanceMutexName));
  const bool exists = GetLastError() == ERROR_ALREADY_EXISTS;
  if (!mutex || exists) return exists;
  instance_mutex_ = std::move(mutex);
  return false;
}

std::wstring Win32Platform::ProgramFolder() {
  // The folder the exe really is in, also when it was started through a
  // symbolic link (as package managers make them): ico and data.bin are there.
  std::wstring path = FinalPath(ModulePath());
  size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return std::wstring();
  path.resize(slash);
  if (path.size() == 2 && path[1] == L':') path += L'\\';
  return path;
}

namespace {

// The current user's verbs on every folder; nothing is written elsewhere.
std::wstring FolderVerbKey(const std::wstring& key) {
  return L"Software\\Classes\\Directory\\shell\\" + key;
}

Status RegistryStatus(LSTATUS code) {
  return code == ERROR_SUCCESS ? Status::Ok() : Status::Fail(SystemErrorText(code));
}

LSTATUS SetText(HKEY key, const wchar_t* name, const std::wstring& text) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

Status Win32Platform::SetFolderVerb(const FolderVerb& verb) {
  HKEY key = nullptr, command = nullptr;
  LSTATUS code = RegCreateKeyExW(HKEY_CURRENT_USER, FolderVerbKey(verb.key).c_str(), 0, nullptr, 0,
                                 KEY_WRITE, nullptr, &key, nullptr);
  if (code == ERROR_SUCCESS) code = SetText(key, nullptr, verb.text);
  if (code == ERROR_SUCCESS) code = SetText(key, L"Icon", verb.icon);
  // One process per folder, also for more than the 15 folders the shell
  // otherwise offers a command-line verb to.
  if (code == ERROR_SUCCESS) code = SetText(key, L"MultiSelectModel", L"Player");
  if (code == ERROR_SUCCESS) {
    code = RegCreateKeyExW(key, L"command", 0, nullptr, 0, KEY_WRITE, nullptr, &command, nullptr);
  }
  if (code == ERROR_SUCCESS) code = SetText(command, nullptr, verb.command);
  if (command) RegCloseKey(command);
  if (key) RegCloseKey(key);
  return RegistryStatus(code);
}

Status Win32Platform::RemoveFolderVerb(const std::wstring& key) {
  const LSTATUS code = RegDeleteTreeW(HKEY_CURRENT_USER, FolderVerbKey(key).c_str());
  return RegistryStatus(code == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : code);
}

std::wstring Win32Platform::FolderVerbCommand(const std::wstring& key) {
  const std::wstring command_key = FolderVerbKey(key) + L"\\command";
  DWORD size = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, command_key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, nullptr,
                   &size) != ERROR_SUCCESS ||
      size < sizeof(wchar_t)) {
    return std::wstring();
  }
  std::wstring command(size / sizeof(wchar_t), L'\0');
  if (RegGetValueW(HKEY_CURRENT_USER, command_key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr,
                   command.data(), &size) != ERROR_SUCCESS) {
    return std::wstring();
  }
  command.resize(wcsnlen(command.c_str(), command.size()));
  return command;
}

VersionNumbers Win32Platform::Version() {
  VersionNumbers version;
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
  HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return version;
  // The resource starts with its key "VS_VERSION_INFO"; the fixed part follows, 32-bit aligned.
  const auto* bytes = static_cast<const BYTE*>(data);
  DWORD size = SizeofResource(nullptr, found);
  for (DWORD offset = 0; offset + sizeof(VS_FIXEDFILEINFO) <= size; offset += 4) {
    const auto* info = reinterpret_cast<const VS_FIXEDFILEINFO*>(bytes + offset);
    if (info->dwSignature == 0xFEEF04BD) {
      version.major = HIWORD(info->dwFileVersionMS);
      version.minor = LOWORD(info->dwFileVersionMS);
      break;
    }
  }
  return version;
}

bool Win32Platform::StartsWithIgnoringCase(std::wstring_view text, std::wstring_view prefix) {
  if (prefix.size() > text.size()) return false;
  if (prefix.empty()) return true;
  return CompareStringOrdinal(text.data(), static_cast<int>(prefix.size()), prefix.data(),
                              static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

void Win32Platform::Wait(unsigned milliseconds) { Sleep(milliseconds); }

bool Win32Platform::ToAnsi(const std::wstring& text, std::string* bytes) {
  bytes->clear();
  if (text.empty()) return true;
  // Room for the widest code page: three bytes for a UTF-16 unit in UTF-8,
  // at most two elsewhere. One call converts.
  const bool utf8 = GetACP() == CP_UTF8;
  const int length = static_cast<int>(text.size());
  bytes->resize(text.size() * (utf8 ? 3 : 2));
  // A character the code page lacks becomes the default character and sets
  // `lossy`, never a look-alike; in UTF-8 only a lone surrogate fails.
  BOOL lossy = FALSE;
  int size = WideCharToMultiByte(CP_ACP, utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS,
                                 text.data(), length, bytes->data(),
                                 static_cast<int>(bytes->size()), nullptr, utf8 ? nullptr : &lossy);
  if (size <= 0 || lossy) {
    bytes->clear();
    return false;
  }
  bytes->resize(size);
  return true;
}

std::wstring Win32Platform::FromAnsi(std::string_view bytes) {
  if (bytes.empty()) return std::wstring();
  // No ANSI code page makes more characters than bytes: one call fills it.
  const int length = static_cast<int>(bytes.size());
  std::wstring text(bytes.size(), L'\0');
  int size = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, text.data(), length);
  text.resize(size > 0 ? size : 0);
  return text;
}

}  // namespace vk
