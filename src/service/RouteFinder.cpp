#include "service/RouteFinder.h"

#include <algorithm>
#include <limits>
#include <numeric>

#include "service/GeoDistance.h"

namespace tessaly::service {
namespace {

constexpr double kUnreachable = std::numeric_limits<double>::infinity();

std::string table(TravelMode mode, const char* suffix) {
  return std::string(LookupStore::prefix(mode)) + suffix;
}

const char* noRoadText() {
  return "No road data covers these points. Import an OpenStreetMap extract with: tessaly import "
         "FILE.osm.pbf";
}

}  // namespace

RouteFinder::RouteFinder(SqliteDatabase& db) : _db(db) {
  _has[0] = db.hasTable("drive_net");
  _has[1] = db.hasTable("walk_net");
}

std::optional<RouteFinder::Snapped> RouteFinder::snap(TravelMode mode, LatLng point) {
  auto q = _db.prepare("SELECT s.id, n.lat, n.lng FROM " + table(mode, "_snap") + " s JOIN " +
                       table(mode, "_nodes") +
                       " n ON n.id = s.id WHERE s.max_lat >= ?1 AND s.min_lat <= ?2"
                       " AND s.max_lng >= ?3 AND s.min_lng <= ?4");
  // Widening boxes: most points have a road within a few metres.
  for (double degrees : {0.001, 0.004, 0.015}) {
    double lngDegrees = degrees / std::max(0.05, std::cos(point.lat * M_PI / 180));
    q.bind(1, point.lat - degrees)
        .bind(2, point.lat + degrees)
        .bind(3, point.lng - lngDegrees)
        .bind(4, point.lng + lngDegrees);
    std::optional<Snapped> best;
    double bestMetres = kSnapMetres;
    while (q.step()) {
      LatLng at{q.real(1), q.real(2)};
      double d = metresBetween(point.lat, point.lng, at.lat, at.lng);
      if (d <= bestMetres) best = Snapped{q.integer(0), at}, bestMetres = d;
    }
    q.reset();
    if (best) return best;
  }
  return std::nullopt;
}

std::vector<double> RouteFinder::costs(TravelMode mode, std::int64_t from,
                                       const std::vector<std::int64_t>& to) {
  std::vector<double> out(to.size(), kUnreachable);
  std::string list;
  for (std::int64_t n : to) list += (list.empty() ? "" : ",") + std::to_string(n);
  auto q = _db.prepare("SELECT NodeTo, Cost FROM " + table(mode, "_net") +
                       " WHERE NodeFrom = ?1 AND NodeTo IN (" + list + ") AND Role = 'Route'");
  q.bind(1, from);
  while (q.step()) {
    std::int64_t node = q.integer(0);
    for (std::size_t i = 0; i < to.size(); ++i)
      if (to[i] == node && !q.isNull(1)) out[i] = q.real(1);
  }
  for (std::size_t i = 0; i < to.size(); ++i)
    if (to[i] == from) out[i] = 0;
  return out;
}

bool RouteFinder::leg(TravelMode mode, const Snapped& from, const Snapped& to, RouteLeg& out) {
  out = RouteLeg{};
  out.start = from.at;
  out.end = to.at;
  // A zero-length first step stands at the start, as directions answers begin with a departure.
  out.steps.push_back({"", {from.at}, "", 0, 0});
  if (from.node == to.node) return true;
  auto q = _db.prepare("SELECT r.Role, r.NodeFrom, r.NodeTo, r.Cost, r.Name, l.length FROM " +
                       table(mode, "_net") + " r LEFT JOIN " + table(mode, "_links") +
                       " l ON l.id = r.LinkRowid WHERE r.NodeFrom = ?1 AND r.NodeTo = ?2");
  auto nodes = _db.prepare("SELECT lat, lng FROM " + table(mode, "_nodes") + " WHERE id = ?");
  q.bind(1, from.node).bind(2, to.node);
  bool any = false;
  while (q.step()) {
    if (q.text(0) != "Link") continue;
    any = true;
    std::string name = q.text(4);
    if (out.steps.size() == 1 || out.steps.back().name != name) {
      RouteStep step;
      step.name = name;
      step.points.push_back(out.steps.back().points.back());
      out.steps.push_back(std::move(step));
    }
    RouteStep& step = out.steps.back();
    nodes.bind(1, q.integer(2));
    if (nodes.step()) step.points.push_back({nodes.real(0), nodes.real(1)});
    nodes.reset();
    step.metres += q.real(5);
    step.seconds += q.real(3);
    out.metres += q.real(5);
    out.seconds += q.real(3);
  }
  return any;
}

RouteOutcome RouteFinder::route(const DirectionsQuery& query) {
  RouteOutcome outcome;
  int m = query.mode == TravelMode::Driving ? 0 : 1;
  if (!_has[m]) {
    outcome.status = noRoadText();
    return outcome;
  }
  std::vector<LatLng> given;
  given.push_back(query.origin);
  given.insert(given.end(), query.waypoints.begin(), query.waypoints.end());
  given.push_back(query.destination);
  std::vector<Snapped> points;
  for (const LatLng& p : given) {
    auto s = snap(query.mode, p);
    if (!s) {
      outcome.status = noRoadText();
      return outcome;
    }
    points.push_back(*s);
  }
  std::size_t k = query.waypoints.size();
  std::vector<int> order(k);
  std::iota(order.begin(), order.end(), 0);
  if (query.optimize && k > 1) {
    // cost[i][j] from stop i (0 the origin, 1..k the waypoints) to stop j (1..k, k+1 the end).
    std::vector<std::vector<double>> cost(k + 1);
    std::vector<std::int64_t> targets;
    for (std::size_t j = 1; j <= k + 1; ++j) targets.push_back(points[j].node);
    for (std::size_t i = 0; i <= k; ++i) {
      auto row = costs(query.mode, points[i].node, targets);
      cost[i].assign(k + 2, kUnreachable);
      for (std::size_t j = 1; j <= k + 1; ++j) cost[i][j] = row[j - 1];
    }
    std::vector<int> trial = order;
    double best = kUnreachable;
    do {
      double total = cost[0][static_cast<std::size_t>(trial[0]) + 1];
      for (std::size_t i = 1; i < k && total < best; ++i)
        total += cost[static_cast<std::size_t>(trial[i - 1]) + 1]
                     [static_cast<std::size_t>(trial[i]) + 1];
      total += cost[static_cast<std::size_t>(trial[k - 1]) + 1][k + 1];
      if (total < best) best = total, order = trial;
    } while (std::next_permutation(trial.begin(), trial.end()));
  }
  std::vector<Snapped> stops{points.front()};
  for (int i : order) stops.push_back(points[static_cast<std::size_t>(i) + 1]);
  stops.push_back(points.back());
  for (std::size_t i = 1; i < stops.size(); ++i) {
    RouteLeg leg;
    if (!this->leg(query.mode, stops[i - 1], stops[i], leg)) {
      outcome.status = query.mode == TravelMode::Driving
                           ? "No road for cars connects these points."
                           : "No road or path on foot connects these points.";
      return outcome;
    }
    outcome.route.legs.push_back(std::move(leg));
  }
  outcome.route.waypointOrder = order;
  return outcome;
}

}  // namespace tessaly::service
