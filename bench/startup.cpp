// Start-up benchmark: starts a program and its floor alternately, each time
// timing process start -> top-level window shown and input idle -> process
// ended, and prints the medians and the median of the ratios.
//
//   startup.exe PROGRAM.exe FLOOR.exe [RUNS]
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

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: startup PROGRAM.exe FLOOR.exe [RUNS]\n");
    return 2;
  }
  const int runs = argc > 3 ? _wtoi(argv[3]) : 15;
  TimeOnce(argv[1]);  // warm-up: caches, the Wine server, fonts
  TimeOnce(argv[2]);
  std::vector<double> program, floor, ratios, program_peak, floor_peak;
  for (int i = 0; i < runs; ++i) {
    Run p = TimeOnce(argv[1]);
    Run f = TimeOnce(argv[2]);
    if (p.seconds < 0 || f.seconds < 0) {
      std::fprintf(stderr, "run %d failed\n", i);
      return 1;
    }
    program.push_back(p.seconds);
    floor.push_back(f.seconds);
    ratios.push_back(p.seconds / f.seconds);
    program_peak.push_back(p.peak_megabytes);
    floor_peak.push_back(f.peak_megabytes);
  }
  std::printf("runs %d  program median %.1f ms  floor median %.1f ms  median ratio %.2f\n", runs,
              Median(program) * 1000, Median(floor) * 1000, Median(ratios));
  std::printf("peak private memory  program %.1f MiB  floor %.1f MiB  difference %.1f MiB\n",
              Median(program_peak), Median(floor_peak), Median(program_peak) - Median(floor_peak));
  return 0;
}
