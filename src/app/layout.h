// Where the main window's controls stand, in twips (15 per pixel at 96 DPI).
#pragma once

namespace vk {

struct TwipsRect {
  int left, top, width, height;
};

// Twips to pixels at `dpi`, rounded to the nearest pixel.
constexpr int TwipsToPixels(int twips, int dpi) { return (twips * dpi + 720) / 1440; }

namespace layout {

constexpr int kClientWidth = 7470;
constexpr int kClientHeight = 4170;
constexpr TwipsRect kToolbar1 = {0, 0, 7470, 600};
constexpr TwipsRect kList1 = {150, 840, 5655, 2790};
constexpr TwipsRect kCommand1[5] = {
    {5970, 840, 1335, 345},  {5970, 1260, 1335, 345}, {5970, 1680, 1335, 345},
    {5970, 2100, 1335, 345}, {5970, 2520, 1335, 345},
};
constexpr TwipsRect kSBar = {0, 3795, 7470, 375};
constexpr int kSBarPanelWidth = 7170;
constexpr int kToolButtonWidth = 855;
constexpr int kToolButtonHeight = 540;

}  // namespace layout
}  // namespace vk
