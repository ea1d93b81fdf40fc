// Win32Platform's listing of a folder's subfolders, for the search.
#include "platform/win32/system_calls.h"
#include "platform/win32/win32_platform.h"

namespace vk {

Status Win32Platform::ListFolder(const std::wstring& folder,
                                 const std::function<void(const FolderItem&)>& each) {
  std::wstring pattern = folder;
  if (pattern.empty() || pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  // A drive that goes away answers with an error, not with the system asking for its disk.
  DWORD mode = 0;
  SetThreadErrorMode(SEM_FAILCRITICALERRORS, &mode);
  // The basic listing (no short names) in large batches; only folders are
  // asked for, where the file system can tell.
  WIN32_FIND_DATAW data;
  HANDLE find =
      FindFirstFileExW(SystemPath(pattern).c_str(), FindExInfoBasic, &data,
                       FindExSearchLimitToDirectories, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  DWORD error = find == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const DWORD attributes = data.dwFileAttributes;
      const wchar_t* name = data.cFileName;
      if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
          (name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0')))) {
        continue;
      }
      // The reserved word holds the reparse tag of a reparse point.
      each({name, attributes, (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? data.dwReserved0 : 0});
    } while (FindNextFileW(find, &data));
    error = GetLastError();
    FindClose(find);
  }
  SetThreadErrorMode(mode, nullptr);
  if (error == ERROR_NO_MORE_FILES) return Status::Ok();
  // An empty drive root lists nothing at all, not even ".".
  if (error == ERROR_FILE_NOT_FOUND && FolderExists(folder)) return Status::Ok();
  return Status::Fail(SystemErrorText(error));
}

}  // namespace vk
