// What the map draws for the path: pins, the line, the user's position with its callout, and
// the region that shows every marker.
#include <gtest/gtest.h>

#include "app/LaunchedApp.h"
#include "mapscreen/MarkerRegion.h"
#include "measure/PontoAnnotation.h"
#include "platform/map/MKAnnotationView.h"
#include "platform/map/MKOverlayView.h"
#include "platform/ui/UIButton.h"

namespace tessaly::testing {
namespace {

using namespace tessaly::platform;

class MapPresentationTest : public LaunchedApp {
 protected:
  std::shared_ptr<MKPinAnnotationView> pin(const std::shared_ptr<PontoAnnotation>& marker) {
    return std::dynamic_pointer_cast<MKPinAnnotationView>(map().viewForAnnotation(marker.get()));
  }
  void locateUser(double latitude, double longitude) {
    map().didUpdateUserLocation(CLLocation{{latitude, longitude}, 10});
  }
};

TEST_F(MapPresentationTest, FirstMarkerIsGreenAndLaterOnesPurple) {
  launch();
  pressMap(100, 100);
  pressMap(200, 100);
  pressMap(200, 200);
  ASSERT_TRUE(enabled(4));
  ASSERT_TRUE(tap(4));  // the closing marker is purple too
  auto all = markers();
  ASSERT_EQ(all.size(), 4u);
  std::vector<MKPinAnnotationColor> colors;
  for (const auto& marker : all) {
    auto view = pin(marker);
    ASSERT_TRUE(view);
    EXPECT_EQ(view->reuseIdentifier(), "PontoAnnotationIdentifier");
    EXPECT_TRUE(view->canShowCallout());
    EXPECT_TRUE(view->animatesDrop());
    EXPECT_EQ(view->rightCalloutAccessoryView(), nullptr);
    colors.push_back(view->pinColor());
  }
  EXPECT_EQ(colors, (std::vector<MKPinAnnotationColor>{
                        MKPinAnnotationColorGreen, MKPinAnnotationColorPurple,
                        MKPinAnnotationColorPurple, MKPinAnnotationColorPurple}));
}

TEST_F(MapPresentationTest, TheLineIsBlackAndSixTenthsOpaque) {
  launch();
  pressMap(100, 100);
  pressMap(200, 100);
  ASSERT_EQ(map().overlays().size(), 1u);
  auto line =
      std::dynamic_pointer_cast<MKPolylineView>(map().viewForOverlay(map().overlays()[0].get()));
  ASSERT_TRUE(line);
  EXPECT_EQ(line->strokeColor(), UIColor::blackColor());
  EXPECT_EQ(line->fillColor(), UIColor::blackColor());
  EXPECT_EQ(line->alpha(), 0.6f);
  EXPECT_EQ(line->lineWidth(), 0);
  EXPECT_EQ(line->polyline()->pointCount(), 2u);
}

TEST_F(MapPresentationTest, OtherOverlaysAreNotDrawn) {
  launch();
  struct Box : MKOverlay {
    CLLocationCoordinate2D coordinate() const override { return {0, 0}; }
    MKMapRect boundingMapRect() const override { return MKMapRectMake(0, 0, 10, 10); }
  };
  auto box = std::make_shared<Box>();
  map().addOverlay(box);
  EXPECT_EQ(map().viewForOverlay(box.get()), nullptr);
}

TEST_F(MapPresentationTest, ARecycledPurplePinTurnsGreenForANewStart) {
  launch();
  pressMap(100, 100);
  pressMap(200, 100);
  auto purple = pin(markers()[1]);
  auto green = pin(markers()[0]);
  ASSERT_EQ(purple->pinColor(), MKPinAnnotationColorPurple);
  ASSERT_TRUE(tap(2));  // clear: both views go to the reuse queue
  ASSERT_EQ(map().presentation().reuseQueue().count("PontoAnnotationIdentifier"), 2u);

  // Cleared in the map's order, the purple pin went in last and comes out first.
  pressMap(150, 150);
  auto view = pin(markers()[0]);
  ASSERT_EQ(view, purple);
  EXPECT_EQ(view->annotation(), markers()[0]);
  EXPECT_EQ(view->pinColor(), MKPinAnnotationColorGreen);
  pressMap(250, 150);
  auto second = pin(markers()[1]);
  ASSERT_EQ(second, green);
  EXPECT_EQ(second->pinColor(), MKPinAnnotationColorPurple);
}

TEST_F(MapPresentationTest, TheUsersPositionIsAddedFromItsCallout) {
  writeSettings(0, 0, 1);
  launch();
  locateUser(0, -40);
  auto user = map().userLocation();
  ASSERT_TRUE(map().containsAnnotation(user.get()));
  map().selectAnnotation(user, true);
  auto view = map().viewForAnnotation(user.get());
  ASSERT_TRUE(view);
  EXPECT_EQ(user->subtitle(), "Tap disclosure to add to path");
  auto button = std::dynamic_pointer_cast<UIButton>(view->rightCalloutAccessoryView());
  ASSERT_TRUE(button);
  EXPECT_EQ(button->buttonType(), UIButtonTypeDetailDisclosure);
  EXPECT_EQ(button->tag(), 2);

  ASSERT_TRUE(map().tapCalloutAccessory(user.get()));
  ASSERT_EQ(markers().size(), 1u);
  EXPECT_EQ(markers()[0]->type(), 0);
  EXPECT_EQ(markers()[0]->coordinate(), (CLLocationCoordinate2D{0, -40}));
  EXPECT_TRUE(map().selectedAnnotations().empty());
  EXPECT_EQ(pin(markers()[0])->pinColor(), MKPinAnnotationColorGreen);

  // A second time: a later marker on the same spot, no distance added; a new button each time.
  map().selectAnnotation(user, true);
  EXPECT_NE(view->rightCalloutAccessoryView(), button);
  ASSERT_TRUE(map().tapCalloutAccessory(user.get()));
  ASSERT_EQ(markers().size(), 2u);
  EXPECT_EQ(markers()[1]->type(), 1);
  EXPECT_EQ(markers()[1]->deltadistance(), 0);
  EXPECT_EQ(screen().pathArray().size(), 2u);
  EXPECT_TRUE(map().selectedAnnotations().empty());
  // The user's position stays through a clear.
  ASSERT_TRUE(tap(2));
  EXPECT_TRUE(map().containsAnnotation(user.get()));
}

TEST_F(MapPresentationTest, AnUnknownPositionAddsNothing) {
  writeSettings(0, 0, 1);
  launch();
  auto user = map().userLocation();
  ASSERT_TRUE(map().containsAnnotation(user.get()));
  map().selectAnnotation(user, true);
  ASSERT_TRUE(map().tapCalloutAccessory(user.get()));
  EXPECT_TRUE(screen().pathArray().empty());
  EXPECT_TRUE(map().selectedAnnotations().empty());
}

TEST_F(MapPresentationTest, TheMapCentresOnTheUserOnceWhenFirstSeen) {
  writeSettings(0, 0, 1);
  launch();
  locateUser(10, -30);
  EXPECT_TRUE(screen().userLocationUpdated());
  EXPECT_NEAR(map().region().center.latitude, 10, 1e-9);
  EXPECT_NEAR(map().region().center.longitude, -30, 1e-9);
  EXPECT_LT(map().region().span.latitudeDelta, 0.1);
  auto region = map().region();
  locateUser(10.001, -30.001);
  EXPECT_EQ(map().region(), region);
}

TEST_F(MapPresentationTest, RegionForAllMarkersSkipsTheUserAndIsFittedByTheMap) {
  writeSettings(0, 0, 1);
  launch();
  locateUser(60, 60);
  // No markers: the box with its margin (216 by 432) is cut to the whole world.
  EXPECT_EQ(screen().getRegionForAllAnnotations(), map().regionThatFits({{0, 0}, {180, 360}}));
  map().setRegion(screen().getRegionForAllAnnotations(), true);
  pressMap(100, 100);
  pressMap(200, 250);
  auto all = markers();
  auto expected = regionForMarkerCoordinates({all[0]->coordinate(), all[1]->coordinate()});
  EXPECT_EQ(screen().getRegionForAllAnnotations(), map().regionThatFits(expected));
  // It is a region the map can be set to.
  map().setRegion(screen().getRegionForAllAnnotations(), true);
}

TEST_F(MapPresentationTest, MarkersAcrossThe180thMeridianGiveARegionTheMapAccepts) {
  launch();
  map().setRegion({{0, 180}, {4, 4}}, false);
  pressMap(140, 150);  // west of the meridian
  pressMap(180, 150);  // east of it
  auto all = markers();
  ASSERT_GT(all[0]->coordinate().longitude, 179);
  ASSERT_LT(all[1]->coordinate().longitude, -179);
  auto region = screen().getRegionForAllAnnotations();
  EXPECT_NEAR(region.center.longitude, 0, 1e-9);
  EXPECT_LE(region.span.longitudeDelta, 360);
  map().setRegion(region, true);
}

}  // namespace
}  // namespace tessaly::testing
