#pragma once
// What a geocoder or a router found, before it is written as the answer's JSON.
#include <string>
#include <vector>

#include "service/PolylineEncoder.h"

namespace tessaly::service {

struct Place {
  std::string formatted;
  LatLng location;
  std::string kind;  // "city", "street", "address", "poi", or a place class
};

struct RouteStep {
  std::string name;  // the road's name, "" for an unnamed one
  std::vector<LatLng> points;
  std::string encoded;  // the line as an upstream sent it, when it did; else points are encoded
  double metres = 0;
  double seconds = 0;
};

struct RouteLeg {
  LatLng start, end;
  std::vector<RouteStep> steps;
  double metres = 0;
  double seconds = 0;
};

struct Route {
  std::vector<RouteLeg> legs;
  std::vector<int> waypointOrder;  // positions of the given waypoints in the order driven
};

// A status other than "OK" is a sentence for the person who asked.
struct GeocodeOutcome {
  std::string status = "OK";
  std::vector<Place> places;
};

struct RouteOutcome {
  std::string status = "OK";
  Route route;
};

}  // namespace tessaly::service
