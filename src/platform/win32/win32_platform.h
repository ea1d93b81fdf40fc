// Platform on Windows, with the wide-character calls.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/window_kit.h"

namespace vk {

// The full path of this executable.
std::wstring ModulePath();

class Win32Platform final : public Platform {
 public:
  // The window that owns the folder browser, message boxes and shell calls.
  void SetOwner(HWND owner) { owner_ = owner; }
  // A start without a window: no box is shown (nobody may be there to close
  // it); an error goes to the starting program's console, when it has one.
  void SetWindowless() { windowless_ = true; }
  // The paths of a shell drop (WM_DROPFILES), in their order; frees the drop.
  std::vector<std::wstring> TakeDroppedFiles(HDROP drop);

  uint32_t GetAttributes(const std::wstring& path) override;
  Status SetAttributes(const std::wstring& path, uint32_t attributes) override;
  bool FolderExists(const std::wstring& path) override;
  unsigned DriveType(const std::wstring& path) override;
  std::wstring SystemRoot() override;
  bool AttributesAtOnce(const std::wstring& path, uint32_t* attributes) override;
  Status ReachRoot(const std::wstring& root) override;
  // In win32_folders.cpp.
  Status ListFolder(const std::wstring& folder,
                    const std::function<void(const FolderItem&)>& each) override;

  BrowseResult BrowseForFolder(const std::wstring& prompt) override;
  Status OpenFolder(const std::wstring& path) override;
  void OpenWebAddress(const std::wstring& address) override;
  void ShowError(const std::wstring& text, const std::wstring& title) override;
  bool AskYesNo(const std::wstring& text, const std::wstring& title) override;

  bool AnotherInstanceRunning() override;
  std::wstring ProgramFolder() override;
  std::wstring ProgramPath() override { return ModulePath(); }
  VersionNumbers Version() override;

  Status SetFolderVerb(const FolderVerb& verb) override;
  Status RemoveFolderVerb(const std::wstring& key) override;
  std::wstring FolderVerbCommand(const std::wstring& key) override;

  // In win32_shell.cpp.
  Status SaveStartMenuShortcut(const std::wstring& name, const Shortcut& shortcut) override;
  bool ReadStartMenuShortcut(const std::wstring& name, Shortcut* shortcut) override;
  Status RemoveStartMenuShortcut(const std::wstring& name) override;

  bool StartsWithIgnoringCase(std::wstring_view text, std::wstring_view prefix) override;
  void Wait(unsigned milliseconds) override;

  bool ToAnsi(const std::wstring& text, std::string* bytes) override;
  std::wstring FromAnsi(std::string_view bytes) override;

  Status InspectFile(const std::wstring& path, FileFacts* facts) override;
  std::vector<std::wstring> FindFiles(const std::wstring& prefix) override;
  std::wstring WriterName() override;
  Status LockFile(const std::wstring& path, std::unique_ptr<FileLock>* lock) override;
  Status ReadWholeFile(const std::wstring& path, size_t max_bytes,
                       const std::function<char*(size_t)>& room, size_t* size,
                       FileStamp* stamp) override;
  Status CreateOutFile(const std::wstring& path, std::unique_ptr<OutFile>* file) override;
  Status RewriteFile(const std::wstring& path, uint64_t room,
                     std::unique_ptr<OutFile>* file) override;
  bool ReplacesInTwoSteps(const std::wstring& path) override;
  Status MoveFileTo(const std::wstring& from, const std::wstring& to, bool replace) override;
  void RemoveFile(const std::wstring& path) override;

 private:
  // How long a folder's drive may take to answer "at once".
  static constexpr unsigned kAtOnceMs = 250;
  HWND owner_ = nullptr;
  bool windowless_ = false;
  KernelHandle instance_mutex_;  // held for the program's life by the first copy
  std::string write_buffer_;     // lent to each file written, kept between them
};

// The system's sentence for an error code, for messages to the user.
std::wstring SystemErrorText(DWORD code);

}  // namespace vk
