#pragma once
// A line through map points in order: the overlay that draws the measured path.
#include <cstddef>
#include <memory>
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

  explicit MKPolyline(std::vector<MKMapPoint> points) : _points(std::move(points)) {}

  const MKMapPoint* points() const { return _points.data(); }
  std::size_t pointCount() const { return _points.size(); }
  const std::vector<MKMapPoint>& pointVector() const { return _points; }

  // The centre of the bounding rectangle.
  CLLocationCoordinate2D coordinate() const override;
  MKMapRect boundingMapRect() const override;

 private:
  std::vector<MKMapPoint> _points;
};

}  // namespace tessaly::platform
