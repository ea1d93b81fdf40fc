#include "app/command_line.h"

#include <algorithm>
#include <cwchar>
#include <utility>

namespace vk {
namespace {

// Splits the arguments after the program's name as Windows does: spaces and
// tabs separate them; quotes group, and a quote doubled inside quotes is
// one; 2n backslashes before a quote are n, 2n+1 are n and a literal quote.
// Split as `folders`, every quote groups, ends the folder before it, and
// every backslash is kept: no folder's name holds a quote, so
// "D:\My Data\" E:\Notes is the two folders it was meant as, where Windows
// reads one name with a quote in it.
std::vector<std::wstring> Arguments(std::wstring_view line, bool folders = false) {
  size_t at = 0;
  // The program's name: up to the closing quote, or to the first space; no escapes.
  if (at < line.size() && line[at] == L'"') {
    const size_t close = line.find(L'"', 1);
    at = close == std::wstring_view::npos ? line.size() : close + 1;
  }
  while (at < line.size() && line[at] != L' ' && line[at] != L'\t') ++at;

  std::vector<std::wstring> arguments;
  for (;;) {
    while (at < line.size() && (line[at] == L' ' || line[at] == L'\t')) ++at;
    if (at >= line.size()) return arguments;
    std::wstring argument;
    bool quoted = false, split = false;
    while (at < line.size() && (quoted || (line[at] != L' ' && line[at] != L'\t'))) {
      if (folders) {
        // A quote ends the folder before it: "D:\My Data\"E:\Notes is two.
        if (line[at] == L'"' && !argument.empty()) {
          arguments.push_back(std::move(argument));
          argument.clear();
          split = true;
        }
        if (line[at] == L'"') {
          quoted = !quoted;
        } else {
          argument += line[at];
        }
        ++at;
        continue;
      }
      size_t slashes = 0;
      while (at < line.size() && line[at] == L'\\') ++slashes, ++at;
      if (at < line.size() && line[at] == L'"') {
        argument.append(slashes / 2, L'\\');
        if (slashes % 2 == 1) {
          argument += L'"';
        } else if (quoted && at + 1 < line.size() && line[at + 1] == L'"') {
          argument += L'"';
          ++at;
        } else {
          quoted = !quoted;
        }
        ++at;
      } else {
        argument.append(slashes, L'\\');
        if (at < line.size() && (quoted || (line[at] != L' ' && line[at] != L'\t'))) {
          argument += line[at++];
        }
      }
    }
    if (!split || !argument.empty()) arguments.push_back(std::move(argument));
  }
}

bool IsSwitch(const std::wstring& argument, std::wstring_view name) {
  if (argument.size() != name.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    wchar_t c = argument[i];
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    if (c != name[i]) return false;
  }
  return true;
}

// A folder as the user meant it: a trailing backslash names the same folder as none.
std::wstring Folder(std::wstring folder) {
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  return folder;
}

constexpr const wchar_t* kVerbKeys[] = {L"Veilkeep.Hide", L"Veilkeep.Unhide"};
constexpr const wchar_t* kVerbTexts[] = {L"Hide with Veilkeep", L"Unhide with Veilkeep"};
constexpr const wchar_t* kVerbSwitches[] = {L"/hide", L"/unhide"};

std::wstring VerbCommand(const std::wstring& exe, int verb) {
  return L"\"" + exe + L"\" " + kVerbSwitches[verb] + L" \"%1\"";
}

}  // namespace

Request ParseCommandLine(std::wstring_view command_line) {
  const std::vector<std::wstring> arguments = Arguments(command_line);
  Request request;
  if (arguments.empty()) return request;
  request.kind = Request::Kind::Bad;
  if (IsSwitch(arguments[0], L"/folder-menu")) {
    if (arguments.size() == 2 && IsSwitch(arguments[1], L"on")) {
      request.kind = Request::Kind::FolderMenuOn;
    } else if (arguments.size() == 2 && IsSwitch(arguments[1], L"off")) {
      request.kind = Request::Kind::FolderMenuOff;
    }
    return request;
  }
  if (IsSwitch(arguments[0], L"/shortcut-key")) {
    if (arguments.size() == 2 && IsSwitch(arguments[1], L"off")) {
      request.kind = Request::Kind::ShortcutKey;
    } else if (arguments.size() == 2 && ParseShortcutKey(arguments[1], &request.key)) {
      request.kind = Request::Kind::ShortcutKey;
    }
    return request;
  }
  for (const auto& [name, kind] : {std::pair{L"/hide-all", Request::Kind::HideAll},
                                   std::pair{L"/unhide-all", Request::Kind::UnhideAll}}) {
    if (IsSwitch(arguments[0], name)) {
      if (arguments.size() == 1) request.kind = kind;
      return request;
    }
  }
  const std::vector<std::wstring> folders = Arguments(command_line, true);
  if (IsSwitch(arguments[0], L"/find-hidden")) {
    if (folders.size() == 2 && !folders[1].empty()) {
      request.kind = Request::Kind::FindHidden;
      request.folders.push_back(Folder(folders[1]));
    }
    return request;
  }
  const bool hide = IsSwitch(arguments[0], L"/hide");
  if (!hide && !IsSwitch(arguments[0], L"/unhide")) return request;
  for (size_t i = 1; i < folders.size(); ++i) {
    std::wstring folder = Folder(folders[i]);
    if (folder.empty()) {
      request.folders.clear();
      break;
    }
    request.folders.push_back(std::move(folder));
  }
  if (!request.folders.empty()) request.kind = hide ? Request::Kind::Hide : Request::Kind::Unhide;
  return request;
}

bool ParseShortcutKey(std::wstring_view text, uint16_t* key) {
  uint16_t modifiers = 0, code = 0;
  for (size_t at = 0; at <= text.size();) {
    const size_t plus = std::min(text.find(L'+', at), text.size());
    const std::wstring part(text.substr(at, plus - at));
    at = plus + 1;
    uint16_t modifier = IsSwitch(part, L"ctrl")    ? kKeyControl
                        : IsSwitch(part, L"alt")   ? kKeyAlt
                        : IsSwitch(part, L"shift") ? kKeyShift
                                                   : 0;
    if (modifier) {
      if (modifiers & modifier) return false;
      modifiers |= modifier;
      continue;
    }
    wchar_t c = part.size() == 1 ? part[0] : 0;
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    int f = 0;
    if (part.size() >= 2 && (part[0] == L'f' || part[0] == L'F'))
      f = std::wcstol(part.c_str() + 1, nullptr, 10);
    if (code) return false;  // one key
    if ((c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9')) {
      code = c;
    } else if (f >= 1 && f <= 24 && part == (part.substr(0, 1) + Decimal(f))) {
      code = static_cast<uint16_t>(0x6F + f);  // VK_F1 is 0x70
    } else {
      return false;
    }
  }
  if (!code) return false;
  *key = static_cast<uint16_t>(modifiers | code);
  return true;
}

std::wstring ShortcutKeyText(uint16_t key) {
  const unsigned code = key & 0xFF;
  if (!code) return {};
  std::wstring text;
  if (key & kKeyControl) text += L"Ctrl+";
  if (key & kKeyAlt) text += L"Alt+";
  if (key & kKeyShift) text += L"Shift+";
  return text + (code >= 0x70 && code <= 0x87 ? L"F" + Decimal(code - 0x6F)
                                              : std::wstring(1, static_cast<wchar_t>(code)));
}

uint16_t ShortcutKeyNow(Platform& platform) {
  Shortcut shortcut;
  return platform.ReadStartMenuShortcut(kShortcutName, &shortcut) ? shortcut.key : 0;
}

Status SetShortcutKey(Platform& platform, const std::wstring& exe, uint16_t key) {
  if (!key) return platform.RemoveStartMenuShortcut(kShortcutName);
  // Windows leaves keys without Ctrl or Alt to the program that has the focus.
  if (!(key & (kKeyControl | kKeyAlt))) {
    return Status::Fail(L"The key " + ShortcutKeyText(key) +
                        L" is not taken: a shortcut key needs Ctrl or Alt, or it would be typed "
                        L"into the program you are in.");
  }
  const std::wstring folder = exe.substr(0, exe.find_last_of(L'\\') + 1);
  return platform.SaveStartMenuShortcut(
      kShortcutName, {exe, L"/hide-all",
                      folder.size() > 3 ? folder.substr(0, folder.size() - 1) : folder, key, true});
}

bool FolderMenuIsHere(Platform& platform, const std::wstring& exe) {
  for (int verb = 0; verb < 2; ++verb) {
    if (platform.FolderVerbCommand(kVerbKeys[verb]) != VerbCommand(exe, verb)) return false;
  }
  return true;
}

Status SetFolderMenu(Platform& platform, const std::wstring& exe, bool on) {
  for (int verb = 0; verb < 2; ++verb) {
    Status done = on ? platform.SetFolderVerb(
                           {kVerbKeys[verb], kVerbTexts[verb], VerbCommand(exe, verb), exe + L",0"})
                     : platform.RemoveFolderVerb(kVerbKeys[verb]);
    if (!done) return done;
  }
  return Status::Ok();
}

}  // namespace vk
