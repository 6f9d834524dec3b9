#include "lookup/PolylineDecoder.h"

#include <cstdint>

namespace tessaly {
namespace {

// One value of the polyline: five bits a character, the low bits first, while the 0x20 bit says
// more follow. False when the text ends inside it.
bool readValue(std::string_view text, std::size_t& position, std::int32_t& step) {
  std::uint32_t result = 0;
  unsigned shift = 0;
  std::uint8_t b = 0;
  do {
    if (position >= text.size()) return false;
    b = static_cast<std::uint8_t>(static_cast<unsigned char>(text[position++]) - 63);
    if (shift < 32) result |= static_cast<std::uint32_t>(b & 0x1F) << shift;
    shift += 5;
  } while (b >= 0x20);
  auto half = static_cast<std::int32_t>(result) >> 1;
  step = (result & 1) != 0 ? ~half : half;
  return true;
}

}  // namespace

std::vector<std::shared_ptr<CoordData>> decodePolyline(std::string_view encoded) {
  std::vector<std::shared_ptr<CoordData>> entries;
  entries.reserve(6);
  std::size_t position = 0;
  std::int64_t latitude = 0;
  std::int64_t longitude = 0;
  while (position < encoded.size()) {
    std::int32_t latitudeStep = 0;
    std::int32_t longitudeStep = 0;
    if (!readValue(encoded, position, latitudeStep) || !readValue(encoded, position, longitudeStep))
      break;
    latitude += latitudeStep;
    longitude += longitudeStep;
    entries.push_back(std::make_shared<CoordData>(entries.empty() ? kCoordMarker : kCoordRoute,
                                                  static_cast<double>(latitude) * 1e-5,
                                                  static_cast<double>(longitude) * 1e-5));
  }
  return entries;
}

}  // namespace tessaly
