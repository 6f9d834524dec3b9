#include "service/RoadRules.h"

#include <osmium/osm/tag.hpp>

#include <cstring>

namespace tessaly::service {
namespace {

struct Speed {
  const char* highway;
  double kmh;
};

// Typical free-flow speeds by road class.
constexpr Speed kDrivingSpeeds[] = {
    {"motorway", 110},     {"motorway_link", 60}, {"trunk", 90},        {"trunk_link", 50},
    {"primary", 60},       {"primary_link", 40},  {"secondary", 50},    {"secondary_link", 35},
    {"tertiary", 40},      {"tertiary_link", 30}, {"unclassified", 30}, {"residential", 30},
    {"living_street", 10}, {"service", 15},       {"road", 25},
};

constexpr const char* kWalkingOnly[] = {"footway",  "path",  "pedestrian", "steps",
                                        "corridor", "track", "cycleway",   "bridleway"};
constexpr double kWalkingKmh = 5;

bool is(const char* value, const char* wanted) {
  return value && std::strcmp(value, wanted) == 0;
}

bool isNo(const char* value) {
  return is(value, "no") || is(value, "private");
}

}  // namespace

std::optional<RoadUse> RoadRules::driving(const osmium::TagList& tags) {
  const char* highway = tags["highway"];
  if (!highway || is(tags["area"], "yes")) return std::nullopt;
  double kmh = 0;
  for (const Speed& s : kDrivingSpeeds)
    if (is(highway, s.highway)) kmh = s.kmh;
  if (kmh == 0) return std::nullopt;
  if (isNo(tags["access"]) && !tags["motor_vehicle"] && !tags["motorcar"]) return std::nullopt;
  if (isNo(tags["motor_vehicle"]) || isNo(tags["motorcar"])) return std::nullopt;
  if (is(tags["service"], "parking_aisle")) kmh = 10;
  RoadUse use;
  use.metresPerSecond = kmh / 3.6;
  const char* oneway = tags["oneway"];
  bool implied = is(highway, "motorway") || is(tags["junction"], "roundabout") ||
                 is(tags["junction"], "circular");
  if (is(oneway, "-1") || is(oneway, "reverse")) {
    use.forward = false;
  } else if (is(oneway, "yes") || is(oneway, "1") || is(oneway, "true") ||
             (implied && !is(oneway, "no"))) {
    use.backward = false;
  }
  return use;
}

std::optional<RoadUse> RoadRules::walking(const osmium::TagList& tags) {
  const char* highway = tags["highway"];
  if (!highway) return std::nullopt;
  if (isNo(tags["foot"])) return std::nullopt;
  bool walkable = false;
  for (const char* w : kWalkingOnly) walkable = walkable || is(highway, w);
  if (!walkable) {
    for (const Speed& s : kDrivingSpeeds)
      walkable = walkable || (is(highway, s.highway) && !is(highway, "motorway") &&
                              !is(highway, "motorway_link"));
  }
  if (!walkable) return std::nullopt;
  if (isNo(tags["access"]) && !tags["foot"]) return std::nullopt;
  RoadUse use;
  use.metresPerSecond = kWalkingKmh / 3.6;
  return use;
}

}  // namespace tessaly::service
