// Win32Platform's shell calls: the folder browser, drops, opening a folder
// or a web address, the Start menu's shortcuts.
#include <shlobj.h>

#include <vector>

#include "platform/win32/system_calls.h"
#include "platform/win32/win32_platform.h"

namespace vk {
namespace {

// The shell and COM, loaded on first use: start-up needs neither, and they
// are the largest libraries the program touches.
struct Shell {
  decltype(&SHBrowseForFolderW) browse = nullptr;
  decltype(&SHGetPathFromIDListEx) path_of = nullptr;
  decltype(&ShellExecuteExW) execute = nullptr;
  decltype(&ILCreateFromPathW) item_of = nullptr;
  decltype(&DragQueryFileW) drop_query = nullptr;
  decltype(&DragFinish) drop_finish = nullptr;
  decltype(&CoTaskMemFree) free_memory = nullptr;
  decltype(&CoCreateInstance) create = nullptr;
  decltype(&SHGetKnownFolderPath) known_folder = nullptr;
  decltype(&SHChangeNotify) notify = nullptr;
};

// Null when the shell cannot be loaded.
const Shell* LoadShell() {
  static const Shell* loaded = []() -> const Shell* {
    static Shell shell;
    HMODULE shell32 = LoadLibraryExW(L"shell32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    HMODULE ole32 = LoadLibraryExW(L"ole32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    Bind(shell32, "SHBrowseForFolderW", &shell.browse);
    Bind(shell32, "SHGetPathFromIDListEx", &shell.path_of);
    Bind(shell32, "ShellExecuteExW", &shell.execute);
    Bind(shell32, "ILCreateFromPathW", &shell.item_of);
    Bind(shell32, "DragQueryFileW", &shell.drop_query);
    Bind(shell32, "DragFinish", &shell.drop_finish);
    Bind(ole32, "CoTaskMemFree", &shell.free_memory);
    Bind(ole32, "CoCreateInstance", &shell.create);
    Bind(shell32, "SHGetKnownFolderPath", &shell.known_folder);
    Bind(shell32, "SHChangeNotify", &shell.notify);
    decltype(&CoInitializeEx) initialize = nullptr;
    Bind(ole32, "CoInitializeEx", &initialize);
    if (!shell.browse || !shell.path_of || !shell.execute || !shell.item_of || !shell.drop_query ||
        !shell.drop_finish || !shell.free_memory || !initialize || !shell.create ||
        !shell.known_folder || !shell.notify) {
      return nullptr;
    }
    // The folder browser and shell handlers expect COM on this, the window's thread.
    initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    return &shell;
  }();
  return loaded;
}

Status NoShell() { return Status::Fail(L"The Windows shell (shell32.dll) could not be loaded."); }

// The two IDs the shortcuts need, written here: the library of every ID
// Windows has would bring them all into the exe.
constexpr GUID kShellLink = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kProgramsFolder = {
    0xA77F5D77, 0x2E2B, 0x44C3, {0xA6, 0xA2, 0xAB, 0xA6, 0x01, 0x05, 0x4A, 0x51}};

// The path of the shortcut `name` in the current user's Start menu Programs
// folder (the known folder, wherever the user keeps it); empty when it cannot be told.
std::wstring StartMenuShortcut(const Shell& shell, const std::wstring& name) {
  PWSTR folder = nullptr;
  std::wstring path;
  if (SUCCEEDED(shell.known_folder(kProgramsFolder, 0, nullptr, &folder))) {
    path = std::wstring(folder) + L"\\" + name;
  }
  shell.free_memory(folder);
  return path;
}

// The shell's link object, and its file.
struct Link {
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  ~Link() {
    if (file) file->Release();
    if (link) link->Release();
  }
  HRESULT Make(const Shell& shell) {
    HRESULT made = shell.create(kShellLink, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IShellLinkW),
                                reinterpret_cast<void**>(&link));
    if (SUCCEEDED(made))
      made = link->QueryInterface(__uuidof(IPersistFile), reinterpret_cast<void**>(&file));
    return made;
  }
};

Status Failed(HRESULT result) { return Status::Fail(SystemErrorText(static_cast<DWORD>(result))); }

}  // namespace

BrowseResult Win32Platform::BrowseForFolder(const std::wstring& prompt) {
  BrowseResult result;
  const Shell* shell = LoadShell();
  if (!shell) {
    result.outcome = BrowseOutcome::NoPath;
    return result;
  }
  BROWSEINFOW info = {};
  info.hwndOwner = owner_;
  info.lpszTitle = prompt.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
  PIDLIST_ABSOLUTE item = shell->browse(&info);
  if (!item) return result;

  // Long enough for any path the file system allows, not just MAX_PATH.
  std::vector<wchar_t> buffer(32768, L'\0');
  if (shell->path_of(item, buffer.data(), static_cast<DWORD>(buffer.size()), GPFIDL_DEFAULT) &&
      buffer[0] != L'\0') {
    result.outcome = BrowseOutcome::Chosen;
    result.path = buffer.data();
  } else {
    result.outcome = BrowseOutcome::NoPath;
  }
  shell->free_memory(item);
  return result;
}

std::vector<std::wstring> Win32Platform::TakeDroppedFiles(HDROP drop) {
  std::vector<std::wstring> paths;
  const Shell* shell = LoadShell();
  if (!shell) {
    // The names cannot be read without the shell, but the drop is given back
    // all the same: it is one block of global memory, which is what
    // DragFinish frees.
    GlobalFree(drop);
    return paths;
  }
  const UINT count = shell->drop_query(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::wstring path(shell->drop_query(drop, i, nullptr, 0), L'\0');
    path.resize(shell->drop_query(drop, i, path.data(), static_cast<UINT>(path.size() + 1)));
    if (!path.empty()) paths.push_back(std::move(path));
  }
  shell->drop_finish(drop);
  return paths;
}

Status Win32Platform::OpenFolder(const std::wstring& path) {
  const Shell* shell = LoadShell();
  if (!shell) return NoShell();
  // The folder is handed to the shell as an item, not as text, so that its
  // name is never parsed as a command line.
  if (path.find(L'%') == std::wstring::npos) {
    PIDLIST_ABSOLUTE item = shell->item_of(path.c_str());
    if (!item && path.size() >= MAX_PATH) {
      // Older shells make no item of a path this long, and no file manager
      // given it as text would show this folder.
      return Status::Fail(L"The file manager cannot open a folder whose path is longer than " +
                          Decimal(MAX_PATH) + L" characters.");
    }
    if (!item) return Status::Fail(SystemErrorText(ERROR_PATH_NOT_FOUND));
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_IDLIST | SEE_MASK_FLAG_NO_UI;
    info.hwnd = owner_;
    info.lpVerb = L"open";
    info.lpIDList = item;
    info.nShow = SW_SHOWNORMAL;
    Status opened = shell->execute(&info) ? Status::Ok() : LastError();
    shell->free_memory(item);
    return opened;
  }
  // Some shells read "%NAME%" in what they are given as a variable, even in
  // an item, and would open another folder. Such a name goes straight to the
  // file manager as its one argument, quoted (a name cannot hold a quote).
  std::wstring folder = path;
  // A closing quote after a backslash would be read as a quote: double it.
  if (!folder.empty() && folder.back() == L'\\') folder += L'\\';
  // The system's Windows folder: on a Remote Desktop server the plain Windows
  // folder of an application may be the user's own, writable copy.
  wchar_t windows[MAX_PATH] = {};
  UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return LastError();
  const std::wstring explorer = std::wstring(windows) + L"\\explorer.exe";
  std::wstring command = L"\"" + explorer + L"\" \"" + folder + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(explorer.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    return LastError();
  }
  KernelHandle thread(process.hThread), child(process.hProcess);  // not waited for
  return Status::Ok();
}

Status Win32Platform::SaveStartMenuShortcut(const std::wstring& name, const Shortcut& shortcut) {
  const Shell* shell = LoadShell();
  if (!shell) return NoShell();
  const std::wstring path = StartMenuShortcut(*shell, name);
  if (path.empty()) return Status::Fail(L"The Start menu's folder could not be found.");
  Link link;
  HRESULT result = link.Make(*shell);
  if (SUCCEEDED(result)) result = link.link->SetPath(shortcut.target.c_str());
  if (SUCCEEDED(result)) result = link.link->SetArguments(shortcut.arguments.c_str());
  if (SUCCEEDED(result)) result = link.link->SetWorkingDirectory(shortcut.folder.c_str());
  if (SUCCEEDED(result)) result = link.link->SetIconLocation(shortcut.target.c_str(), 0);
  // The key's modifiers are the shell's own: HOTKEYF_SHIFT, _CONTROL and _ALT in the high byte.
  if (SUCCEEDED(result)) result = link.link->SetHotkey(shortcut.key);
  if (SUCCEEDED(result)) {
    result = link.link->SetShowCmd(shortcut.minimized ? SW_SHOWMINNOACTIVE : SW_SHOWNORMAL);
  }
  if (SUCCEEDED(result)) result = link.file->Save(path.c_str(), TRUE);
  if (FAILED(result)) return Failed(result);
  // The shell takes the key of a shortcut it is told of at once.
  shell->notify(SHCNE_CREATE, SHCNF_PATHW, path.c_str(), nullptr);
  return Status::Ok();
}

bool Win32Platform::ReadStartMenuShortcut(const std::wstring& name, Shortcut* shortcut) {
  const Shell* shell = LoadShell();
  const std::wstring path = shell ? StartMenuShortcut(*shell, name) : std::wstring();
  Link link;
  if (path.empty() || FAILED(link.Make(*shell)) ||
      FAILED(link.file->Load(path.c_str(), STGM_READ))) {
    return false;
  }
  std::vector<wchar_t> text(32768, L'\0');
  const int room = static_cast<int>(text.size());
  WORD key = 0;
  int show = SW_SHOWNORMAL;
  if (FAILED(link.link->GetPath(text.data(), room, nullptr, SLGP_RAWPATH))) return false;
  shortcut->target = text.data();
  if (FAILED(link.link->GetArguments(text.data(), room))) return false;
  shortcut->arguments = text.data();
  if (FAILED(link.link->GetWorkingDirectory(text.data(), room))) return false;
  shortcut->folder = text.data();
  if (FAILED(link.link->GetHotkey(&key)) || FAILED(link.link->GetShowCmd(&show))) return false;
  shortcut->key = key;
  shortcut->minimized = show == SW_SHOWMINNOACTIVE || show == SW_SHOWMINIMIZED;
  return true;
}

Status Win32Platform::RemoveStartMenuShortcut(const std::wstring& name) {
  const Shell* shell = LoadShell();
  if (!shell) return NoShell();
  const std::wstring path = StartMenuShortcut(*shell, name);
  if (path.empty()) return Status::Fail(L"The Start menu's folder could not be found.");
  if (!DeleteFileW(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) return LastError();
  shell->notify(SHCNE_DELETE, SHCNF_PATHW, path.c_str(), nullptr);
  return Status::Ok();
}

void Win32Platform::OpenWebAddress(const std::wstring& address) {
  const Shell* shell = LoadShell();
  if (!shell) return;
  SHELLEXECUTEINFOW info = {};  // the default verb, no parameters, no folder
  info.cbSize = sizeof(info);
  info.hwnd = owner_;
  info.lpFile = address.c_str();
  info.nShow = SW_SHOWNORMAL;
  shell->execute(&info);
}

}  // namespace vk
