// The floor of the Hide All benchmark: the least `/hide-all` does. It reads
// the list file given on its command line (each folder ending with ';', in
// the ANSI code page) and sets read-only, hidden and system on each folder,
// and nothing else. Its exit code is 0 when every folder took them.
//
//   veilkeep_floor_hide_all.exe DATA.BIN
#include <windows.h>
#include <shellapi.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!arguments || count != 2) return 2;
  HANDLE file = CreateFileW(arguments[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  LocalFree(arguments);
  if (file == INVALID_HANDLE_VALUE) return 1;
  std::string bytes(GetFileSize(file, nullptr), '\0');
  DWORD got = 0;
  const bool read = ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(file);
  if (!read) return 1;
  bool all = true;
  for (size_t at = 0, end; (end = bytes.find(';', at)) != std::string::npos; at = end + 1) {
    const std::string folder = bytes.substr(at, end - at);
    all = SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                 FILE_ATTRIBUTE_SYSTEM) &&
          all;
  }
  return all ? 0 : 1;
}
