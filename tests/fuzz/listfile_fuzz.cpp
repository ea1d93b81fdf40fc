// Fuzz target for data.bin: any bytes load without harm, and whatever the
// reader makes of them, both writers write the same bytes, the ones the
// plain encoder makes, and reading those back gives the same entries.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

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
  }
  return 0;
}
