#include "service/LookupQuery.h"

#include <charconv>
#include <cmath>

#include "platform/foundation/PercentDecoding.h"

namespace tessaly::service {
namespace {

// A query text as forms are read: "+" is a space and a broken escape stays as written.
std::string decode(std::string_view text) {
  return *platform::PercentDecoding::decode(text, platform::PercentDecoding::Escapes::Lenient,
                                            platform::PercentDecoding::Plus::Space);
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool parseNumber(std::string_view text, double& out) {
  text = trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size() && std::isfinite(out);
}

}  // namespace

std::map<std::string, std::string> LookupQuery::parameters(std::string_view query) {
  std::map<std::string, std::string> out;
  while (!query.empty()) {
    std::size_t amp = query.find('&');
    std::string_view pair = query.substr(0, amp);
    std::size_t eq = pair.find('=');
    std::string key = decode(pair.substr(0, eq));
    std::string value = eq == std::string_view::npos ? "" : decode(pair.substr(eq + 1));
    if (!key.empty()) out.emplace(std::move(key), std::move(value));
    if (amp == std::string_view::npos) break;
    query.remove_prefix(amp + 1);
  }
  return out;
}

bool LookupQuery::parseLatLng(std::string_view text, LatLng& out) {
  std::size_t comma = text.find(',');
  if (comma == std::string_view::npos) return false;
  double lat, lng;
  if (!parseNumber(text.substr(0, comma), lat) || !parseNumber(text.substr(comma + 1), lng))
    return false;
  if (lat < -90 || lat > 90 || lng < -180 || lng > 180) return false;
  out = {lat, lng};
  return true;
}

platform::Result<DirectionsQuery> LookupQuery::parseDirections(
    const std::map<std::string, std::string>& params) {
  using platform::Refusal;
  DirectionsQuery out;
  auto get = [&](const char* key) {
    auto it = params.find(key);
    return it == params.end() ? std::string() : it->second;
  };
  std::string origin = get("origin"), destination = get("destination");
  if (origin.empty() || destination.empty())
    return Refusal{"A route needs a start and an end point (origin and destination)."};
  if (!parseLatLng(origin, out.origin))
    return Refusal{"The start point \"" + origin.substr(0, 60) +
                   "\" is not a latitude and longitude such as 43.7384,7.4246."};
  if (!parseLatLng(destination, out.destination))
    return Refusal{"The end point \"" + destination.substr(0, 60) +
                   "\" is not a latitude and longitude such as 43.7384,7.4246."};
  std::string mode = get("mode");
  if (mode.empty() || mode == "driving")
    out.mode = TravelMode::Driving;
  else if (mode == "walking")
    out.mode = TravelMode::Walking;
  else
    return Refusal{"Routes can be found for driving or walking, not for \"" + mode.substr(0, 30) +
                   "\"."};
  std::string all = get("waypoints");
  if (all.size() > 4096) return Refusal{"The list of waypoints is too long."};
  std::string_view waypoints = all;
  out.waypoints.clear();
  out.optimize = false;
  bool first = true;
  while (!waypoints.empty()) {
    std::size_t bar = waypoints.find('|');
    std::string_view part = trim(waypoints.substr(0, bar));
    if (first && part == "optimize:true") {
      out.optimize = true;
    } else if (!(first && part == "optimize:false") && !part.empty()) {
      if (part.rfind("via:", 0) == 0) part.remove_prefix(4);
      LatLng p;
      if (!parseLatLng(part, p))
        return Refusal{"The waypoint \"" + std::string(part.substr(0, 60)) +
                       "\" is not a latitude and longitude such as 43.7384,7.4246."};
      if (out.waypoints.size() == kMaxWaypoints)
        return Refusal{"A route can pass through at most " + std::to_string(kMaxWaypoints) +
                       " waypoints."};
      out.waypoints.push_back(p);
    }
    first = false;
    if (bar == std::string_view::npos) break;
    waypoints.remove_prefix(bar + 1);
  }
  return out;
}

platform::Result<std::string> LookupQuery::parseAddress(
    const std::map<std::string, std::string>& params) {
  auto it = params.find("address");
  std::string_view address = it == params.end() ? std::string_view() : trim(it->second);
  if (address.empty()) return platform::Refusal{"Type a place or an address to search for."};
  if (address.size() > kMaxAddressBytes)
    return platform::Refusal{"That address is too long to search for."};
  return std::string(address);
}

}  // namespace tessaly::service
