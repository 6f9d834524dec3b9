#include "platform/map/MKMapView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "platform/ui/DescriptionNode.h"
#include "platform/ui/DescriptionSink.h"
#include "platform/ui/Touch.h"
#include "platform/ui/UIGestureRecognizer.h"

namespace tessaly::platform {
namespace {

bool validRegion(const MKCoordinateRegion& r) {
  return std::isfinite(r.center.latitude) && std::isfinite(r.center.longitude) &&
         std::isfinite(r.span.latitudeDelta) && std::isfinite(r.span.longitudeDelta) &&
         std::fabs(r.center.latitude) <= 90 && std::fabs(r.center.longitude) <= 180 &&
         r.span.latitudeDelta >= 0 && r.span.latitudeDelta <= 180 && r.span.longitudeDelta >= 0 &&
         r.span.longitudeDelta <= 360;
}

// The latitude span, centred on latitude, whose map rectangle is height points tall.
double latitudeSpanForHeight(double latitude, double height) {
  auto heightOf = [&](double span) {
    return mapRectForRegion({{latitude, 0}, {span, 0}}).size.height;
  };
  if (heightOf(180) <= height) return 180;
  double lo = 0, hi = 180;
  for (int i = 0; i < 100 && hi - lo > 1e-13; ++i) {
    double mid = (lo + hi) / 2;
    (heightOf(mid) < height ? lo : hi) = mid;
  }
  return (lo + hi) / 2;
}

// The longitude span of a map rectangle width points wide, never more than the world.
double longitudeSpanForWidth(double width) {
  return std::min(360.0, width / MKMapWorldWidth * 360.0);
}

}  // namespace

MKMapView::MKMapView(CGRect frame) : UIView(frame) {
  showFittedRegion(regionThatFits(_region));
}

MKMapView::~MKMapView() = default;

bool MKMapView::containsAnnotation(const MKAnnotation* annotation) const {
  return _annotationSet.count(annotation) != 0;
}

void MKMapView::addAnnotation(const AnnotationPtr& annotation) {
  addAnnotations({annotation});
}

void MKMapView::addAnnotations(const std::vector<AnnotationPtr>& annotations) {
  std::vector<AnnotationPtr> added;
  for (const auto& a : annotations) {
    if (!a || !_annotationSet.insert(a.get()).second) continue;
    _annotations.push_back(a);
    added.push_back(a);
  }
  if (!added.empty()) annotationsWereAdded(added);
}

void MKMapView::removeAnnotation(const MKAnnotation* annotation) {
  if (annotation != nullptr) removeAnnotationsIf({annotation});
}

void MKMapView::removeAnnotations(const std::vector<AnnotationPtr>& annotations) {
  std::unordered_set<const MKAnnotation*> doomed;
  for (const auto& a : annotations)
    if (a) doomed.insert(a.get());
  removeAnnotationsIf(doomed);
}

// One pass over the list, so removing every marker of a long path stays linear.
void MKMapView::removeAnnotationsIf(const std::unordered_set<const MKAnnotation*>& doomed) {
  if (doomed.empty()) return;
  std::vector<AnnotationPtr> removed;
  for (const auto& a : doomed) {
    if (!_annotationSet.count(a)) continue;
    auto selected = std::find_if(_selected.begin(), _selected.end(),
                                 [&](const auto& s) { return s.get() == a; });
    if (selected != _selected.end()) deselectAnnotation(a, false);
  }
  std::erase_if(_annotations, [&](const AnnotationPtr& a) {
    if (!doomed.count(a.get())) return false;
    _annotationSet.erase(a.get());
    removed.push_back(a);
    return true;
  });
  if (!removed.empty()) annotationsWereRemoved(removed);
}

void MKMapView::selectAnnotation(const AnnotationPtr& annotation, bool animated) {
  if (!annotation || !containsAnnotation(annotation.get())) return;
  if (!_selected.empty() && _selected.front() == annotation) return;
  if (!_selected.empty()) deselectAnnotation(_selected.front().get(), animated);
  _selected.push_back(annotation);
  annotationWasSelected(annotation, animated);
}

void MKMapView::deselectAnnotation(const MKAnnotation* annotation, bool animated) {
  auto it = std::find_if(_selected.begin(), _selected.end(),
                         [&](const auto& s) { return s.get() == annotation; });
  if (it == _selected.end()) return;
  AnnotationPtr gone = *it;
  _selected.erase(it);
  annotationWasDeselected(gone, animated);
}

void MKMapView::addOverlay(const OverlayPtr& overlay) {
  if (!overlay) return;
  _overlays.push_back(overlay);
  overlayWasAdded(overlay);
}

void MKMapView::removeOverlay(const MKOverlay* overlay) {
  std::vector<OverlayPtr> removed;
  std::erase_if(_overlays, [&](const OverlayPtr& o) {
    if (o.get() != overlay) return false;
    removed.push_back(o);
    return true;
  });
  if (!removed.empty()) overlaysWereRemoved(removed);
}

void MKMapView::removeOverlays(const std::vector<OverlayPtr>& overlays) {
  std::unordered_set<const MKOverlay*> doomed;
  for (const auto& o : overlays) doomed.insert(o.get());
  std::vector<OverlayPtr> removed;
  std::erase_if(_overlays, [&](const OverlayPtr& o) {
    if (!doomed.count(o.get())) return false;
    removed.push_back(o);
    return true;
  });
  if (!removed.empty()) overlaysWereRemoved(removed);
}

MKCoordinateRegion MKMapView::regionThatFits(const MKCoordinateRegion& region) const {
  CGSize size = bounds().size;
  if (size.width <= 0 || size.height <= 0 || !validRegion(region)) return region;
  // The scale that shows the whole region; the axis with room to spare grows to the view's
  // shape, the other keeps the span asked for.
  MKMapRect rect = mapRectForRegion(region);
  double alongX = rect.size.width / size.width, alongY = rect.size.height / size.height;
  double scale = std::max({alongX, alongY, kLeastMapPointsPerPoint});
  MKCoordinateRegion fitted = region;
  if (scale > alongX) fitted.span.longitudeDelta = longitudeSpanForWidth(size.width * scale);
  if (scale > alongY)
    fitted.span.latitudeDelta = latitudeSpanForHeight(region.center.latitude, size.height * scale);
  return fitted;
}

void MKMapView::showFittedRegion(const MKCoordinateRegion& fitted) {
  _region = fitted;
  CGSize size = bounds().size;
  if (size.width <= 0 || size.height <= 0) {
    _scale = 0;
    return;
  }
  MKMapRect rect = mapRectForRegion(fitted);
  _scale = std::max(
      {rect.size.width / size.width, rect.size.height / size.height, kLeastMapPointsPerPoint});
}

void MKMapView::setFrame(CGRect frame) {
  CGSize old = bounds().size;
  UIView::setFrame(frame);
  if (bounds().size != old) sizeChanged();
}

void MKMapView::setBounds(CGRect bounds) {
  CGSize old = this->bounds().size;
  UIView::setBounds(bounds);
  if (this->bounds().size != old) sizeChanged();
}

void MKMapView::sizeChanged() {
  CGSize size = bounds().size;
  if (size.width <= 0 || size.height <= 0) return;  // the scale waits for a size to come back
  if (_scale <= 0) {
    showFittedRegion(regionThatFits(_region));  // the first size: fit the region kept so far
    return;
  }
  _region.span.longitudeDelta = longitudeSpanForWidth(size.width * _scale);
  _region.span.latitudeDelta = latitudeSpanForHeight(_region.center.latitude, size.height * _scale);
}

void MKMapView::setRegion(const MKCoordinateRegion& region, bool animated) {
  if (!validRegion(region)) {
    char text[160];
    std::snprintf(text, sizeof text, "Invalid Region <center:%+.8f, %+.8f span:%+.8f, %+.8f>",
                  region.center.latitude, region.center.longitude, region.span.latitudeDelta,
                  region.span.longitudeDelta);
    throw std::invalid_argument(text);
  }
  MKCoordinateRegion fitted = regionThatFits(region);
  if (_delegate != nullptr) _delegate->mapViewRegionWillChangeAnimated(this, animated);
  showFittedRegion(fitted);
  if (_delegate != nullptr) _delegate->mapViewRegionDidChangeAnimated(this, animated);
}

void MKMapView::setCenterCoordinate(CLLocationCoordinate2D center, bool animated) {
  setRegion({center, _region.span}, animated);
}

MKMapRect MKMapView::visibleMapRect() const {
  CGSize size = bounds().size;
  if (_scale <= 0 || size.width <= 0 || size.height <= 0) return mapRectForRegion(_region);
  MKMapPoint c = MKMapPointForCoordinate(_region.center);
  double width = size.width * _scale, height = size.height * _scale;
  return {{c.x - width / 2, c.y - height / 2}, {width, height}};
}

CGPoint MKMapView::pointInOwnCoordinates(CGPoint point, const UIView* view) const {
  if (view == nullptr || view == this) return point;
  return view->convertPoint(point, this);
}

CLLocationCoordinate2D MKMapView::convertPointToCoordinateFromView(CGPoint point,
                                                                   const UIView* view) const {
  CGPoint p = pointInOwnCoordinates(point, view);
  CGRect b = bounds();
  MKMapRect rect = visibleMapRect();
  double fx = b.size.width > 0 ? (p.x - b.origin.x) / b.size.width : 0.5;
  double fy = b.size.height > 0 ? (p.y - b.origin.y) / b.size.height : 0.5;
  double x = rect.origin.x + fx * rect.size.width;
  double y = std::clamp(rect.origin.y + fy * rect.size.height, 0.0, MKMapWorldWidth);
  // The map repeats east and west: bring x back onto the one world.
  x = std::fmod(x, MKMapWorldWidth);
  if (x < 0) x += MKMapWorldWidth;
  return MKCoordinateForMapPoint({x, y});
}

CGPoint MKMapView::convertCoordinateToPointToView(CLLocationCoordinate2D coordinate,
                                                  const UIView* view) const {
  MKMapRect rect = visibleMapRect();
  MKMapPoint m = MKMapPointForCoordinate(coordinate);
  // Of the world's copies, take the one nearest the visible centre.
  double cx = rect.origin.x + rect.size.width / 2;
  m.x += std::round((cx - m.x) / MKMapWorldWidth) * MKMapWorldWidth;
  CGRect b = bounds();
  double px = rect.size.width > 0 ? (m.x - rect.origin.x) / rect.size.width * b.size.width : 0;
  double py = rect.size.height > 0 ? (m.y - rect.origin.y) / rect.size.height * b.size.height : 0;
  CGPoint own{static_cast<CGFloat>(px + b.origin.x), static_cast<CGFloat>(py + b.origin.y)};
  if (view == nullptr || view == this) return own;
  return convertPoint(own, view);
}

void MKMapView::setShowsUserLocation(bool shows) {
  if (shows == _showsUserLocation) return;
  _showsUserLocation = shows;
  _userLocation->setUpdating(shows);
  if (shows)
    addAnnotation(_userLocation);
  else
    removeAnnotation(_userLocation.get());
}

bool MKMapView::isUserLocationVisible() const {
  if (!_showsUserLocation || !_userLocation->location()) return false;
  MKMapRect rect = visibleMapRect();
  MKMapPoint p = MKMapPointForCoordinate(_userLocation->location()->coordinate);
  for (double shift : {-MKMapWorldWidth, 0.0, MKMapWorldWidth}) {
    double x = p.x + shift;
    if (x >= rect.origin.x && x <= rect.origin.x + rect.size.width && p.y >= rect.origin.y &&
        p.y <= rect.origin.y + rect.size.height)
      return true;
  }
  return false;
}

void MKMapView::didUpdateUserLocation(std::optional<CLLocation> location) {
  if (!_showsUserLocation) return;
  _userLocation->setLocation(location);
  if (_delegate != nullptr) _delegate->mapViewDidUpdateUserLocation(this, _userLocation.get());
}

void MKMapView::didFailToLocateUserWithError(const NSError& error) {
  if (_delegate != nullptr) _delegate->mapViewDidFailToLocateUserWithError(this, error);
}

void MKMapView::didFailLoadingMapWithError(const NSError& error) {
  if (_delegate != nullptr) _delegate->mapViewDidFailLoadingMapWithError(this, error);
}

namespace {

void describeAnnotation(DescriptionSink& sink, const std::shared_ptr<MKAnnotation>& annotation,
                        const MKAnnotationView* view, bool selected) {
  sink.beginNode("annotationView", ObjectRef::to(annotation));
  sink.boolean("hidden", view != nullptr && view->isHidden());
  sink.number("alpha", view != nullptr ? view->alpha() : 1);
  const auto* pin = dynamic_cast<const MKPinAnnotationView*>(view);
  if (view == nullptr)
    sink.null("view");
  else
    sink.string("view", pin != nullptr                                             ? "pin"
                        : dynamic_cast<const MKUserLocationView*>(view) != nullptr ? "userLocation"
                                                                                   : "custom");
  sink.coordinate("coordinate", annotation->coordinate());
  sink.string("title", annotation->title());
  sink.string("subtitle", annotation->subtitle());
  sink.boolean("selected", selected);
  sink.boolean("canShowCallout", view != nullptr && view->canShowCallout());
  sink.boolean("calloutOpen", view != nullptr && view->isCalloutOpen());
  if (pin != nullptr)
    sink.string("pinColor", pinColorName(pin->pinColor()));
  else
    sink.null("pinColor");
  sink.boolean("animatesDrop", pin != nullptr && pin->animatesDrop());
  if (view != nullptr && view->rightCalloutAccessoryView())
    view->rightCalloutAccessoryView()->describe(sink, "accessory");
  else
    sink.null("accessory");
  sink.endNode();
}

void describeOverlay(DescriptionSink& sink, const std::shared_ptr<MKOverlay>& overlay,
                     const MKOverlayView& view) {
  const auto* line = dynamic_cast<const MKPolylineView*>(&view);
  sink.beginNode(line != nullptr ? "polylineView" : "overlayView", ObjectRef::to(overlay));
  sink.boolean("hidden", view.isHidden());
  sink.number("alpha", view.alpha());
  if (line != nullptr) {
    std::vector<CLLocationCoordinate2D> points;
    points.reserve(line->polyline()->pointCount());
    for (const auto& point : line->polyline()->pointVector())
      points.push_back(MKCoordinateForMapPoint(point));
    sink.coordinates("points", points);
    sink.color("strokeColor", line->strokeColor());
    sink.color("fillColor", line->fillColor());
    if (line->lineWidth() > 0)
      sink.number("lineWidth", line->lineWidth());
    else
      sink.null("lineWidth");
  }
  sink.endNode();
}

}  // namespace

void MKMapView::describeProperties(DescriptionSink& sink) const {
  sink.string("mapType", _mapType == MKMapTypeSatellite ? "satellite"
                         : _mapType == MKMapTypeHybrid  ? "hybrid"
                                                        : "standard");
  sink.beginRecord("region");
  sink.coordinate("center", _region.center);
  sink.beginRecord("span");
  sink.number("latitudeDelta", _region.span.latitudeDelta);
  sink.number("longitudeDelta", _region.span.longitudeDelta);
  sink.endRecord();
  sink.endRecord();
  // In map points, to full precision: the page places the drawn map by it, and a single
  // precision rectangle is a point or more off at street zoom.
  MKMapRect visible = visibleMapRect();
  sink.beginRecord("mapRect");
  sink.number("x", visible.origin.x);
  sink.number("y", visible.origin.y);
  sink.number("width", visible.size.width);
  sink.number("height", visible.size.height);
  sink.endRecord();
  sink.boolean("showsUserLocation", _showsUserLocation);
  if (_userLocation && _userLocation->location()) {
    sink.beginRecord("userLocation");
    sink.coordinate("coordinate", _userLocation->location()->coordinate);
    sink.number("accuracy", _userLocation->location()->horizontalAccuracy);
    sink.endRecord();
  } else {
    sink.null("userLocation");
  }
  sink.boolean("userLocationVisible", isUserLocationVisible());
  sink.beginList("annotations");
  for (const auto& annotation : _annotations) {
    bool selected = std::find(_selected.begin(), _selected.end(), annotation) != _selected.end();
    describeAnnotation(sink, annotation, viewForAnnotation(annotation.get()).get(), selected);
  }
  sink.endList();
  sink.beginList("overlays");
  for (const auto& overlay : _overlays)
    if (auto view = viewForOverlay(overlay.get())) describeOverlay(sink, overlay, *view);
  sink.endList();
}

Result<> MKMapView::applyTouch(const Touch& touch, const DescriptionNode& target) {
  if (touch.kind == Touch::Kind::LongPress) {
    CGRect shown = bounds();
    CGPoint at{touch.point.x + shown.origin.x, touch.point.y + shown.origin.y};
    if (!CGRectContainsPoint(shown, at)) {
      char text[120];
      std::snprintf(text, sizeof text, "the point (%g, %g) is outside the map view (%g x %g)",
                    touch.point.x, touch.point.y, shown.size.width, shown.size.height);
      return Refusal{text};
    }
    for (const auto& recognizer : gestureRecognizers()) {
      auto* press = dynamic_cast<UILongPressGestureRecognizer*>(recognizer.get());
      if (press != nullptr && press->isEnabled()) {
        press->press(at);
        return done();
      }
    }
    return Refusal{"the map does not take long presses"};
  }
  if (touch.kind != Touch::Kind::SelectAnnotation &&
      touch.kind != Touch::Kind::DeselectAnnotation &&
      touch.kind != Touch::Kind::TapCalloutAccessory)
    return UIView::applyTouch(touch, target);
  auto annotation = target.objectAs<MKAnnotation>();
  if (!annotation || !containsAnnotation(annotation.get()))
    return Refusal{"the annotation is not on the map"};
  bool isSelected = std::find(_selected.begin(), _selected.end(), annotation) != _selected.end();
  if (touch.kind == Touch::Kind::SelectAnnotation) {
    if (!isSelected) selectAnnotation(annotation, true);
  } else if (touch.kind == Touch::Kind::DeselectAnnotation) {
    if (isSelected) deselectAnnotation(annotation.get(), true);
  } else if (!tapCalloutAccessory(annotation.get())) {
    return Refusal{"the annotation has no open callout with a button"};
  }
  return done();
}

}  // namespace tessaly::platform
