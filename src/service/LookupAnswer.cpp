#include "service/LookupAnswer.h"

#include <cmath>

#include "json/JsonText.h"

namespace tessaly::service {
namespace {

void location(JsonText& out, const char* key, LatLng p, bool first = false) {
  out.key(key, first);
  out.raw("{");
  out.key("lat", true);
  out.number(p.lat);
  out.key("lng");
  out.number(p.lng);
  out.raw("}");
}

std::string distanceText(double metres) {
  char buffer[32];
  if (metres < 1000)
    std::snprintf(buffer, sizeof buffer, "%.0f m", metres);
  else
    std::snprintf(buffer, sizeof buffer, "%.1f km", metres / 1000);
  return buffer;
}

std::string durationText(double seconds) {
  long minutes = std::lround(seconds / 60);
  if (minutes < 60) return std::to_string(std::max(1L, minutes)) + " min";
  return std::to_string(minutes / 60) + " h " + std::to_string(minutes % 60) + " min";
}

void measures(JsonText& out, double metres, double seconds) {
  out.key("distance");
  out.raw("{");
  out.key("text", true);
  out.string(distanceText(metres));
  out.key("value");
  out.number(std::round(metres));
  out.raw("}");
  out.key("duration");
  out.raw("{");
  out.key("text", true);
  out.string(durationText(seconds));
  out.key("value");
  out.number(std::round(seconds));
  out.raw("}");
}

}  // namespace

std::string LookupAnswer::geocode(const GeocodeOutcome& outcome) {
  JsonText out;
  out.raw("{");
  out.key("results", true);
  out.raw("[");
  bool first = true;
  for (const Place& p : outcome.places) {
    if (!first) out.raw(",");
    first = false;
    out.raw("{");
    out.key("formatted_address", true);
    out.string(p.formatted);
    out.key("geometry");
    out.raw("{");
    location(out, "location", p.location, true);
    out.key("location_type");
    out.string(p.kind == "address" ? "ROOFTOP" : "APPROXIMATE");
    out.raw("}");
    out.key("types");
    out.raw("[");
    out.string(p.kind);
    out.raw("]}");
  }
  out.raw("]");
  out.key("status");
  out.string(outcome.status);
  out.raw("}");
  return std::move(out.text());
}

std::string LookupAnswer::directions(const RouteOutcome& outcome) {
  JsonText out;
  out.raw("{");
  out.key("routes", true);
  out.raw("[");
  if (outcome.status == "OK") {
    const Route& route = outcome.route;
    double metres = 0, seconds = 0;
    out.raw("{");
    out.key("legs", true);
    out.raw("[");
    for (std::size_t l = 0; l < route.legs.size(); ++l) {
      const RouteLeg& leg = route.legs[l];
      metres += leg.metres, seconds += leg.seconds;
      out.raw(l ? ",{" : "{");
      location(out, "start_location", leg.start, true);
      location(out, "end_location", leg.end);
      measures(out, leg.metres, leg.seconds);
      out.key("steps");
      out.raw("[");
      for (std::size_t s = 0; s < leg.steps.size(); ++s) {
        const RouteStep& step = leg.steps[s];
        out.raw(s ? ",{" : "{");
        location(out, "start_location", step.points.front(), true);
        location(out, "end_location", step.points.back());
        measures(out, step.metres, step.seconds);
        out.key("html_instructions");
        out.string(s == 0 ? "Depart" : step.name.empty() ? "Continue" : step.name);
        out.key("polyline");
        out.raw("{");
        out.key("points", true);
        out.string(step.encoded.empty() ? PolylineEncoder::encode(step.points) : step.encoded);
        out.raw("}}");
      }
      out.raw("]}");
    }
    out.raw("]");
    out.key("waypoint_order");
    out.raw("[");
    for (std::size_t i = 0; i < route.waypointOrder.size(); ++i) {
      if (i) out.raw(",");
      out.number(route.waypointOrder[i]);
    }
    out.raw("]");
    out.key("summary");
    out.string(distanceText(metres) + ", " + durationText(seconds));
    out.raw("}");
  }
  out.raw("]");
  out.key("status");
  out.string(outcome.status);
  out.raw("}");
  return std::move(out.text());
}

}  // namespace tessaly::service
