// End-to-end driver. Starts the real Veilkeep.exe from a fresh program folder,
// works its controls from outside the way a user would, reads them back and
// checks the folders and data.bin on disk.
//
// Prints "ok - ..." or "FAIL - ..." per check and a last line "N passed, M
// failed"; exits 0 only when nothing failed.
//
//   veilkeep_e2e.exe [BUILD_FOLDER] [--host HOST] [--url-log FILE]
//                    [--small-disk FOLDER] [--locked FOLDER] [--first-failure]
//     BUILD_FOLDER  holds Veilkeep.exe and ico\ (default: this exe's folder)
//     HOST          the publisher host Veilkeep.exe was built with
//     FILE          where the http handler registered for this run records
//                   the addresses it is asked to open (see below)
//     --small-disk  an empty folder on a small file system of its own
//     --locked      a folder whose attributes this account may not change
//   Run it as a standard (not administrative) account: permissions must stop
//   writes as they stop the program's users.
//
//   veilkeep_e2e.exe --record-url FILE URL
//     The http handler itself: appends URL and a line break to FILE and ends.

#include <cstdio>
#include <utility>

#include "harness.h"

namespace {

int RecordUrl(const std::wstring& file, const std::wstring& url) {
  const std::string line = e2e::Utf8(url + L"\n");
  // The driver may be reading the file at this moment: retry for a while.
  HANDLE handle = INVALID_HANDLE_VALUE;
  e2e::WaitUntil(
      [&] {
        handle = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        return handle != INVALID_HANDLE_VALUE;
      },
      5000);
  if (handle == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  const bool ok =
      WriteFile(handle, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
      written == line.size();
  CloseHandle(handle);
  return ok ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  using namespace e2e;
  if (argc == 4 && std::wstring(argv[1]) == L"--record-url") return RecordUrl(argv[2], argv[3]);

  std::wstring only;  // " Name " for each scenario asked for; empty: all
  bool first_failure = false;  // no scenario starts after one failed
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg == L"--host" && i + 1 < argc) {
      g_host = argv[++i];
    } else if (arg == L"--url-log" && i + 1 < argc) {
      g_url_log = argv[++i];
    } else if (arg == L"--small-disk" && i + 1 < argc) {
      g_small_disk = argv[++i];
    } else if (arg == L"--first-failure") {
      first_failure = true;
    } else if (arg == L"--only" && i + 1 < argc) {
      only += L" " + std::wstring(argv[++i]) + L" ";
    } else if (arg == L"--locked" && i + 1 < argc) {
      g_locked = argv[++i];
    } else {
      g_build = arg;
    }
  }
  if (g_build.empty()) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    g_build = self;
    g_build.resize(g_build.find_last_of(L'\\'));
  }
  while (!g_build.empty() && (g_build.back() == L'\\' || g_build.back() == L'/'))
    g_build.pop_back();
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  g_root = std::wstring(temp) + L"veilkeep-e2e-" + std::to_wstring(GetCurrentProcessId());

  g_scenario = L"setup";
  const bool ready =
      Require(GetFileAttributesW((g_build + L"\\Veilkeep.exe").c_str()) != INVALID_FILE_ATTRIBUTES,
              L"find " + g_build + L"\\Veilkeep.exe", L"no such file") &&
      Require(CreateDirectoryW(g_root.c_str(), nullptr), L"create " + g_root,
              L"error " + std::to_wstring(GetLastError()));
  if (ready) {
    // Every scenario, or only those named after --only.
    const std::pair<const wchar_t*, void (*)()> scenarios[] = {
        {L"StartWithoutList", StartWithoutList},
        {L"StartWithSavedListAndSecondCopy", StartWithSavedListAndSecondCopy},
        {L"FolderLife", FolderLife},
        {L"DroppedFolders", DroppedFolders},
        {L"MissingPictures", MissingPictures},
        {L"HowToUseWindow", HowToUseWindow},
        {L"AboutWindow", AboutWindow},
        {L"WebPages", WebPages},
        {L"ScreenReaderNames", ScreenReaderNames},
        {L"UnicodeFolder", UnicodeFolder},
        {L"AwkwardNames", AwkwardNames},
        {L"UnexpectedObjects", UnexpectedObjects},
        {L"DeepFolders", DeepFolders},
        {L"UnwritableList", UnwritableList},
        {L"BusyTemporaryFile", BusyTemporaryFile},
        {L"UnreadableListAtStart", UnreadableListAtStart},
        {L"BadListFiles", BadListFiles},
        {L"UnwritableByPermissions", UnwritableByPermissions},
        {L"FullDisk", FullDisk},
        {L"BriefLocks", BriefLocks},
        {L"KilledWhileSaving", KilledWhileSaving},
        {L"KeyboardHideAndUnhide", KeyboardHideAndUnhide},
        {L"KeyboardTypeAhead", KeyboardTypeAhead},
        {L"KeyboardAfterModalWindows", KeyboardAfterModalWindows},
        {L"KeyboardMenuAndEnter", KeyboardMenuAndEnter},
        {L"StatusBarHeight", StatusBarHeight},
        {L"DrivesComeAndGo", DrivesComeAndGo},
        {L"CommandLine", CommandLine},
        {L"FindHiddenFolders", FindHiddenFolders},
        {L"FoundWindowLayout", FoundWindowLayout},
        {L"HideAllAndShortcutKey", HideAllAndShortcutKey},
        {L"NoFileManager", NoFileManager},  // last: see there
    };
    for (const auto& [name, run] : scenarios) {
      if (first_failure && g_failed > 0) break;  // the rest would only say more
      if (only.empty() || only.find(L" " + std::wstring(name) + L" ") != std::wstring::npos) run();
    }
    RemoveTree(g_root);
  }
  std::printf("%d passed, %d failed\n", g_passed, g_failed);
  return g_failed == 0 ? 0 : 1;
}
