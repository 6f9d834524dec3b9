// The map screen's frames on a phone and a tablet, turned or not, with and without a loaded
// banner, and the banner's own events.
#include <gtest/gtest.h>

#include "app/LaunchedApp.h"
#include "mapscreen/MapLayout.h"
#include "mapscreen/ToolbarRules.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UITableView.h"

namespace tessaly::testing {
namespace {

using namespace tessaly::platform;

class MapLayoutScreenTest : public LaunchedApp {
 protected:
  struct Frames {
    float bannerTop, mapHeight, tableHeight, toolbarTop;
    friend bool operator==(const Frames&, const Frames&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Frames& f) {
      return out << "banner top " << f.bannerTop << ", map " << f.mapHeight << ", table "
                 << f.tableHeight << ", toolbar top " << f.toolbarTop;
    }
  };
  Frames frames() {
    return {banner().frame().origin.y, map().frame().size.height,
            screen().searchDisplayController()->searchResultsTableView()->frame().size.height,
            nav().toolbar()->frame().origin.y};
  }
  float viewHeight() { return screen().view()->bounds().size.height; }
  void turn(UIDeviceOrientation orientation) {
    UIDevice::currentDevice().setOrientation(orientation);
    RunLoop::main().runUntilIdle();
  }
};

TEST_F(MapLayoutScreenTest, PhonePortraitWithAndWithoutABanner) {
  launch();
  ASSERT_EQ(viewHeight(), 416);
  ASSERT_EQ(nav().toolbar()->frame().size.height, 44);
  ASSERT_EQ(UIScreen::mainScreen().bounds().size.height, 480);
  EXPECT_EQ(frames(), (Frames{416, 372, 372, 436}));
  EXPECT_EQ(banner().frame().size, (CGSize{320, 50}));

  banner().loadAd();
  EXPECT_EQ(banner().frame().size.height, 50);
  EXPECT_EQ(frames(), (Frames{366, 322, 322, 386}));
  EXPECT_EQ(UIView::lastAnimationDuration(), kMapLayoutAnimationDuration);

  banner().failToReceiveAd({"ADErrorDomain", 3, "No advertisement"});
  EXPECT_EQ(frames(), (Frames{416, 372, 372, 436}));
  EXPECT_TRUE(UIApplication::sharedApplication().panelsOnScreen().empty());
}

TEST_F(MapLayoutScreenTest, TheResultTableEndsAboveALoadedBannerTheFirstTimeSearchOpens) {
  launch();
  banner().loadAd();
  ASSERT_TRUE(tap(kToolbarSearch));
  ASSERT_TRUE(screen().isSearching());
  const auto& table = screen().searchDisplayController()->searchResultsTableView();
  EXPECT_EQ(table->frame().size.height, 322);
  EXPECT_LE(CGRectGetMaxY(table->frame()), banner().frame().origin.y);
  EXPECT_EQ(frames(), (Frames{366, 322, 322, 386}));
}

TEST_F(MapLayoutScreenTest, TurningAPhoneHidesBothBarsAndGivesTheMapTheWholeView) {
  launch();
  banner().loadAd();
  turn(UIDeviceOrientationLandscapeLeft);
  ASSERT_TRUE(UIInterfaceOrientationIsLandscape(Application::window()->interfaceOrientation()));
  EXPECT_TRUE(nav().isToolbarHidden());
  EXPECT_TRUE(nav().isNavigationBarHidden());
  ASSERT_EQ(viewHeight(), 300);
  EXPECT_EQ(map().frame().size.height, 300);
  EXPECT_EQ(banner().frame().origin.y, 300);  // out of view even with an advertisement
  EXPECT_EQ(banner().frame().size, (CGSize{480, 32}));
  EXPECT_EQ(map().frame().size.width, 480);

  turn(UIDeviceOrientationPortrait);
  EXPECT_FALSE(nav().isToolbarHidden());
  EXPECT_FALSE(nav().isNavigationBarHidden());
  EXPECT_EQ(frames(), (Frames{366, 322, 322, 386}));
  EXPECT_EQ(nav().toolbar()->items().size(), 11u);
}

TEST_F(MapLayoutScreenTest, PhoneLandscapeWithoutBanner) {
  launch();
  turn(UIDeviceOrientationLandscapeRight);
  EXPECT_EQ(frames(), (Frames{300, 300, 256, 436}));
}

TEST_F(MapLayoutScreenTest, UpsideDownPhoneKeepsThePortraitLayout) {
  launch();
  turn(UIDeviceOrientationPortraitUpsideDown);
  EXPECT_FALSE(nav().isToolbarHidden());
  EXPECT_EQ(frames(), (Frames{416, 372, 372, 436}));
}

TEST_F(MapLayoutScreenTest, TabletToolbarTopComesFromTheScreenWidthWhenTurned) {
  launch(UIUserInterfaceIdiomPad);
  ASSERT_EQ(viewHeight(), 960);
  EXPECT_EQ(frames(), (Frames{960, 916, 916, 980}));
  turn(UIDeviceOrientationLandscapeLeft);
  // A tablet keeps its bars.
  EXPECT_FALSE(nav().isToolbarHidden());
  EXPECT_FALSE(nav().isNavigationBarHidden());
  ASSERT_EQ(viewHeight(), 704);
  EXPECT_EQ(frames(), (Frames{704, 660, 660, 724}));
  banner().loadAd();
  EXPECT_EQ(banner().frame().size, (CGSize{1024, 32}));
  EXPECT_EQ(frames(), (Frames{672, 628, 628, 692}));
}

TEST_F(MapLayoutScreenTest, TouchingTheBannerHidesTheOwnPositionUntilItsActionEnds) {
  writeSettings(0, 0, 1);
  launch();
  banner().loadAd();
  ASSERT_TRUE(map().showsUserLocation());
  ASSERT_TRUE(banner().tap(true));
  EXPECT_FALSE(map().showsUserLocation());
  banner().finishAction();
  EXPECT_TRUE(map().showsUserLocation());

  // With the setting off the position stays off after the action.
  AppData::sharedInstance().setCurrentlocation(0);
  ASSERT_TRUE(banner().tap(false));
  banner().finishAction();
  EXPECT_FALSE(map().showsUserLocation());
}

TEST_F(MapLayoutScreenTest, ComingBackToTheMapShowsTheToolbarAndLaysOut) {
  launch();
  banner().loadAd();
  nav().setToolbarHidden(true, false);
  nav().pushViewController(std::make_shared<UIViewController>(), false);
  nav().popViewControllerAnimated(false);
  EXPECT_FALSE(nav().isToolbarHidden());
  EXPECT_EQ(frames(), (Frames{366, 322, 322, 386}));
  EXPECT_EQ(UIView::lastAnimationDuration(), 0.0);
}

TEST_F(MapLayoutScreenTest, WithoutABannerTheLayoutChangesNothing) {
  launch();
  pressMap(100, 100);
  Application::delegate()->setAdBanner(nullptr);
  screen().statusLabel()->setText("untouched");
  CGRect before = map().frame();
  screen().layoutForCurrentOrientation(false);
  EXPECT_EQ(map().frame(), before);
  EXPECT_EQ(screen().statusLabel()->text(), "untouched");
}

}  // namespace
}  // namespace tessaly::testing
