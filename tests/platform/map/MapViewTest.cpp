#include "platform/map/MKMapView.h"

#include "platform/foundation/ObjectIds.h"
#include "platform/ui/DescriptionTree.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

using namespace tessaly::platform;

namespace {

class Pin : public MKAnnotation {
 public:
  explicit Pin(CLLocationCoordinate2D c) : _c(c) {}
  CLLocationCoordinate2D coordinate() const override { return _c; }

 private:
  CLLocationCoordinate2D _c;
};

class RecordingDelegate : public MKMapViewDelegate {
 public:
  void mapViewRegionWillChangeAnimated(MKMapView*, bool animated) override {
    calls.push_back(std::string("will ") + (animated ? "animated" : "still"));
  }
  void mapViewDidFailLoadingMapWithError(MKMapView*, const NSError& error) override {
    calls.push_back("load: " + error.localizedDescription);
  }
  void mapViewDidFailToLocateUserWithError(MKMapView*, const NSError& error) override {
    calls.push_back("locate: " + error.localizedDescription);
  }
  std::vector<std::string> calls;
};

std::shared_ptr<Pin> pin(double lat, double lng) {
  return std::make_shared<Pin>(CLLocationCoordinate2D{lat, lng});
}

}  // namespace

TEST(MapViewAnnotations, KeepOrderIgnoreDuplicatesAndDropTheSelectionWhenRemoved) {
  MKMapView map(CGRectMake(0, 0, 320, 480));
  auto a = pin(1, 1), b = pin(2, 2), c = pin(3, 3);
  map.addAnnotation(a);
  map.addAnnotations({b, c, a});
  ASSERT_EQ(map.annotations().size(), 3u);
  EXPECT_EQ(map.annotations()[0], a);
  EXPECT_EQ(map.annotations()[2], c);

  map.selectAnnotation(b, true);
  map.selectAnnotation(c, false);  // one at a time
  ASSERT_EQ(map.selectedAnnotations().size(), 1u);
  EXPECT_EQ(map.selectedAnnotations()[0], c);
  map.selectAnnotation(pin(9, 9), false);  // not on the map
  EXPECT_EQ(map.selectedAnnotations()[0], c);

  map.removeAnnotations({c, a});
  EXPECT_TRUE(map.selectedAnnotations().empty());
  ASSERT_EQ(map.annotations().size(), 1u);
  EXPECT_EQ(map.annotations()[0], b);
  map.removeAnnotation(b.get());
  EXPECT_TRUE(map.annotations().empty());
  map.addAnnotation(a);  // can come back after removal
  EXPECT_TRUE(map.containsAnnotation(a.get()));
}

TEST(MapViewOverlays, PolylinesKeepTheirPointsAndBounds) {
  MKMapView map;
  MKMapPoint points[] = {{10, 50}, {30, 20}, {25, 70}};
  auto line = MKPolyline::polylineWithPoints(points, 3);
  auto single = MKPolyline::polylineWithPoints(points, 1);
  map.addOverlay(line);
  map.addOverlay(single);
  ASSERT_EQ(map.overlays().size(), 2u);
  EXPECT_EQ(line->pointCount(), 3u);
  EXPECT_EQ(line->points()[1], (MKMapPoint{30, 20}));
  EXPECT_EQ(line->boundingMapRect(), MKMapRectMake(10, 20, 20, 50));
  EXPECT_EQ(single->boundingMapRect(), MKMapRectMake(10, 50, 0, 0));
  map.removeOverlays({line});
  ASSERT_EQ(map.overlays().size(), 1u);
  EXPECT_EQ(map.overlays()[0], single);
}

TEST(MapViewRegion, RegionThatFitsWidensToTheViewsShape) {
  MKMapView map(CGRectMake(0, 0, 400, 200));
  MKCoordinateRegion asked = MKCoordinateRegionMakeWithDistance({45, 7}, 10000, 10000);
  MKCoordinateRegion fitted = map.regionThatFits(asked);
  MKMapRect rect = mapRectForRegion(fitted);
  EXPECT_NEAR(rect.size.width / rect.size.height, 2.0, 1e-6);
  EXPECT_NEAR(fitted.center.latitude, 45, 1e-9);
  EXPECT_NEAR(fitted.center.longitude, 7, 1e-9);
  EXPECT_NEAR(fitted.span.latitudeDelta, asked.span.latitudeDelta, 1e-9);
  EXPECT_GT(fitted.span.longitudeDelta, asked.span.longitudeDelta * 1.9);

  // A tall view keeps the width and grows the height.
  MKMapView tall(CGRectMake(0, 0, 100, 300));
  MKCoordinateRegion tallFit = tall.regionThatFits(asked);
  EXPECT_NEAR(tallFit.span.longitudeDelta, asked.span.longitudeDelta, 1e-9);
  EXPECT_GT(tallFit.span.latitudeDelta, asked.span.latitudeDelta * 2);

  // Never more than the world.
  MKCoordinateRegion world = map.regionThatFits({{0, 0}, {170, 360}});
  EXPECT_LE(world.span.longitudeDelta, 360);
  EXPECT_LE(world.span.latitudeDelta, 180);
}

TEST(MapViewRegion, SetRegionTellsTheDelegateAndRejectsRegionsOffTheEarth) {
  MKMapView map(CGRectMake(0, 0, 300, 300));
  RecordingDelegate delegate;
  map.setDelegate(&delegate);
  MKCoordinateRegion r = MKCoordinateRegionMakeWithDistance({10, 20}, 5000, 5000);
  map.setRegion(r, true);
  EXPECT_EQ(map.region(), map.regionThatFits(r));
  EXPECT_EQ(delegate.calls, std::vector<std::string>{"will animated"});
  try {
    map.setRegion({{95, 0}, {1, 1}}, false);
    FAIL() << "no exception";
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(),
                 "Invalid Region <center:+95.00000000, +0.00000000 span:+1.00000000, +1.00000000>");
  }
  EXPECT_THROW(map.setRegion({{0, 0}, {-1, 1}}, false), std::invalid_argument);
  EXPECT_THROW(map.setRegion({{NAN, 0}, {1, 1}}, false), std::invalid_argument);
  EXPECT_EQ(map.region(), map.regionThatFits(r));
}

TEST(MapViewRegion, PointsOfTheViewTurnIntoTheCoordinatesUnderThem) {
  MKMapView map(CGRectMake(0, 0, 400, 400));
  map.setRegion(MKCoordinateRegionMakeWithDistance({0, 0}, 2000, 2000), false);
  CLLocationCoordinate2D centre = map.convertPointToCoordinateFromView({200, 200}, &map);
  EXPECT_NEAR(centre.latitude, 0, 1e-9);
  EXPECT_NEAR(centre.longitude, 0, 1e-9);
  // Half the view to the right is half the span east; up is north.
  double half = map.region().span.longitudeDelta / 2;
  CLLocationCoordinate2D east = map.convertPointToCoordinateFromView({400, 200}, nullptr);
  EXPECT_NEAR(east.longitude, half, 1e-9);
  CLLocationCoordinate2D north = map.convertPointToCoordinateFromView({200, 0}, nullptr);
  EXPECT_GT(north.latitude, 0.008);
  // Back again.
  CGPoint p = map.convertCoordinateToPointToView(east, &map);
  EXPECT_NEAR(p.x, 400, 1e-3);
  EXPECT_NEAR(p.y, 200, 1e-3);
}

TEST(MapViewRegion, PointsOfAnotherViewAreMovedIntoTheMapFirst) {
  auto root = std::make_shared<UIView>(CGRectMake(0, 0, 1000, 1000));
  auto map = std::make_shared<MKMapView>(CGRectMake(100, 50, 200, 200));
  root->addSubview(map);
  map->setRegion(MKCoordinateRegionMakeWithDistance({30, 40}, 1000, 1000), false);
  CLLocationCoordinate2D fromRoot = map->convertPointToCoordinateFromView({200, 150}, root.get());
  CLLocationCoordinate2D fromMap = map->convertPointToCoordinateFromView({100, 100}, map.get());
  EXPECT_DOUBLE_EQ(fromRoot.latitude, fromMap.latitude);
  EXPECT_DOUBLE_EQ(fromRoot.longitude, fromMap.longitude);
  EXPECT_NEAR(fromMap.latitude, 30, 1e-9);
}

TEST(MapViewRegion, TheMapRepeatsAcrossTheDateLine) {
  MKMapView map(CGRectMake(0, 0, 200, 200));
  map.setRegion({{0, 179.9}, {0.4, 0.4}}, false);
  CLLocationCoordinate2D right = map.convertPointToCoordinateFromView({200, 100}, nullptr);
  EXPECT_NEAR(right.longitude, -179.9, 1e-6);
}

namespace {

// The map screen's start region, and the view shapes a phone, a small phone and a tablet give it.
const MKCoordinateRegion kStart{{0, -40}, {155, 177}};
const CGRect kTall = CGRectMake(0, 0, 390, 700);
const CGRect kShort = CGRectMake(0, 0, 320, 460);
const CGRect kWide = CGRectMake(0, 0, 1024, 660);

double aspect(const MKMapRect& r) {
  return r.size.width / r.size.height;
}
double aspect(CGRect r) {
  return static_cast<double>(r.size.width) / r.size.height;
}

// The drawn map has one scale across and down: a step of the same length either way covers the
// same number of map points.
void expectOneScale(const MKMapView& map, CGPoint from, double step) {
  MKMapPoint a = MKMapPointForCoordinate(map.convertPointToCoordinateFromView(from, nullptr));
  MKMapPoint right = MKMapPointForCoordinate(
      map.convertPointToCoordinateFromView({from.x + CGFloat(step), from.y}, nullptr));
  MKMapPoint down = MKMapPointForCoordinate(
      map.convertPointToCoordinateFromView({from.x, from.y + CGFloat(step)}, nullptr));
  EXPECT_NEAR((right.x - a.x) / (down.y - a.y), 1.0, 1e-6);
  EXPECT_NEAR((right.x - a.x) / step, map.mapPointsPerPoint(), map.mapPointsPerPoint() * 1e-6);
}

}  // namespace

TEST(MapViewFit, TheRegionShownHasTheViewsShapeOnTallShortAndWideViews) {
  for (CGRect frame : {kTall, kShort, kWide}) {
    SCOPED_TRACE(testing::Message() << frame.size.width << "x" << frame.size.height);
    MKMapView map(frame);
    map.setRegion(kStart, false);
    MKCoordinateRegion shown = map.region();
    EXPECT_EQ(shown.center.latitude, 0);
    EXPECT_EQ(shown.center.longitude, -40);
    EXPECT_GE(shown.span.latitudeDelta, kStart.span.latitudeDelta - 1e-9);
    EXPECT_GE(shown.span.longitudeDelta, kStart.span.longitudeDelta - 1e-9);
    // One span is kept, the other grown to the view's shape.
    EXPECT_TRUE(shown.span.latitudeDelta == kStart.span.latitudeDelta ||
                shown.span.longitudeDelta == kStart.span.longitudeDelta);
    // A wide view shows more than the world across (the map repeats), so only the visible
    // rectangle has its shape there; the region's longitude span stops at the world's.
    if (shown.span.longitudeDelta < 360) {
      EXPECT_NEAR(aspect(mapRectForRegion(shown)), aspect(frame), 1e-6);
    }
    EXPECT_NEAR(aspect(map.visibleMapRect()), aspect(frame), 1e-9);
    expectOneScale(map, {160, 60}, 150);
    // The view's corners are the visible rectangle's corners.
    MKMapRect visible = map.visibleMapRect();
    MKMapPoint corner = MKMapPointForCoordinate(
        map.convertPointToCoordinateFromView({frame.size.width, frame.size.height}, nullptr));
    EXPECT_NEAR(corner.x, visible.origin.x + visible.size.width, 1);
    EXPECT_NEAR(corner.y, visible.origin.y + visible.size.height, 1);
    // And back: a coordinate is drawn where it was pressed.
    for (CGPoint p : {CGPoint{160, 20}, CGPoint{200, 400}, CGPoint{300, 450}}) {
      CGPoint back = map.convertCoordinateToPointToView(
          map.convertPointToCoordinateFromView(p, nullptr), nullptr);
      EXPECT_NEAR(back.x, p.x, 1e-3);
      EXPECT_NEAR(back.y, p.y, 1e-3);
    }
  }
}

TEST(MapViewFit, TheFirstRegionIsFittedWhenTheViewGetsItsSize) {
  // The whole world is narrower than tall here: the drawn rectangle keeps the view's shape,
  // the region stops at the poles.
  MKMapView sized(kTall);
  EXPECT_NEAR(aspect(sized.visibleMapRect()), aspect(kTall), 1e-9);
  EXPECT_DOUBLE_EQ(sized.visibleMapRect().size.width, MKMapWorldWidth);
  EXPECT_LE(sized.region().span.latitudeDelta, 180);

  MKMapView later;  // no size yet: nothing to fit to
  EXPECT_EQ(later.mapPointsPerPoint(), 0);
  later.setRegion(kStart, false);
  EXPECT_EQ(later.region(), kStart);
  later.setFrame(kShort);
  EXPECT_NEAR(aspect(mapRectForRegion(later.region())), aspect(kShort), 1e-6);
  EXPECT_EQ(later.region().center.longitude, -40);
  expectOneScale(later, {100, 100}, 100);
}

TEST(MapViewFit, ResizingKeepsTheCentreAndTheScale) {
  MKMapView map(CGRectMake(0, 0, 390, 760));
  map.setRegion(MKCoordinateRegionMakeWithDistance({48.85, 2.35}, 3000, 3000), false);
  double scale = map.mapPointsPerPoint();
  CLLocationCoordinate2D centre = map.region().center;
  // 40 points right of and 30 below the centre.
  CLLocationCoordinate2D offCentre = map.convertPointToCoordinateFromView({235, 410}, nullptr);
  double longitudeSpan = map.region().span.longitudeDelta;

  map.setFrame(CGRectMake(0, 0, 390, 660));  // the banner came
  EXPECT_EQ(map.mapPointsPerPoint(), scale);
  EXPECT_EQ(map.region().center, centre);
  EXPECT_NEAR(map.region().span.longitudeDelta, longitudeSpan, 1e-12);
  EXPECT_NEAR(aspect(mapRectForRegion(map.region())), 390.0 / 660, 1e-6);
  CLLocationCoordinate2D same = map.convertPointToCoordinateFromView({235, 360}, nullptr);
  EXPECT_NEAR(same.latitude, offCentre.latitude, 1e-9);
  EXPECT_NEAR(same.longitude, offCentre.longitude, 1e-9);

  map.setBounds(CGRectMake(0, 0, 760, 390));  // turned
  EXPECT_EQ(map.mapPointsPerPoint(), scale);
  EXPECT_NEAR(map.region().span.longitudeDelta, longitudeSpan * 760 / 390, 1e-9);
  expectOneScale(map, {10, 10}, 300);

  // Through no size and back, the scale stays.
  map.setFrame(CGRectZero);
  map.setFrame(CGRectMake(0, 0, 390, 660));
  EXPECT_EQ(map.mapPointsPerPoint(), scale);
}

TEST(MapViewFit, ZoomingStaysFittedAndStopsAtTheClosestZoom) {
  MKMapView map(kTall);
  for (double metres : {2'000'000.0, 20'000.0, 200.0}) {
    map.setRegion(MKCoordinateRegionMakeWithDistance({-33.9, 18.4}, metres, metres), false);
    EXPECT_NEAR(aspect(mapRectForRegion(map.region())), aspect(kTall), 1e-6) << metres;
    expectOneScale(map, {50, 50}, 250);
  }
  // A region of one point (a single marker) shows at the closest zoom.
  map.setRegion({{-33.9, 18.4}, {0, 0}}, false);
  EXPECT_EQ(map.mapPointsPerPoint(), MKMapView::kLeastMapPointsPerPoint);
  EXPECT_NEAR(map.visibleMapRect().size.width, 390 * MKMapView::kLeastMapPointsPerPoint, 1e-6);
  EXPECT_GT(map.region().span.latitudeDelta, 0);
}

TEST(MapViewFit, TheWholeWorldOnATallViewReachesPastItsTopAndBottom) {
  MKMapView map(kTall);
  map.setRegion({{0, 0}, {180, 360}}, false);
  MKMapRect visible = map.visibleMapRect();
  EXPECT_DOUBLE_EQ(visible.size.width, MKMapWorldWidth);
  EXPECT_NEAR(visible.size.height, MKMapWorldWidth * 700 / 390, 1);
  EXPECT_LT(visible.origin.y, 0);
  EXPECT_LE(map.region().span.latitudeDelta, 180);
  CLLocationCoordinate2D centre = map.convertPointToCoordinateFromView({195, 350}, nullptr);
  EXPECT_NEAR(centre.latitude, 0, 1e-9);
  EXPECT_NEAR(centre.longitude, 0, 1e-9);
}

TEST(MapViewFit, TheDescriptionGivesTheVisibleRectangleToFullPrecision) {
  MKMapView map(kTall);
  map.setRegion(MKCoordinateRegionMakeWithDistance({51.5, -0.12}, 300, 300), false);
  ObjectIds ids;
  DescriptionTree tree(ids);
  map.describe(tree);
  const DescriptionNode* rect = tree.root()->slot("mapRect");
  ASSERT_NE(rect, nullptr);
  MKMapRect visible = map.visibleMapRect();
  EXPECT_EQ(rect->number("x"), visible.origin.x);
  EXPECT_EQ(rect->number("y"), visible.origin.y);
  EXPECT_EQ(rect->number("width"), visible.size.width);
  EXPECT_EQ(rect->number("height"), visible.size.height);
}

TEST(MapViewUserLocation, ShownAsAnAnnotationWithObservedLocation) {
  MKMapView map(CGRectMake(0, 0, 300, 300));
  map.setRegion(MKCoordinateRegionMakeWithDistance({50, 8}, 10000, 10000), false);
  auto other = pin(1, 1);
  map.addAnnotation(other);
  map.setShowsUserLocation(true);
  ASSERT_EQ(map.annotations().size(), 2u);
  EXPECT_EQ(map.annotations()[1], map.userLocation());
  EXPECT_FALSE(map.isUserLocationVisible());  // not located yet

  std::vector<CLLocationCoordinate2D> seen;
  auto id = map.userLocation()->addLocationObserver(
      [&](MKUserLocation& u) { seen.push_back(u.location()->coordinate); });
  map.didUpdateUserLocation(CLLocation{{50.001, 8.001}, 5});
  EXPECT_TRUE(map.isUserLocationVisible());
  map.didUpdateUserLocation(CLLocation{{10, 10}, 5});
  EXPECT_FALSE(map.isUserLocationVisible());  // off screen
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].latitude, 10);
  map.userLocation()->removeLocationObserver(id);
  map.didUpdateUserLocation(CLLocation{{11, 11}, 5});
  EXPECT_EQ(seen.size(), 2u);

  map.setShowsUserLocation(false);
  ASSERT_EQ(map.annotations().size(), 1u);
  EXPECT_EQ(map.annotations()[0], other);
}

TEST(MapViewDelegate, FailuresReachTheDelegate) {
  MKMapView map;
  RecordingDelegate delegate;
  map.setDelegate(&delegate);
  map.didFailLoadingMapWithError({"net", -1009, "The Internet connection appears to be offline."});
  map.didFailToLocateUserWithError({"loc", 1, "denied"});
  EXPECT_EQ(delegate.calls,
            (std::vector<std::string>{"load: The Internet connection appears to be offline.",
                                      "locate: denied"}));
}
