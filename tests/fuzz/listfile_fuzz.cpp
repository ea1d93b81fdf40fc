// Fuzz target for data.bin: any bytes load without harm, and whatever the
// reader makes of them, both writers write the same bytes, the ones the
// plain encoder makes, and reading those back gives the same entries. The
// list's own edits (erase, insert, resize) keep it equal to a plain vector.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>
#include <algorithm>

#include "fake_platform.h"
#include "listfile/listfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (bool cyrillic : {false, true}) {  // two ANSI code pages
    vk::FakePlatform platform;
    platform.cyrillic_ansi = cyrillic;
    const std::wstring path = platform.ListPath();
    platform.files[path] = {std::string(reinterpret_cast<const char*>(data), size), false};

    vk::ListFile file(platform, path);
    vk::LoadResult loaded = file.LoadList();
    if (loaded.state != vk::LoadState::Loaded) std::abort();

    if (!file.SaveWholeList(loaded.entries)) std::abort();
    const std::string whole = platform.files[path].bytes;
    if (whole != vk::EncodeListPlain(platform, loaded.entries)) std::abort();
    if (!file.SaveEntryByEntry(loaded.entries)) std::abort();
    if (platform.files[path].bytes != whole) std::abort();

    vk::ListFile again(platform, path);
    if (again.LoadList().entries != loaded.entries) std::abort();
    if (vk::ParseList(platform.FromAnsi(whole)) != loaded.entries &&
        whole.compare(0, 3, "\xEF\xBB\xBF") != 0) {
      std::abort();  // reading ANSI bytes is decoding them whole, then splitting
    }
  }

  // Edits, steered by the input's bytes, against the same edits of a vector.
  vk::FakePlatform platform;
  platform.files[platform.ListPath()] = {std::string(reinterpret_cast<const char*>(data), size),
                                         false};
  vk::EntryList list = vk::ListFile(platform, platform.ListPath()).LoadList().entries;
  std::vector<std::wstring> model(list.begin(), list.end());
  for (size_t i = 0; i < size && i < 64; ++i) {
    const size_t at = model.empty() ? 0 : data[i] % (model.size() + 1);
    switch (data[i] % 4) {
      case 0:
        if (at < model.size()) list.erase(at), model.erase(model.begin() + at);
        break;
      case 1: {
        const std::wstring entry(data[i] % 7, static_cast<wchar_t>(L'a' + data[i] % 26));
        list.insert(at, entry), model.insert(model.begin() + std::min(at, model.size()), entry);
        break;
      }
      case 2:
        list.resize(at), model.resize(std::min(at, model.size()));
        break;
      case 3: {
        const vk::EntryList copy = list;
        list = copy;
        break;
      }
    }
    if (!(list == model)) std::abort();
    for (size_t k = 0; k < model.size(); ++k) {
      if (list[k].data()[list[k].size()] != L'\0') std::abort();  // each entry ends with a NUL
    }
  }
  return 0;
}
