#pragma once
// Reads the query strings of the geocoding and directions requests.
#include <map>
#include <string>
#include <string_view>
#include <vector>

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
  // "" when the query is usable, else a sentence for the person who asked.
  static std::string parseDirections(const std::map<std::string, std::string>& params,
                                     DirectionsQuery& out);
  // The address to look up, trimmed; "" with a sentence in problem when it is not usable.
  static std::string parseAddress(const std::map<std::string, std::string>& params,
                                  std::string& problem);
};

}  // namespace tessaly::service
