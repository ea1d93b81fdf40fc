// Drives that come and go: a listed folder on a disk that is not plugged in,
// and the program started from a stick that this computer letters otherwise.
// Drive letters are links in the Wine prefix: making one plugs the drive in.
#include "harness.h"

namespace e2e {

void DrivesComeAndGo() {
  const std::wstring disk = MakeFolder(L"disk"), archive = MakeFolder(L"disk\\Archive");
  const auto [folder, list_file, saved] =
      OpenScenario(L"a listed disk not plugged in", L"drives", {L"Q:\\Archive"});
  SetFileAttributesW(archive.c_str(), 7);
  App app;
  if (!Start(folder, &app)) return Close(&app);
  if (PostClick(app, kUnhide)) ExpectMessageWith(app, {L"drive Q:\\ is not connected"});
  CheckFileUntouched(L"data.bin keeps the folder", list_file, saved);
  if (RunUnix(L"ln -s " + UnixPath(disk) + L" $WINEPREFIX/dosdevices/q:")) Click(app, kUnhide);
  CheckHidden(archive, false);
  Close(&app);

  g_scenario = L"started from a stick lettered otherwise";
  // It was J: (not connected here) and K:, which is another disk here; N: is
  // a network letter the user keeps, not connected now: never the stick.
  const std::wstring stick = MakeFolder(L"stick"), other = MakeFolder(L"Other");
  const std::wstring list = MakeProgramFolder(L"Veilkeep", true, stick) + L"\\data.bin";
  WriteFixture(list, Ansi(L"K:\\Private;J:\\Veilkeep\\Notes;N:\\Shared;"));
  MakeFolder(L"stick\\Private");
  MakeFolder(L"stick\\Veilkeep\\Notes");
  MakeFolder(L"stick\\Shared");
  // M: was kept for a network folder too, whose letter the stick took here:
  // a connected drive is what it is, whatever was kept under its letter.
  for (const wchar_t* letter : {L"Network\\N", L"Network\\M"}) {
    HKEY kept = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, letter, 0, nullptr, 0, KEY_WRITE, nullptr, &kept, nullptr);
    RegCloseKey(kept);
  }
  if (!RunUnix(L"ln -s " + UnixPath(other) + L" $WINEPREFIX/dosdevices/k:")) return;
  if (!RunUnix(L"ln -s " + UnixPath(stick) + L" $WINEPREFIX/dosdevices/m:")) return;
  Require(Launch(L"M:\\Veilkeep", &app.process), L"start from M:", ErrorText(GetLastError()));
  HWND asked = nullptr;  // the question comes before the main window
  WaitUntil([&] { return (asked = FindWindowW(L"#32770", L"Veilkeep")) != nullptr; }, kWaitMs);
  if (asked) PressButton(asked, IDYES);
  WaitUntil([&] { return (app.main = FindMainWindow(app.process.dwProcessId)) != nullptr; },
            kWaitMs);
  CheckList(app, L"at start, once asked",
            {L"M:\\Private", L"M:\\Veilkeep\\Notes", L"N:\\Shared"}, 0);
  CheckFileBytes(L"saved at once on the new letter", list,
                 Ansi(L"M:\\Private;M:\\Veilkeep\\Notes;N:\\Shared;"));
  ClickListEntry(app, 2);  // asked aside: the window never waits on the network
  CheckText(L"the network folder selected: status panel", StatusFor(L"N:\\Shared"),
            StatusText(app));
  RunUnix(L"rm $WINEPREFIX/dosdevices/k:");
  Drop(app, {other});

  g_scenario = L"the program's own drive pulled out";
  if (RunUnix(L"rm $WINEPREFIX/dosdevices/m:")) Drop(app, {disk});
  ExpectMessageWith(app, {L"M:\\Veilkeep\\data.bin", L"Drive M:\\ is not connected."});
  CheckList(app, L"after the message",
            {L"M:\\Private", L"M:\\Veilkeep\\Notes", L"N:\\Shared", other}, 3);
  Close(&app);
  RegDeleteKeyW(HKEY_CURRENT_USER, L"Network\\N");
  RegDeleteKeyW(HKEY_CURRENT_USER, L"Network\\M");
}

}  // namespace e2e
