// Starts with a command line, as a shortcut, a script or the folder menu
// starts the program: without a window, handed to the running one, their
// exit codes, and the folder-menu verbs in the user's registry.
#include <algorithm>

#include "harness.h"

namespace e2e {
namespace {

PROCESS_INFORMATION StartLine(std::wstring line) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  Require(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, g_root.c_str(),
                         &startup, &process),
          L"start " + line, ErrorText(GetLastError()));
  return process;
}

// Waits for every start to end: their exit codes in order; *shown when any showed a window.
std::wstring ExitCodes(const std::vector<PROCESS_INFORMATION>& started, bool* shown) {
  WaitUntil(
      [&] {
        bool ended = true;
        for (const auto& p : started) {
          *shown = *shown || HasVisibleWindow(p.dwProcessId);
          ended = ended && (!p.hProcess || WaitForSingleObject(p.hProcess, 0) == WAIT_OBJECT_0);
        }
        return ended;
      },
      3 * kWaitMs);
  std::wstring codes;
  for (const auto& p : started) {
    DWORD code = STILL_ACTIVE;
    if (p.hProcess && GetExitCodeProcess(p.hProcess, &code) && code == STILL_ACTIVE) {
      TerminateProcess(p.hProcess, code);
    }
    codes += (codes.empty() ? L"" : L" ") + std::to_wstring(code);
    if (p.hProcess) CloseHandle(p.hProcess), CloseHandle(p.hThread);
  }
  return codes;
}

std::wstring RunAll(const std::vector<std::wstring>& lines, bool* shown) {
  std::vector<PROCESS_INFORMATION> started;
  for (const std::wstring& line : lines) started.push_back(StartLine(line));
  return ExitCodes(started, shown);
}

std::wstring Registered(const std::wstring& verb) {
  const std::wstring key = L"Software\\Classes\\Directory\\shell\\Veilkeep." + verb + L"\\command";
  wchar_t command[1024] = {};
  DWORD size = sizeof(command);
  RegGetValueW(HKEY_CURRENT_USER, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, command, &size);
  return command;
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> items) {
  std::sort(items.begin(), items.end());
  return items;
}

}  // namespace

void CommandLine() {
  const Scenario s = OpenScenario(L"command line", L"command line", {});
  const std::wstring exe = L"\"" + s.folder + L"\\Veilkeep.exe\"";
  std::vector<std::wstring> listed = {MakeFolder(L"Evening")}, hides, unhides;
  for (int i = 0; i < 20; ++i) {
    listed.push_back(MakeFolder(L"At Once " + std::to_wstring(i)));
    hides.push_back(exe + L" /HIDE \"" + listed.back() + L"\\\"");
    unhides.push_back(exe + L" /unhide \"" + listed.back() + L"\"");
  }
  const std::wstring zeros = Joined(std::vector<std::wstring>(20, L"0"), L" ");
  bool shown = false;
  CheckText(L"/hide, no window running: exit code", L"0",
            RunAll({exe + L" /hide \"" + listed[0] + L"\""}, &shown));
  CheckFileBytes(L"data.bin lists the folder", s.list_file, Ansi(listed[0] + L";"));
  CheckText(L"twenty /hide at once, no window running: exit codes", zeros, RunAll(hides, &shown));
  Check(L"a start with a command line shows no window", !shown, L"a window");
  for (const std::wstring& folder : listed) CheckHidden(folder, true);

  CheckText(L"/folder-menu on: exit code", L"0", RunAll({exe + L" /Folder-Menu on"}, &shown));
  CheckText(L"Hide with Veilkeep runs", exe + L" /hide \"%1\"", Registered(L"Hide"));
  CheckText(L"Unhide with Veilkeep runs", exe + L" /unhide \"%1\"", Registered(L"Unhide"));

  App app;
  if (!Start(s.folder, &app)) return Close(&app);
  CheckText(L"listed, in any order", Joined(Sorted(listed)), Joined(Sorted(ListItems(app))));
  // The folder menu's Unhide, as the file manager runs it.
  std::wstring unhide = Registered(L"Unhide");
  unhide.replace(unhide.find(L"%1"), 2, listed[0]);
  CheckText(L"Unhide handed to the window: exit code", L"0", RunAll({unhide}, &shown));
  CheckHidden(listed[0], false);
  const std::vector<std::wstring> items = ListItems(app);
  CheckNumber(L"the window selects the folder",
              std::find(items.begin(), items.end(), listed[0]) - items.begin(), ListSelection(app));
  CheckState(app, L"after the handed-over Unhide", L"Add Delete Open Hide", L"Hidden: False");
  CheckText(L"twenty /unhide at once into the window: exit codes", zeros, RunAll(unhides, &shown));
  Check(L"no second window", !shown, L"a window");
  for (const std::wstring& folder : listed) CheckHidden(folder, false);
  CheckText(L"still listed", Joined(Sorted(listed)), Joined(Sorted(ListItems(app))));
  if (!g_locked.empty()) {
    // A folder whose attributes may not be changed: the window says so; the start ends with 1.
    const PROCESS_INFORMATION locked = StartLine(exe + L" /hide \"" + g_locked + L"\"");
    ExpectMessageWith(app, {g_locked, L"could not be hidden"});
    CheckText(L"a folder that cannot be hidden: exit code", L"1", ExitCodes({locked}, &shown));
  }
  CheckText(L"/folder-menu off: exit code", L"0", RunAll({exe + L" /folder-menu OFF"}, &shown));
  CheckText(L"no verbs left", L"", Registered(L"Hide") + Registered(L"Unhide"));
  Close(&app);
}

}  // namespace e2e
