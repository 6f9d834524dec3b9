// Starting the whole application headless: what the delegate builds and allows.
#include <gtest/gtest.h>

#include "app/LaunchedApp.h"
#include "platform/foundation/Log.h"
#include "platform/ui/UIButton.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UIWindow.h"

namespace tessaly::testing {
namespace {

using namespace tessaly::platform;

class LaunchTest : public LaunchedApp {};

TEST_F(LaunchTest, FirstStartWithoutSettingsShowsStandardMapAndLogsTheMissingFile) {
  LogCapture log;
  launch();
  EXPECT_TRUE(log.contains("FILE NOT FOUND " + _documents.path() + "/settings.plist"));
  EXPECT_EQ(map().mapType(), MKMapTypeStandard);
  EXPECT_FALSE(map().showsUserLocation());
  EXPECT_FALSE(std::ifstream(_documents.file("settings.plist")).good());
}

TEST_F(LaunchTest, PhoneWindowCoversTheStatusBarAndShowsTheMapScreen) {
  launch();
  auto window = Application::window();
  ASSERT_TRUE(window);
  EXPECT_EQ(window->frame(), CGRectMake(0, 0, 320, 480));
  EXPECT_TRUE(window->isKeyWindow());
  EXPECT_EQ(window->rootViewController(), Application::navigationController());
  EXPECT_EQ(nav().topViewController(), Application::mapScreen().get());
  EXPECT_TRUE(screen().isVisible());
  EXPECT_FALSE(nav().isToolbarHidden());
  EXPECT_TRUE(UIApplication::sharedApplication().isIdleTimerDisabled());
}

TEST_F(LaunchTest, TabletWindowIsFullSizeWhateverTheApplicationFrame) {
  launch(UIUserInterfaceIdiomPad);
  EXPECT_EQ(Application::window()->frame(), CGRectMake(0, 0, 768, 1024));
}

TEST_F(LaunchTest, TheOneBannerIsMadeAtLaunchAndLentToTheMapScreen) {
  launch();
  auto banner = Application::banner();
  ASSERT_TRUE(banner);
  EXPECT_EQ(banner->autoresizingMask(), 26u);
  EXPECT_EQ(banner->requiredContentSizeIdentifiers(),
            (std::set<std::string>{ADBannerContentSizeIdentifierPortrait,
                                   ADBannerContentSizeIdentifierLandscape}));
  EXPECT_EQ(banner->delegate(), static_cast<ADBannerViewDelegate*>(&screen()));
  EXPECT_EQ(banner->superview(), screen().view().get());
  EXPECT_FALSE(banner->isBannerLoaded());
}

TEST_F(LaunchTest, StartRegionIsTheAtlanticCentredWorld) {
  launch();
  EXPECT_DOUBLE_EQ(map().region().center.latitude, 0);
  EXPECT_DOUBLE_EQ(map().region().center.longitude, -40);
  EXPECT_FALSE(screen().userLocationUpdated());
}

TEST_F(LaunchTest, NavigationBarHasSettingsAndInfoButtonsAndABackTitle) {
  launch();
  const auto& item = screen().navigationItem();
  ASSERT_TRUE(item.leftBarButtonItem() && item.rightBarButtonItem());
  auto settings = std::dynamic_pointer_cast<UIButton>(item.leftBarButtonItem()->customView());
  auto info = std::dynamic_pointer_cast<UIButton>(item.rightBarButtonItem()->customView());
  ASSERT_TRUE(settings && info);
  EXPECT_EQ(settings->buttonType(), UIButtonTypeCustom);
  EXPECT_EQ(settings->frame().size, (CGSize{24, 24}));
  ASSERT_TRUE(settings->backgroundImageForState(UIControlStateNormal));
  EXPECT_EQ(settings->backgroundImageForState(UIControlStateNormal)->name(), "settings.png");
  EXPECT_TRUE(settings->showsTouchWhenHighlighted());
  EXPECT_EQ(info->buttonType(), UIButtonTypeInfoLight);
  ASSERT_TRUE(item.backBarButtonItem());
  EXPECT_EQ(item.backBarButtonItem()->title(), "Back");
  // On a phone each pushes its screen above the map screen.
  EXPECT_TRUE(settings->tap());
  EXPECT_EQ(nav().viewControllers().size(), 2u);
  EXPECT_EQ(nav().viewControllers().back()->kind(), "settingsScreen");
  EXPECT_TRUE(nav().navigationBar()->tapBackButton());
  EXPECT_TRUE(info->tap());
  EXPECT_EQ(nav().viewControllers().size(), 2u);
  EXPECT_EQ(nav().viewControllers().back()->kind(), "helpScreen");
}

TEST_F(LaunchTest, ToolbarGetsTheStatusLabelInTheMiddleOfElevenItems) {
  launch();
  const auto& items = nav().toolbar()->items();
  ASSERT_EQ(items.size(), 11u);
  std::vector<int> tags;
  for (const auto& item : items) tags.push_back(item->isSpace() ? -1 : item->tag());
  EXPECT_EQ(tags, (std::vector<int>{1, -1, 3, -1, 2, 0, 4, -1, 5, -1, 6}));
  auto label = std::dynamic_pointer_cast<UILabel>(items[5]->customView());
  ASSERT_TRUE(label);
  EXPECT_EQ(label, screen().statusLabel());
  EXPECT_EQ(label->frame(), CGRectMake(0, 5, 60, 20));
  EXPECT_EQ(label->font(), UIFont::boldSystemFontOfSize(14));
  EXPECT_EQ(label->textAlignment(), NSTextAlignmentCenter);
  EXPECT_EQ(label->textColor(), UIColor::whiteColor());
  EXPECT_EQ(label->backgroundColor(), UIColor::clearColor());
}

TEST_F(LaunchTest, TabletStatusLabelIsWiderAndLarger) {
  launch(UIUserInterfaceIdiomPad);
  EXPECT_EQ(screen().statusLabel()->frame(), CGRectMake(0, 5, 260, 20));
  EXPECT_EQ(screen().statusLabel()->font(), UIFont::boldSystemFontOfSize(18));
}

TEST_F(LaunchTest, AllowedOrientations) {
  launch();
  auto& application = UIApplication::sharedApplication();
  auto* delegate = Application::delegate();
  auto window = Application::window();
  EXPECT_EQ(
      delegate->applicationSupportedInterfaceOrientationsForWindow(&application, window.get()),
      30u);
  // Another screen on top of a phone's stack stays upright.
  nav().pushViewController(std::make_shared<UIViewController>(), false);
  EXPECT_EQ(
      delegate->applicationSupportedInterfaceOrientationsForWindow(&application, window.get()), 2u);
  UIDevice::currentDevice().setOrientation(UIDeviceOrientationLandscapeLeft);
  EXPECT_EQ(window->interfaceOrientation(), UIInterfaceOrientationPortrait);
  nav().popViewControllerAnimated(false);
  UIDevice::currentDevice().setOrientation(UIDeviceOrientationPortraitUpsideDown);
  EXPECT_EQ(window->interfaceOrientation(), UIInterfaceOrientationPortraitUpsideDown);
  // A window whose root is not a navigation stack allows portrait only.
  UIWindow bare(CGRectMake(0, 0, 320, 480));
  EXPECT_EQ(delegate->applicationSupportedInterfaceOrientationsForWindow(&application, &bare), 2u);
}

TEST_F(LaunchTest, TabletAllowsEveryOrientationOnEveryScreen) {
  launch(UIUserInterfaceIdiomPad);
  auto& application = UIApplication::sharedApplication();
  nav().pushViewController(std::make_shared<UIViewController>(), false);
  EXPECT_EQ(Application::delegate()->applicationSupportedInterfaceOrientationsForWindow(
                &application, Application::window().get()),
            30u);
}

TEST_F(LaunchTest, RelaunchKeepsTheDeviceAndStartsWithAnEmptyPath) {
  launch(UIUserInterfaceIdiomPad);
  pressMap(100, 100);
  ASSERT_EQ(screen().pathArray().size(), 1u);
  auto first = Application::mapScreen();
  Application::launch();
  EXPECT_NE(Application::mapScreen(), first);
  EXPECT_TRUE(UIDevice::currentDevice().isPad());
  EXPECT_EQ(Application::window()->frame(), CGRectMake(0, 0, 768, 1024));
  EXPECT_TRUE(screen().pathArray().empty());
  EXPECT_EQ(UIApplication::sharedApplication().windows().size(), 1u);
}

}  // namespace
}  // namespace tessaly::testing
