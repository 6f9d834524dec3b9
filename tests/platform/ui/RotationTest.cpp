#include <gtest/gtest.h>

#include "ScreenLog.h"

using namespace tessaly::platform;
using tessaly::platform::testing::launch;
using tessaly::platform::testing::Log;
using tessaly::platform::testing::LoggingScreen;

namespace {

class RotationTest : public tessaly::platform::testing::ApplicationTest {
 protected:
  void turn(UIDeviceOrientation orientation) {
    UIDevice::currentDevice().setOrientation(orientation);
  }
};

struct PortraitOnPhones : UIApplicationDelegate {
  unsigned applicationSupportedInterfaceOrientationsForWindow(UIApplication*, UIWindow*) override {
    return UIInterfaceOrientationMaskPortrait;
  }
};

}  // namespace

TEST_F(RotationTest, TurningThePhoneRotatesTheScreenWithItsCallsInOrder) {
  auto root = std::make_shared<LoggingScreen>("map", log);
  auto app = launch(root);
  log.clear();
  turn(UIDeviceOrientationLandscapeLeft);  // the interface turns landscape right (3)
  EXPECT_EQ(log, (Log{"map willRotate 3 0.3", "map willAnimate 3 480x256", "map didRotate 1"}));
  EXPECT_EQ(app.window->interfaceOrientation(), UIInterfaceOrientationLandscapeRight);
  EXPECT_EQ(root->interfaceOrientation(), UIInterfaceOrientationLandscapeRight);
  EXPECT_EQ(app.window->frame(), CGRectMake(0, 0, 480, 320));
  EXPECT_EQ(app.navigation->view()->frame(), CGRectMake(0, 0, 480, 320));
  EXPECT_EQ(app.navigation->navigationBar()->frame().size.width, 480);

  // Face up keeps the interface as it is; the same orientation again does nothing.
  log.clear();
  turn(UIDeviceOrientationFaceUp);
  turn(UIDeviceOrientationLandscapeLeft);
  EXPECT_TRUE(log.empty());

  turn(UIDeviceOrientationPortraitUpsideDown);
  EXPECT_EQ(app.window->interfaceOrientation(), UIInterfaceOrientationPortraitUpsideDown);
  EXPECT_EQ(root->view()->frame(), CGRectMake(0, 64, 320, 416));
}

TEST_F(RotationTest, TheApplicationDelegateAndTheTopScreenMustBothAllowIt) {
  auto root = std::make_shared<LoggingScreen>("map", log);
  auto app = launch(root);
  UIApplication::sharedApplication().launch(std::make_shared<PortraitOnPhones>());
  turn(UIDeviceOrientationLandscapeLeft);
  EXPECT_EQ(app.window->interfaceOrientation(), UIInterfaceOrientationPortrait);

  UIApplication::sharedApplication().launch(std::make_shared<UIApplicationDelegate>());
  auto settings = std::make_shared<LoggingScreen>("settings", log);
  settings->setSupported(UIInterfaceOrientationMaskPortrait);
  turn(UIDeviceOrientationPortrait);
  app.navigation->pushViewController(settings, false);
  turn(UIDeviceOrientationLandscapeRight);
  EXPECT_EQ(app.window->interfaceOrientation(), UIInterfaceOrientationPortrait);

  // Back on the map screen, the interface catches up with the device.
  log.clear();
  app.navigation->popViewControllerAnimated(false);
  EXPECT_EQ(app.window->interfaceOrientation(), UIInterfaceOrientationLandscapeLeft);
  EXPECT_EQ(log.back(), "map didRotate 1");
}

TEST_F(RotationTest, ATabletSheetStaysCentredWhenTheTabletTurns) {
  UIDevice::currentDevice().reset(UIUserInterfaceIdiomPad);
  auto root = std::make_shared<LoggingScreen>("map", log);
  auto app = launch(root);
  auto sheet = std::make_shared<LoggingScreen>("sheet", log);
  sheet->setModalPresentationStyle(UIModalPresentationFormSheet);
  root->presentViewController(sheet, true);
  log.clear();
  turn(UIDeviceOrientationLandscapeRight);
  EXPECT_EQ(sheet->view()->frame(), CGRectMake(242, 74, 540, 620));
  EXPECT_EQ(log,
            (Log{"map willRotate 4 0.4", "sheet willRotate 4 0.4", "map willAnimate 4 1024x704",
                 "sheet willAnimate 4 540x620", "map didRotate 1", "sheet didRotate 1"}));
}

TEST_F(RotationTest, ANewScreenSizeIsLaidOutInTheSameOrientation) {
  auto root = std::make_shared<LoggingScreen>("map", log);
  auto app = launch(root);
  log.clear();
  UIScreen::mainScreen().setBounds(CGRectMake(0, 0, 360, 640));
  app.window->screenDidChange();
  EXPECT_EQ(app.window->frame(), CGRectMake(0, 0, 360, 640));
  EXPECT_EQ(root->view()->frame(), CGRectMake(0, 64, 360, 576));
  EXPECT_EQ(app.navigation->toolbar()->frame(), CGRectMake(0, 596, 360, 44));
  EXPECT_EQ(log, (Log{"map willAnimate 1 360x576", "map didRotate 1"}));
}
