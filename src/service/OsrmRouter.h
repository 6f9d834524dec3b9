#pragma once
// Routes through an OSRM server: its route service for a given order, its trip service (fixed
// start and end) when the waypoints may be reordered. OSRM writes longitude first.
#include <string>

#include "service/LookupQuery.h"
#include "service/LookupResults.h"
#include "service/UpstreamClient.h"

namespace tessaly::service {

class OsrmRouter {
 public:
  explicit OsrmRouter(std::string base) : _client(std::move(base)) {}
  RouteOutcome route(const DirectionsQuery& query);
  // The request's path and query for a query.
  static std::string requestPath(const DirectionsQuery& query);
  // The translation alone, for an answer's body to that request.
  static RouteOutcome translate(const std::string& body, const DirectionsQuery& query);

 private:
  UpstreamClient _client;
};

}  // namespace tessaly::service
