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

  // Watches the folder of each file and of every other name a file with
  // several names has (each folder once), for new names, sizes, write times
  // and attributes. False when some file's folders could not all be watched
  // (some network shares cannot be; some systems do not list a file's
  // names): the caller then also looks now and then.
  bool Start(const std::vector<std::wstring>& files);
  DWORD count() const { return static_cast<DWORD>(handles_.size()); }
  const HANDLE* handles() const { return handles_.data(); }
  // After handle `index` was signalled: waits for the next change there.
  // False when that folder can no longer be watched (it went away): it is
  // dropped, and the caller looks now and then instead.
  bool Rearm(DWORD index);

 private:
  bool Watch(const std::wstring& folder);

  std::vector<HANDLE> handles_;
  std::vector<std::wstring> folders_;
};

}  // namespace vk
