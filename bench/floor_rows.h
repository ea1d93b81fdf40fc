// What veilkeep_floor_rows.exe shows and the messages that work it, shared
// with the command benchmark.
#pragma once

#include <windows.h>

#include <cwchar>

// Rows shown, as many as Veilkeep's list at its largest.
constexpr int kFloorRows = 32767;

// What the floor does to its controls as Veilkeep's window does for Add,
// Delete (of the selected last row), Hide, Unhide and a selection moved one
// row up or down. Add and the moves are sent to its main window as messages;
// the others come from clicks of its buttons.
enum : UINT {
  kFloorAdd = WM_APP + 1,
  kFloorDelete,
  kFloorHide,
  kFloorUnhide,
  kFloorUp,
  kFloorDown,
};

// The text of row `index`: a path of 40 to 60 characters, as in the
// benchmark's data.bin.
inline void FloorRowText(int index, wchar_t (&text)[64]) {
  std::swprintf(text, 64, L"C:\\Users\\Someone\\Documents\\Folder %05d ", index);
  const size_t length = 40 + static_cast<size_t>(index) * 7 % 21;
  size_t at = std::wcslen(text);
  while (at < length) text[at++] = L'x';
  text[length] = L'\0';
}
