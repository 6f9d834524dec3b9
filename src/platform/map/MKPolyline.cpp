#include "platform/map/MKPolyline.h"

#include <algorithm>

namespace tessaly::platform {

std::shared_ptr<MKPolyline> MKPolyline::polylineWithPoints(const MKMapPoint* points,
                                                           std::size_t count) {
  if (points == nullptr) count = 0;
  return std::make_shared<MKPolyline>(std::vector<MKMapPoint>(points, points + count));
}

std::shared_ptr<MKPolyline> MKPolyline::polylineWithCoordinates(
    const CLLocationCoordinate2D* coords, std::size_t count) {
  std::vector<MKMapPoint> points;
  points.reserve(coords != nullptr ? count : 0);
  for (std::size_t i = 0; coords != nullptr && i < count; ++i)
    points.push_back(MKMapPointForCoordinate(coords[i]));
  return std::make_shared<MKPolyline>(std::move(points));
}

MKPolyline::MKPolyline(std::vector<MKMapPoint> points) : _count(points.size()) {
  auto buffer = std::make_shared<const std::vector<MKMapPoint>>(std::move(points));
  _points = std::shared_ptr<const MKMapPoint>(buffer, buffer->data());
}

std::shared_ptr<MKPolyline> MKPolyline::polylineSharingPoints(
    std::shared_ptr<const std::vector<MKMapPoint>> buffer, std::size_t count) {
  if (!buffer) return std::make_shared<MKPolyline>(std::vector<MKMapPoint>());
  count = std::min(count, buffer->size());
  const MKMapPoint* data = buffer->data();
  return std::shared_ptr<MKPolyline>(
      new MKPolyline(std::shared_ptr<const MKMapPoint>(std::move(buffer), data), count));
}

// Computed on demand: the path is redrawn on every change and the rectangle is rarely asked for.
MKMapRect MKPolyline::boundingMapRect() const {
  if (_count == 0) return {};
  const MKMapPoint* points = _points.get();
  double minX = points[0].x, maxX = minX, minY = points[0].y, maxY = minY;
  for (const auto& p : pointVector()) {
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  return {{minX, minY}, {maxX - minX, maxY - minY}};
}

CLLocationCoordinate2D MKPolyline::coordinate() const {
  MKMapRect r = boundingMapRect();
  return MKCoordinateForMapPoint({r.origin.x + r.size.width / 2, r.origin.y + r.size.height / 2});
}

}  // namespace tessaly::platform
