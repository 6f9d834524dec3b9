#pragma once
// What the map shows: annotations (a point with a callout's two texts) and overlays (shapes
// drawn over the map, such as the path line).
#include <string>

#include "platform/foundation/Geometry.h"
#include "platform/map/MKGeometry.h"

namespace tessaly::platform {

class MKAnnotation {
 public:
  virtual ~MKAnnotation() = default;
  virtual CLLocationCoordinate2D coordinate() const = 0;
  // The callout's two lines; empty means none.
  virtual std::string title() const { return ""; }
  virtual std::string subtitle() const { return ""; }
};

class MKOverlay : public MKAnnotation {
 public:
  // The smallest map rectangle that holds the whole shape.
  virtual MKMapRect boundingMapRect() const = 0;
};

}  // namespace tessaly::platform
