#include "app/win32/requests.h"

#include <string>
#include <vector>

#include "app/form1.h"
#include "app/messages.h"
#include "app/win32/form1_window.h"
#include "platform/win32/win32_platform.h"

namespace vk {
namespace {

// A request on the wire: the tag, the thread to answer, the kind, then each
// folder ending with a NUL.
constexpr DWORD kRequestTag = 0x51524B56;  // "VKRQ"
constexpr size_t kHeaderWords = 3;
// The answer, posted to the thread that handed the request over: wParam the exit code.
constexpr UINT kAnswerMessage = WM_APP + 0x29;
// Starts that carry out their request alone take turns at data.bin.
constexpr wchar_t kTurnMutexName[] = L"Local\\Orvanta.Veilkeep.Requests";
// A window that does not take a request (busy, or closing) is asked again
// this many times before the request is carried out here all the same.
constexpr int kHandOverTries = 20;
constexpr UINT kHandOverMs = 10000;

// The main window shows nothing here: the request's messages still show.
class NoView final : public Form1View {
 public:
  void List1Fill(const EntryList&) override {}
  void List1Append(std::wstring_view) override {}
  void List1Remove(int) override {}
  void List1Select(int) override {}
  void SetCommandEnabled(int, bool) override {}
  void SetStatusText(const std::wstring&) override {}
  void LoadToolbarPictures(const std::wstring&) override {}
  void ShowHowToUse() override {}
  void ShowAbout(const std::wstring&) override {}
  void FollowAgainSoon() override {}  // a request waits for a busy file itself
};

// A folder as this start's working folder names it.
std::wstring FullPath(const std::wstring& folder) {
  const DWORD size = GetFullPathNameW(folder.c_str(), 0, nullptr, nullptr);
  if (size == 0) return folder;
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(folder.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return folder;
  full.resize(length);
  while (full.size() > 3 && full.back() == L'\\') full.pop_back();
  return full;
}

// The running window's answer; none when it did not take the request or
// closed before answering. *refused when it may never take one: it runs with
// more rights than this start (as administrator), and the system keeps this
// start's messages from it.
std::optional<int> HandOver(HWND window, const Request& request, bool* refused) {
  MSG msg = {};
  PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // a queue for the answer
  std::vector<DWORD> words = {kRequestTag, GetCurrentThreadId(), static_cast<DWORD>(request.kind)};
  std::wstring folders;
  for (const std::wstring& folder : request.folders) folders += folder + L'\0';
  std::vector<BYTE> bytes(words.size() * sizeof(DWORD) + folders.size() * sizeof(wchar_t));
  memcpy(bytes.data(), words.data(), words.size() * sizeof(DWORD));
  memcpy(bytes.data() + words.size() * sizeof(DWORD), folders.data(),
         folders.size() * sizeof(wchar_t));
  COPYDATASTRUCT data = {kRequestTag, static_cast<DWORD>(bytes.size()), bytes.data()};
  DWORD_PTR taken = FALSE;
  if (!SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                           SMTO_ABORTIFHUNG, kHandOverMs, &taken)) {
    *refused = GetLastError() == ERROR_ACCESS_DENIED;
    return std::nullopt;
  }
  if (!taken) return std::nullopt;
  // As long as the request waits (a window of ours may be up), not longer than the window lives.
  for (;;) {
    const bool open = IsWindow(window);
    if (PeekMessageW(&msg, nullptr, kAnswerMessage, kAnswerMessage, PM_REMOVE)) {
      return static_cast<int>(msg.wParam);
    }
    if (!open) return std::nullopt;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 250, QS_POSTMESSAGE);
  }
}

int CarryOutAlone(Win32Platform& platform, const Request& request) {
  NoView view;
  Form1 form(platform, view, VEILKEEP_PUBLISHER_HOST);
  form.Load(/*window=*/false);
  return form.CarryOut(request) ? kExitDone : kExitNotDone;
}

}  // namespace

std::optional<int> RunCommandLine() {
  Request request = ParseCommandLine(GetCommandLineW());
  if (request.kind == Request::Kind::None) return std::nullopt;
  Win32Platform platform;
  platform.SetWindowless();  // nobody may be there to answer a box: the exit code tells
  if (request.kind == Request::Kind::Bad) {
    ShowError(platform, msg::BadCommandLine(kUsage));
    return kExitBadCommandLine;
  }
  if (request.kind == Request::Kind::ShortcutKey) {
    Status set = SetShortcutKey(platform, platform.ProgramPath(), request.key);
    if (!set) ShowError(platform, msg::ShortcutKeyNotSet(set.reason));
    return set ? kExitDone : kExitNotDone;
  }
  if (request.kind == Request::Kind::FolderMenuOn || request.kind == Request::Kind::FolderMenuOff) {
    Status set = SetFolderMenu(platform, platform.ProgramPath(),
                               request.kind == Request::Kind::FolderMenuOn);
    if (!set) ShowError(platform, msg::FolderMenuNotChanged(set.reason));
    return set ? kExitDone : kExitNotDone;
  }
  for (std::wstring& folder : request.folders) folder = FullPath(folder);
  bool refused = false;
  for (int tries = 0;; ++tries) {
    const bool hand_over = tries < kHandOverTries && !refused;
    if (HWND running = FindRunningForm1(); running && hand_over) {
      if (std::optional<int> answer = HandOver(running, request, &refused)) return answer;
      if (!refused) Sleep(100);
      continue;
    }
    // No window: one start at a time catches up with data.bin and saves,
    // so that none loses another's folders. The single-copy name is left
    // alone: a normal start meanwhile opens its window.
    KernelHandle turn(CreateMutexW(nullptr, FALSE, kTurnMutexName));
    if (turn) WaitForSingleObject(turn.get(), INFINITE);
    if (hand_over && FindRunningForm1()) {  // a window opened while this start waited
      if (turn) ReleaseMutex(turn.get());
      continue;
    }
    const int code = CarryOutAlone(platform, request);
    if (turn) ReleaseMutex(turn.get());
    return code;
  }
}

bool TakeHandedRequest(const COPYDATASTRUCT& data, Request* request, DWORD* reply_to) {
  constexpr size_t kHeader = kHeaderWords * sizeof(DWORD);
  if (data.dwData != kRequestTag || !data.lpData || data.cbData < kHeader ||
      (data.cbData - kHeader) % sizeof(wchar_t) != 0) {
    return false;
  }
  DWORD words[kHeaderWords] = {};
  memcpy(words, data.lpData, kHeader);
  const auto kind = static_cast<Request::Kind>(words[2]);
  const bool all = kind == Request::Kind::HideAll || kind == Request::Kind::UnhideAll;
  if (words[0] != kRequestTag || (kind != Request::Kind::Hide && kind != Request::Kind::Unhide &&
                                  kind != Request::Kind::FindHidden && !all)) {
    return false;
  }
  std::wstring folders((data.cbData - kHeader) / sizeof(wchar_t), L'\0');
  memcpy(folders.data(), static_cast<const BYTE*>(data.lpData) + kHeader,
         folders.size() * sizeof(wchar_t));
  request->kind = kind;
  request->folders.clear();
  for (size_t at = 0; at < folders.size();) {
    const size_t end = folders.find(L'\0', at);
    if (end == std::wstring::npos || end == at) return false;
    request->folders.push_back(folders.substr(at, end - at));
    at = end + 1;
  }
  *reply_to = words[1];
  return request->folders.empty() == all;
}

void AnswerHandedRequest(DWORD reply_to, bool done) {
  PostThreadMessageW(reply_to, kAnswerMessage, done ? kExitDone : kExitNotDone, 0);
}

}  // namespace vk
