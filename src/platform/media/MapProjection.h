#pragma once
// Map points to a map view's points: the affine map its described region and size give.
#include <cmath>

#include "platform/foundation/Geometry.h"
#include "platform/map/MKGeometry.h"

namespace tessaly::platform {

struct MapProjection {
  MKMapRect visible;  // the map points in view
  CGSize size;        // the view's box
  double sx() const { return visible.size.width > 0 ? size.width / visible.size.width : 0; }
  double sy() const { return visible.size.height > 0 ? size.height / visible.size.height : 0; }
  double px(double mx) const { return (mx - visible.origin.x) * sx(); }
  double py(double my) const { return (my - visible.origin.y) * sy(); }
  // A coordinate in the view, on the world's copy nearest the visible centre.
  CGPoint point(const CLLocationCoordinate2D& c) const {
    MKMapPoint m = MKMapPointForCoordinate(c);
    double cx = visible.origin.x + visible.size.width / 2;
    m.x += std::round((cx - m.x) / MKMapWorldWidth) * MKMapWorldWidth;
    return {static_cast<CGFloat>(px(m.x)), static_cast<CGFloat>(py(m.y))};
  }
  friend bool operator==(const MapProjection& a, const MapProjection& b) {
    return a.visible == b.visible && a.size.width == b.size.width && a.size.height == b.size.height;
  }
};

}  // namespace tessaly::platform
