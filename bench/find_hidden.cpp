// Search benchmark: times `Veilkeep.exe /find-hidden TREE` (no window; it
// lists what it finds in data.bin beside it, which is removed before each
// run, so that every run saves once) against the floor that only walks the
// same tree the same way, from process start to process end, in turns; the
// one that goes first changes round by round. Before the rounds, some
// folders of the tree are marked hidden and system for the search to find.
// A run of /find-hidden that does not list those is a failure. Prints each
// program's median and the median of the run-by-run ratios.
//
//   find_hidden.exe RUNS Veilkeep.exe veilkeep_floor_walk.exe TREE
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// The folders data.bin lists (each ends with ';'); -1 when there is none.
int Listed(const std::wstring& list_file) {
  FILE* list = _wfopen(list_file.c_str(), L"rb");
  if (!list) return -1;
  int count = 0;
  for (int c; (c = std::fgetc(list)) != EOF;) count += c == ';';
  std::fclose(list);
  return count;
}

// Seconds from the start of `command` to its end; negative when it failed.
double TimeOnce(std::wstring command) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  LARGE_INTEGER start, end, frequency;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return -1;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  QueryPerformanceCounter(&end);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code == 0 ? static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart : -1;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: find_hidden RUNS Veilkeep.exe veilkeep_floor_walk.exe TREE\n");
    return 2;
  }
  const int runs = _wtoi(argv[1]);
  const std::wstring veilkeep = argv[2], floor = argv[3], tree = argv[4];
  const std::wstring list_file = veilkeep.substr(0, veilkeep.find_last_of(L'\\')) + L"\\data.bin";
  // Ten folders to find, at every depth of the tree.
  for (const wchar_t* folder : {L"\\1", L"\\2\\3", L"\\4\\5\\6", L"\\5\\1\\110", L"\\6\\9\\1",
                                L"\\7\\7", L"\\8\\2\\50", L"\\9\\4\\99", L"\\10", L"\\10\\9\\7"}) {
    SetFileAttributesW((tree + folder).c_str(),
                       FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  }
  const std::wstring commands[] = {L"\"" + veilkeep + L"\" /find-hidden \"" + tree + L"\"",
                                   L"\"" + floor + L"\" \"" + tree + L"\""};
  std::vector<double> seconds[2], ratios;
  DeleteFileW(list_file.c_str());
  TimeOnce(commands[1]);  // warm-up: the file system's caches, the Wine server
  for (int i = 0; i < runs; ++i) {
    double round[2] = {};
    for (int k = 0; k < 2; ++k) {
      const int which = (k + i) % 2;
      DeleteFileW(list_file.c_str());
      round[which] = TimeOnce(commands[which]);
      if (round[which] < 0 || (which == 0 && Listed(list_file) != 10)) {
        std::printf("run %d failed: %ls (%d folders listed)\n", i, commands[which].c_str(),
                    Listed(list_file));
        return 1;
      }
    }
    seconds[0].push_back(round[0]);
    seconds[1].push_back(round[1]);
    ratios.push_back(round[0] / round[1]);
  }
  std::printf("runs %d  /find-hidden median %.1f ms (each run found and listed the 10)\n", runs,
              Median(seconds[0]) * 1000);
  std::printf("  against the floor's walk median %.1f ms  median ratio %.2f\n",
              Median(seconds[1]) * 1000, Median(ratios));
  return 0;
}
