#include "measure/PathEditor.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <new>

#include "measure/Units.h"
#include "platform/foundation/Log.h"
#include "platform/map/MKPolyline.h"

namespace tessaly {

using platform::CLLocationCoordinate2D;
using platform::MKMapPoint;
using platform::MKPolyline;

namespace {
// One counter per process: markers keep their numbers across clears and undos.
std::uint32_t gMarkerCounter = 0;
constexpr double kPi = 3.141592653589793;

// The items of the map's list that are of the kind Wanted, collected first so they can be
// removed in one call.
template <class Wanted, class Item>
std::vector<std::shared_ptr<Item>> ofKind(const std::vector<std::shared_ptr<Item>>& items) {
  std::vector<std::shared_ptr<Item>> result;
  for (const auto& item : items)
    if (std::dynamic_pointer_cast<Wanted>(item)) result.push_back(item);
  return result;
}
}  // namespace

std::uint32_t PathEditor::markerCounter() {
  return gMarkerCounter;
}

void PathEditor::resetMarkerCounter() {
  gMarkerCounter = 0;
}

PathEditor::PathEditor(platform::MKMapView* mapView) : _mapView(mapView) {
  _pathArray.reserve(6);
}

std::int32_t PathEditor::heading(CLLocationCoordinate2D a, CLLocationCoordinate2D b) {
  double phi1 = a.latitude * kPi / 180, lambda1 = a.longitude * kPi / 180;
  double phi2 = b.latitude * kPi / 180, lambda2 = b.longitude * kPi / 180;
  double dLambda = lambda2 - lambda1;
  double theta = std::atan2(
      std::sin(dLambda) * std::cos(phi2),
      std::cos(phi1) * std::sin(phi2) - std::cos(phi2) * std::sin(phi1) * std::cos(dLambda));
  auto degrees = static_cast<std::int32_t>(theta * 180 / kPi);  // cut toward zero
  return (degrees + 360) % 360;
}

const CoordData* PathEditor::previousMarkerEntry() const {
  // Every entry but a route point carries a marker. Looking for the nearest one (rather than
  // for the number just before the new one) keeps delta and heading right after an undo.
  for (auto it = _pathArray.rbegin(); it != _pathArray.rend(); ++it)
    if ((*it)->type() != kCoordRoute) return it->get();
  return nullptr;
}

PathEditor::Marker PathEditor::addMapPoint(const Entry& entry) {
  if (!entry) return nullptr;
  bool wasEmpty = _pathArray.empty();
  if (!wasEmpty) {
    const CoordData& last = *_pathArray.back();
    // Measured between the coordinates themselves: the map's projection clamps latitudes near
    // the poles, so two map points there may be far from the places they stand for.
    entry->setDistance(platform::metersBetweenCoordinates(entry->coordinate(), last.coordinate()) +
                       last.distance());
  }
  Marker marker;
  if (entry->type() != kCoordRoute) {
    const CoordData* previous = previousMarkerEntry();
    ++gMarkerCounter;
    entry->setIndex(gMarkerCounter);
    entry->setType(wasEmpty ? kCoordStart : kCoordMarker);
    marker = std::make_shared<PontoAnnotation>(entry->coordinate(), entry->type());
    marker->setIndex(gMarkerCounter);
    if (previous != nullptr) {
      marker->setDeltadistance(entry->distance() - previous->distance());
      marker->setHeading(heading(previous->coordinate(), entry->coordinate()));
    }
    marker->setTotdistance(entry->distance());
    if (_mapView != nullptr) _mapView->addAnnotation(marker);
  }
  _pathArray.push_back(entry);
  appendLinePoint(entry->mkMapPoint());
  updateStatus();
  if (_pathArray.size() > 1) refreshPolyLine();
  refreshToolbar();
  return marker;
}

PathEditor::Marker PathEditor::didTapMap(int state,
                                         std::optional<platform::CGPoint> locationInMapView) {
  if (state != kGestureBegan || !locationInMapView || _mapView == nullptr) return nullptr;
  CLLocationCoordinate2D coordinate =
      _mapView->convertPointToCoordinateFromView(*locationInMapView, _mapView);
  // A point that is no number has no place on the map.
  if (!std::isfinite(coordinate.latitude) || !std::isfinite(coordinate.longitude)) return nullptr;
  auto entry =
      std::make_shared<CoordData>(_pathArray.empty() ? kCoordStart : kCoordMarker, coordinate);
  return addMapPoint(entry);
}

void PathEditor::appendLinePoint(MKMapPoint point) {
  if (!_linePoints || _linePoints->size() + 1 != _pathArray.size()) {
    _linePoints.reset();  // out of step: rebuilt at the next redraw
    return;
  }
  try {
    if (_linePoints->size() == _linePoints->capacity()) {
      // Lines drawn so far keep the old buffer; later ones share the new, larger one.
      auto larger = std::make_shared<std::vector<MKMapPoint>>();
      larger->reserve(std::max<std::size_t>(16, _linePoints->capacity() * 2));
      larger->assign(_linePoints->begin(), _linePoints->end());
      _linePoints = std::move(larger);
    }
    _linePoints->push_back(point);
  } catch (const std::bad_alloc&) {
    _linePoints.reset();
  }
}

void PathEditor::setStatus(const std::string& text) {
  _statusText = text;
  if (_statusSink) _statusSink(text);
}

void PathEditor::refreshToolbar() {
  if (_toolbarRefresh) _toolbarRefresh();
}

void PathEditor::updateStatus() {
  if (_pathArray.empty()) {
    setStatus(" ");
    return;
  }
  // A tablet has room for the grouped figure with its unit; a phone shows the bare number.
  int flag = _isTablet && _isTablet() ? 1 : 0;
  setStatus(formatLength(_pathArray.back()->distance(), flag, flag));
}

void PathEditor::refreshPolyLine() {
  if (_mapView == nullptr) return;
  auto old = ofKind<MKPolyline>(_mapView->overlays());

  if (!_pathArray.empty()) {
    if (_pathArray.size() > kThinningThreshold) {
      // Thin very long paths before drawing: keep the first ten or so and the last nine
      // entries, and every second one in between (the path itself loses the others).
      std::vector<bool> drop(_pathArray.size(), false);
      for (std::size_t i = _pathArray.size() - 10; i > 10; i -= 2) drop[i] = true;
      std::size_t i = 0;
      std::erase_if(_pathArray, [&](const Entry&) { return drop[i++]; });
      _linePoints.reset();
    }
    bool haveMemory = true;
    if (!_linePoints || _linePoints->size() != _pathArray.size()) {
      try {
        auto points = std::make_shared<std::vector<MKMapPoint>>();
        points->reserve(_pathArray.size() * 2);
        for (const auto& entry : _pathArray) points->push_back(entry->mkMapPoint());
        _linePoints = std::move(points);
      } catch (const std::bad_alloc&) {
        platform::log("ERROR malloc");
        _linePoints.reset();
        haveMemory = false;
      }
    }
    if (haveMemory) {
      try {
        // The new line goes on before the old ones come off, so the path never vanishes.
        _mapView->addOverlay(MKPolyline::polylineSharingPoints(_linePoints, _linePoints->size()));
      } catch (const std::exception& e) {
        platform::log(std::string("Exception: ") + e.what());
      }
    }
  }
  if (!old.empty()) _mapView->removeOverlays(old);
}

void PathEditor::removeAllPolylineOverlays() {
  if (_mapView != nullptr) _mapView->removeOverlays(ofKind<MKPolyline>(_mapView->overlays()));
}

void PathEditor::removeAllPontoAnnotations() {
  if (_mapView != nullptr)
    _mapView->removeAnnotations(ofKind<PontoAnnotation>(_mapView->annotations()));
}

void PathEditor::clearAction() {
  setStatus("");
  removeAllPontoAnnotations();
  removeAllPolylineOverlays();
  _pathArray.clear();
  _linePoints.reset();
  refreshToolbar();
}

void PathEditor::undoAction() {
  if (_pathArray.empty()) return;
  const CoordData& last = *_pathArray.back();
  if (_mapView != nullptr && last.type() != kCoordRoute) {
    // The marker made for this entry carries its number; two markers may share a place and a
    // type, and the number tells them apart. Without it, the first marker of that place and type.
    std::shared_ptr<PontoAnnotation> match;
    for (const auto& annotation : _mapView->annotations()) {
      auto marker = std::dynamic_pointer_cast<PontoAnnotation>(annotation);
      if (!marker || marker->coordinate().latitude != last.coordinate().latitude ||
          marker->coordinate().longitude != last.coordinate().longitude ||
          marker->type() != last.type())
        continue;
      if (marker->index() == last.index()) {
        match = marker;
        break;
      }
      if (!match) match = marker;
    }
    if (match) {
      _mapView->deselectAnnotation(match.get(), false);
      _mapView->removeAnnotation(match.get());
    }
  }
  _pathArray.pop_back();
  while (!_pathArray.empty() && _pathArray.back()->type() == kCoordRoute) _pathArray.pop_back();
  _linePoints.reset();
  refreshPolyLine();
  updateStatus();
  refreshToolbar();
}

platform::Result<> PathEditor::checkClose() const {
  if (_pathArray.size() < 3) return platform::Refusal{"closing needs at least 3 points"};
  if (_pathArray.front()->coordinate() == _pathArray.back()->coordinate())
    return platform::Refusal{"the path is already closed: its first and last points are the same"};
  return platform::done();
}

PathEditor::Marker PathEditor::closeAction() {
  if (!canClose()) return nullptr;
  auto closing = std::make_shared<CoordData>(kCoordClosing, _pathArray.front()->coordinate());
  Marker marker = addMapPoint(closing);
  if (!marker) {
    platform::logf("%s %d BOING", __func__, __LINE__);
    return nullptr;
  }
  marker->setArea(sphericalArea(_pathArray));
  if (_mapView != nullptr) _mapView->selectAnnotation(marker, true);
  return marker;
}

// The sum of the signed spherical excesses of the triangles each edge forms with the north
// pole, each found with L'Huilier's theorem. An edge runs the short way round, so its sign comes
// from its longitude difference wrapped into ±180°: an edge across the 180° meridian runs east
// even though its longitude drops.
double PathEditor::sphericalArea(const std::vector<Entry>& entries, double radius) {
  std::size_t n = entries.size();
  if (n < 2) return 0;
  constexpr double kRadians = 0.017453292519943295;
  constexpr double kHalfPi = 1.5707963267948966;
  constexpr double kTwoPi = 6.283185307179586;
  double sum = 0;
  double turn = 0;  // the longitude the path goes round, in radians
  for (std::size_t k = 0; k < n; ++k) {
    CLLocationCoordinate2D p1 = entries[k]->coordinate();
    CLLocationCoordinate2D p2 = entries[(k + 1) % n]->coordinate();
    double phi1 = p1.latitude * kRadians, lambda1 = p1.longitude * kRadians;
    double phi2 = p2.latitude * kRadians, lambda2 = p2.longitude * kRadians;
    double dLambda = std::remainder(lambda2 - lambda1, kTwoPi);
    if (dLambda == 0) continue;
    turn += dLambda;
    double c = 2 * std::asin(std::sqrt((1 - std::cos(phi2 - phi1)) * 0.5 +
                                       std::cos(phi2) * std::cos(phi1) *
                                           ((1 - std::cos(lambda2 - lambda1)) * 0.5)));
    double a = kHalfPi - phi1;
    double b = kHalfPi - phi2;
    double s = (a + b + c) * 0.5;
    double excess =
        4 * std::atan(std::sqrt(std::fabs(std::tan(s / 2) * std::tan((s - c) / 2) *
                                          std::tan((s - b) / 2) * std::tan((s - a) / 2))));
    if (dLambda < 0) excess = -excess;
    sum += excess;
  }
  double area = std::fabs(sum);
  // A path that goes once round the earth's axis encloses a pole. The sum then measures the part
  // of the sphere that holds the north pole; around the south pole that is everything but the
  // polygon, so the smaller of the two parts is taken, as it is for a north polar cap.
  if (std::fabs(turn) > kTwoPi / 2) area = std::min(area, 2 * kTwoPi - area);
  return area * radius * radius;
}

}  // namespace tessaly
