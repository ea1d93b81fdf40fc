// The floor of the search benchmark: the least a search of a folder tree
// does. It walks the tree given on its command line the way Veilkeep's search
// walks it (FindFirstFileExW with the basic listing in large batches, folders
// only, a stack of its own, reparse points not gone through) and does
// nothing with what it sees. Its exit code is 0 when the tree could be listed.
//
//   veilkeep_floor_walk.exe FOLDER
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!arguments || count != 2) return 2;
  std::vector<std::wstring> pending = {arguments[1]};
  LocalFree(arguments);
  bool listed = true;
  while (!pending.empty()) {
    const std::wstring folder = std::move(pending.back());
    pending.pop_back();
    WIN32_FIND_DATAW data;
    HANDLE find =
        FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data,
                         FindExSearchLimitToDirectories, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
      listed = false;
      continue;
    }
    do {
      const wchar_t* name = data.cFileName;
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
          !(name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0')))) {
        pending.push_back(folder + L'\\' + name);
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  return listed ? 0 : 1;
}
