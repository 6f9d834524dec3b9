#pragma once
// Distances on the sphere, good to well under a metre over the lengths of road links.
#include <cmath>

namespace tessaly::service {

inline double metresBetween(double lat1, double lng1, double lat2, double lng2) {
  constexpr double kRadius = 6371008.8;
  constexpr double kRad = M_PI / 180;
  double dLat = (lat2 - lat1) * kRad, dLng = (lng2 - lng1) * kRad;
  double a = std::sin(dLat / 2) * std::sin(dLat / 2) + std::cos(lat1 * kRad) *
                                                           std::cos(lat2 * kRad) *
                                                           std::sin(dLng / 2) * std::sin(dLng / 2);
  return 2 * kRadius * std::asin(std::sqrt(std::min(1.0, a)));
}

}  // namespace tessaly::service
