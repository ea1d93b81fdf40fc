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
