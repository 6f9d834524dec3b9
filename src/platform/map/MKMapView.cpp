#include "platform/map/MKMapView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

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

}  // namespace

MKMapView::MKMapView(CGRect frame) : UIView(frame) {}

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
  MKMapRect rect = mapRectForRegion(region);
  double aspect = static_cast<double>(size.width) / size.height;
  double width = rect.size.width, height = rect.size.height;
  if (width <= 0 && height <= 0) return region;
  MKCoordinateRegion fitted = region;
  if (width < height * aspect) {
    width = std::min(height * aspect, MKMapWorldWidth);
    fitted.span.longitudeDelta = width / MKMapWorldWidth * 360.0;
  } else if (width > height * aspect) {
    fitted.span.latitudeDelta = latitudeSpanForHeight(region.center.latitude, width / aspect);
  }
  return fitted;
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
  _region = fitted;
  if (_delegate != nullptr) _delegate->mapViewRegionDidChangeAnimated(this, animated);
}

void MKMapView::setCenterCoordinate(CLLocationCoordinate2D center, bool animated) {
  setRegion({center, _region.span}, animated);
}

MKMapRect MKMapView::visibleMapRect() const {
  return mapRectForRegion(_region);
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

}  // namespace tessaly::platform
