// Tells when the folders holding data.bin change: a change notification
// each, which costs nothing while nothing happens there.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vk {

class ListWatch {
 public:
  ListWatch() = default;
  ~ListWatch();
  ListWatch(const ListWatch&) = delete;
  ListWatch& operator=(const ListWatch&) = delete;

  // Watches the folder of each file (each folder once). False when no
  // folder could be watched (some network shares cannot be).
  bool Start(const std::vector<std::wstring>& files);
  DWORD count() const { return static_cast<DWORD>(handles_.size()); }
  const HANDLE* handles() const { return handles_.data(); }
  // After handle `index` was signalled: waits for the next change there.
  void Rearm(DWORD index);

 private:
  std::vector<HANDLE> handles_;
  std::vector<std::wstring> folders_;
};

}  // namespace vk
