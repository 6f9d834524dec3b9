#pragma once
// Reads the query strings of the geocoding and directions requests.
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Result.h"
#include "service/LookupStore.h"
#include "service/PolylineEncoder.h"

namespace tessaly::service {

struct DirectionsQuery {
  LatLng origin, destination;
  std::vector<LatLng> waypoints;
  bool optimize = false;
  TravelMode mode = TravelMode::Driving;
};

class LookupQuery {
 public:
  static constexpr std::size_t kMaxWaypoints = 8;
  static constexpr std::size_t kMaxAddressBytes = 512;

  // Decoded parameters ("+" is a space); a broken escape keeps its text as it is. The first of
  // repeated keys wins.
  static std::map<std::string, std::string> parameters(std::string_view query);
  // "lat,lng" in degrees, blanks around the numbers allowed. False for anything else, or a
  // coordinate out of range.
  static bool parseLatLng(std::string_view text, LatLng& out);
  // The route asked for, or a sentence for the person who asked.
  static platform::Result<DirectionsQuery> parseDirections(
      const std::map<std::string, std::string>& params);
  // The address to look up, trimmed, or a sentence for the person who asked.
  static platform::Result<std::string> parseAddress(
      const std::map<std::string, std::string>& params);
};

}  // namespace tessaly::service
