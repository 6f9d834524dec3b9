#include "service/OsrmRouter.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

#include <nlohmann/json.hpp>

namespace tessaly::service {
namespace {

using nlohmann::json;

bool trip(const DirectionsQuery& q) {
  return q.optimize && q.waypoints.size() > 1;
}

bool lngLat(const json& v, LatLng& out) {
  if (!v.is_array() || v.size() < 2 || !v[0].is_number() || !v[1].is_number()) return false;
  out = {v[1].get<double>(), v[0].get<double>()};
  return true;
}

double number(const json& o, const char* key) {
  return o.is_object() && o.contains(key) && o[key].is_number() ? o[key].get<double>() : 0;
}

}  // namespace

std::string OsrmRouter::requestPath(const DirectionsQuery& q) {
  std::string coordinates;
  auto add = [&](LatLng p) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s%.6f,%.6f", coordinates.empty() ? "" : ";", p.lng,
                  p.lat);
    coordinates += buffer;
  };
  add(q.origin);
  for (const LatLng& p : q.waypoints) add(p);
  add(q.destination);
  std::string profile = q.mode == TravelMode::Driving ? "driving" : "foot";
  std::string options = "steps=true&geometries=polyline&overview=false";
  if (trip(q))
    return "/trip/v1/" + profile + "/" + coordinates +
           "?source=first&destination=last&roundtrip=false&" + options;
  return "/route/v1/" + profile + "/" + coordinates + "?" + options;
}

RouteOutcome OsrmRouter::route(const DirectionsQuery& query) {
  auto answer = _client.get(requestPath(query));
  if (answer && !answer->ok()) {
    // OSRM answers a failed search with an error status and a JSON body: read its message.
    auto parsed = json::parse(answer->body, nullptr, false);
    if (parsed.is_object() && parsed.contains("code")) return translate(answer->body, query);
  }
  if (!answer || !answer->ok()) {
    RouteOutcome outcome;
    outcome.status = "The route service " + _client.base() + " did not answer (" +
                     UpstreamClient::problem(answer) + "). Try again later.";
    return outcome;
  }
  return translate(answer->body, query);
}

RouteOutcome OsrmRouter::translate(const std::string& body, const DirectionsQuery& query) {
  RouteOutcome outcome;
  auto answer = json::parse(body, nullptr, false);
  if (!answer.is_object() || !answer.contains("code") || !answer["code"].is_string()) {
    outcome.status = "The route service sent an answer that could not be read.";
    return outcome;
  }
  std::string code = answer["code"].get<std::string>();
  if (code != "Ok") {
    std::string message = answer.contains("message") && answer["message"].is_string()
                              ? answer["message"].get<std::string>()
                              : code;
    outcome.status = code == "NoRoute" || code == "NoTrips" ? "No road connects these points."
                     : code == "NoSegment"                  ? "No road data covers these points."
                                           : "The route service could not find a route: " + message;
    return outcome;
  }
  const char* listKey = trip(query) ? "trips" : "routes";
  if (!answer.contains(listKey) || !answer[listKey].is_array() || answer[listKey].empty() ||
      !answer.contains("waypoints") || !answer["waypoints"].is_array()) {
    outcome.status = "The route service sent an answer that could not be read.";
    return outcome;
  }
  const json& route = answer[listKey][0];
  const json& waypoints = answer["waypoints"];
  std::size_t count = query.waypoints.size() + 2;
  if (waypoints.size() != count || !route.contains("legs") || !route["legs"].is_array() ||
      route["legs"].size() != count - 1) {
    outcome.status = "The route service sent an answer that could not be read.";
    return outcome;
  }
  // The stops in the order travelled: a trip gives each input its place in waypoint_index.
  std::vector<std::size_t> travelled(count);
  std::iota(travelled.begin(), travelled.end(), std::size_t{0});
  if (trip(query)) {
    std::vector<std::pair<double, std::size_t>> places;
    for (std::size_t i = 0; i < count; ++i)
      places.emplace_back(number(waypoints[i], "waypoint_index"), i);
    std::sort(places.begin(), places.end());
    for (std::size_t i = 0; i < count; ++i) travelled[i] = places[i].second;
  }
  for (std::size_t i = 1; i + 1 < count; ++i)
    outcome.route.waypointOrder.push_back(static_cast<int>(travelled[i]) - 1);
  for (std::size_t l = 0; l + 1 < count; ++l) {
    const json& leg = route["legs"][l];
    RouteLeg out;
    if (!waypoints[travelled[l]].contains("location") ||
        !lngLat(waypoints[travelled[l]]["location"], out.start) ||
        !waypoints[travelled[l + 1]].contains("location") ||
        !lngLat(waypoints[travelled[l + 1]]["location"], out.end)) {
      outcome = RouteOutcome{};
      outcome.status = "The route service sent an answer that could not be read.";
      return outcome;
    }
    out.metres = number(leg, "distance");
    out.seconds = number(leg, "duration");
    out.steps.push_back({"", {out.start}, "", 0, 0});
    if (leg.contains("steps") && leg["steps"].is_array()) {
      for (const json& step : leg["steps"]) {
        if (!step.is_object() || !step.contains("geometry") || !step["geometry"].is_string())
          continue;
        RouteStep s;
        s.name = step.contains("name") && step["name"].is_string() ? step["name"].get<std::string>()
                                                                   : "";
        s.encoded = step["geometry"].get<std::string>();
        LatLng at = out.steps.back().points.back();
        if (step.contains("maneuver") && step["maneuver"].is_object() &&
            step["maneuver"].contains("location"))
          lngLat(step["maneuver"]["location"], at);
        s.points = {at};
        s.metres = number(step, "distance");
        s.seconds = number(step, "duration");
        out.steps.push_back(std::move(s));
      }
    }
    out.steps.back().points.push_back(out.end);
    outcome.route.legs.push_back(std::move(out));
  }
  return outcome;
}

}  // namespace tessaly::service
