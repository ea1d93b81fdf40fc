// Hide All benchmark: times `Veilkeep.exe /hide-all` (no window; data.bin
// beside it lists the folders) against the floor that only reads the same
// list and sets the same attributes on the same folders, from process start
// to process end, in turns; the one that goes first changes round by round.
// A run that fails (exit code not 0) is a failure. Prints each program's
// median and the median of the run-by-run ratios.
//
//   hide_all.exe RUNS Veilkeep.exe veilkeep_floor_hide_all.exe
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

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
  if (argc != 4) {
    std::fprintf(stderr, "usage: hide_all RUNS Veilkeep.exe veilkeep_floor_hide_all.exe\n");
    return 2;
  }
  const int runs = _wtoi(argv[1]);
  const std::wstring veilkeep = argv[2], floor = argv[3];
  const std::wstring list_file = veilkeep.substr(0, veilkeep.find_last_of(L'\\')) + L"\\data.bin";
  const std::wstring commands[] = {L"\"" + veilkeep + L"\" /hide-all",
                                   L"\"" + floor + L"\" \"" + list_file + L"\""};
  std::vector<double> seconds[2], ratios;
  TimeOnce(commands[1]);  // warm-up: the file system's caches, the Wine server
  for (int i = 0; i < runs; ++i) {
    double round[2] = {};
    for (int k = 0; k < 2; ++k) {
      const int which = (k + i) % 2;
      round[which] = TimeOnce(commands[which]);
      if (round[which] < 0) {
        std::printf("run %d failed: %ls\n", i, commands[which].c_str());
        return 1;
      }
    }
    seconds[0].push_back(round[0]);
    seconds[1].push_back(round[1]);
    ratios.push_back(round[0] / round[1]);
  }
  std::printf("runs %d  /hide-all median %.1f ms\n", runs, Median(seconds[0]) * 1000);
  std::printf("  against the floor median %.1f ms  median ratio %.2f\n", Median(seconds[1]) * 1000,
              Median(ratios));
  return 0;
}
