// The program as a keyboard user meets it: only keys after the start, the
// focus read back from the program's thread; List1's menu. Also the status bar's height and
// font at the session's DPI.
#include <algorithm>

#include "harness.h"

namespace e2e {
namespace {

// Waits a little for the focus to settle on `expected`, then checks it.
void ExpectFocus(const App& app, const std::wstring& when, const std::wstring& expected) {
  WaitUntil([&] { return FocusedControl(app) == expected; }, 2000);
  CheckText(when + L": control with the focus", expected, FocusedControl(app));
}

void PressTab(const App& app, int times) {
  for (int i = 0; i < times; ++i) PressKey(app, VK_TAB);
}

// Waits a little for the list to show `expected` selected, then checks it.
void ExpectSelection(const App& app, const std::wstring& when, LRESULT expected) {
  WaitUntil([&] { return ListSelection(app) == expected; }, 2000);
  CheckNumber(when + L": selected list entry", expected, ListSelection(app));
}

// Waits for the program's shown window of this class; nullptr when none comes.
HWND WaitForWindowOf(const App& app, const wchar_t* window_class) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        found = FindWindowW(window_class, nullptr);
        return found && IsWindowVisible(found) && ProcessOf(found) == app.process.dwProcessId;
      },
      kWaitMs);
  return Check(std::wstring(window_class) + L" opens", found != nullptr, L"none within 10 s")
             ? found
             : nullptr;
}

void ExpectClosedBy(HWND window, const std::wstring& what, const std::wstring& key) {
  Check(what + L" closes on " + key, WaitUntil([&] { return !IsWindow(window); }, kWaitMs),
        L"still open after 10 s");
}

void ExpectHidden(const std::wstring& folder, bool hidden) {
  WaitUntil([&] { return HiddenAndSystem(GetFileAttributesW(folder.c_str())) == hidden; }, 2000);
  CheckHidden(folder, hidden);
}

// Opens List1's menu with `open`, checks that its enabled items are the
// enabled buttons among Open, Hide, Unhide and Delete, then presses `letter`.
void UseMenu(const App& app, const std::wstring& when, const std::function<bool()>& open,
             WORD letter) {
  if (!open()) return;
  HWND menu = WaitForMenu(app);
  if (!Check(when + L": the menu opens", menu != nullptr, L"no menu within 10 s")) return;
  std::wstring expected;
  for (Button button : {kOpen, kHide, kUnhide, kDelete}) {
    if (IsWindowEnabled(app.Command(button))) {
      expected += (expected.empty() ? L"" : L" ") + std::wstring(kCaptions[button]);
    }
  }
  CheckText(when + L": the menu's enabled items", expected,
            EnabledMenuItems(menu, {L"Open", L"Hide", L"Unhide", L"Delete"}));
  PressKey(app, letter);
  Check(when + L": the menu closes",
        WaitUntil([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }, kWaitMs),
        L"still open after 10 s");
}

bool ContextKey(const App& app) {
  PressKey(app, VK_APPS);
  return true;
}

}  // namespace

void KeyboardHideAndUnhide() {
  g_scenario = L"keyboard: tab order, Hide and Unhide";
  const std::wstring program = MakeProgramFolder(L"keys");
  const std::wstring folder = MakeFolder(L"Keyed");
  const std::wstring list_file = program + L"\\data.bin";
  WriteFixture(list_file, Ansi(folder + L";"));
  const FileState saved = ReadFileState(list_file);
  App app;
  if (!Start(program, &app)) return Close(&app);

  // From the start the focus walks the enabled controls in tab order, and round.
  const std::vector<std::wstring> order = {L"Add",      L"Delete", L"Open", L"Hide",
                                           L"Toolbar1", L"List1",  L"Add"};
  std::vector<std::wstring> walk;
  for (size_t i = 0; i < order.size(); ++i) {
    if (i > 0) PressKey(app, VK_TAB);
    WaitUntil([&] { return FocusedControl(app) == order[i]; }, 2000);
    walk.push_back(FocusedControl(app));
  }
  CheckText(L"focus at start, then after each Tab", Joined(order, L" "), Joined(walk, L" "));

  // Hide disables itself: the focus goes on to Unhide, and Space there reveals.
  PressTab(app, 3);
  ExpectFocus(app, L"before Hide", L"Hide");
  PressKey(app, VK_SPACE);
  ExpectHidden(folder, true);
  ExpectFocus(app, L"after Hide", L"Unhide");
  PressKey(app, VK_SPACE);
  ExpectHidden(folder, false);
  // Unhide disables itself: the focus goes on to the toolbar, whose Space opens How To Use.
  ExpectFocus(app, L"after Unhide", L"Toolbar1");
  for (const wchar_t* what : {L"How To Use", L"How To Use opened again"}) {
    PressKey(app, VK_SPACE);
    HWND form3 = WaitForWindowOf(app, L"Veilkeep.Form3");
    if (!form3) break;
    PressKey(app, VK_ESCAPE);
    ExpectClosedBy(form3, what, L"Escape");
    ExpectFocus(app, std::wstring(L"after ") + what + L" closes", L"Toolbar1");
  }
  CheckList(app, L"after the keys", {folder}, 0);
  CheckFileUntouched(L"data.bin after the keys", list_file, saved);
  Close(&app);
}

void KeyboardTypeAhead() {
  g_scenario = L"keyboard: typing in the list";
  const std::wstring program = MakeProgramFolder(L"typing");
  const std::wstring folder = MakeFolder(L"Typed");  // on C:, like every folder of the run
  const std::vector<std::wstring> entries = {folder, L"M:\\Missing one", L"m:\\missing two"};
  WriteFixture(program + L"\\data.bin", Ansi(Joined(entries, L";") + L";"));
  App app;
  if (!Start(program, &app)) return Close(&app);
  PressTab(app, 5);
  ExpectFocus(app, L"after five Tabs", L"List1");

  // Letters typed in quick succession: "m", "mm", "mmm" move from one "m" entry to the next.
  const std::pair<const wchar_t*, LRESULT> typed[] = {{L"m", 1}, {L"mm", 2}, {L"mmm", 1}};
  for (const auto& [text, expected] : typed) {
    PressKey(app, 'M');
    ExpectSelection(app, L"after typing " + std::wstring(text), expected);
  }
  CheckState(app, L"after typing m", L"Add Delete Open Unhide", L"Hidden: True");
  Sleep(1500);  // what comes next is a new search
  PressKey(app, 'X');
  CheckList(app, L"after typing x, which no entry starts with", entries, 1);
  CheckState(app, L"after typing x", L"Add Delete Open Unhide", L"Hidden: True");
  // Away from List1, a click on an entry gives it back the keys.
  PressKey(app, VK_TAB);
  ClickListEntry(app, 2);
  ExpectFocus(app, L"after a click on entry 2", L"List1");
  Sleep(1500);
  PressKey(app, 'C');
  ExpectSelection(app, L"after typing c", 0);
  CheckState(app, L"after typing c", L"Add Delete Open Hide", L"Hidden: False");
  Close(&app);
}

void KeyboardAfterModalWindows() {
  g_scenario = L"keyboard: focus after modal windows";
  const std::wstring program = MakeProgramFolder(L"modal keys");
  const std::wstring first = MakeFolder(L"Modal First");
  const std::wstring second = MakeFolder(L"Modal Second");
  WriteFixture(program + L"\\data.bin", Ansi(first + L";" + second + L";"));
  App app;
  if (!Start(program, &app)) return Close(&app);

  // The folder browser, opened by Space on Add and cancelled: then Enter on Add opens it again.
  const std::pair<WORD, const wchar_t*> openers[] = {{VK_SPACE, L"Space"}, {VK_RETURN, L"Enter"}};
  for (const auto& [opener, name] : openers) {
    const std::wstring what = L"the folder browser opened by " + std::wstring(name);
    ExpectFocus(app, L"before " + what, L"Add");
    PressKey(app, opener);
    HWND browser = WaitForDialog(app, kBrowseTitle);
    if (!browser) return Close(&app);
    PressKey(app, VK_ESCAPE);
    ExpectClosedBy(browser, what, L"Escape");
  }

  // A message box, closed with Enter: Space on Hide then hides the next folder.
  PressTab(app, 3);
  ExpectFocus(app, L"before Hide", L"Hide");
  Require(RemoveDirectoryW(first.c_str()), L"remove " + first, ErrorText(GetLastError()));
  PressKey(app, VK_SPACE);
  HWND box = WaitForDialog(app, L"Error");
  if (!box) return Close(&app);
  CheckText(L"message text", L"Folder " + first + L" doesn't exist!",
            TextOf(GetDlgItem(box, kBoxText)));
  PressKey(app, VK_RETURN);
  ExpectClosedBy(box, L"the message box", L"Enter");
  CheckList(app, L"after the message box", {second}, 0);
  ExpectFocus(app, L"after the message box closes", L"Hide");
  PressKey(app, VK_SPACE);
  ExpectHidden(second, true);

  // About, the toolbar's last button (the arrows pass the hidden Settings
  // button by): Space opens it and Escape closes it; then Enter opens it
  // again, and Enter on its OK closes it.
  PressTab(app, 1);
  ExpectFocus(app, L"after Hide and a Tab", L"Toolbar1");
  for (int i = 0; i < 4; ++i) PressKey(app, VK_RIGHT);
  for (const auto& [opener, name] : openers) {
    const bool enter = opener == VK_RETURN;
    PressKey(app, opener);
    HWND form2 = WaitForWindowOf(app, L"Veilkeep.Form2");
    if (!form2) break;
    CheckText(L"caption of the window " + std::wstring(name) + L" opened", L"  About",
              TextOf(form2));
    ExpectFocus(app, L"in About", L"Button \"OK\"");
    PressKey(app, enter ? VK_RETURN : VK_ESCAPE);
    ExpectClosedBy(form2, L"About", enter ? L"Enter" : L"Escape");
    ExpectFocus(app, L"after About closes", L"Toolbar1");
  }
  CheckList(app, L"after the keys", {second}, 0);
  Close(&app);
}

// The box around the dark ink in `shot` (text in the system's text colour on
// a light face), as "width x height"; "0 x 0" when there is none.
std::wstring DarkInk(const ScreenShot& shot) {
  int left = shot.width, right = -1, top = shot.height, bottom = -1;
  for (int y = 0; y < shot.height; ++y) {
    for (int x = 0; x < shot.width; ++x) {
      const COLORREF c = shot.At(x, y);
      if (GetRValue(c) >= 0x80 || GetGValue(c) >= 0x80 || GetBValue(c) >= 0x80) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (right < 0) return L"0 x 0";
  return std::to_wstring(right - left + 1) + L" x " + std::to_wstring(bottom - top + 1);
}

// The colour `shot` shows most: a control's face.
COLORREF FaceColour(const ScreenShot& shot) {
  std::vector<std::pair<COLORREF, int>> counts;
  for (COLORREF pixel : shot.pixels) {
    auto it =
        std::find_if(counts.begin(), counts.end(), [&](const auto& c) { return c.first == pixel; });
    if (it == counts.end()) {
      counts.push_back({pixel, 1});
    } else {
      ++it->second;
    }
  }
  auto most = std::max_element(counts.begin(), counts.end(),
                               [](const auto& a, const auto& b) { return a.second < b.second; });
  return most == counts.end() ? RGB(255, 255, 255) : most->first;
}

// What `draw` draws here on a `width` x `height` picture of `face`, read back.
ScreenShot DrawnOn(int width, int height, COLORREF face, const std::function<void(HDC)>& draw) {
  ScreenShot drawn;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap && bits) {
    HGDIOBJ old_bitmap = SelectObject(dc, bitmap);
    HBRUSH brush = CreateSolidBrush(face);
    RECT all = {0, 0, width, height};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    draw(dc);
    GdiFlush();
    const auto* bgra = static_cast<const BYTE*>(bits);
    drawn.width = width;
    drawn.height = height;
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
      drawn.pixels.push_back(RGB(bgra[i * 4 + 2], bgra[i * 4 + 1], bgra[i * 4]));
    }
    SelectObject(dc, old_bitmap);
  }
  if (bitmap) DeleteObject(bitmap);
  DeleteDC(dc);
  return drawn;
}

// The box around `text`'s ink drawn here, on `face`, in Tahoma `pixels` high.
std::wstring ReferenceInk(const std::wstring& text, int pixels, COLORREF face) {
  HFONT font = CreateFontW(-pixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
  if (!font) return L"no font";
  const ScreenShot drawn =
      DrawnOn(40 * static_cast<int>(text.size()) + 2 * pixels, 3 * pixels, face, [&](HDC dc) {
        HGDIOBJ old_font = SelectObject(dc, font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        TextOutW(dc, pixels, pixels, text.c_str(), static_cast<int>(text.size()));
        SelectObject(dc, old_font);
      });
  DeleteObject(font);
  return DarkInk(drawn);
}

// How many rows, from the first that shows more than `face` down to the next
// that shows nothing more: a toolbar button's picture, above its caption.
int TopInkRows(const ScreenShot& shot, COLORREF face) {
  const auto far_from_face = [&](COLORREF c) {
    const int distance = abs(GetRValue(c) - GetRValue(face)) + abs(GetGValue(c) - GetGValue(face)) +
                         abs(GetBValue(c) - GetBValue(face));
    return distance > 48;  // a faint edge pixel is face, on screen and in the reference alike
  };
  int first = -1, y = 0;
  for (; y < shot.height; ++y) {
    bool ink = false;
    for (int x = 0; x < shot.width && !ink; ++x) ink = far_from_face(shot.At(x, y));
    if (ink && first < 0) first = y;
    if (!ink && first >= 0) break;
  }
  return first < 0 ? 0 : y - first;
}

// SBar of the program, its window laid out at `dpi`, and the toolbar's
// pictures: checked and SBar's figures printed.
void CheckStatusBar(const App& app, int dpi, const std::wstring& at) {
  HWND sbar = app.Item(IDC_SBAR);
  RECT client = {}, bar = {};
  GetClientRect(app.main, &client);
  GetWindowRect(sbar, &bar);
  MapWindowPoints(nullptr, app.main, reinterpret_cast<POINT*>(&bar), 2);
  // 375 twips high (15 twips a pixel at 96 DPI), along the client area's bottom edge.
  CheckNumber(at + L"status bar height", (375 * dpi + 720) / 1440, bar.bottom - bar.top);
  // The toolbar's pictures grow with the DPI, as its captions do: Help's
  // takes the rows its icon takes here, drawn at 16 pixels a 96 DPI.
  const int size = MulDiv(16, dpi, USER_DEFAULT_SCREEN_DPI);
  HWND toolbar = app.Item(IDC_TOOLBAR1);
  RECT help = {};
  Remote button(app.process.hProcess, sizeof(help));
  HICON icon = static_cast<HICON>(LoadImageW(nullptr, (g_build + L"\\ico\\2.ico").c_str(),
                                             IMAGE_ICON, size, size, LR_LOADFROMFILE));
  if (Require(button && icon && Send(toolbar, TB_GETITEMRECT, 1, button.Address()),
              L"find Help's button and load its icon", ErrorText(GetLastError()))) {
    button.Read(&help, sizeof(help));
    MapWindowPoints(toolbar, nullptr, reinterpret_cast<POINT*>(&help), 2);
    UpdateWindow(toolbar);
    ScreenShot shot = CaptureScreen(help);
    const COLORREF face = FaceColour(shot);
    const ScreenShot drawn = DrawnOn(size + 2, size + 2, face, [&](HDC dc) {
      DrawIconEx(dc, 1, 1, icon, size, size, 0, nullptr, DI_NORMAL);
    });
    // A busy machine may show the picture of the last DPI a moment longer.
    WaitUntil([&] { return TopInkRows(shot = CaptureScreen(help), face) == TopInkRows(drawn, face); },
              3000);
    CheckNumber(at + L"rows of Help's picture, as its icon takes them at " + std::to_wstring(size) +
                    L" pixels",
                TopInkRows(drawn, face), TopInkRows(shot, face));
  }
  if (icon) DestroyIcon(icon);
  CheckText(at + L"status bar spans the bottom edge",
            L"0.." + std::to_wstring(client.right) + L" x .." + std::to_wstring(client.bottom),
            std::to_wstring(bar.left) + L".." + std::to_wstring(bar.right) + L" x .." +
                std::to_wstring(bar.bottom));

  // Its text in the window's font, Tahoma 8.25 pt at this DPI: on screen, its
  // ink in the panel takes the box that font draws the same text in.
  const int font_pixels = MulDiv(825, dpi, 7200);
  const std::wstring text = StatusText(app);
  RECT panel = {};
  Remote remote(app.process.hProcess, sizeof(panel));
  if (!remote) return;
  Send(sbar, SB_GETRECT, 0, remote.Address());
  remote.Read(&panel, sizeof(panel));
  MapWindowPoints(sbar, nullptr, reinterpret_cast<POINT*>(&panel), 2);
  UpdateWindow(sbar);
  // Read until it is drawn as expected, or for 3 s: a capture may fall while
  // the bar is still repainting after the change.
  ScreenShot shot;
  std::wstring seen, expected;
  WaitUntil(
      [&] {
        seen = DarkInk(shot = CaptureScreen(panel));
        expected = ReferenceInk(text, font_pixels, FaceColour(shot));
        return seen == expected;
      },
      3000);
  CheckText(at + L"status bar text ink, as " + std::to_wstring(font_pixels) +
                L"-pixel Tahoma draws " + Quote(text),
            expected, seen);
  Print(L"# " + g_scenario + L": " + at + L"status bar " + std::to_wstring(bar.bottom - bar.top) +
        L" px high; its text " + Quote(text) + L" takes " + seen + L" px, as Tahoma of " +
        std::to_wstring(font_pixels) + L" px draws it");
}

void StatusBarHeight() {
  g_scenario = L"status bar height";
  // The DPI this session started at. Windows gives a monitor its DPI when the
  // user signs in, and so does Wine 10 when a session starts (Wine 8 also
  // takes a later change, at each program's start): run.sh runs this scenario
  // in sessions started at 96, 120, 144 and 192 DPI.
  DWORD dpi = USER_DEFAULT_SCREEN_DPI, size = sizeof(dpi);
  RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", RRF_RT_REG_DWORD,
               nullptr, &dpi, &size);
  App app;
  if (!Start(MakeProgramFolder(L"status bar"), &app)) return Close(&app);
  // Measured in the screen's pixels: Windows, and Wine 10, scale what a
  // DPI-unaware caller reads of another program's windows and of the screen
  // (Wine 8 does not).
  const DPI_AWARENESS_CONTEXT caller =
      SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  CheckStatusBar(app, static_cast<int>(dpi), L"at " + std::to_wstring(dpi) + L" DPI: ");

  // Moved to a monitor of another DPI (the system's message, with the window's
  // suggested place in the program's memory), the window lays itself out
  // anew, SBar and its font too.
  const int moved = dpi == 96 ? 144 : 96;
  RECT frame = {};
  GetWindowRect(app.main, &frame);
  RECT suggested = {frame.left, frame.top,
                    frame.left + MulDiv(frame.right - frame.left, moved, static_cast<int>(dpi)),
                    frame.top + MulDiv(frame.bottom - frame.top, moved, static_cast<int>(dpi))};
  Remote remote(app.process.hProcess, sizeof(suggested));
  if (remote) {
    remote.Write(&suggested, sizeof(suggested));
    Send(app.main, WM_DPICHANGED, MAKEWPARAM(moved, moved), remote.Address());
    CheckStatusBar(
        app, moved,
        L"moved from " + std::to_wstring(dpi) + L" to " + std::to_wstring(moved) + L" DPI: ");
  }
  SetThreadDpiAwarenessContext(caller);
  Close(&app);
}

void KeyboardMenuAndEnter() {
  const std::wstring shown = MakeFolder(L"Menu Shown");
  const std::wstring other = MakeFolder(L"Menu Other");
  const Scenario opened =
      OpenScenario(L"keyboard: List1's menu and Enter", L"menu", {shown, other});
  App app;
  if (!Start(opened.folder, &app)) return Close(&app);
  PressTab(app, 5);
  ExpectFocus(app, L"after five Tabs", L"List1");

  // Enter in the list opens the selected folder, as Open does.
  CheckOpens(app, L"Menu Shown", [&] {
    PressKey(app, VK_RETURN);
    return true;
  });
  SetForegroundWindow(app.main);
  ExpectFocus(app, L"after the file manager closes", L"List1");

  // The context key: each item does what its button does, and a disabled one nothing.
  const std::pair<WORD, bool> letters[] = {{'U', false}, {'H', true}, {'H', true}, {'U', false}};
  for (const auto& [letter, hidden] : letters) {
    const std::wstring when = std::wstring(L"menu item ") + static_cast<wchar_t>(letter) +
                              (hidden ? L", folder hidden" : L", folder shown");
    UseMenu(
        app, when, [&] { return ContextKey(app); }, letter);
    ExpectHidden(shown, hidden);
    CheckState(app, when, hidden ? L"Add Delete Open Unhide" : L"Add Delete Open Hide",
               hidden ? L"Hidden: True" : L"Hidden: False");
    ExpectNoDialog(app, when);
  }
  ExpectFocus(app, L"after the menu", L"List1");

  // A right-click selects the entry under the mouse; Delete from its menu deletes that one.
  UseMenu(
      app, L"right-click on entry 1, Delete", [&] { return RightClickListEntry(app, 1); }, 'D');
  CheckList(app, L"after Delete from the menu", {shown}, 0);
  CheckFileBytes(L"data.bin after Delete from the menu", opened.list_file, Ansi(shown + L";"));

  // Open from the menu.
  CheckOpens(app, L"Menu Shown", [&] {
    UseMenu(
        app, L"menu item O", [&] { return ContextKey(app); }, 'O');
    return true;
  });
  SetForegroundWindow(app.main);
  ExpectFocus(app, L"after Open from the menu", L"List1");

  // With no entry there is nothing to act on: no menu, and Enter does nothing.
  UseMenu(
      app, L"menu item D on the last entry", [&] { return ContextKey(app); }, 'D');
  CheckList(app, L"after deleting the last entry", {}, -1);
  ContextKey(app);
  Check(L"no menu without entries", WaitForMenu(app, 1000) == nullptr, L"a menu");
  PressKey(app, VK_RETURN);
  ExpectNoDialog(app, L"Enter without entries");
  CheckFileBytes(L"data.bin after deleting the last entry", opened.list_file, "");
  Close(&app);

  // The menu comes at the selected entry, scrolled back into view first.
  g_scenario = L"keyboard: List1's menu for an entry scrolled out of view";
  std::wstring many;
  for (int i = 0; i < 40; ++i) many += L"C:\\veilkeep menu\\entry " + std::to_wstring(i) + L";";
  WriteFixture(opened.list_file, Ansi(many));
  if (!Start(opened.folder, &app)) return Close(&app);
  PressTab(app, 5);  // to List1
  HWND list = app.Item(IDC_LIST1);
  Send(list, LVM_SCROLL, 0, 10000);
  Require(Send(list, LVM_GETTOPINDEX) > 0, L"scroll List1 to its end", L"still at the top");
  ContextKey(app);
  if (HWND menu = WaitForMenu(app)) {
    RECT inside = {}, placed = {};
    GetWindowRect(list, &inside);
    GetWindowRect(menu, &placed);
    Check(L"the menu's corner is within List1", PtInRect(&inside, {placed.left, placed.top}),
          L"at " + std::to_wstring(placed.left) + L", " + std::to_wstring(placed.top) +
              L", List1 from " + std::to_wstring(inside.left) + L", " +
              std::to_wstring(inside.top) + L" to " + std::to_wstring(inside.right) + L", " +
              std::to_wstring(inside.bottom));
    PressKey(app, VK_ESCAPE);
  } else {
    Require(false, L"open List1's menu with the context key", L"no menu within 10 s");
  }
  // A folder dropped on the long list joins it at the end, selected and scrolled
  // into view. (Wine's list view also scrolls to an entry it is given the focus
  // of; Windows' does not, which List1 makes up for.)
  Drop(app, {MakeFolder(L"Menu Dropped")});
  const LRESULT top = Send(list, LVM_GETTOPINDEX);
  Check(L"the dropped folder, entry 40, is scrolled into view",
        top <= 40 && 40 < top + Send(list, LVM_GETCOUNTPERPAGE),
        L"rows from " + std::to_wstring(top) + L" shown");
  Close(&app);
}

}  // namespace e2e
