#include "app/win32/list_watch.h"

#include <algorithm>

#include "platform/win32/system_calls.h"
#include "platform/win32/window_kit.h"

namespace vk {
namespace {

std::wstring FolderOf(const std::wstring& file) {
  const size_t slash = file.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return L".";
  std::wstring folder = file.substr(0, slash);
  if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
  return folder;
}

// Every name of the file `path`, when it has several and the system lists
// them (names come from the root of its volume: drive-letter paths only).
// False when it has more names than could be found.
bool NamesOf(const std::wstring& path, std::vector<std::wstring>* names) {
  const std::wstring system_path = SystemPath(path);
  FileHandle file(CreateFileW(system_path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr));
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!file || !GetFileInformationByHandle(file.get(), &info) || info.nNumberOfLinks < 2) {
    return true;
  }
  // Looked up when needed: a system without them (Wine) has the list polled.
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const auto first = reinterpret_cast<decltype(&FindFirstFileNameW)>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "FindFirstFileNameW")));
  const auto next = reinterpret_cast<decltype(&FindNextFileNameW)>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "FindNextFileNameW")));
  size_t found = 0;
  std::wstring name(32768, L'\0');
  DWORD length = static_cast<DWORD>(name.size());
  HANDLE find = first && next && path.size() > 2 && path[1] == L':'
                    ? first(system_path.c_str(), 0, &length, name.data())
                    : INVALID_HANDLE_VALUE;
  if (find == INVALID_HANDLE_VALUE) return false;
  do {
    names->push_back(path.substr(0, 2) + name.c_str());
    ++found;
    length = static_cast<DWORD>(name.size());
  } while (next(find, &length, name.data()));
  FindClose(find);
  return found >= info.nNumberOfLinks;
}

}  // namespace

ListWatch::~ListWatch() {
  for (HANDLE handle : handles_) FindCloseChangeNotification(handle);
}

bool ListWatch::Watch(const std::wstring& folder) {
  if (std::find(folders_.begin(), folders_.end(), folder) != folders_.end()) return true;
  HANDLE handle = FindFirstChangeNotificationW(
      SystemPath(folder).c_str(), FALSE,
      FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE |
          FILE_NOTIFY_CHANGE_ATTRIBUTES);
  if (handle == INVALID_HANDLE_VALUE) return false;
  handles_.push_back(handle);
  folders_.push_back(folder);
  return true;
}

bool ListWatch::Start(const std::vector<std::wstring>& files) {
  bool all = true;
  for (const std::wstring& file : files) {
    std::vector<std::wstring> names{file};
    all = NamesOf(file, &names) && all;
    for (const std::wstring& name : names) all = Watch(FolderOf(name)) && all;
  }
  return all;
}

bool ListWatch::Rearm(DWORD index) {
  if (index >= handles_.size()) return true;
  if (FindNextChangeNotification(handles_[index])) return true;
  FindCloseChangeNotification(handles_[index]);
  handles_.erase(handles_.begin() + index);
  folders_.erase(folders_.begin() + index);
  return false;
}

}  // namespace vk
