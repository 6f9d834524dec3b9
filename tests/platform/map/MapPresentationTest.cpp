#include <gtest/gtest.h>

#include "platform/map/MKMapView.h"
#include "platform/ui/UIButton.h"

using namespace tessaly::platform;

namespace {

struct Marker : MKAnnotation {
  explicit Marker(bool start) : start(start) {}
  CLLocationCoordinate2D coordinate() const override { return {1, 2}; }
  bool start;
};

struct Square : MKOverlay {
  CLLocationCoordinate2D coordinate() const override { return {}; }
  MKMapRect boundingMapRect() const override { return {}; }
};

// Draws markers as the map screen does: recycled pins recoloured, a black line at 0.6.
struct Presenter : MKMapViewDelegate {
  std::vector<std::string> calls;
  std::shared_ptr<MKAnnotationView> mapViewViewForAnnotation(
      MKMapView* map, const std::shared_ptr<MKAnnotation>& annotation) override {
    auto* marker = dynamic_cast<Marker*>(annotation.get());
    if (marker == nullptr) return nullptr;
    auto color = marker->start ? MKPinAnnotationColorGreen : MKPinAnnotationColorPurple;
    if (auto view = std::dynamic_pointer_cast<MKPinAnnotationView>(
            map->dequeueReusableAnnotationViewWithIdentifier("PontoAnnotationIdentifier"))) {
      view->setPinColor(color);
      return view;
    }
    auto pin = std::make_shared<MKPinAnnotationView>(annotation, "PontoAnnotationIdentifier");
    pin->setCanShowCallout(true);
    pin->setAnimatesDrop(true);
    pin->setPinColor(color);
    return pin;
  }
  std::shared_ptr<MKOverlayView> mapViewViewForOverlay(
      MKMapView*, const std::shared_ptr<MKOverlay>& overlay) override {
    auto line = std::dynamic_pointer_cast<MKPolyline>(overlay);
    if (!line) return nullptr;
    auto view = std::make_shared<MKPolylineView>(line);
    view->setStrokeColor(UIColor::blackColor());
    view->setAlpha(0.6f);
    return view;
  }
  void mapViewDidAddAnnotationViews(
      MKMapView*, const std::vector<std::shared_ptr<MKAnnotationView>>& views) override {
    calls.push_back("added " + std::to_string(views.size()));
  }
  void mapViewDidSelectAnnotationView(MKMapView*, MKAnnotationView* view) override {
    calls.push_back("select " + view->kind());
    if (view->kind() != "userLocation") return;
    auto button = UIButton::buttonWithType(UIButtonTypeDetailDisclosure);
    button->setTag(2);
    button->addTarget(
        [this](UIControl* sender) { calls.push_back("details " + std::to_string(sender->tag())); },
        UIControlEventTouchUpInside);
    view->setRightCalloutAccessoryView(button);
  }
  void mapViewDidDeselectAnnotationView(MKMapView*, MKAnnotationView* view) override {
    calls.push_back("deselect " + view->kind());
  }
  void mapViewAnnotationViewCalloutAccessoryControlTapped(MKMapView*, MKAnnotationView*,
                                                          UIControl* control) override {
    calls.push_back("accessory " + std::to_string(control->tag()));
  }
};

class MapPresentationTest : public ::testing::Test {
 protected:
  void SetUp() override { map.setDelegate(&presenter); }
  std::shared_ptr<MKPinAnnotationView> pinOf(const std::shared_ptr<Marker>& marker) {
    return std::dynamic_pointer_cast<MKPinAnnotationView>(map.viewForAnnotation(marker.get()));
  }
  MKMapView map{CGRectMake(0, 0, 320, 372)};
  Presenter presenter;
};

}  // namespace

TEST_F(MapPresentationTest, EachAddedMarkerGetsItsPinFromTheDelegate) {
  auto first = std::make_shared<Marker>(true);
  auto second = std::make_shared<Marker>(false);
  map.addAnnotation(first);
  map.addAnnotations({second});
  ASSERT_TRUE(pinOf(first));
  EXPECT_EQ(pinOf(first)->pinColor(), MKPinAnnotationColorGreen);
  EXPECT_EQ(pinOf(second)->pinColor(), MKPinAnnotationColorPurple);
  EXPECT_TRUE(pinOf(second)->animatesDrop());
  EXPECT_EQ(pinOf(second)->annotation(), second);
  EXPECT_EQ(presenter.calls, (std::vector<std::string>{"added 1", "added 1"}));
}

TEST_F(MapPresentationTest, RemovedPinsAreRecycledForTheNextMarker) {
  auto first = std::make_shared<Marker>(true);
  auto second = std::make_shared<Marker>(false);
  map.addAnnotations({first, second});
  auto purple = pinOf(second);
  map.removeAnnotations({first, second});  // clearing the path
  EXPECT_EQ(map.viewForAnnotation(second.get()), nullptr);
  EXPECT_EQ(map.presentation().reuseQueue().count("PontoAnnotationIdentifier"), 2u);

  auto restart = std::make_shared<Marker>(true);
  map.addAnnotation(restart);
  EXPECT_EQ(pinOf(restart), purple);  // the very view, handed out for the new marker
  EXPECT_EQ(purple->annotation(), restart);
  EXPECT_EQ(purple->pinColor(), MKPinAnnotationColorGreen);
  EXPECT_EQ(map.presentation().reuseQueue().count("PontoAnnotationIdentifier"), 1u);
}

TEST_F(MapPresentationTest, TheQueueIsBoundedAndLetsGoOfRemovedMarkers) {
  std::vector<std::shared_ptr<MKAnnotation>> markers;
  for (int i = 0; i < 1005; ++i) markers.push_back(std::make_shared<Marker>(i == 0));
  map.addAnnotations(markers);
  std::weak_ptr<MKAnnotation> weak = markers.back();
  map.removeAnnotations(markers);
  markers.clear();
  EXPECT_EQ(map.presentation().reuseQueue().count("PontoAnnotationIdentifier"),
            MKAnnotationViewReuseQueue::kMaxPerIdentifier);
  EXPECT_TRUE(weak.expired());
}

TEST_F(MapPresentationTest, WithoutADelegateViewTheMapUsesItsStandardViews) {
  map.setDelegate(nullptr);
  auto marker = std::make_shared<Marker>(true);
  map.addAnnotation(marker);
  auto pin = pinOf(marker);
  ASSERT_TRUE(pin);
  EXPECT_EQ(pin->pinColor(), MKPinAnnotationColorRed);
  EXPECT_TRUE(pin->canShowCallout());
  map.setShowsUserLocation(true);
  auto mark = map.viewForAnnotation(map.userLocation().get());
  ASSERT_TRUE(mark);
  EXPECT_EQ(mark->kind(), "userLocation");
  EXPECT_TRUE(mark->canShowCallout());
}

TEST_F(MapPresentationTest, OnlyPolylinesGetALineView) {
  MKMapPoint points[] = {{10, 10}, {20, 20}};
  auto line = MKPolyline::polylineWithPoints(points, 2);
  auto square = std::make_shared<Square>();
  map.addOverlay(line);
  map.addOverlay(square);
  auto view = std::dynamic_pointer_cast<MKPolylineView>(map.viewForOverlay(line.get()));
  ASSERT_TRUE(view);
  EXPECT_EQ(view->polyline(), line);
  EXPECT_EQ(view->strokeColor(), UIColor::blackColor());
  EXPECT_EQ(view->alpha(), 0.6f);
  EXPECT_EQ(view->lineWidth(), 0);
  EXPECT_EQ(map.viewForOverlay(square.get()), nullptr);
  map.removeOverlays(map.overlays());
  EXPECT_EQ(map.viewForOverlay(line.get()), nullptr);
}

TEST_F(MapPresentationTest, SelectionOpensOneCalloutAtATime) {
  auto first = std::make_shared<Marker>(true);
  auto second = std::make_shared<Marker>(false);
  map.addAnnotations({first, second});
  presenter.calls.clear();
  map.selectAnnotation(first, true);
  EXPECT_TRUE(pinOf(first)->isCalloutOpen());
  map.selectAnnotation(second, true);
  EXPECT_FALSE(pinOf(first)->isCalloutOpen());
  EXPECT_TRUE(pinOf(second)->isCalloutOpen());
  EXPECT_FALSE(map.tapCalloutAccessory(second.get()));  // a marker's callout has no button
  auto view = pinOf(second);
  map.removeAnnotation(second.get());
  EXPECT_FALSE(view->isSelected());
  EXPECT_EQ(presenter.calls,
            (std::vector<std::string>{"select pin", "deselect pin", "select pin", "deselect pin"}));
}

TEST_F(MapPresentationTest, TheUserLocationCalloutButtonRunsItsActionThenTheDelegate) {
  map.setShowsUserLocation(true);
  const auto& me = map.userLocation();
  EXPECT_FALSE(map.tapCalloutAccessory(me.get()));  // callout closed
  map.selectAnnotation(me, true);
  auto first = map.viewForAnnotation(me.get())->rightCalloutAccessoryView();
  presenter.calls.clear();
  EXPECT_TRUE(map.tapCalloutAccessory(me.get()));
  EXPECT_EQ(presenter.calls, (std::vector<std::string>{"details 2", "accessory 2"}));

  // Every selection brings a new button.
  map.deselectAnnotation(me.get(), true);
  map.selectAnnotation(me, true);
  EXPECT_NE(map.viewForAnnotation(me.get())->rightCalloutAccessoryView(), first);
  map.viewForAnnotation(me.get())->rightCalloutAccessoryView()->setEnabled(false);
  EXPECT_FALSE(map.tapCalloutAccessory(me.get()));
}
