// The toolbar: How To Use and About, the two web pages, the buttons that do
// nothing, and the pictures on the buttons with and without the ico folder;
// what a screen reader reads of the window.
#include "harness.h"

#include <oleacc.h>

#include <memory>

namespace e2e {
namespace {

constexpr int kSettingsButton = 1;  // hidden
constexpr int kHelpButton = 2;
constexpr int kWebsiteButton = 3;
constexpr int kSupportButton = 4;
constexpr int kAboutButton = 5;
constexpr int kUnknownButton = 9;

std::wstring SizeText(int width, int height) {
  return std::to_wstring(width) + L" x " + std::to_wstring(height);
}

std::wstring ClientSize(HWND window) {
  RECT client = {};
  GetClientRect(window, &client);
  return SizeText(client.right - client.left, client.bottom - client.top);
}

// A shown top-level window of this class belonging to the program.
HWND FindProgramWindow(const App& app, const std::wstring& window_class) {
  for (HWND window : TopWindows()) {
    if (ProcessOf(window) == app.process.dwProcessId && IsWindowVisible(window) &&
        ClassOf(window) == window_class) {
      return window;
    }
  }
  return nullptr;
}

HWND WaitForProgramWindow(const App& app, const std::wstring& window_class) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindProgramWindow(app, window_class)) != nullptr; }, kWaitMs);
  Check(L"a " + window_class + L" window opens", found != nullptr, L"none within 10 s");
  return found;
}

// The program's shown top-level windows other than the main window, by class and caption.
std::wstring OtherProgramWindows(const App& app) {
  std::vector<std::wstring> others;
  for (HWND window : TopWindows()) {
    if (ProcessOf(window) == app.process.dwProcessId && IsWindowVisible(window) &&
        window != app.main) {
      others.push_back(ClassOf(window) + L" " + Quote(TextOf(window)));
    }
  }
  return others.empty() ? L"none" : Joined(others);
}

// The window is modal over the main window: owned by it, and the main window disabled.
void CheckModal(const App& app, HWND window) {
  HWND owner = GetWindow(window, GW_OWNER);
  Check(L"owned by the main window", owner == app.main,
        owner ? ClassOf(owner) + L" " + Quote(TextOf(owner)) : L"no owner");
  Check(L"main window is disabled while it is open", !IsWindowEnabled(app.main), L"enabled");
}

void CheckClosed(const App& app, HWND window, const std::wstring& how) {
  Check(L"window is gone after " + how, WaitUntil([&] { return !IsWindow(window); }, kWaitMs),
        L"still open after 10 s");
  Check(L"main window is enabled again after " + how,
        WaitUntil([&] { return IsWindowEnabled(app.main) != FALSE; }, kWaitMs), L"disabled");
  ExpectNoDialog(app, how);
}

// Distinct colours the screen shows inside the window's client area.
size_t ClientColours(HWND window) {
  RECT client = {};
  GetClientRect(window, &client);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
  const ScreenShot shot = CaptureScreen(client);
  std::vector<COLORREF> colours;
  for (COLORREF pixel : shot.pixels) {
    bool seen = false;
    for (COLORREF colour : colours) seen = seen || colour == pixel;
    if (!seen) colours.push_back(pixel);
    if (colours.size() >= 64) break;  // plenty: a picture, not a plain background
  }
  return colours.size();
}

// Rows of the control's client area from the first to the last that show
// anything but its top-left pixel (the background): the height of its text.
int InkHeight(HWND control) {
  RECT rect = {};
  GetClientRect(control, &rect);
  MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&rect), 2);
  const ScreenShot shot = CaptureScreen(rect);
  int first = -1, last = -1;
  for (int y = 0; y < shot.height; ++y) {
    for (int x = 0; x < shot.width; ++x) {
      if (shot.At(x, y) == shot.At(0, 0)) continue;
      if (first < 0) first = y;
      last = y;
      break;
    }
  }
  return first < 0 ? 0 : last - first + 1;
}

// The client object a screen reader gets for `window`, through the system's
// accessibility interface; nullptr (a failed check) when it gets none.
IAccessible* ClientObject(HWND window, const std::wstring& what) {
  IAccessible* object = nullptr;
  const HRESULT result =
      AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                 reinterpret_cast<void**>(&object));
  Require(SUCCEEDED(result) && object, L"accessible object of " + what, Hex(result));
  return SUCCEEDED(result) ? object : nullptr;
}

// What a screen reader reads as the name of `object` itself.
std::wstring NameOf(IAccessible* object) {
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  const HRESULT result = object->get_accName(self, &name);
  const std::unique_ptr<OLECHAR, decltype(&SysFreeString)> owned(name, SysFreeString);
  return name ? std::wstring(name, SysStringLen(name)) : L"(none: " + Hex(result) + L")";
}

}  // namespace

void HowToUseWindow() {
  g_scenario = L"How To Use window";
  const std::wstring folder = MakeProgramFolder(L"help");
  App app;
  if (!Start(folder, &app)) return Close(&app);
  PostToolbarClick(app, kHelpButton);
  HWND form3 = WaitForProgramWindow(app, L"Veilkeep.Form3");
  if (!form3) return Close(&app);
  CheckText(L"caption", L"  How To Use", TextOf(form3));
  CheckModal(app, form3);
  CheckText(L"client area at 96 DPI", L"521 x 329", ClientSize(form3));
  UpdateWindow(form3);
  size_t colours = 0;
  WaitUntil([&] { return (colours = ClientColours(form3)) >= 64; }, 3000);
  Check(L"client area shows a picture (64 colours or more)", colours >= 64,
        std::to_wstring(colours) + L" colours");
  ExpectNoDialog(app, L"opening How To Use");
  PostMessageW(form3, WM_CLOSE, 0, 0);
  CheckClosed(app, form3, L"WM_CLOSE");

  // F1 (the system's WM_KEYF1, which becomes WM_HELP) opens the same window.
  constexpr UINT kKeyF1 = 0x004D;
  PostMessageW(app.main, kKeyF1, 0, 0);
  HWND by_f1 = WaitForProgramWindow(app, L"Veilkeep.Form3");
  if (!by_f1) return Close(&app);
  CheckText(L"caption after F1", L"  How To Use", TextOf(by_f1));
  CheckModal(app, by_f1);
  PostMessageW(by_f1, WM_CLOSE, 0, 0);
  CheckClosed(app, by_f1, L"WM_CLOSE after F1");
  Close(&app);
}

void AboutWindow() {
  g_scenario = L"About window";
  const std::wstring folder = MakeProgramFolder(L"about");
  App app;
  if (!Start(folder, &app)) return Close(&app);
  for (int opening = 1; opening <= 2; ++opening) {
    const std::wstring when = opening == 1 ? L"" : L"opened again: ";
    PostToolbarClick(app, kAboutButton);
    HWND form2 = WaitForProgramWindow(app, L"Veilkeep.Form2");
    if (!form2) return Close(&app);
    CheckText(when + L"version line", L"Version: 1.0", TextOf(GetDlgItem(form2, IDC_LABEL1 + 1)));
    if (opening == 1) {
      CheckText(L"caption", L"  About", TextOf(form2));
      CheckModal(app, form2);
      CheckText(L"client area at 96 DPI", L"356 x 130", ClientSize(form2));
      CheckText(L"name line", L"Veilkeep", TextOf(GetDlgItem(form2, IDC_LABEL1 + 0)));
      const std::wstring notice = TextOf(GetDlgItem(form2, IDC_LABEL1 + 3));
      Check(L"notice is there", !notice.empty(), L"no text");
      Check(L"notice is one line", notice.find_first_of(L"\r\n") == std::wstring::npos,
            Quote(notice));
      // Shown as one line too: its text no taller than the version line's, give or
      // take a descender (a wrapped second line would add a whole line).
      UpdateWindow(form2);
      HWND version = GetDlgItem(form2, IDC_LABEL1 + 1);
      HWND notice_label = GetDlgItem(form2, IDC_LABEL1 + 3);
      int version_ink = 0, notice_ink = 0;
      WaitUntil([&] { return (version_ink = InkHeight(version)) > 0; }, 3000);
      notice_ink = InkHeight(notice_label);
      Check(L"notice shows as one line on screen", notice_ink > 0 && notice_ink <= version_ink + 4,
            std::to_wstring(notice_ink) + L" rows of text against " + std::to_wstring(version_ink) +
                L" for the version line");
      CheckText(L"OK button", L"OK", TextOf(GetDlgItem(form2, IDC_FORM2_OK)));
      ExpectNoDialog(app, L"opening About");
    }
    PressButton(form2, IDC_FORM2_OK);
    CheckClosed(app, form2, when + L"OK");
  }
  Close(&app);

  // About pressed on the toolbar, and Delete, while the message for a folder
  // that is not there is up: neither is taken, the main window stays disabled
  // under the message, and once it closes exactly that folder leaves the list.
  g_scenario = L"About and Delete pressed under a message";
  const std::wstring gone = g_root + L"\\About Gone";
  const std::wstring kept = MakeFolder(L"About Kept"), other = MakeFolder(L"About Other");
  const std::vector<std::wstring> lists[] = {{gone}, {kept, gone, other}};
  for (const std::vector<std::wstring>& listed : lists) {
    const std::wstring when = std::to_wstring(listed.size()) + L" listed: ";
    std::vector<std::wstring> left;
    std::wstring saved;
    for (const std::wstring& entry : listed) {
      if (entry == gone) continue;
      left.push_back(entry);
      saved += entry + L";";
    }
    WriteFixture(folder + L"\\data.bin", Ansi(Joined(listed, L";") + L";"));
    if (!Start(folder, &app)) return Close(&app);
    if (listed.size() > 1) ClickListEntry(app, 1);
    HWND box = PostClick(app, kUnhide) ? WaitForDialog(app, L"Error") : nullptr;
    if (!box) return Close(&app);
    PostToolbarClick(app, kAboutButton);
    PostClick(app, kDelete);
    HWND form2 = nullptr;
    WaitUntil([&] { return (form2 = FindProgramWindow(app, L"Veilkeep.Form2")) != nullptr; }, 1000);
    Check(when + L"no About window over the message", form2 == nullptr, L"About opened");
    if (form2) PostMessageW(form2, WM_CLOSE, 0, 0);
    WaitUntil([&] { return !form2 || !IsWindow(form2); }, kWaitMs);
    Check(when + L"main window still disabled under the message", !IsWindowEnabled(app.main),
          L"enabled");
    const std::wstring text = TextOf(GetDlgItem(box, kBoxText));
    Require(text == L"Folder " + gone + L" doesn't exist!", L"the message for the folder",
            Quote(text));
    PressButton(box, IDOK);
    Check(when + L"the program still runs and answers",
          Answers(app.main, 2000) && WaitForSingleObject(app.process.hProcess, 0) == WAIT_TIMEOUT,
          L"it ended or does not answer");
    ExpectNoDialog(app, when + L"the message");
    CheckList(app, when + L"after the message", left, static_cast<int>(left.size()) - 1);
    CheckFileBytes(when + L"data.bin without the folder reported", folder + L"\\data.bin",
                   Ansi(saved));
    Close(&app);
  }
}

namespace {

// The complete lines the http handler has recorded so far.
std::vector<std::wstring> RecordedAddresses() {
  const std::wstring text = FromUtf8(ReadFileState(g_url_log).bytes);
  std::vector<std::wstring> lines;
  size_t start = 0;
  for (size_t end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

}  // namespace

void WebPages() {
  g_scenario = L"web pages";
  if (!Require(!g_host.empty() && !g_url_log.empty(),
               L"know the publisher host and where the http handler records addresses",
               L"--host and --url-log not given")) {
    return;
  }
  DeleteFileW(g_url_log.c_str());
  const std::wstring folder = MakeProgramFolder(L"web");
  App app;
  if (!Start(folder, &app)) return Close(&app);

  const ULONGLONG clicked = GetTickCount64();
  PostToolbarClick(app, kWebsiteButton);
  std::vector<std::wstring> recorded;
  WaitUntil([&] { return (recorded = RecordedAddresses()).size() >= 1; }, kWaitMs);
  const DWORD handler_ms = static_cast<DWORD>(GetTickCount64() - clicked);
  CheckText(L"Website opens the product page", L"http://" + g_host + L"/veilkeep.php",
            recorded.empty() ? L"(nothing within 10 s)" : recorded[0]);
  ExpectNoDialog(app, L"Website");

  PostToolbarClick(app, kSupportButton);
  WaitUntil([&] { return (recorded = RecordedAddresses()).size() >= 2; }, kWaitMs);
  CheckText(L"Support opens the support page", L"http://" + g_host + L"/support.php",
            recorded.size() < 2 ? L"(nothing within 10 s)" : recorded[1]);
  ExpectNoDialog(app, L"Support");

  g_scenario = L"toolbar buttons that do nothing";
  PostToolbarClick(app, kSettingsButton);
  PostToolbarClick(app, kUnknownButton);
  ExpectNoDialog(app, L"the hidden Settings button and button 9");
  CheckText(L"other windows of the program", L"none", OtherProgramWindows(app));
  Check(L"main window is enabled", IsWindowEnabled(app.main) != FALSE, L"disabled");
  // Give an address they might have opened twice the time the Website's took to arrive.
  Sleep(handler_ms * 2 > 2000 ? handler_ms * 2 : 2000);
  CheckNumber(L"addresses recorded in all (Website and Support only)", 2,
              static_cast<long long>(RecordedAddresses().size()));
  CheckText(L"other windows of the program, later", L"none", OtherProgramWindows(app));
  Close(&app);
}

namespace {

constexpr int kPictureSize = 16;  // toolbar pictures at 96 DPI

// What the screen shows of each shown toolbar button's picture, left to right:
// the button's part above its caption, centred, with a little room around.
std::vector<ScreenShot> CaptureToolPictures(const App& app) {
  std::vector<ScreenShot> shots;
  HWND toolbar = app.Item(IDC_TOOLBAR1);
  Remote remote(app.process.hProcess, sizeof(RECT));
  if (!remote) return shots;
  UpdateWindow(toolbar);
  const int padding = HIWORD(Send(toolbar, TB_GETPADDING));
  const std::vector<ToolButton> buttons = ToolButtons(app);
  for (size_t i = 0; i < buttons.size(); ++i) {
    if (buttons[i].hidden) continue;
    RECT rect = {};
    Send(toolbar, TB_GETITEMRECT, i, remote.Address());
    remote.Read(&rect, sizeof(rect));
    MapWindowPoints(toolbar, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    const int centre = (rect.left + rect.right) / 2;
    const RECT picture = {centre - kPictureSize / 2 - 2, rect.top, centre + kPictureSize / 2 + 2,
                          rect.top + padding / 2 + kPictureSize + 1};
    shots.push_back(CaptureScreen(picture));
  }
  return shots;
}

// Pixels unlike the top-left one (the button's face), and how many of them are
// strongly red or pure white.
struct Ink {
  int marked = 0;
  int red = 0;
  int white = 0;
};

Ink InkOf(const ScreenShot& shot) {
  Ink ink;
  if (shot.pixels.empty()) return ink;
  const COLORREF face = shot.pixels[0];
  for (COLORREF pixel : shot.pixels) {
    if (pixel == face) continue;
    const int r = GetRValue(pixel), g = GetGValue(pixel), b = GetBValue(pixel);
    ++ink.marked;
    if (r >= 180 && g <= 90 && b <= 90) ++ink.red;
    if (r >= 250 && g >= 250 && b >= 250) ++ink.white;
  }
  return ink;
}

std::wstring InkText(const Ink& ink) {
  return std::to_wstring(ink.marked) + L" marked pixels, " + std::to_wstring(ink.red) + L" red, " +
         std::to_wstring(ink.white) + L" white";
}

bool AllInked(const std::vector<ScreenShot>& shots) {
  for (const ScreenShot& shot : shots) {
    if (InkOf(shot).marked < 64) return false;
  }
  return !shots.empty();
}

// The pictures once the toolbar has painted them (a picture-less toolbar waits 3 s).
std::vector<ScreenShot> CapturePaintedPictures(const App& app) {
  std::vector<ScreenShot> shots;
  WaitUntil([&] { return AllInked(shots = CaptureToolPictures(app)); }, 3000);
  return shots;
}

// Each picture holds a drawing: at least a quarter of a 16 x 16 picture's pixels.
void CheckPictures(const std::vector<ScreenShot>& shots, const std::vector<std::wstring>& names,
                   const std::wstring& how) {
  CheckNumber(how + L": pictures captured", 4, static_cast<long long>(shots.size()));
  for (size_t i = 0; i < shots.size() && i < names.size(); ++i) {
    const Ink ink = InkOf(shots[i]);
    Check(how + L": " + names[i] + L" button shows a picture", ink.marked >= 64, InkText(ink));
  }
  if (!shots.empty()) {
    const Ink help = InkOf(shots[0]);
    Check(how + L": Help picture is a red and white life-buoy", help.red >= 16 && help.white >= 8,
          InkText(help));
  }
}

}  // namespace

void MissingPictures() {
  g_scenario = L"toolbar pictures";
  const std::vector<std::wstring> names = {L"Help", L"Website", L"Support", L"About"};
  const std::wstring with = MakeProgramFolder(L"pictures");
  const std::wstring without = MakeProgramFolder(L"no pictures", false);
  App app;
  std::vector<ScreenShot> from_files;
  if (Start(with, &app)) from_files = CapturePaintedPictures(app);
  CheckPictures(from_files, names, L"from the ico folder");
  Close(&app);

  g_scenario = L"missing pictures";
  Require(GetFileAttributesW((without + L"\\ico").c_str()) == INVALID_FILE_ATTRIBUTES,
          L"program folder without an ico folder", L"an ico folder");
  if (!Start(without, &app)) return Close(&app);
  ExpectNoDialog(app, L"start-up without the ico folder");
  int shown = 0;
  for (const ToolButton& button : ToolButtons(app)) shown += button.hidden ? 0 : 1;
  CheckNumber(L"shown toolbar buttons", 4, shown);
  const std::vector<ScreenShot> built_in = CapturePaintedPictures(app);
  CheckPictures(built_in, names, L"built in");
  for (size_t i = 0; i < built_in.size() && i < from_files.size() && i < names.size(); ++i) {
    Check(names[i] + L" picture is the same as from the ico folder",
          built_in[i].pixels == from_files[i].pixels,
          InkText(InkOf(built_in[i])) + L" against " + InkText(InkOf(from_files[i])));
  }
  Close(&app);
}

void ScreenReaderNames() {
  const std::wstring folder = MakeFolder(L"Read Aloud");
  const Scenario opened = OpenScenario(L"screen reader names", L"reader", {folder});
  App app;
  if (!Start(opened.folder, &app)) return Close(&app);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  if (IAccessible* list = ClientObject(app.Item(IDC_LIST1), L"List1")) {
    CheckText(L"List1's name", L"Guarded folders", NameOf(list));
    list->Release();
  }
  // The status bar reads the text it shows, and follows it.
  if (IAccessible* bar = ClientObject(app.Item(IDC_SBAR), L"the status bar")) {
    CheckText(L"the status bar's name", L"Hidden: False", NameOf(bar));
    Click(app, kHide);
    CheckText(L"the status bar's name after Hide", L"Hidden: True", NameOf(bar));
    Click(app, kUnhide);
    bar->Release();
  }

  CoUninitialize();
  // Toolbar1's buttons are read by the system's own accessible object, which
  // names each shown button by its text (Wine's has no children): what it
  // reads is each button's text and whether it is hidden.
  std::vector<std::wstring> shown, hidden;
  for (const ToolButton& button : ToolButtons(app)) {
    (button.hidden ? hidden : shown).push_back(button.text);
  }
  CheckText(L"the shown toolbar buttons' texts", L"Help|Website|  Support  |About",
            Joined(shown, L"|"));
  CheckText(L"the hidden toolbar button's text", L" Settings ", Joined(hidden, L"|"));
  ExpectNoDialog(app, L"reading the names");
  CheckFileUntouched(L"data.bin after reading the names", opened.list_file, opened.saved);
  Close(&app);
}

}  // namespace e2e
