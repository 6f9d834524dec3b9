#pragma once
// Writes the geocoding and directions answers in the JSON shapes their clients read.
#include <string>

#include "service/LookupResults.h"

namespace tessaly::service {

class LookupAnswer {
 public:
  // {"status": ..., "results": [{"formatted_address", "geometry": {"location": {lat, lng}}}]}
  static std::string geocode(const GeocodeOutcome& outcome);
  // {"status": ..., "routes": [{"legs": [{"start_location", "end_location", "distance",
  //  "duration", "steps": [{"polyline": {"points"}, ...}]}], "waypoint_order"}]}
  static std::string directions(const RouteOutcome& outcome);
};

}  // namespace tessaly::service
