// Folder names beyond plain letters: one no ANSI code page holds, and names
// with spaces and characters that mean something on a command line.
#include "harness.h"

namespace e2e {

void UnicodeFolder() {
  g_scenario = L"Unicode folder";
  const std::wstring folder = MakeProgramFolder(L"unicode");
  const std::wstring list_file = folder + L"\\data.bin";
  // "Ünïcødé 文件夹 📁": the last character is outside every ANSI code page.
  const std::wstring unicode =
      MakeFolder(L"\u00DCn\u00EFc\u00F8d\u00E9 \u6587\u4EF6\u5939 \U0001F4C1");
  const std::wstring plain = MakeFolder(L"Plain Ascii");
  const std::string bom = "\xEF\xBB\xBF";
  App app;
  if (!Start(folder, &app)) return Close(&app);
  if (!AddFolder(app, unicode)) return Close(&app);
  CheckList(app, L"after Add", {unicode}, 0);
  HideAndUnhide(app, unicode);
  Close(&app);
  CheckFileBytes(L"data.bin is the UTF-8 byte-order mark and the path in UTF-8", list_file,
                 bom + Utf8(unicode + L";"));

  g_scenario = L"Unicode folder after a restart";
  if (!Start(folder, &app)) return Close(&app);
  CheckList(app, L"at start", {unicode}, 0);
  CheckState(app, L"at start", L"Add Delete Open Hide", L"Hidden: False");
  ExpectNoDialog(app, L"start-up");

  g_scenario = L"ASCII list after a Unicode one";
  AddFolder(app, plain);
  CheckFileBytes(L"data.bin with both folders is UTF-8", list_file,
                 bom + Utf8(unicode + L";" + plain + L";"));
  ClickListEntry(app, 0);
  Click(app, kDelete);
  CheckList(app, L"after deleting the Unicode folder", {plain}, 0);
  CheckFileBytes(L"data.bin is plain bytes without the mark", list_file, Utf8(plain + L";"));
  Close(&app);
}

namespace {

// Every folder directly in `parent` whose hidden and system attributes are not
// as wanted: set on `target` alone. Empty when all are right.
std::wstring WrongAttributes(const std::wstring& parent, const std::wstring& target) {
  std::wstring wrong;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((parent + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return L"cannot list " + parent;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = parent + L"\\" + name;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    const bool hidden = HiddenAndSystem(attributes);
    const bool clear = !(attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    if (path == target ? !hidden : !clear) wrong += Quote(name) + L" " + Hex(attributes) + L"; ";
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return wrong;
}

}  // namespace

void AwkwardNames() {
  g_scenario = L"awkward folder names";
  const std::wstring folder = MakeProgramFolder(L"awkward");
  const std::wstring list_file = folder + L"\\data.bin";
  const std::wstring parent = MakeFolder(L"awkward names");
  // Spaces, commas, "&", "^", "=", a variable between "%" and a lone "%", a leading "-".
  const std::vector<std::wstring> names = {L"a b, c=d & e %PATH% ^x", L"-rf", L"odd a,b=c",
                                           L"x & y ^ z = 50%"};
  MakeFolder(L"awkward names\\bystander");  // never listed: must stay as it is
  std::vector<std::wstring> paths;
  std::wstring list;
  for (const std::wstring& name : names) {
    paths.push_back(MakeFolder(L"awkward names\\" + name));
    list += paths.back() + L";";
  }
  WriteFixture(list_file, Ansi(list));
  const FileState saved = ReadFileState(list_file);

  App app;
  if (!Start(folder, &app)) return Close(&app);
  CheckList(app, L"at start", paths, 0);
  for (size_t i = 0; i < names.size(); ++i) {
    const std::wstring quoted = Quote(names[i]);
    ClickListEntry(app, static_cast<int>(i));
    Click(app, kHide);
    std::wstring wrong = WrongAttributes(parent, paths[i]);
    Check(L"Hide " + quoted + L": hidden and system set on it and on no other folder",
          wrong.empty(), wrong);
    Click(app, kUnhide);
    wrong = WrongAttributes(parent, L"");
    Check(L"Unhide " + quoted + L": no folder hidden or system", wrong.empty(), wrong);
    CheckOpens(app, names[i], [&] { return PostClick(app, kOpen); });
  }
  CheckList(app, L"at the end", paths, static_cast<int>(names.size()) - 1);
  Close(&app);
  CheckFileUntouched(L"data.bin untouched by Hide, Unhide and Open", list_file, saved);
}

}  // namespace e2e

namespace e2e {
namespace {

// The buttons the program enables for a folder whose status panel reads `status`.
std::wstring ButtonsFor(const std::wstring& status) {
  return status == L"Hidden: True" ? L"Add Delete Open Unhide" : L"Add Delete Open Hide";
}

}  // namespace

// What is listed is not always a plain folder: a file took its place, a link
// points at a folder or at nothing, or the user may not change the folder.
void UnexpectedObjects() {
  if (!Require(!g_locked.empty(), L"a folder we may not change (--locked)", L"none given")) return;
  const std::wstring file = g_root + L"\\Became A File";
  const std::wstring target = MakeFolder(L"Link Target");
  const std::wstring link = g_root + L"\\Link To Folder";
  const std::wstring dangling = g_root + L"\\Link To Nothing";
  WriteFixture(file, "not a folder");
  RunUnix(L"ln -s " + UnixPath(target) + L" " + UnixPath(link) + L" && ln -s " +
          UnixPath(g_root + L"\\Nowhere") + L" " + UnixPath(dangling));
  const auto [folder, list_file, saved] = OpenScenario(
      L"a file where a listed folder was", L"objects", {file, link, dangling, g_locked});
  App app;
  if (!Start(folder, &app)) return Close(&app);
  CheckList(app, L"at start", {file, link, dangling, g_locked}, 0);
  CheckState(app, L"the file selected", ButtonsFor(StatusFor(file)), StatusFor(file));
  if (PostClick(app, kHide)) ExpectMessage(app, L"Folder " + file + L" doesn't exist!");
  CheckList(app, L"after the message", {link, dangling, g_locked}, 2);
  CheckFileBytes(L"data.bin without the file", list_file,
                 Ansi(link + L";" + dangling + L";" + g_locked + L";"));
  CheckNumber(L"the file's attributes are left alone", FILE_ATTRIBUTE_ARCHIVE,
              GetFileAttributesW(file.c_str()) & ~FILE_ATTRIBUTE_NORMAL);

  g_scenario = L"a folder whose attributes we may not change";
  CheckState(app, L"selected", L"Add Delete Open Hide", L"Hidden: False");
  if (PostClick(app, kHide)) {
    ExpectMessageWith(app, {L"could not be hidden", g_locked, SystemMessage(ERROR_ACCESS_DENIED)});
  }
  CheckHidden(g_locked, false);
  CheckState(app, L"after the refused Hide", L"Add Delete Open Hide", L"Hidden: False");

  g_scenario = L"a link to a folder";
  ClickListEntry(app, 0);
  CheckState(app, L"selected", L"Add Delete Open Hide", L"Hidden: False");
  HideAndUnhide(app, link);

  g_scenario = L"a link to nothing";
  ClickListEntry(app, 1);
  CheckState(app, L"selected", ButtonsFor(StatusFor(dangling)), StatusFor(dangling));
  if (PostClick(app, StatusFor(dangling) == L"Hidden: True" ? kUnhide : kHide)) {
    ExpectMessage(app, L"Folder " + dangling + L" doesn't exist!");
  }
  CheckList(app, L"after the message", {link, g_locked}, 1);
  CheckFileBytes(L"data.bin without the link", list_file, Ansi(link + L";" + g_locked + L";"));
  Close(&app);
}

// Folders whose paths pass 260 characters work like any other. (Wine's folder
// browser cannot select one, so they come from data.bin.)
void DeepFolders() {
  g_scenario = L"a folder more than 300 characters deep";
  std::wstring name = L"deep";
  MakeFolder(name);
  for (int level = 1; level <= 8; ++level) {
    name += L"\\level " + std::to_wstring(level) + L" " + std::wstring(30, L'x');
    MakeFolder(name);
  }
  const std::wstring deep = g_root + L"\\" + name;
  const std::wstring deeper = MakeFolder(name + L"\\deeper");
  Check(L"the path is longer than 300 characters", deep.size() > 300, std::to_wstring(deep.size()));
  const auto [folder, list_file, before] =
      OpenScenario(g_scenario, L"deep program", {deep, deeper});
  App app;
  if (!Start(folder, &app)) return Close(&app);
  CheckList(app, L"at start", {deep, deeper}, 0);
  CheckState(app, L"at start", L"Add Delete Open Hide", L"Hidden: False");
  HideAndUnhide(app, deep);
  // Wine's shell makes no item of such a path, and its file manager opens
  // none: Open says so rather than show another folder.
  if (PostClick(app, kOpen)) {
    ExpectMessageWith(app, {L"could not be opened", deep, L"longer than 260 characters"});
  }
  CheckList(app, L"after Open", {deep, deeper}, 0);

  g_scenario = L"a list of folders more than 300 characters deep, saved";
  ClickListEntry(app, 1);
  Click(app, kDelete);
  CheckList(app, L"after Delete", {deep}, 0);
  CheckFileBytes(L"data.bin after Delete", list_file, Ansi(deep + L";"));
  Check(L"data.bin written again", ReadFileState(list_file).written != before.written,
        L"the same write time as before");
  Close(&app);
}

// No file manager to open a folder with (Server Core has no Explorer): Open
// says so. Wine's explorer.exe, moved away for the moment, is also its
// desktop: the session is not the same after, so this runs last in it.
void NoFileManager() {
  g_scenario = L"no file manager";
  const std::wstring shown = MakeFolder(L"-rf");
  const auto [folder, list_file, saved] = OpenScenario(g_scenario, L"no manager", {shown});
  App app;
  if (!Start(folder, &app)) return Close(&app);
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  const std::vector<std::wstring> managers = {std::wstring(windows) + L"\\explorer.exe",
                                              std::wstring(windows) + L"\\system32\\explorer.exe"};
  for (const std::wstring& manager : managers) MoveFileW(manager.c_str(), (manager + L"~").c_str());
  if (PostClick(app, kOpen)) ExpectMessageWith(app, {L"could not be opened", shown});
  for (const std::wstring& manager : managers) MoveFileW((manager + L"~").c_str(), manager.c_str());
  Close(&app);
  CheckFileUntouched(L"data.bin untouched by Open", list_file, saved);
}

}  // namespace e2e
