// Toolbar dispatch, the publisher's addresses, the version line and the layout.
#include <gtest/gtest.h>

#include "about/toolbar.h"
#include "app/layout.h"

namespace vk {
namespace {

TEST(Toolbar, ButtonIndexChoosesTheAction) {
  EXPECT_EQ(ActionForToolbarButton(1), ToolbarAction::None);
  EXPECT_EQ(ActionForToolbarButton(2), ToolbarAction::ShowHowToUse);
  EXPECT_EQ(ActionForToolbarButton(3), ToolbarAction::OpenProductPage);
  EXPECT_EQ(ActionForToolbarButton(4), ToolbarAction::OpenSupportPage);
  EXPECT_EQ(ActionForToolbarButton(5), ToolbarAction::ShowAbout);
  for (int other : {0, 6, -1, 1000}) EXPECT_EQ(ActionForToolbarButton(other), ToolbarAction::None);
}

TEST(Toolbar, AddressesAreOnTheConfiguredHost) {
  EXPECT_EQ(ProductPageAddress(L"pub.example"), L"http://pub.example/veilkeep.php");
  EXPECT_EQ(SupportPageAddress(L"pub.example"), L"http://pub.example/support.php");
}

TEST(About, VersionLineIsPlainDecimal) {
  EXPECT_EQ(VersionText({1, 0}), L"Version: 1.0");
  EXPECT_EQ(VersionText({12, 305}), L"Version: 12.305");
}

TEST(Layout, TwipsScaleWithDpi) {
  EXPECT_EQ(TwipsToPixels(layout::kClientWidth, 96), 498);
  EXPECT_EQ(TwipsToPixels(layout::kClientHeight, 96), 278);
  EXPECT_EQ(TwipsToPixels(layout::kClientWidth, 144), 747);
  EXPECT_EQ(TwipsToPixels(layout::kCommand1[4].top, 192), 336);
  EXPECT_EQ(TwipsToPixels(layout::kToolButtonWidth, 96), 57);
}

}  // namespace
}  // namespace vk
