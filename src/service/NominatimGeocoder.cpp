#include "service/NominatimGeocoder.h"

#include <cstdlib>

#include <nlohmann/json.hpp>

#include "service/UrlEscape.h"

namespace tessaly::service {
namespace {

// Nominatim sends coordinates as strings; numbers are taken too.
bool coordinate(const nlohmann::json& v, double& out) {
  if (v.is_number()) {
    out = v.get<double>();
    return true;
  }
  if (!v.is_string()) return false;
  const std::string& s = v.get_ref<const std::string&>();
  char* end = nullptr;
  out = std::strtod(s.c_str(), &end);
  return !s.empty() && end == s.c_str() + s.size();
}

}  // namespace

GeocodeOutcome NominatimGeocoder::geocode(std::string_view address) {
  auto answer = _client.get("/search?format=jsonv2&limit=10&q=" + UrlEscape::component(address));
  if (!answer || !answer->ok()) {
    GeocodeOutcome outcome;
    outcome.status = "The address search service " + _client.base() + " did not answer (" +
                     UpstreamClient::problem(answer) + "). Try again later.";
    return outcome;
  }
  return translate(answer->body, address);
}

GeocodeOutcome NominatimGeocoder::translate(std::string_view body, std::string_view address) {
  GeocodeOutcome outcome;
  auto list = nlohmann::json::parse(body, nullptr, false);
  if (!list.is_array()) {
    outcome.status = "The address search service sent an answer that could not be read.";
    return outcome;
  }
  for (const auto& item : list) {
    if (!item.is_object()) continue;
    Place p;
    if (!item.contains("lat") || !item.contains("lon") ||
        !coordinate(item["lat"], p.location.lat) || !coordinate(item["lon"], p.location.lng))
      continue;
    if (item.contains("display_name") && item["display_name"].is_string())
      p.formatted = item["display_name"].get<std::string>();
    else if (item.contains("name") && item["name"].is_string())
      p.formatted = item["name"].get<std::string>();
    p.kind = item.contains("type") && item["type"].is_string() ? item["type"].get<std::string>()
                                                               : "place";
    outcome.places.push_back(std::move(p));
  }
  if (outcome.places.empty())
    outcome.status = "No place or address matches \"" + std::string(address.substr(0, 80)) + "\".";
  return outcome;
}

}  // namespace tessaly::service
