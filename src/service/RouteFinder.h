#pragma once
// Routes over the imported road networks with SpatiaLite's routing tables (Dijkstra): points
// are snapped to the nearest road node of the mode's network, each leg's links are grouped
// into one step per stretch of one road name, and waypoints to optimise are ordered by trying
// every order over the matrix of leg costs.
#include <cstdint>
#include <optional>
#include <vector>

#include "service/LookupQuery.h"
#include "service/LookupResults.h"
#include "service/SqliteDatabase.h"

namespace tessaly::service {

class RouteFinder {
 public:
  // A point farther than this from every road of the mode has no road.
  static constexpr double kSnapMetres = 1500;

  explicit RouteFinder(SqliteDatabase& db);
  RouteOutcome route(const DirectionsQuery& query);

 private:
  struct Snapped {
    std::int64_t node;
    LatLng at;
  };
  std::optional<Snapped> snap(TravelMode mode, LatLng point);
  // Costs (seconds) from one node to each of several; infinity where no road leads.
  std::vector<double> costs(TravelMode mode, std::int64_t from,
                            const std::vector<std::int64_t>& to);
  bool leg(TravelMode mode, const Snapped& from, const Snapped& to, RouteLeg& out);

  SqliteDatabase& _db;
  bool _has[2] = {false, false};
};

}  // namespace tessaly::service
