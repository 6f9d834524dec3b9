#include "lookup/GeoRouteConnection.h"

#include <charconv>
#include <cstdint>

#include "lookup/LookupServices.h"
#include "lookup/PolylineDecoder.h"
#include "platform/foundation/Log.h"

namespace tessaly {
namespace {

// "%f": six decimals, a point whatever the locale.
void appendFixed(std::string& out, double value) {
  char buffer[400];
  auto [end, error] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  if (error == std::errc()) out.append(buffer, end);
}

void appendCoordinate(std::string& out, const CoordData& entry) {
  appendFixed(out, entry.coordinate().latitude);
  out += ',';
  appendFixed(out, entry.coordinate().longitude);
}

std::shared_ptr<CoordData> entryAt(std::int32_t type, const JRDictionary* location) {
  return std::make_shared<CoordData>(type, jrDoubleForKey(location, "lat"),
                                     jrDoubleForKey(location, "lng"));
}

}  // namespace

std::unique_ptr<GeoRouteConnection> GeoRouteConnection::init() {
  platform::log(kNeedDelegate);
  return nullptr;
}

std::unique_ptr<GeoRouteConnection> GeoRouteConnection::initWithDelegate(
    GeoRouteConnectionDelegate* delegate) {
  return std::make_unique<GeoRouteConnection>(delegate);
}

std::string GeoRouteConnection::requestURL(const Entries& points, const std::string& mode) {
  std::string url = LookupServices::directionsBase() + kPath + "?";
  if (points.empty()) return url;
  url += "origin=";
  appendCoordinate(url, *points.front());
  url += "&destination=";
  appendCoordinate(url, *points.back());
  if (points.size() > 2) {
    url += "&waypoints=optimize:true";
    for (std::size_t i = 1; i + 1 < points.size(); ++i) {
      url += "%7C";
      appendCoordinate(url, *points[i]);
    }
  }
  url += "&mode=" + mode + "&sensor=false";
  return url;
}

void GeoRouteConnection::getGeoObjectsWithPointsAndModeAndReferer(const Entries& points,
                                                                  const std::string& mode,
                                                                  const std::string& referer) {
  if (points.empty()) return;
  startRequest(requestURL(points, mode), referer);
}

GeoRouteConnection::Entries GeoRouteConnection::decodeLine(std::string_view encoded) {
  return decodePolyline(encoded);
}

void GeoRouteConnection::reportFailure(const std::string& message) {
  if (_delegate != nullptr) _delegate->geoRouteConnectionDidFailWithError(this, message);
}

void GeoRouteConnection::answerArrived(const std::string& body) {
  Ref<JRObject> answer = checkedAnswer(body, {"routes", 175, 197, 203});
  if (!answer) return;
  Entries entries;
  entries.reserve(4);
  const JRArray* routes = jrArrayForKey(answer->asDictionary(), "routes");
  for (std::uint32_t r = 0; routes != nullptr && r < routes->count(); ++r) {
    const JRArray* legs = jrArrayForKey(routes->objectAtIndex(r)->asDictionary(), "legs");
    if (legs == nullptr) continue;
    for (const JRObject* legObject : *legs) {
      const JRDictionary* leg = legObject->asDictionary();
      if (leg == nullptr) continue;
      if (const JRDictionary* start = jrDictionaryForKey(leg, "start_location"))
        entries.push_back(entryAt(kCoordStart, start));
      // The first step's line is not used; each later one gives its points but the last.
      if (const JRArray* steps = jrArrayForKey(leg, "steps")) {
        for (std::uint32_t s = 1; s < steps->count(); ++s) {
          const JRDictionary* line =
              jrDictionaryForKey(steps->objectAtIndex(s)->asDictionary(), "polyline");
          const JRObject* points = line != nullptr ? line->objectForKey("points") : nullptr;
          if (points == nullptr || !points->isString()) continue;
          Entries decoded = decodeLine(points->stringValue());
          if (decoded.empty()) continue;
          decoded.pop_back();
          entries.insert(entries.end(), decoded.begin(), decoded.end());
        }
      }
      if (const JRDictionary* end = jrDictionaryForKey(leg, "end_location"))
        entries.push_back(entryAt(kCoordMarker, end));
    }
  }
  if (_delegate != nullptr)
    _delegate->geoRouteConnectionDidFinishLoadingWithGeoLocalObjects(this, entries);
}

}  // namespace tessaly
