// The picture of the running application: what the renderer draws is where the screen says it
// is, in the colours the screen gives it.
#include <cmath>

#include "LaunchedApp.h"
#include "platform/media/LandOutline.h"
#include "platform/media/ScreenRenderer.h"
#include "platform/media/ViewDrawing.h"
#include "platform/ui/UIWindow.h"

using namespace tessaly;
using namespace tessaly::platform;

namespace {

class ScreenPictureOfAppTest : public tessaly::testing::LaunchedApp {
 protected:
  void SetUp() override {
    LaunchedApp::SetUp();
    // No land: every map pixel away from the path is sea, which the line is blended over.
    LandOutline::setSharedPath("/nonexistent/land.json");
  }
  void TearDown() override {
    LandOutline::setSharedPath("");
    LaunchedApp::TearDown();
  }
  // A point of the map view in the picture's pixels (the status bar is not in it).
  CGPoint onPicture(CGPoint inMap) {
    CGPoint p = map().convertPoint(inMap, nullptr);
    return {p.x, p.y - UIScreen::kStatusBarHeight};
  }
  static int channel(const ScreenPicture& picture, CGPoint at, int c) {
    return picture.pixel(static_cast<int>(std::lround(at.x)),
                         static_cast<int>(std::lround(at.y)))[c];
  }
};

int byte(float component) {
  return static_cast<int>(std::lround(component * 255));
}

}  // namespace

TEST_F(ScreenPictureOfAppTest, PinsLineAndStatusAreDrawnWhereAndAsTheScreenShowsThem) {
  launch();
  pressMap(100, 100);
  pressMap(220, 260);
  RunLoop::main().runUntilIdle();
  ScreenPicture picture = ScreenRenderer::screenshot(1);
  ASSERT_EQ(picture.width, 320);
  ASSERT_EQ(picture.height, 460);

  // The starting marker's pin head, green, stands above its coordinate.
  CGPoint head = onPicture({100, 100 - drawing::kPinHeadRise});
  const UIColor& green = drawing::kPinGreen;
  EXPECT_NEAR(channel(picture, head, 2), byte(green.red), 12);
  EXPECT_NEAR(channel(picture, head, 1), byte(green.green), 12);
  EXPECT_NEAR(channel(picture, head, 0), byte(green.blue), 12);
  CGPoint second = onPicture({220, 260 - drawing::kPinHeadRise});
  EXPECT_NEAR(channel(picture, second, 2), byte(drawing::kPinPurple.red), 12)
      << "the later marker's pin is purple";

  // Along the leg: the black line at 0.6 opacity over the sea, every channel darkened alike.
  for (double t : {0.3, 0.5, 0.7}) {
    CGPoint at =
        onPicture({static_cast<CGFloat>(100 + 120 * t), static_cast<CGFloat>(100 + 160 * t)});
    const UIColor& sea = drawing::kSea;
    EXPECT_NEAR(channel(picture, at, 2), byte(sea.red * 0.4f), 10) << t;
    EXPECT_NEAR(channel(picture, at, 1), byte(sea.green * 0.4f), 10) << t;
    EXPECT_NEAR(channel(picture, at, 0), byte(sea.blue * 0.4f), 10) << t;
  }
  CGPoint away = onPicture({280, 60});
  EXPECT_NEAR(channel(picture, away, 1), byte(drawing::kSea.green), 4) << "sea off the path";

  // The status label's white text is drawn in its slot of the toolbar.
  auto label = screen().statusLabel();
  ASSERT_FALSE(label->text().empty());
  auto toolbar = nav().toolbar();
  const auto& items = toolbar->items();
  std::vector<double> widths = drawing::barItemWidths(items, toolbar->bounds().size.width);
  double slot = drawing::kBarPadding, slotWidth = 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i]->customView() == label) {
      slotWidth = widths[i];
      break;
    }
    slot += widths[i];
  }
  ASSERT_GT(slotWidth, 0) << "the label stands in the toolbar";
  CGPoint bar = toolbar->convertPoint(toolbar->bounds().origin, nullptr);
  int top = static_cast<int>(bar.y - UIScreen::kStatusBarHeight);
  int white = 0;
  for (int y = top; y < top + static_cast<int>(toolbar->bounds().size.height); ++y)
    for (int x = static_cast<int>(bar.x + slot); x < static_cast<int>(bar.x + slot + slotWidth);
         ++x) {
      const std::uint8_t* px = picture.pixel(x, y);
      if (px && px[0] > 200 && px[1] > 200 && px[2] > 200) ++white;
    }
  EXPECT_GT(white, 20) << "text in the label's area";
}
