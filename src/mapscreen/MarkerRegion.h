#pragma once
// The region that shows a set of markers: their box in plain degrees with a margin. The box knows
// nothing of the 180° meridian, and an empty set gives the inverted start box.
#include <vector>

#include "platform/map/MKGeometry.h"

namespace tessaly {

inline constexpr double kMarkerRegionMargin = 1.2;

platform::MKCoordinateRegion regionForMarkerCoordinates(
    const std::vector<platform::CLLocationCoordinate2D>& coordinates);

}  // namespace tessaly
