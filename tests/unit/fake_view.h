// A main window that only remembers what it was told to show.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "app/form1.h"
#include "app/view.h"

namespace vk {

class FakeView final : public Form1View {
 public:
  struct Image {
    std::wstring file, key;
    int builtin_id;
  };

  // As the window is created: Add on, the rest off, status "Hidden:".
  std::vector<std::wstring> list;
  int selected = -1;
  bool enabled[kCommandCount] = {true, false, false, false, false};
  std::wstring status = kStatusInitial;
  std::vector<Image> images;
  std::map<int, int> toolbar_pictures;
  int calls = 0;

  void List1Fill(const EntryList& entries) override { ++calls, list = entries, selected = -1; }
  void List1Append(const std::wstring& entry) override { ++calls, list.push_back(entry); }
  void List1Remove(int index) override {
    ++calls;
    list.erase(list.begin() + index);
    selected = -1;
  }
  void List1Select(int index) override { ++calls, selected = index; }
  void SetCommandEnabled(int index, bool on) override { ++calls, enabled[index] = on; }
  void SetStatusText(const std::wstring& text) override { ++calls, status = text; }
  void ImageList1Add(const std::wstring& file, const std::wstring& key, int builtin_id) override {
    ++calls, images.push_back({file, key, builtin_id});
  }
  void SetToolbarPicture(int button, int image) override {
    ++calls, toolbar_pictures[button] = image;
  }

  // The five enabled states as a string such as "10011", Add first.
  std::string Buttons() const {
    std::string s;
    for (bool on : enabled) s += on ? '1' : '0';
    return s;
  }
};

}  // namespace vk
