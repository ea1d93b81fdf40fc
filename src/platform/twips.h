// Twips, the unit the windows are laid out in: 1440 to the inch, so 15 to a
// pixel at 96 DPI.
#pragma once

namespace vk {

struct TwipsRect {
  int left, top, width, height;
};

// Twips to pixels at `dpi`, rounded to the nearest pixel.
constexpr int TwipsToPixels(int twips, int dpi) { return (twips * dpi + 720) / 1440; }

}  // namespace vk
