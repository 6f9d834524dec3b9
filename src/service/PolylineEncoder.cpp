#include "service/PolylineEncoder.h"

#include <cmath>
#include <cstdint>

namespace tessaly::service {
namespace {

void put(std::int64_t value, std::string& out) {
  std::uint64_t v = value < 0 ? ~(static_cast<std::uint64_t>(value) << 1)
                              : static_cast<std::uint64_t>(value) << 1;
  while (v >= 0x20) {
    out.push_back(static_cast<char>((0x20 | (v & 0x1F)) + 63));
    v >>= 5;
  }
  out.push_back(static_cast<char>(v + 63));
}

}  // namespace

std::string PolylineEncoder::encode(const std::vector<LatLng>& points) {
  std::string out;
  std::int64_t lastLat = 0, lastLng = 0;
  for (const LatLng& p : points) {
    // Rounding each absolute value (not each delta) keeps errors from adding up.
    auto lat = static_cast<std::int64_t>(std::llround(p.lat * 1e5));
    auto lng = static_cast<std::int64_t>(std::llround(p.lng * 1e5));
    put(lat - lastLat, out);
    put(lng - lastLng, out);
    lastLat = lat;
    lastLng = lng;
  }
  return out;
}

}  // namespace tessaly::service
