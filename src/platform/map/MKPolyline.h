#pragma once
// A line through map points in order: the overlay that draws the measured path.
#include <cstddef>
#include <memory>
#include <span>
#include <vector>

#include "platform/map/MKAnnotation.h"

namespace tessaly::platform {

class MKPolyline : public MKOverlay {
 public:
  // Copies count points (a count of 0 or 1 gives an empty or one-point line).
  static std::shared_ptr<MKPolyline> polylineWithPoints(const MKMapPoint* points,
                                                        std::size_t count);
  static std::shared_ptr<MKPolyline> polylineWithCoordinates(const CLLocationCoordinate2D* coords,
                                                             std::size_t count);

  // The first count points of a buffer that only ever grows at its end: a path redrawn after
  // each added point shares one buffer between its successive lines instead of copying it.
  // The buffer's first count points must never change while the line lives.
  static std::shared_ptr<MKPolyline> polylineSharingPoints(
      std::shared_ptr<const std::vector<MKMapPoint>> buffer, std::size_t count);

  explicit MKPolyline(std::vector<MKMapPoint> points);

  const MKMapPoint* points() const { return _points.get(); }
  std::size_t pointCount() const { return _count; }
  std::span<const MKMapPoint> pointVector() const { return {_points.get(), _count}; }

  // The centre of the bounding rectangle.
  CLLocationCoordinate2D coordinate() const override;
  MKMapRect boundingMapRect() const override;

 private:
  MKPolyline(std::shared_ptr<const MKMapPoint> points, std::size_t count)
      : _points(std::move(points)), _count(count) {}

  std::shared_ptr<const MKMapPoint> _points;  // keeps its buffer alive
  std::size_t _count = 0;
};

}  // namespace tessaly::platform
