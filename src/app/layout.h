// Where the main window's controls stand, in twips (15 per pixel at 96 DPI).
#pragma once

#include "platform/twips.h"

namespace vk {
namespace layout {

constexpr int kClientWidth = 7470;
constexpr int kClientHeight = 4170;
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
