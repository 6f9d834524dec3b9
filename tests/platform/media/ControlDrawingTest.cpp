// Switches and segmented controls draw their own state: which way a switch is turned, which
// segment is picked.
#include <gtest/gtest.h>

#include "platform/media/ScreenRenderer.h"
#include "platform/media/ViewDrawing.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UISegmentedControl.h"
#include "platform/ui/UISwitch.h"
#include "platform/ui/UIWindow.h"

using namespace tessaly::platform;

namespace {

class ControlDrawingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UIApplication::sharedApplication().reset();
    _window = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
    _window->setBackgroundColor(UIColor::whiteColor());
    _window->makeKeyAndVisible();
  }
  void TearDown() override {
    _window.reset();
    UIApplication::sharedApplication().reset();
  }
  // The pixel at a point of the window (the picture starts below the status bar).
  static const std::uint8_t* at(const ScreenPicture& picture, double x, double y) {
    return picture.pixel(static_cast<int>(x), static_cast<int>(y - UIScreen::kStatusBarHeight));
  }
  static bool near(const std::uint8_t* px, const UIColor& c) {
    auto close = [](int a, float b) { return std::abs(a - static_cast<int>(b * 255)) < 16; };
    return px && close(px[2], c.red) && close(px[1], c.green) && close(px[0], c.blue);
  }
  std::shared_ptr<UIWindow> _window;
};

}  // namespace

TEST_F(ControlDrawingTest, ASwitchShowsItsValueAndItsTint) {
  auto on = std::make_shared<UISwitch>(CGRectMake(20, 40, 0, 0));
  on->setOn(true);
  auto off = std::make_shared<UISwitch>(CGRectMake(20, 90, 0, 0));
  auto tinted = std::make_shared<UISwitch>(CGRectMake(20, 140, 0, 0));
  tinted->setOn(true);
  tinted->setOnTintColor({0.9f, 0.1f, 0.1f, 1});
  for (const auto& s : {on, off, tinted}) _window->addSubview(s);
  ScreenPicture picture = ScreenRenderer::screenshot(1);

  double w = UISwitch::kWidth, h = UISwitch::kHeight;
  // On: the tint fills the track left of the knob, which stands at the right.
  EXPECT_TRUE(near(at(picture, 20 + 8, 40 + h / 2 - 8), drawing::kSwitchOn));
  EXPECT_TRUE(near(at(picture, 20 + w - h / 2, 40 + h / 2), UIColor::whiteColor())) << "knob";
  // Off: no tint anywhere on the track.
  for (double x = 4; x < w - 4; x += 4)
    EXPECT_FALSE(near(at(picture, 20 + x, 90 + h / 2 - 8), drawing::kSwitchOn)) << x;
  EXPECT_TRUE(near(at(picture, 20 + 8, 140 + h / 2 - 8), {0.9f, 0.1f, 0.1f, 1}));
}

TEST_F(ControlDrawingTest, ASegmentedControlFillsOnlyThePickedSegment) {
  auto control = std::make_shared<UISegmentedControl>(std::vector<std::string>{"km", "mi", "m"});
  control->setFrame(CGRectMake(10, 60, 300, 30));
  control->setSelectedSegmentIndex(1);
  _window->addSubview(control);
  ScreenPicture picture = ScreenRenderer::screenshot(1);
  auto filled = [&](int segment) {
    // A corner of the segment, away from its title.
    return near(at(picture, 10 + segment * 100 + 6, 60 + 5), drawing::kSegmentSelected);
  };
  EXPECT_FALSE(filled(0));
  EXPECT_TRUE(filled(1));
  EXPECT_FALSE(filled(2));
  // Every title is drawn: dark text on the plain segments, white on the picked one.
  auto inked = [&](int segment, bool white) {
    int count = 0;
    for (int y = 64; y < 86; ++y)
      for (int x = 10 + segment * 100 + 30; x < 10 + segment * 100 + 70; ++x) {
        const std::uint8_t* px = at(picture, x, y);
        if (white ? px[1] > 230 : px[1] < 120) ++count;
      }
    return count;
  };
  EXPECT_GT(inked(0, false), 10);
  EXPECT_GT(inked(1, true), 10);
  EXPECT_GT(inked(2, false), 10);

  control->setSelectedSegmentIndex(UISegmentedControlNoSegment);
  picture = ScreenRenderer::screenshot(1);
  EXPECT_FALSE(filled(1)) << "none picked, none filled";
}
