// What Form1's logic asks of the main window. The window only shows; every
// decision is made in Form1.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "listfile/listfile.h"
#include "search/find_hidden.h"

namespace vk {

class Form1View {
 public:
  virtual ~Form1View() = default;

  // List1 mirrors the entries Form1 holds.
  virtual void List1Fill(const EntryList& entries) = 0;
  virtual void List1Append(std::wstring_view entry) = 0;
  virtual void List1Remove(int index) = 0;
  // Shows `index` as selected (-1: none). Raises no click.
  virtual void List1Select(int index) = 0;

  virtual void SetCommandEnabled(int index, bool enabled) = 0;
  // Text of the first panel of SBar.
  virtual void SetStatusText(const std::wstring& text) = 0;

  // Fills ImageList1 from the files of kImageList1Files in `program_folder`
  // (a picture that cannot be loaded is replaced by the program's own copy)
  // and shows them on the toolbar as kToolbarPictures says.
  virtual void LoadToolbarPictures(const std::wstring& program_folder) = 0;

  // Form3, How To Use, and Form2, About, each shown modally: the call
  // returns when the user closes the window.
  virtual void ShowHowToUse() = 0;
  virtual void ShowAbout(const std::wstring& version_text) = 0;

  // data.bin could not be read just now (another program is writing it):
  // Form1::FollowListFile is to be called again in a moment.
  virtual void FollowAgainSoon() = 0;

  // Runs `then` once the window shows and has answered all it was asked.
  // A view that shows nothing runs it here.
  virtual void AtIdle(std::function<void()> then) { then(); }
  // Runs `work` away from the window's thread, so that the window answers
  // meanwhile; then `done` on the window's thread. A view that shows nothing
  // runs both here.
  virtual void RunAside(const std::function<void()>& work, std::function<void()> done) {
    work();
    done();
  }
  // Runs `search` while a small window shows how far it got, with Cancel
  // (which makes the watch answer false), the main window drawn meanwhile;
  // returns when it ended. A view that shows nothing runs it here.
  virtual void RunSearch(const std::function<void(SearchWatch&)>& search) {
    struct Unwatched final : SearchWatch {
      bool Next(const std::wstring&, uint64_t) override { return true; }
    } watch;
    search(watch);
  }
  // "Shortcut Key For Hide All...": the key the shortcut holds now (`now`, 0
  // none) in the system's own key control. OK gives the key chosen in *key
  // (0 none), Remove 0; false for Cancel. A view that shows nothing changes nothing.
  virtual bool ChooseShortcutKey(uint16_t /*now*/, uint16_t* /*key*/) { return false; }
  // "Hidden Folders Found": `note`, then `found` with a check box each, all
  // checked. True for Add, with those checked then in *chosen, in their
  // order; false for Cancel. A view that shows nothing adds nothing.
  virtual bool ChooseFoundFolders(const std::wstring& /*note*/,
                                  const std::vector<std::wstring>& /*found*/,
                                  std::vector<std::wstring>* /*chosen*/) {
    return false;
  }
};

}  // namespace vk
