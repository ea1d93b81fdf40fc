// Starts with a command line, as a shortcut, a script or the folder menu
// starts the program: without a window, handed to the running one, their
// exit codes, and the folder-menu verbs in the user's registry.
#include <functional>

#include "harness.h"

namespace e2e {
namespace {

// Starts every command line at once, does `meanwhile`, waits for them to
// end: their exit codes, each followed by a space; *shown when any showed a window.
std::wstring Run(std::vector<std::wstring> lines, bool* shown,
                 const std::function<void()>& meanwhile = nullptr) {
  std::vector<PROCESS_INFORMATION> started(lines.size());
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  for (size_t i = 0; i < lines.size(); ++i) {
    CreateProcessW(nullptr, lines[i].data(), nullptr, nullptr, FALSE, 0, nullptr, g_root.c_str(),
                   &startup, &started[i]);
  }
  if (meanwhile) meanwhile();
  std::wstring codes;
  for (const auto& p : started) {
    for (int tries = 0; tries < 500 && WaitForSingleObject(p.hProcess, 20) == WAIT_TIMEOUT; ++tries)
      *shown = *shown || HasVisibleWindow(p.dwProcessId);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(p.hProcess, &code);
    codes += std::to_wstring(code) + L" ";
  }
  return codes;
}

std::wstring Registered(const std::wstring& verb) {
  wchar_t command[1024] = {};
  DWORD size = sizeof(command);
  RegGetValueW(HKEY_CURRENT_USER,
               (L"Software\\Classes\\Directory\\shell\\Veilkeep." + verb + L"\\command").c_str(),
               nullptr, RRF_RT_REG_SZ, nullptr, command, &size);
  return command;
}

}  // namespace

void CommandLine() {
  const Scenario s = OpenScenario(L"command line", L"command line", {});
  const std::wstring exe = L"\"" + s.folder + L"\\Veilkeep.exe\"";
  std::vector<std::wstring> listed = {MakeFolder(L"Evening")}, hides, unhides;
  std::wstring zeros;
  for (int i = 0; i < 20; ++i, zeros += L"0 ") {
    listed.push_back(MakeFolder(L"At Once " + std::to_wstring(i)));
    hides.push_back(exe + L" /HIDE \"" + listed.back() + L"\\\"");
    unhides.push_back(exe + L" /unhide \"" + listed.back() + L"\"");
  }
  bool shown = false;
  CheckText(L"a command line not understood, no window running: exit code", L"2 ",
            Run({exe + L" /hide"}, &shown));
  // Starts without a window take turns: this one waits while the driver holds the turn.
  HANDLE turn = CreateMutexW(nullptr, TRUE, L"Local\\Orvanta.Veilkeep.Requests");
  std::wstring shouted = listed[0];
  CharUpperW(shouted.data());
  CheckText(L"/hide of one folder in two spellings, no window running: exit code", L"0 ",
            Run({exe + L" /hide \"" + listed[0] + L"\" \"" + shouted + L"\""}, &shown, [&] {
              Sleep(3000);
              Check(L"not hidden before its turn", !HiddenAndSystem(GetFileAttributesW(listed[0].c_str())),
                    L"hidden");
              ReleaseMutex(turn);
            }));
  CloseHandle(turn);
  CheckText(L"twenty /hide at once, no window running: exit codes", zeros, Run(hides, &shown));
  Check(L"a start with a command line shows no window", !shown, L"a window");
  for (const std::wstring& folder : listed) CheckHidden(folder, true);
  CheckText(L"/folder-menu on: exit code", L"0 ", Run({exe + L" /Folder-Menu on"}, &shown));
  CheckText(L"Hide with Veilkeep and Unhide with Veilkeep run",
            exe + L" /hide \"%1\" | " + exe + L" /unhide \"%1\"",
            Registered(L"Hide") + L" | " + Registered(L"Unhide"));

  App app;
  if (!Start(s.folder, &app)) return Close(&app);
  CheckNumber(L"every folder listed once", 21, ListCount(app));
  // The folder menu's Unhide as the file manager runs it, handed to the window.
  std::wstring unhide = Registered(L"Unhide");
  CheckText(L"Unhide with Veilkeep on a folder: exit code", L"0 ",
            Run({unhide.replace(unhide.find(L"%1"), 2, listed[0])}, &shown));
  CheckHidden(listed[0], false);
  CheckText(L"the window selects it", listed[0], ListItemText(app, ListSelection(app)));
  CheckState(app, L"after Unhide with Veilkeep", L"Add Delete Open Hide", L"Hidden: False");
  CheckText(L"twenty /unhide at once into the window: exit codes", zeros, Run(unhides, &shown));
  Check(L"no second window", !shown, L"a window");
  for (const std::wstring& folder : listed) CheckHidden(folder, false);
  CheckNumber(L"still listed once each", 21, ListCount(app));
  CheckText(L"a folder that cannot be hidden: exit code", L"1 ",
            Run({exe + L" /hide \"" + g_locked + L"\""}, &shown, [&] {
              ExpectMessageWith(app, {g_locked, L"could not be hidden"});
            }));
  CheckText(L"/folder-menu off: exit code", L"0 ", Run({exe + L" /folder-menu OFF"}, &shown));
  CheckText(L"no verbs left", L"", Registered(L"Hide") + Registered(L"Unhide"));
  CheckText(L"/folder-menu off with no verbs there: exit code", L"0 ",
            Run({exe + L" /folder-menu off"}, &shown));
  Close(&app);
}

}  // namespace e2e
