// The list-file codec at 32,767 entries of 40 to 60 characters, beside
// memchr over the same bytes as the ceiling. Conversions to and from the
// ANSI code page are the test fake's (Latin-1).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstring>
#include <random>

#include "fake_platform.h"
#include "listfile/listfile.h"

namespace vk {
namespace {

// `first_extra` is added to the first entry.
EntryList MakeEntries(const std::wstring& first_extra = L"") {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> length(40, 60);
  EntryList entries;
  for (int i = 0; i < 32767; ++i) {
    std::wstring entry = L"C:\\Users\\Someone\\Documents\\Folder " + std::to_wstring(i) + L" ";
    entry.resize(length(random), L'x');
    entries.push_back(i == 0 ? entry + first_extra : entry);
  }
  return entries;
}

// glibc gives freed memory back to the system unless told to keep it: each
// round would then pay for fresh pages, and how often depended on what the
// rounds before happened to free. Keeping it measures the code alone.
const bool kMemoryKept =
    mallopt(M_TRIM_THRESHOLD, 256 << 20) && mallopt(M_MMAP_THRESHOLD, 32 << 20);

const EntryList& Entries() {
  static const EntryList entries = MakeEntries();
  return entries;
}

const std::string& FileBytes() {
  static FakePlatform platform;
  static const std::string bytes = EncodeList(platform, Entries());
  return bytes;
}

void BM_MemchrCeiling(benchmark::State& state) {
  const std::string& bytes = FileBytes();
  for (auto _ : state) {
    size_t count = 0;
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    while ((p = static_cast<const char*>(std::memchr(p, ';', end - p))) != nullptr) {
      ++count;
      ++p;
    }
    benchmark::DoNotOptimize(count);
  }
  state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_MemchrCeiling);

void BM_Parse(benchmark::State& state) {
  FakePlatform platform;
  platform.files[platform.ListPath()] = {FileBytes(), false};
  for (auto _ : state) {
    ListFile file(platform, platform.ListPath());
    LoadResult loaded = file.LoadList();
    benchmark::DoNotOptimize(&loaded.entries);
    state.PauseTiming();  // freeing the entries is not part of reading them
    loaded = LoadResult();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * FileBytes().size());
}
BENCHMARK(BM_Parse);

void BM_Serialize(benchmark::State& state) {
  FakePlatform platform;
  for (auto _ : state) {
    std::string bytes = EncodeList(platform, Entries());
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(state.iterations() * FileBytes().size());
}
BENCHMARK(BM_Serialize);

void BM_SerializeUtf8(benchmark::State& state) {
  FakePlatform platform;
  // One entry outside the code page: the whole file is UTF-8.
  const EntryList entries = MakeEntries(L"\u6587");
  for (auto _ : state) {
    std::string bytes = EncodeList(platform, entries);
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(state.iterations() * FileBytes().size());
}
BENCHMARK(BM_SerializeUtf8);

}  // namespace
}  // namespace vk

BENCHMARK_MAIN();
