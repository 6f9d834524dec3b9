// Feeds arbitrary query strings to the lookup service's query reader. A usable directions query
// must hold coordinates in range and at most the allowed waypoints; an unusable one must come
// with a sentence; the sanitizers catch any read past the end.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "service/LookupQuery.h"

namespace {

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "lookup query fuzzer: %s\n", what);
    std::abort();
  }
}

bool inRange(tessaly::service::LatLng p) {
  return std::isfinite(p.lat) && std::isfinite(p.lng) && std::fabs(p.lat) <= 90 &&
         std::fabs(p.lng) <= 180;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaly::service;
  std::string_view query(reinterpret_cast<const char*>(data), size);
  auto params = LookupQuery::parameters(query);
  auto directions = LookupQuery::parseDirections(params);
  if (directions) {
    check(inRange(directions->origin) && inRange(directions->destination),
          "coordinate out of range");
    check(directions->waypoints.size() <= LookupQuery::kMaxWaypoints, "too many waypoints");
    for (const LatLng& p : directions->waypoints) check(inRange(p), "waypoint out of range");
  } else {
    check(!directions.reason().empty(), "a refused route has no reason");
  }
  auto address = LookupQuery::parseAddress(params);
  if (address) {
    check(!address->empty(), "an empty address was taken");
    check(address->size() <= LookupQuery::kMaxAddressBytes, "address too long");
  } else {
    check(!address.reason().empty(), "a refused address has no reason");
  }
  return 0;
}
