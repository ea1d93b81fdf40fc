// What Form1's logic asks of the main window. The window only shows; every
// decision is made in Form1.
#pragma once

#include <string>

#include "listfile/listfile.h"

namespace vk {

class Form1View {
 public:
  virtual ~Form1View() = default;

  // List1 mirrors the entries Form1 holds.
  virtual void List1Fill(const EntryList& entries) = 0;
  virtual void List1Append(const std::wstring& entry) = 0;
  virtual void List1Remove(int index) = 0;
  // Shows `index` as selected (-1: none). Raises no click.
  virtual void List1Select(int index) = 0;

  virtual void SetCommandEnabled(int index, bool enabled) = 0;
  // Text of the first panel of SBar.
  virtual void SetStatusText(const std::wstring& text) = 0;

  // Adds a picture to ImageList1 from `file`; when the file cannot be loaded
  // the copy built into the program under `builtin_id` is used instead.
  virtual void ImageList1Add(const std::wstring& file, const std::wstring& key, int builtin_id) = 0;
  // Shows ImageList1 entry `image` (0-based) on toolbar button `button` (1-based).
  virtual void SetToolbarPicture(int button, int image) = 0;
};

}  // namespace vk
