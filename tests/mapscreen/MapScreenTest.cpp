// The map screen driven as a person would: long presses, toolbar taps, the settings
// notification, the search button, alerts.
#include <gtest/gtest.h>

#include "app/LaunchedApp.h"
#include "mapscreen/ToolbarRules.h"
#include "measure/PontoAnnotation.h"
#include "measure/Units.h"
#include "platform/foundation/NumberFormatter.h"
#include "platform/ui/UIAlertView.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UISearchBar.h"

namespace tessaly::testing {
namespace {

using namespace tessaly::platform;

class MapScreenTest : public LaunchedApp {
 protected:
  // n presses at distinct points of the map.
  void placePoints(int n) {
    for (int i = 0; i < n; ++i) pressMap(20.0f + 25.0f * static_cast<float>(i), i % 2 ? 150 : 100);
  }
  // files, clear, undo, close, route, search
  std::vector<bool> commands() {
    return {enabled(kToolbarFiles), enabled(kToolbarClear), enabled(kToolbarUndo),
            enabled(kToolbarClose), enabled(kToolbarRoute), enabled(kToolbarSearch)};
  }
  bool navigationButtons() {
    const auto& item = screen().navigationItem();
    return item.leftBarButtonItem()->isEnabled() && item.rightBarButtonItem()->isEnabled();
  }
  std::string status() { return screen().statusLabel()->text(); }
};

TEST_F(MapScreenTest, LongPressesPlaceAStartThenLaterMarkersJoinedByOneLine) {
  launch();
  pressMap(100, 100);
  ASSERT_EQ(markers().size(), 1u);
  EXPECT_EQ(markers()[0]->type(), 0);
  EXPECT_EQ(status(), "0");
  EXPECT_TRUE(map().overlays().empty());

  pressMap(200, 100);
  ASSERT_EQ(markers().size(), 2u);
  EXPECT_EQ(markers()[1]->type(), 1);
  EXPECT_EQ(map().overlays().size(), 1u);
  EXPECT_NE(status(), "0");
  EXPECT_EQ(status(), formatLength(screen().pathArray().back()->distance(), 0, 0));
  // The press point became the marker's place.
  CLLocationCoordinate2D expected = map().convertPointToCoordinateFromView({200, 100}, &map());
  EXPECT_EQ(markers()[1]->coordinate(), expected);
}

TEST_F(MapScreenTest, OnlyTheFirstStateOfAPressPlacesAPoint) {
  launch();
  auto& press = longPress();
  ASSERT_TRUE(press.pressAt({100, 100}, UIGestureRecognizerStateBegan));
  press.pressAt({105, 100}, UIGestureRecognizerStateChanged);
  press.pressAt({110, 100}, UIGestureRecognizerStateEnded);
  EXPECT_EQ(screen().pathArray().size(), 1u);
}

TEST_F(MapScreenTest, ToolbarEnablingFollowsThePathLength) {
  struct Case {
    int entries;
    std::vector<bool> expected;  // files, clear, undo, close, route, search
  };
  const Case cases[] = {
      {0, {true, false, false, false, false, true}}, {1, {true, true, true, false, false, true}},
      {2, {true, true, true, false, true, true}},    {3, {true, true, true, true, true, true}},
      {10, {true, true, true, true, true, true}},    {11, {true, true, true, true, false, true}},
  };
  launch();
  for (const auto& c : cases) {
    ASSERT_TRUE(tap(kToolbarClear) || c.entries == 0 || screen().pathArray().empty());
    placePoints(c.entries);
    ASSERT_EQ(screen().pathArray().size(), static_cast<std::size_t>(c.entries));
    EXPECT_EQ(commands(), c.expected) << c.entries << " entries";
    EXPECT_TRUE(navigationButtons()) << c.entries << " entries";
  }
}

TEST_F(MapScreenTest, AClosedPathCannotBeClosedAgain) {
  launch();
  placePoints(3);
  ASSERT_TRUE(tap(kToolbarClose));
  ASSERT_EQ(screen().pathArray().size(), 4u);
  EXPECT_EQ(commands(), (std::vector<bool>{true, true, true, false, true, true}));
  // The closing marker opened its callout with the area.
  ASSERT_EQ(map().selectedAnnotations().size(), 1u);
  auto closing = std::dynamic_pointer_cast<PontoAnnotation>(map().selectedAnnotations()[0]);
  ASSERT_TRUE(closing);
  EXPECT_GT(closing->area(), 0);
  EXPECT_FALSE(tap(kToolbarClose));
}

TEST_F(MapScreenTest, SearchingDisablesEverythingButSearchItself) {
  launch();
  placePoints(3);
  ASSERT_TRUE(tap(kToolbarSearch));
  EXPECT_TRUE(screen().isSearching());
  EXPECT_FALSE(screen().searchBar()->isHidden());
  EXPECT_TRUE(screen().searchBar()->isFirstResponder());
  EXPECT_EQ(commands(), (std::vector<bool>{false, false, false, false, false, true}));
  EXPECT_TRUE(navigationButtons());
  pressMap(300, 300);  // the map still takes presses, and the toolbar stays busy
  EXPECT_EQ(commands(), (std::vector<bool>{false, false, false, false, false, true}));

  ASSERT_TRUE(tap(kToolbarSearch));
  EXPECT_FALSE(screen().isSearching());
  EXPECT_TRUE(screen().searchBar()->isHidden());
  EXPECT_EQ(commands(), (std::vector<bool>{true, true, true, true, true, true}));
}

TEST_F(MapScreenTest, TheSearchBarsCancelEndsTheSearch) {
  launch();
  ASSERT_TRUE(tap(kToolbarSearch));
  screen().searchBar()->tapCancelButton();
  EXPECT_FALSE(screen().isSearching());
  EXPECT_TRUE(screen().searchBar()->isHidden());
  EXPECT_TRUE(enabled(kToolbarFiles));
}

TEST_F(MapScreenTest, ARunningRouteRequestDisablesEveryCommand) {
  launch();
  placePoints(3);
  screen().setRouteRequestRunning(true);
  EXPECT_EQ(commands(), (std::vector<bool>(6, false)));
  EXPECT_FALSE(navigationButtons());
  EXPECT_FALSE(tap(kToolbarUndo));
  EXPECT_EQ(screen().pathArray().size(), 3u);
  screen().setRouteRequestRunning(false);
  EXPECT_EQ(commands(), (std::vector<bool>(6, true)));
  EXPECT_TRUE(navigationButtons());
}

TEST_F(MapScreenTest, UndoTakesTheLastMarkerAndClearTakesAll) {
  launch();
  placePoints(3);
  double secondTotal = screen().pathArray()[1]->distance();
  ASSERT_TRUE(tap(kToolbarUndo));
  EXPECT_EQ(screen().pathArray().size(), 2u);
  EXPECT_EQ(markers().size(), 2u);
  EXPECT_EQ(map().overlays().size(), 1u);
  EXPECT_EQ(status(), formatLength(secondTotal, 0, 0));

  ASSERT_TRUE(tap(kToolbarUndo));
  ASSERT_TRUE(tap(kToolbarUndo));
  EXPECT_TRUE(screen().pathArray().empty());
  EXPECT_TRUE(markers().empty());
  EXPECT_TRUE(map().overlays().empty());
  EXPECT_EQ(status(), " ");
  EXPECT_FALSE(enabled(kToolbarUndo));

  placePoints(3);
  ASSERT_TRUE(tap(kToolbarClear));
  EXPECT_TRUE(screen().pathArray().empty());
  EXPECT_TRUE(markers().empty());
  EXPECT_TRUE(map().overlays().empty());
  EXPECT_EQ(status(), "");
  EXPECT_EQ(commands(), (std::vector<bool>{true, false, false, false, false, true}));
}

TEST_F(MapScreenTest, SettingsChangeRefreshesTheStatusAndClosesCallouts) {
  launch();
  placePoints(2);
  double total = screen().pathArray().back()->distance();
  std::string inKilometres = status();
  ASSERT_EQ(inKilometres, formatLength(total, 0, 0));
  map().selectAnnotation(markers()[1], false);
  ASSERT_EQ(map().selectedAnnotations().size(), 1u);

  AppData::sharedInstance().setUnit(kUnitMi);
  AppData::sharedInstance().setCurrentlocation(1);
  NotificationCenter::defaultCenter().postNotificationName(kAppSettingsNotification);
  EXPECT_EQ(status(), formatLength(total, 0, 0));
  EXPECT_NE(status(), inKilometres);
  EXPECT_TRUE(map().selectedAnnotations().empty());
  EXPECT_TRUE(map().showsUserLocation());
  // Stored in metres: nothing was converted.
  EXPECT_EQ(screen().pathArray().back()->distance(), total);

  AppData::sharedInstance().setCurrentlocation(0);
  NotificationCenter::defaultCenter().postNotificationName(kAppSettingsNotification);
  EXPECT_FALSE(map().showsUserLocation());
}

TEST_F(MapScreenTest, TheStatusFollowsALocaleChangeAtOnce) {
  struct RestoreLocale {
    ~RestoreLocale() { resetCurrentLocale(); }
  } restore;
  setCurrentLocaleName("en_US");
  launch();
  placePoints(2);
  double total = screen().pathArray().back()->distance();
  std::string english = status();
  ASSERT_NE(english.find('.'), std::string::npos) << english;

  setCurrentLocaleName("de_DE");
  EXPECT_EQ(status(), formatLength(total, 0, 0));
  EXPECT_NE(status().find(','), std::string::npos) << status();
  setCurrentLocaleName("en_US");
  EXPECT_EQ(status(), english);
}

TEST_F(MapScreenTest, StoredMapTypesOutsideTheThreeLeaveTheMapAlone) {
  writeSettings(5, 0, 0);
  launch();
  EXPECT_EQ(map().mapType(), MKMapTypeStandard);
  AppData::sharedInstance().setMaptype(2);
  NotificationCenter::defaultCenter().postNotificationName(kAppSettingsNotification);
  EXPECT_EQ(map().mapType(), MKMapTypeHybrid);
  AppData::sharedInstance().setMaptype(5);
  NotificationCenter::defaultCenter().postNotificationName(kAppSettingsNotification);
  EXPECT_EQ(map().mapType(), MKMapTypeHybrid);
  AppData::sharedInstance().setMaptype(-1);
  NotificationCenter::defaultCenter().postNotificationName(kAppSettingsNotification);
  EXPECT_EQ(map().mapType(), MKMapTypeHybrid);
}

TEST_F(MapScreenTest, StoredSatelliteAndOwnPositionApplyAtStart) {
  writeSettings(1, 3, 1);
  launch();
  EXPECT_EQ(map().mapType(), MKMapTypeSatellite);
  EXPECT_TRUE(map().showsUserLocation());
}

TEST_F(MapScreenTest, AlertsHaveTheirTitlesAndOneOkButton) {
  launch();
  screen().showError("Not found");
  screen().showInfo("Saved");
  const auto& panels = UIApplication::sharedApplication().panelsOnScreen();
  ASSERT_EQ(panels.size(), 2u);
  auto error = std::dynamic_pointer_cast<UIAlertView>(panels[0]);
  auto info = std::dynamic_pointer_cast<UIAlertView>(panels[1]);
  ASSERT_TRUE(error && info);
  EXPECT_EQ(error->title(), "Error");
  EXPECT_EQ(error->message(), "Not found");
  EXPECT_EQ(info->title(), "Info");
  EXPECT_EQ(info->message(), "Saved");
  EXPECT_EQ(error->buttonTitles(), std::vector<std::string>{"OK"});
  EXPECT_EQ(error->cancelButtonIndex(), 0);
  info->pressButtonAtIndex(0);
  error->pressButtonAtIndex(0);
  EXPECT_TRUE(UIApplication::sharedApplication().panelsOnScreen().empty());
}

TEST_F(MapScreenTest, MapFailuresBecomeErrorAlertsAndLogLines) {
  launch();
  placePoints(2);
  map().didFailLoadingMapWithError({"MKErrorDomain", 3, "The map could not be loaded."});
  map().didFailToLocateUserWithError({"kCLErrorDomain", 1, "Location is not allowed."});
  const auto& panels = UIApplication::sharedApplication().panelsOnScreen();
  ASSERT_EQ(panels.size(), 2u);
  EXPECT_EQ(std::dynamic_pointer_cast<UIAlertView>(panels[0])->message(),
            "The map could not be loaded.");
  EXPECT_EQ(std::dynamic_pointer_cast<UIAlertView>(panels[1])->message(),
            "Location is not allowed.");
  EXPECT_TRUE(_log.contains("mapViewDidFailLoadingMap:withError: Error Domain=MKErrorDomain"));
  EXPECT_TRUE(_log.contains("mapView:didFailToLocateUserWithError: Error Domain=kCLErrorDomain"));
  EXPECT_EQ(screen().pathArray().size(), 2u);
}

}  // namespace
}  // namespace tessaly::testing
