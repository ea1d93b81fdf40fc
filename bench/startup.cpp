// Start-up benchmark: starts a program and each of its floors in turn, each
// time timing process start -> top-level window shown and input idle ->
// process ended, and prints the medians and, against each floor, the median
// of the run-by-run ratios. Every round runs each program once; the one that
// goes first moves round by round, so no program always follows the same one.
//
//   startup.exe RUNS PROGRAM.exe FLOOR.exe [FLOOR.exe...]
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Found {
  DWORD pid;
  bool visible;
};

BOOL CALLBACK FindVisible(HWND hwnd, LPARAM param) {
  auto* found = reinterpret_cast<Found*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == found->pid && IsWindowVisible(hwnd) && !GetWindow(hwnd, GW_OWNER)) {
    found->visible = true;
    return FALSE;
  }
  return TRUE;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Run {
  double seconds = -1;        // negative: the run failed
  double peak_megabytes = 0;  // peak private memory while shown and idle
};

// One run.
Run TimeOnce(const std::wstring& exe) {
  std::wstring command = L"\"" + exe + L"\"";
  std::wstring folder = exe.substr(0, exe.find_last_of(L"\\/"));
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &process)) {
    return {};
  }
  Found found = {process.dwProcessId, false};
  for (int i = 0; i < 20000 && !found.visible; ++i) {
    WaitForInputIdle(process.hProcess, 10);
    EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&found));
    if (!found.visible) Sleep(0);
  }
  WaitForInputIdle(process.hProcess, 10000);
  LARGE_INTEGER idle, ending;
  QueryPerformanceCounter(&idle);
  // Reading the memory figures is not the program's time: the clock stops around it.
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof(memory);
  GetProcessMemoryInfo(process.hProcess, &memory, sizeof(memory));
  QueryPerformanceCounter(&ending);
  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, INFINITE);
  QueryPerformanceCounter(&end);
  end.QuadPart -= ending.QuadPart - idle.QuadPart;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  Run run;
  if (found.visible) run.seconds = Seconds(start, end);
  run.peak_megabytes = static_cast<double>(memory.PeakPagefileUsage) / (1024.0 * 1024.0);
  return run;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::wstring FileName(const std::wstring& path) {
  return path.substr(path.find_last_of(L"\\/") + 1);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: startup RUNS PROGRAM.exe FLOOR.exe [FLOOR.exe...]\n");
    return 2;
  }
  const int runs = _wtoi(argv[1]);
  // programs[0] is the program, the others its floors.
  const std::vector<std::wstring> programs(argv + 2, argv + argc);
  const size_t count = programs.size();
  for (const auto& exe : programs) TimeOnce(exe);  // warm-up: caches, the Wine server, fonts
  std::vector<std::vector<double>> seconds(count), peaks(count), ratios(count);
  for (int i = 0; i < runs; ++i) {
    std::vector<Run> round(count);
    for (size_t k = 0; k < count; ++k) {
      const size_t which = (k + static_cast<size_t>(i)) % count;
      // Under Wine a start now and then shows no window; it is tried again,
      // and counted. On standard output: run.sh keeps Wine's own messages on
      // standard error out of sight.
      for (int attempt = 0; attempt < 3 && round[which].seconds < 0; ++attempt) {
        if (attempt > 0) {
          std::printf("run %d of %ls showed no window: started again\n", i,
                      programs[which].c_str());
        }
        round[which] = TimeOnce(programs[which]);
      }
      if (round[which].seconds < 0) {
        std::printf("run %d of %ls failed: no window shown\n", i, programs[which].c_str());
        return 1;
      }
    }
    for (size_t k = 0; k < count; ++k) {
      seconds[k].push_back(round[k].seconds);
      peaks[k].push_back(round[k].peak_megabytes);
      ratios[k].push_back(round[0].seconds / round[k].seconds);
    }
  }
  std::printf("runs %d  program %ls median %.1f ms  peak private memory %.1f MiB\n", runs,
              FileName(programs[0]).c_str(), Median(seconds[0]) * 1000, Median(peaks[0]));
  for (size_t k = 1; k < count; ++k) {
    std::printf(
        "  against %ls median %.1f ms  median ratio %.2f  peak private memory %.1f MiB "
        "(difference %.1f MiB)\n",
        FileName(programs[k]).c_str(), Median(seconds[k]) * 1000, Median(ratios[k]),
        Median(peaks[k]), Median(peaks[0]) - Median(peaks[k]));
  }
  return 0;
}
