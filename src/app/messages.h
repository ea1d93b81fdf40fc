// The texts of the main window's messages. The folder checks own theirs
// (module1/module1.h); every one is shown through ShowError (platform.h).
#pragma once

#include <string>

namespace vk {
namespace msg {

inline std::wstring AlreadyListed(const std::wstring& path) {
  return L"Folder " + path + L" already exists!";
}
inline std::wstring DoesNotExist(const std::wstring& path) {
  return L"Folder " + path + L" doesn't exist!";
}
inline std::wstring NotAFolder(const std::wstring& path) {
  return path + L" is not a folder: only folders can be added.";
}
inline std::wstring HasSeparator(const std::wstring& path) {
  return L"Folder " + path +
         L" cannot be added: its path contains \";\", which the folder list uses to "
         L"separate folders.";
}
inline std::wstring CannotHide(const std::wstring& path, const std::wstring& reason) {
  return L"Folder " + path + L" could not be hidden.\n\n" + reason;
}
inline std::wstring CannotUnhide(const std::wstring& path, const std::wstring& reason) {
  return L"Folder " + path + L" could not be revealed.\n\n" + reason;
}
inline std::wstring CannotOpen(const std::wstring& path, const std::wstring& reason) {
  return L"Folder " + path + L" could not be opened.\n\n" + reason;
}
inline std::wstring CannotRead(const std::wstring& file, const std::wstring& reason) {
  return L"The folder list " + file + L" could not be read, so the list is shown empty.\n\n" +
         reason + L"\n\nThe file is left as it is: Veilkeep will not overwrite it.";
}
inline std::wstring CannotSave(const std::wstring& file, const std::wstring& reason) {
  return L"The folder list could not be saved to " + file + L".\n\n" + reason;
}

}  // namespace msg
}  // namespace vk
