#include "mapscreen/MarkerRegion.h"

#include <algorithm>
#include <cmath>

namespace tessaly {

platform::MKCoordinateRegion regionForMarkerCoordinates(
    const std::vector<platform::CLLocationCoordinate2D>& coordinates) {
  double minLat = 90, maxLat = -90, minLon = 180, maxLon = -180;
  for (const auto& c : coordinates) {
    maxLat = std::max(maxLat, c.latitude);
    minLon = std::min(minLon, c.longitude);
    maxLon = std::max(maxLon, c.longitude);
    minLat = std::min(minLat, c.latitude);
  }
  platform::MKCoordinateRegion region;
  region.center.latitude = maxLat - (maxLat - minLat) * 0.5;
  region.center.longitude = minLon + (maxLon - minLon) * 0.5;
  region.span.latitudeDelta = std::fabs(maxLat - minLat) * kMarkerRegionMargin;
  region.span.longitudeDelta = std::fabs(maxLon - minLon) * kMarkerRegionMargin;
  return region;
}

}  // namespace tessaly
