#pragma once
// Writes points in the encoded polyline format (five decimals, deltas, 5-bit chunks + 63).
#include <string>
#include <vector>

namespace tessaly::service {

struct LatLng {
  double lat = 0;
  double lng = 0;
};

class PolylineEncoder {
 public:
  static std::string encode(const std::vector<LatLng>& points);
};

}  // namespace tessaly::service
