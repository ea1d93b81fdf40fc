// Start-up benchmark: starts a program and its floor alternately, each time
// timing process start -> top-level window shown and input idle -> process
// ended, and prints the medians and the median of the ratios.
//
//   startup.exe PROGRAM.exe FLOOR.exe [RUNS]
#include <windows.h>

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

// One run; returns seconds, or a negative value on failure.
double TimeOnce(const std::wstring& exe) {
  std::wstring command = L"\"" + exe + L"\"";
  std::wstring folder = exe.substr(0, exe.find_last_of(L"\\/"));
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &process)) {
    return -1;
  }
  Found found = {process.dwProcessId, false};
  for (int i = 0; i < 20000 && !found.visible; ++i) {
    WaitForInputIdle(process.hProcess, 10);
    EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&found));
    if (!found.visible) Sleep(0);
  }
  WaitForInputIdle(process.hProcess, 10000);
  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, INFINITE);
  QueryPerformanceCounter(&end);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return found.visible ? Seconds(start, end) : -1;
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
  std::vector<double> program, floor, ratios;
  for (int i = 0; i < runs; ++i) {
    double p = TimeOnce(argv[1]);
    double f = TimeOnce(argv[2]);
    if (p < 0 || f < 0) {
      std::fprintf(stderr, "run %d failed\n", i);
      return 1;
    }
    program.push_back(p);
    floor.push_back(f);
    ratios.push_back(p / f);
  }
  std::printf("runs %d  program median %.1f ms  floor median %.1f ms  median ratio %.2f\n", runs,
              Median(program) * 1000, Median(floor) * 1000, Median(ratios));
  return 0;
}
