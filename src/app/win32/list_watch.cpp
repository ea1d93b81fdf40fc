#include "app/win32/list_watch.h"

#include <algorithm>

#include "platform/win32/system_calls.h"

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

bool ListWatch::Start(const std::vector<std::wstring>& files) {
  for (const std::wstring& file : files) {
    const std::wstring folder = FolderOf(file);
    if (std::find(folders_.begin(), folders_.end(), folder) != folders_.end()) continue;
    // A new name (a replace), a new size or a new write time.
    HANDLE handle = FindFirstChangeNotificationW(
        SystemPath(folder).c_str(), FALSE,
        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE);
    if (handle == INVALID_HANDLE_VALUE) continue;
    handles_.push_back(handle);
    folders_.push_back(folder);
  }
  return !handles_.empty();
}

void ListWatch::Rearm(DWORD index) {
  if (index < handles_.size()) FindNextChangeNotification(handles_[index]);
}

}  // namespace vk
