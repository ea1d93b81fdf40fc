// A main window that only remembers what it was told to show.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/form1.h"
#include "app/view.h"

namespace vk {

// A user who cancels a search before folder number `at` (-1: never; -2:
// while the first folder is listed, which it is asked about twice then).
struct CancelAt final : SearchWatch {
  explicit CancelAt(int at) : at(at) {}
  bool Next(const std::wstring&, uint64_t searched) override {
    return at == -2 ? calls++ == 0 : int(searched) != at;
  }
  int at, calls = 0;
};

class FakeView final : public Form1View {
 public:
  // As the window is created: Add on, the rest off, status "Hidden:".
  std::vector<std::wstring> list;
  int selected = -1;
  bool enabled[kCommandCount] = {true, false, false, false, false};
  std::wstring status = kStatusInitial;
  std::wstring picture_folder;  // where the toolbar pictures were loaded from
  bool pictures_before_list = false;
  int list_fills = 0;
  int calls = 0;
  std::vector<std::wstring> shown;  // "How To Use", or the About window's version line
  std::function<void()> while_modal;  // runs while About or How To Use is up

  void List1Fill(const EntryList& entries) override {
    ++calls, ++list_fills, list.assign(entries.begin(), entries.end()), selected = -1;
  }
  void List1Append(std::wstring_view entry) override { ++calls, list.emplace_back(entry); }
  void List1Remove(int index) override {
    ++calls;
    list.erase(list.begin() + index);
    selected = -1;
  }
  void List1Select(int index) override { ++calls, selected = index; }
  void SetCommandEnabled(int index, bool on) override { ++calls, enabled[index] = on; }
  void SetStatusText(const std::wstring& text) override { ++calls, status = text; }
  void LoadToolbarPictures(const std::wstring& program_folder) override {
    ++calls, picture_folder = program_folder, pictures_before_list = list_fills == 0;
  }

  void FollowAgainSoon() override { ++follow_soon; }
  int follow_soon = 0;  // asked to follow data.bin again in a moment
  void ShowHowToUse() override {
    shown.push_back(L"How To Use");
    if (while_modal) while_modal();
  }
  void ShowAbout(const std::wstring& version_text) override {
    shown.push_back(version_text);
    if (while_modal) while_modal();
  }

  // hold_idle: what waits for the window's first idle moment runs only when the test calls idle().
  bool hold_idle = false;
  std::function<void()> idle;
  void AtIdle(std::function<void()> then) override {
    if (!hold_idle) return then();
    idle = std::move(then);
  }
  // hold_aside: the stick's look-up ends only when the test calls aside().
  bool hold_aside = false;
  std::function<void()> aside;
  void RunAside(const std::function<void()>& work, std::function<void()> done) override {
    if (!hold_aside) return Form1View::RunAside(work, std::move(done));  // as a view that shows nothing
    work();
    aside = std::move(done);
  }

  // Shortcut Key For Hide All: the key the user chooses (-1: Cancel), and the one shown.
  int choose_key = -1;
  uint16_t key_shown = 0;
  bool ChooseShortcutKey(uint16_t now, uint16_t* key) override {
    key_shown = now;
    if (choose_key >= 0) *key = static_cast<uint16_t>(choose_key);
    return choose_key >= 0;
  }

  // The search's windows: the user cancels the search before folder number
  // `cancel_at` (-1: never), then Add (`add_found`) takes what was found but
  // `unchecked`, as `chosen`, or Cancel.
  int cancel_at = -1;
  bool add_found = true;
  std::wstring unchecked;
  std::vector<std::wstring> chosen;
  int searches = 0;
  void RunSearch(const std::function<void(SearchWatch&)>& search) override {
    ++searches;
    CancelAt watch(cancel_at);
    if (cancel_at == -1) {
      Form1View::RunSearch(search);  // as a view that shows nothing runs it
    } else {
      search(watch);
    }
    if (while_modal) while_modal();
  }
  std::wstring note;  // above what was found
  bool ChooseFoundFolders(const std::wstring& note_shown, const std::vector<std::wstring>& found,
                          std::vector<std::wstring>* taken) override {
    note = note_shown;
    for (const std::wstring& path : found) {
      if (path != unchecked) taken->push_back(path);
    }
    chosen = add_found ? *taken : std::vector<std::wstring>();
    if (while_modal) while_modal();
    return add_found;
  }

  // The captions of the enabled buttons in order, such as "Add Delete Open Hide".
  std::string Buttons() const {
    static const char* const captions[kCommandCount] = {"Add", "Delete", "Open", "Hide", "Unhide"};
    std::string s;
    for (int i = 0; i < kCommandCount; ++i) {
      if (enabled[i]) s += (s.empty() ? "" : " ") + std::string(captions[i]);
    }
    return s;
  }
};

}  // namespace vk
