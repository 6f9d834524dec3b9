// The map screen's address search and routes against a service on loopback.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "app/LaunchedApp.h"
#include "lookup/AnswerServer.h"
#include "mapscreen/ToolbarRules.h"
#include "platform/ui/UIActionSheet.h"
#include "platform/ui/UIAlertView.h"
#include "platform/ui/UISearchBar.h"

namespace tessaly::testing {
namespace {

using namespace tessaly::platform;

const char* const kMonaco = R"({"status":"OK","results":[
  {"formatted_address":"Place du Casino, Monaco","geometry":{"location":{"lat":43.7396,"lng":7.4276}}},
  {"formatted_address":"Port Hercule, Monaco","geometry":{"location":{"lat":43.7347,"lng":7.4206}}}]})";

class MapLookupTest : public LaunchedApp {
 protected:
  // Runs the main loop until the condition holds (the answer travels in real time).
  bool waitFor(const std::function<bool()>& condition, double seconds = 5) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      RunLoop::main().runUntilIdle();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }
  bool indicator() {
    return UIApplication::sharedApplication().isNetworkActivityIndicatorVisible();
  }
  UISearchBar& bar() { return *screen().searchBar(); }
  UITableView& table() { return *screen().searchDisplayController()->searchResultsTableView(); }
  const std::vector<std::shared_ptr<UIPanelView>>& panels() {
    return UIApplication::sharedApplication().panelsOnScreen();
  }
  UIAlertView* alert() {
    return panels().empty() ? nullptr : dynamic_cast<UIAlertView*>(panels().back().get());
  }
  UIActionSheet* sheet() {
    return panels().empty() ? nullptr : dynamic_cast<UIActionSheet*>(panels().back().get());
  }
  // Opens the search, types and sends the text, and waits for the answer.
  void search(const std::string& text) {
    if (!screen().isSearching()) {
      ASSERT_TRUE(tap(kToolbarSearch));
    }
    bar().typeText(text);
    bar().tapSearchButton();
    EXPECT_TRUE(indicator());
    ASSERT_TRUE(waitFor([&] { return !indicator(); }));
  }
  void placePoints(int n) {
    for (int i = 0; i < n; ++i) pressMap(40.0f + 30.0f * static_cast<float>(i), 120);
  }
  void route(int button) {
    ASSERT_TRUE(tap(kToolbarRoute));
    ASSERT_NE(sheet(), nullptr);
    sheet()->pressButtonAtIndex(button);
  }

  AnswerServer service;
};

TEST_F(MapLookupTest, SearchOpensWithFocusSendsOnlyOnSearchAndPickingAddsTheCentredMarker) {
  service.answer(kMonaco);
  launch();
  ASSERT_TRUE(tap(kToolbarSearch));
  EXPECT_FALSE(bar().isHidden());
  EXPECT_TRUE(bar().isFirstResponder());
  EXPECT_TRUE(screen().isSearching());

  bar().typeText("Place du Casino");
  RunLoop::main().runUntilIdle();
  EXPECT_TRUE(service.asked().empty());  // typing alone sends nothing
  EXPECT_EQ(table().numberOfRowsInSection(0), 0);

  bar().tapSearchButton();
  EXPECT_TRUE(indicator());
  ASSERT_TRUE(waitFor([&] { return !indicator(); }));
  ASSERT_EQ(service.asked().size(), 1u);
  EXPECT_EQ(service.asked()[0].target,
            "/maps/api/geocode/json?address=Place%20du%20Casino&sensor=false");
  ASSERT_EQ(table().numberOfRowsInSection(0), 2);
  auto cell = table().cellForRowAtIndexPath({0, 1});
  ASSERT_TRUE(cell);
  EXPECT_EQ(cell->reuseIdentifier(), "CellIdentifier");
  EXPECT_EQ(cell->textLabel()->text(), "Port Hercule, Monaco");
  EXPECT_EQ(cell->textLabel()->font().pointSize, UIFont::smallSystemFontSize());

  table().selectRowAtIndexPath({0, 0});
  RunLoop::main().runUntilIdle();
  EXPECT_FALSE(screen().isSearching());
  EXPECT_TRUE(bar().isHidden());
  ASSERT_EQ(markers().size(), 1u);
  EXPECT_EQ(markers()[0]->type(), kCoordStart);
  EXPECT_EQ(screen().pathArray()[0], (*screen().geoSearchResults())[0]);  // shared, not copied
  MKCoordinateRegion region = map().region();
  EXPECT_NEAR(region.center.latitude, 43.7396, 1e-6);
  EXPECT_NEAR(region.center.longitude, 7.4276, 1e-6);
  EXPECT_NEAR(region.span.latitudeDelta, 1000 / 111000.0, 0.002);  // about one kilometre

  // A second search and pick: a later marker joined to the first.
  search("Port Hercule");
  table().selectRowAtIndexPath({0, 1});
  ASSERT_EQ(markers().size(), 2u);
  EXPECT_EQ(markers()[1]->type(), kCoordMarker);
  EXPECT_GT(screen().pathArray()[1]->distance(), 0);
}

TEST_F(MapLookupTest, FailuresShowTheirTextAndKeepTheEarlierResults) {
  service.answer(kMonaco);
  launch();
  search("Monaco");
  ASSERT_EQ(table().numberOfRowsInSection(0), 2);

  service.answer(R"({"status":"OK","results":[]})");
  bar().tapSearchButton();
  ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }));
  EXPECT_EQ(alert()->title(), "Error");
  EXPECT_EQ(alert()->message(), "Not found");
  alert()->pressButtonAtIndex(0);
  EXPECT_EQ(screen().geoSearchResults()->size(), 2u);

  service.answer(R"({"status":"<i>OVER_QUERY_LIMIT</i>","results":[]})");
  bar().tapSearchButton();
  ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }));
  EXPECT_EQ(alert()->message(), "<i>OVER_QUERY_LIMIT</i>");
  EXPECT_FALSE(indicator());
  EXPECT_EQ(screen().geoSearchResults()->size(), 2u);
  EXPECT_TRUE(screen().pathArray().empty());
}

TEST_F(MapLookupTest, OfTwoQuickSearchesOnlyTheSecondAnswers) {
  service.respond([](const httplib::Request& req) {
    std::string name = req.get_param_value("address");
    return R"({"status":"OK","results":[{"formatted_address":")" + name +
           R"(","geometry":{"location":{"lat":1,"lng":2}}}]})";
  });
  launch();
  ASSERT_TRUE(tap(kToolbarSearch));
  bar().typeText("first");
  bar().tapSearchButton();
  bar().typeText("second");
  bar().tapSearchButton();
  ASSERT_TRUE(waitFor([&] { return !indicator(); }));
  waitFor([] { return false; }, 0.2);  // anything the first had in flight would arrive now
  ASSERT_EQ(table().numberOfRowsInSection(0), 1);
  EXPECT_EQ(table().cellForRowAtIndexPath({0, 0})->textLabel()->text(), "second");
  EXPECT_EQ(table().reloadCount(), 1);
}

TEST_F(MapLookupTest, ASearchThatCannotBeSentLeavesNoActivityShowing) {
  LookupServices::setGeocoderBase("ftp://127.0.0.1");
  launch();
  ASSERT_TRUE(tap(kToolbarSearch));
  bar().typeText("x");
  bar().tapSearchButton();
  EXPECT_FALSE(indicator());
  EXPECT_TRUE(_log.contains("connection failed"));
}

TEST_F(MapLookupTest, ARouteByCarReplacesThePathWithTheRoadRoute) {
  service.answer(R"({"status":"OK","routes":[{"legs":[
    {"start_location":{"lat":43.73,"lng":7.42},"end_location":{"lat":43.74,"lng":7.43},
     "steps":[{"polyline":{"points":"??"}},{"polyline":{"points":"_p~iF~ps|U_ulLnnqC_mqNvxq`@"}}]}]}]})");
  launch();
  placePoints(3);
  route(0);
  EXPECT_TRUE(indicator());
  EXPECT_TRUE(screen().isRouteRequestRunning());
  EXPECT_FALSE(enabled(kToolbarClear));  // the commands wait for the route
  ASSERT_TRUE(waitFor([&] { return !indicator(); }));
  ASSERT_EQ(service.asked().size(), 1u);
  const std::string target = service.asked()[0].target;
  EXPECT_NE(target.find("&waypoints=optimize:true%7C"), std::string::npos);
  EXPECT_NE(target.find("&mode=driving&sensor=false"), std::string::npos);

  // Start, the step's first two points (a marker and a route point), the end.
  ASSERT_EQ(screen().pathArray().size(), 4u);
  EXPECT_EQ(markers().size(), 3u);
  EXPECT_EQ(markers()[0]->type(), kCoordStart);
  EXPECT_EQ(markers()[0]->coordinate().latitude, 43.73);
  EXPECT_EQ(screen().pathArray()[2]->type(), kCoordRoute);
  EXPECT_FALSE(screen().isRouteRequestRunning());
  EXPECT_TRUE(enabled(kToolbarClear));
  // The map shows every marker of the route.
  MKCoordinateRegion region = map().region();
  for (const auto& marker : markers()) {
    EXPECT_LE(std::abs(marker->coordinate().latitude - region.center.latitude),
              region.span.latitudeDelta / 2);
    EXPECT_LE(std::abs(marker->coordinate().longitude - region.center.longitude),
              region.span.longitudeDelta / 2);
  }
}

TEST_F(MapLookupTest, TheRouteSheetAsksTheModeAndItsCancelSendsNothing) {
  service.answer(R"({"status":"NOT_FOUND","routes":[]})");
  launch(UIUserInterfaceIdiomPad);
  placePoints(2);
  ASSERT_TRUE(tap(kToolbarRoute));
  ASSERT_NE(sheet(), nullptr);
  EXPECT_EQ(sheet()->tag(), 3);
  EXPECT_EQ(sheet()->title(), "Route type");
  EXPECT_EQ(sheet()->buttonTitles(), (std::vector<std::string>{"Driving", "Walking", "Cancel"}));
  EXPECT_EQ(sheet()->actionSheetStyle(), UIActionSheetStyleBlackTranslucent);
  EXPECT_EQ(sheet()->anchorItem(), item(kToolbarRoute));  // a tablet's popover
  sheet()->pressButtonAtIndex(2);
  RunLoop::main().runUntilIdle();
  EXPECT_FALSE(indicator());
  EXPECT_TRUE(service.asked().empty());

  // Walking, and a failure: the service's text, the path as it was.
  auto before = screen().pathArray();
  route(1);
  ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }));
  EXPECT_NE(service.asked().at(0).target.find("&mode=walking&"), std::string::npos);
  EXPECT_EQ(alert()->message(), "NOT_FOUND");
  EXPECT_EQ(screen().pathArray(), before);
  EXPECT_FALSE(indicator());
}

TEST_F(MapLookupTest, LongRoutesAreThinnedAndEmptyOnesLeaveThePath) {
  launch();
  placePoints(2);
  screen().geoRouteConnectionDidFinishLoadingWithGeoLocalObjects(nullptr, {});
  ASSERT_NE(alert(), nullptr);
  EXPECT_EQ(alert()->message(), "Not found");
  EXPECT_EQ(screen().pathArray().size(), 2u);

  std::vector<PathEditor::Entry> longRoute;
  for (int i = 0; i < 12000; ++i)
    longRoute.push_back(std::make_shared<CoordData>(i == 0 ? kCoordStart : kCoordRoute,
                                                    43.7 + i * 1e-6, 7.4 + i * 1e-6));
  longRoute.back()->setType(kCoordMarker);
  screen().geoRouteConnectionDidFinishLoadingWithGeoLocalObjects(nullptr, longRoute);
  ASSERT_EQ(screen().pathArray().size(), 6500u);
  EXPECT_EQ(screen().pathArray()[501], longRoute[501]);
  EXPECT_EQ(screen().pathArray()[502], longRoute[503]);
  EXPECT_EQ(markers().size(), 2u);  // the old markers are gone
  // The totals run along the route.
  EXPECT_GT(screen().pathArray().back()->distance(), screen().pathArray()[1]->distance());
}

}  // namespace
}  // namespace tessaly::testing
