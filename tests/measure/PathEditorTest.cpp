#include "measure/PathEditor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "appdata/AppData.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NumberFormatter.h"

using namespace tessaly;
using platform::CLLocationCoordinate2D;
using platform::MKPolyline;

namespace {

// Metres per degree along the equator on WGS84, and along a meridian near the equator.
constexpr double kEquatorDegree = 111319.49079327357;

class PathEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::setCurrentLocaleName("en_US");
    AppData::sharedInstance().setUnit(2);  // metres
    PathEditor::resetMarkerCounter();
    _map.setRegion(platform::MKCoordinateRegionMakeWithDistance({0, 0}, 4000, 4000), false);
    _editor.setStatusSink([this](const std::string& text) { _status.push_back(text); });
    _editor.setIsTablet([this] { return _tablet; });
    _editor.setToolbarRefresh([this] { ++_toolbarRefreshes; });
  }
  void TearDown() override {
    AppData::sharedInstance().reset();
    platform::resetCurrentLocale();
  }

  PathEditor::Marker add(double lat, double lng, int type = -1) {
    if (type < 0) type = _editor.pathArray().empty() ? kCoordStart : kCoordMarker;
    return _editor.addMapPoint(std::make_shared<CoordData>(type, lat, lng));
  }
  std::vector<std::shared_ptr<MKPolyline>> lines() const {
    std::vector<std::shared_ptr<MKPolyline>> result;
    for (const auto& o : _map.overlays())
      if (auto line = std::dynamic_pointer_cast<MKPolyline>(o)) result.push_back(line);
    return result;
  }
  std::vector<std::shared_ptr<PontoAnnotation>> markers() const {
    std::vector<std::shared_ptr<PontoAnnotation>> result;
    for (const auto& a : _map.annotations())
      if (auto m = std::dynamic_pointer_cast<PontoAnnotation>(a)) result.push_back(m);
    return result;
  }

  platform::MKMapView _map{platform::CGRectMake(0, 0, 400, 400)};
  PathEditor _editor{&_map};
  std::vector<std::string> _status;
  bool _tablet = false;
  int _toolbarRefreshes = 0;
};

}  // namespace

TEST(Heading, CompassPointsAndCuttingTowardZero) {
  struct Case {
    CLLocationCoordinate2D to;
    int heading;
  };
  const Case cases[] = {
      {{1, 0}, 0},       {{0, 1}, 90},     {{-1, 0}, 180},
      {{0, -1}, 270},    {{1, -0.007}, 0},  // about -0.4°: cut to 0, not 359
      {{1, -0.02}, 359},                    // about -1.1°: cut to -1
      {{1, 1}, 44},                         // 44.99...° is cut, not rounded
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.to.latitude) + "," + std::to_string(c.to.longitude));
    EXPECT_EQ(PathEditor::heading({0, 0}, c.to), c.heading);
  }
}

TEST_F(PathEditorTest, FirstPressPlacesTheStartingPointWithoutALine) {
  auto marker = _editor.didTapMap(PathEditor::kGestureBegan, platform::CGPoint{200, 200});
  ASSERT_TRUE(marker);
  EXPECT_EQ(marker->type(), 0);
  EXPECT_EQ(marker->index(), 1u);
  EXPECT_NEAR(marker->coordinate().latitude, 0, 1e-9);
  EXPECT_EQ(markers().size(), 1u);
  EXPECT_TRUE(lines().empty());
  EXPECT_EQ(_editor.statusText(), "0");
  EXPECT_EQ(_toolbarRefreshes, 1);
}

TEST_F(PathEditorTest, OnlyTheBeganStateOfAPressPlacesAPoint) {
  for (int state : {0, 2, 3, 4, 5}) EXPECT_FALSE(_editor.didTapMap(state, platform::CGPoint{1, 1}));
  EXPECT_FALSE(_editor.didTapMap(PathEditor::kGestureBegan, std::nullopt));
  EXPECT_FALSE(_editor.didTapMap(PathEditor::kGestureBegan, platform::CGPoint{NAN, 1}));
  EXPECT_TRUE(_editor.pathArray().empty());
  EXPECT_TRUE(_editor.didTapMap(PathEditor::kGestureBegan, platform::CGPoint{300, 200}));
  EXPECT_EQ(_editor.pathArray().size(), 1u);
}

TEST_F(PathEditorTest, SecondPointDueEastGetsHeading90AndTheLineIsDrawn) {
  add(0, 0);
  auto second = add(0, 1000 / kEquatorDegree);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->type(), 1);
  EXPECT_EQ(second->index(), 2u);
  EXPECT_EQ(second->heading(), 90);
  EXPECT_NEAR(second->totdistance(), 1000, 1e-6);
  EXPECT_EQ(second->deltadistance(), second->totdistance());
  EXPECT_EQ(second->title(), "Distance: 1,000 m");
  ASSERT_EQ(lines().size(), 1u);
  EXPECT_EQ(lines()[0]->pointCount(), 2u);
  EXPECT_EQ(_editor.statusText(), "1000");
  _tablet = true;
  _editor.updateStatus();
  EXPECT_EQ(_editor.statusText(), "1,000 m");
}

TEST_F(PathEditorTest, RoutePointsCountInTheRunningTotalButGetNoMarker) {
  add(0, 0);
  EXPECT_FALSE(add(0, 0.01, kCoordRoute));
  EXPECT_FALSE(add(0.01, 0.01, kCoordRoute));
  auto marker = add(0.01, 0.02);
  const auto& path = _editor.pathArray();
  ASSERT_EQ(path.size(), 4u);
  EXPECT_EQ(path[1]->index(), 0u);
  for (std::size_t i = 1; i < path.size(); ++i)
    EXPECT_NEAR(
        path[i]->distance() - path[i - 1]->distance(),
        platform::metersBetweenCoordinates(path[i - 1]->coordinate(), path[i]->coordinate()), 1e-6);
  EXPECT_EQ(marker->deltadistance(), path[3]->distance());  // from the start, route included
  EXPECT_EQ(marker->heading(), PathEditor::heading({0, 0}, {0.01, 0.02}));
  EXPECT_EQ(markers().size(), 2u);
  ASSERT_EQ(lines().size(), 1u);  // one line, replaced on every redraw
  EXPECT_EQ(lines()[0]->pointCount(), 4u);
}

TEST_F(PathEditorTest, UndoAfterARouteTakesTheMarkerAndItsRoutePointsInOneStep) {
  add(0, 0);
  add(0, 0.01);
  double before = _editor.pathArray().back()->distance();
  add(0, 0.02, kCoordRoute);
  add(0.01, 0.02, kCoordRoute);
  add(0.01, 0.03);
  _editor.undoAction();
  ASSERT_EQ(_editor.pathArray().size(), 2u);
  EXPECT_EQ(markers().size(), 2u);
  EXPECT_NEAR(before, 1113.19, 0.01);
  EXPECT_EQ(_editor.statusText(), "1113.19");  // the previous marker's running total
  ASSERT_EQ(lines().size(), 1u);
  EXPECT_EQ(lines()[0]->pointCount(), 2u);

  _editor.undoAction();
  _editor.undoAction();
  EXPECT_TRUE(_editor.pathArray().empty());
  EXPECT_TRUE(markers().empty());
  EXPECT_TRUE(lines().empty());
  EXPECT_EQ(_editor.statusText(), " ");
  _editor.undoAction();  // nothing left: no harm
  EXPECT_TRUE(_editor.pathArray().empty());
}

TEST_F(PathEditorTest, AfterUndoTheNextMarkerMeasuresFromThePreviousRemainingMarker) {
  add(0, 0);
  add(0, 0.01);
  add(0.01, 0.01);  // marker 3, undone below
  _editor.undoAction();
  auto next = add(0, 0.02);  // marker 4: its previous marker is number 2
  ASSERT_TRUE(next);
  EXPECT_EQ(next->index(), 4u);
  EXPECT_EQ(next->heading(), 90);
  EXPECT_NEAR(next->deltadistance(), 0.01 * kEquatorDegree, 1e-6);
  EXPECT_NEAR(next->totdistance(), 0.02 * kEquatorDegree, 1e-6);
}

TEST_F(PathEditorTest, UndoRemovesTheMarkerOfTheLastEntryEvenWhenAnotherSharesItsPlace) {
  add(0, 0);
  auto first = add(0, 0.01);
  add(0, 0.02);
  auto again = add(0, 0.01);  // back to the same place: same coordinate and type as `first`
  _editor.undoAction();
  auto left = markers();
  ASSERT_EQ(left.size(), 3u);
  EXPECT_EQ(left[1], first);
  EXPECT_FALSE(_map.containsAnnotation(again.get()));
}

TEST_F(PathEditorTest, UndoClosesTheCalloutOfTheMarkerItRemoves) {
  add(0, 0);
  auto second = add(0, 0.01);
  _map.selectAnnotation(second, false);
  _editor.undoAction();
  EXPECT_TRUE(_map.selectedAnnotations().empty());
}

TEST_F(PathEditorTest, ClearEmptiesEverythingButKeepsTheUsersPositionAndTheCounter) {
  _map.setShowsUserLocation(true);
  add(0, 0);
  add(0, 0.01);
  _editor.clearAction();
  EXPECT_TRUE(_editor.pathArray().empty());
  EXPECT_TRUE(markers().empty());
  EXPECT_TRUE(lines().empty());
  EXPECT_EQ(_editor.statusText(), "");
  ASSERT_EQ(_map.annotations().size(), 1u);
  EXPECT_EQ(_map.annotations()[0], _map.userLocation());
  EXPECT_EQ(add(1, 1)->index(), 3u);
  EXPECT_EQ(PathEditor::markerCounter(), 3u);
}

TEST_F(PathEditorTest, ClosingASquareGivesItsAreaWhicheverWayItWasDrawn) {
  const double side = 1000 / kEquatorDegree;  // 1 km along the equator
  const CLLocationCoordinate2D square[] = {{0, 0}, {0, side}, {side, side}, {side, 0}};
  for (bool reversed : {false, true}) {
    SCOPED_TRACE(reversed ? "counter-clockwise" : "clockwise");
    _editor.clearAction();
    for (int i = 0; i < 4; ++i) {
      const auto& c = square[reversed ? (4 - i) % 4 : i];
      add(c.latitude, c.longitude);
    }
    ASSERT_TRUE(_editor.canClose());
    auto closing = _editor.closeAction();
    ASSERT_TRUE(closing);
    EXPECT_EQ(closing->type(), 1);
    EXPECT_EQ(closing->coordinate(), square[0]);
    // A square of 1 km on the equator of a sphere with the equatorial radius.
    EXPECT_NEAR(closing->area(), 1e6, 1e6 * 1e-6);
    EXPECT_EQ(closing->title(), "Area: 1,000,000 m²");
    ASSERT_EQ(_map.selectedAnnotations().size(), 1u);
    EXPECT_EQ(_map.selectedAnnotations()[0], closing);
    EXPECT_EQ(_editor.pathArray().size(), 5u);
    EXPECT_EQ(_editor.pathArray().back()->type(), 1);
    EXPECT_FALSE(_editor.canClose());  // first and last are the same now
  }
}

TEST_F(PathEditorTest, ClosingIsRefusedForShortOrClosedPaths) {
  add(0, 0);
  add(0, 1);
  EXPECT_EQ(_editor.closeRefusal(), "closing needs at least 3 points");
  EXPECT_FALSE(_editor.closeAction());
  add(0, 0);
  EXPECT_EQ(_editor.closeRefusal(),
            "the path is already closed: its first and last points are the same");
  EXPECT_FALSE(_editor.closeAction());
  EXPECT_EQ(_editor.pathArray().size(), 3u);
}

TEST_F(PathEditorTest, SphericalAreaOfALargeTriangleMatchesTheExcess) {
  // The octant triangle (0,0) (0,90) (90,0) covers an eighth of the sphere.
  std::vector<PathEditor::Entry> octant{std::make_shared<CoordData>(0, 0.0, 0.0),
                                        std::make_shared<CoordData>(1, 0.0, 90.0),
                                        std::make_shared<CoordData>(1, 90.0, 0.0)};
  EXPECT_NEAR(PathEditor::sphericalArea(octant, 1.0), 4 * M_PI / 8, 1e-12);
  EXPECT_EQ(PathEditor::sphericalArea({octant[0]}, 1.0), 0);
}

TEST_F(PathEditorTest, PathsAbove12000EntriesAreThinnedOnTheNextRedraw) {
  add(0, 0);
  for (int i = 1; i < 12001; ++i) add(0, i * 1e-5, kCoordRoute);
  const auto& path = _editor.pathArray();
  // 12001 entries: indices 11, 13, ..., 11991 went (every second from count - 10 down).
  ASSERT_EQ(path.size(), 12001u - 5991u);
  for (int i = 0; i <= 10; ++i) EXPECT_EQ(path[i]->coordinate().longitude, i * 1e-5) << i;
  EXPECT_EQ(path[11]->coordinate().longitude, 12 * 1e-5);
  EXPECT_EQ(path[12]->coordinate().longitude, 14 * 1e-5);
  for (int k = 1; k <= 9; ++k)
    EXPECT_EQ(path[path.size() - k]->coordinate().longitude, (12001 - k) * 1e-5) << k;
  EXPECT_EQ(path[path.size() - 10]->coordinate().longitude, 11990 * 1e-5);
  ASSERT_EQ(lines().size(), 1u);
  EXPECT_EQ(lines()[0]->pointCount(), path.size());
  // Running totals already given stay as they were.
  EXPECT_NEAR(path.back()->distance(), 12000 * 1e-5 * kEquatorDegree, 1e-3);
}

TEST_F(PathEditorTest, EveryChangeRefreshesTheToolbarAndTheStatusReadsTheUnitAfresh) {
  add(0, 0);
  add(0, 0.01);
  _editor.undoAction();
  _editor.clearAction();
  EXPECT_EQ(_toolbarRefreshes, 4);
  add(0, 0);
  add(0, 1000 / kEquatorDegree);
  AppData::sharedInstance().setUnit(0);
  _editor.updateStatus();
  EXPECT_EQ(_editor.statusText(), "1");
  _tablet = true;
  platform::setCurrentLocaleName("de_DE");
  AppData::sharedInstance().setUnit(3);
  _editor.updateStatus();
  EXPECT_EQ(_editor.statusText(), "1.093,61 yd");
  EXPECT_EQ(_status.back(), "1.093,61 yd");
}

TEST_F(PathEditorTest, EachLineKeepsItsPointsWhileThePathGoesOnChanging) {
  std::vector<std::shared_ptr<MKPolyline>> held;
  std::vector<std::vector<platform::MKMapPoint>> seen;
  auto check = [&] {
    // The current line runs through exactly the path's points, in order.
    ASSERT_EQ(lines().size(), 1u);
    auto line = lines()[0];
    const auto& path = _editor.pathArray();
    ASSERT_EQ(line->pointCount(), path.size());
    for (std::size_t i = 0; i < path.size(); ++i)
      ASSERT_EQ(line->points()[i], path[i]->mkMapPoint());
    held.push_back(line);
    seen.emplace_back(line->points(), line->points() + line->pointCount());
  };
  add(0, 0);
  for (int i = 1; i < 40; ++i) {
    add(0, i * 0.001, i % 3 == 0 ? kCoordRoute : kCoordMarker);
    check();
    if (i % 7 == 0) {
      _editor.undoAction();
      check();
    }
  }
  // No later change reached into a line already drawn.
  for (std::size_t k = 0; k < held.size(); ++k) {
    ASSERT_EQ(held[k]->pointCount(), seen[k].size());
    for (std::size_t i = 0; i < seen[k].size(); ++i) EXPECT_EQ(held[k]->points()[i], seen[k][i]);
  }
}

// Near the poles the map's projection flattens every latitude beyond about 85.05° onto its
// edge; distances must come from the places themselves. A degree of meridian there is about
// 111.69 km on WGS84.
TEST_F(PathEditorTest, MarkersNearEitherPoleMeasureTheirOwnPlacesNotTheMapEdge) {
  constexpr double kPolarMeridianDegree = 111694;
  for (double hemisphere : {1.0, -1.0}) {
    SCOPED_TRACE(hemisphere > 0 ? "north" : "south");
    _editor.clearAction();
    // Across the pole: half a degree up one meridian and half a degree down the opposite one.
    add(hemisphere * 89.5, 0);
    auto across = add(hemisphere * 89.5, 180);
    ASSERT_TRUE(across);
    EXPECT_NEAR(across->deltadistance(), kPolarMeridianDegree, 30);
    // Along one meridian between two latitudes that the map draws at the same point.
    auto along = add(hemisphere * 88.5, 180);
    ASSERT_TRUE(along);
    EXPECT_NEAR(along->deltadistance(), kPolarMeridianDegree, 30);
    EXPECT_EQ(_editor.pathArray()[1]->mkMapPoint(), _editor.pathArray()[2]->mkMapPoint());
    EXPECT_NEAR(along->totdistance(), 2 * kPolarMeridianDegree, 60);
  }
}

// Entries with the given coordinates, in order.
std::vector<PathEditor::Entry> ring(std::initializer_list<CLLocationCoordinate2D> points) {
  std::vector<PathEditor::Entry> entries;
  for (const auto& p : points) entries.push_back(std::make_shared<CoordData>(1, p));
  return entries;
}

TEST_F(PathEditorTest, AreaOfAPolygonAcross180DegreesIsThatOfTheSameShapeElsewhere) {
  // A triangle on Fiji's side of the 180° meridian, about 42.6 km wide and 22.1 km high.
  auto across = ring({{-17.0, 179.8}, {-17.0, -179.8}, {-16.8, 180.0}});
  // The same triangle turned ten degrees west about the earth's axis, clear of 180°.
  auto clear = ring({{-17.0, 169.8}, {-17.0, 170.2}, {-16.8, 170.0}});
  const double expected = PathEditor::sphericalArea(clear);
  EXPECT_NEAR(expected, 471e6, 471e6 * 0.02);
  EXPECT_NEAR(PathEditor::sphericalArea(across), expected, expected * 1e-6);
  std::reverse(across.begin(), across.end());
  EXPECT_NEAR(PathEditor::sphericalArea(across), expected, expected * 1e-6);
  // Drawn westward from the other side of the meridian.
  auto west = ring({{-17.0, -179.8}, {-16.8, -180.0}, {-17.0, 179.8}});
  EXPECT_NEAR(PathEditor::sphericalArea(west), expected, expected * 1e-6);
}

TEST_F(PathEditorTest, APolygonAroundEitherPoleEnclosesThePolarCap) {
  // Points a degree apart along the parallel 80° from the pole side: the great-circle legs
  // between them stay within metres of the parallel, so the area is that of the cap.
  const double cap = 2 * M_PI * (1 - std::sin(80 * M_PI / 180));
  for (double hemisphere : {1.0, -1.0}) {
    for (bool westward : {false, true}) {
      SCOPED_TRACE(std::string(hemisphere > 0 ? "north" : "south") +
                   (westward ? ", westward" : ", eastward"));
      std::vector<PathEditor::Entry> entries;
      for (int i = 0; i < 360; ++i) {
        double longitude = std::remainder((westward ? -i : i) + 0.5, 360.0);
        entries.push_back(std::make_shared<CoordData>(1, hemisphere * 80, longitude));
      }
      EXPECT_NEAR(PathEditor::sphericalArea(entries, 1.0), cap, cap * 1e-3);
    }
  }
}
