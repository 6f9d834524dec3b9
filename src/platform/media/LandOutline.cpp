#include "platform/media/LandOutline.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <nlohmann/json.hpp>

#include "platform/foundation/FileSystem.h"
#include "platform/foundation/Localized.h"

namespace tessaly::platform {
namespace {

using json = nlohmann::json;

struct SharedState {
  std::mutex mutex;
  std::string path;
  std::unique_ptr<LandOutline> outline;
  std::uint64_t generation = 0;
};

SharedState& sharedState() {
  static SharedState state;
  return state;
}

// Arcs decoded to longitude/latitude pairs (quantized topologies carry deltas).
std::vector<std::vector<std::pair<double, double>>> decodeArcs(const json& topology) {
  double sx = 1, sy = 1, tx = 0, ty = 0;
  bool quantized = false;
  if (auto t = topology.find("transform"); t != topology.end() && t->is_object()) {
    const json& scale = t->at("scale");
    const json& translate = t->at("translate");
    sx = scale.at(0).get<double>(), sy = scale.at(1).get<double>();
    tx = translate.at(0).get<double>(), ty = translate.at(1).get<double>();
    quantized = true;
  }
  std::vector<std::vector<std::pair<double, double>>> arcs;
  for (const json& arc : topology.at("arcs")) {
    std::vector<std::pair<double, double>> points;
    points.reserve(arc.size());
    double x = 0, y = 0;
    for (const json& position : arc) {
      double a = position.at(0).get<double>(), b = position.at(1).get<double>();
      if (quantized) {
        x += a, y += b;
        points.emplace_back(x * sx + tx, y * sy + ty);
      } else {
        points.emplace_back(a, b);
      }
    }
    arcs.push_back(std::move(points));
  }
  return arcs;
}

void addRing(const json& arcIndexes,
             const std::vector<std::vector<std::pair<double, double>>>& arcs,
             std::vector<LandOutline::Ring>& out) {
  std::vector<std::pair<double, double>> lonLat;
  for (const json& index : arcIndexes) {
    long i = index.get<long>();
    bool reversed = i < 0;
    std::size_t arc = static_cast<std::size_t>(reversed ? ~i : i);
    if (arc >= arcs.size()) throw std::out_of_range("arc index out of range");
    const auto& points = arcs[arc];
    std::size_t skip = lonLat.empty() ? 0 : 1;  // each arc starts where the last one ended
    if (reversed) {
      for (auto it = points.rbegin() + std::min(skip, points.size()); it != points.rend(); ++it)
        lonLat.push_back(*it);
    } else {
      for (std::size_t k = skip; k < points.size(); ++k) lonLat.push_back(points[k]);
    }
  }
  if (lonLat.size() < 3) return;
  // Rings that cross the 180th meridian stay continuous: no streak across the whole map.
  for (std::size_t k = 1; k < lonLat.size(); ++k) {
    while (lonLat[k].first - lonLat[k - 1].first > 180) lonLat[k].first -= 360;
    while (lonLat[k].first - lonLat[k - 1].first < -180) lonLat[k].first += 360;
  }
  LandOutline::Ring ring;
  ring.points.reserve(lonLat.size());
  double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
  for (auto [lon, lat] : lonLat) {
    double turns = std::floor((lon + 180) / 360);  // keep longitudes past ±180 past the edge
    MKMapPoint p = MKMapPointForCoordinate({std::clamp(lat, -85.0511, 85.0511), lon - turns * 360});
    p.x += turns * MKMapSizeWorld.width;
    ring.points.push_back(p);
    minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
  }
  ring.bounds = MKMapRectMake(minX, minY, maxX - minX, maxY - minY);
  out.push_back(std::move(ring));
}

void addGeometry(const json& geometry,
                 const std::vector<std::vector<std::pair<double, double>>>& arcs,
                 std::vector<LandOutline::Ring>& out) {
  const std::string type = geometry.value("type", "");
  if (type == "GeometryCollection") {
    for (const json& g : geometry.at("geometries")) addGeometry(g, arcs, out);
  } else if (type == "Polygon") {
    for (const json& ring : geometry.at("arcs")) addRing(ring, arcs, out);
  } else if (type == "MultiPolygon") {
    for (const json& polygon : geometry.at("arcs"))
      for (const json& ring : polygon) addRing(ring, arcs, out);
  }
}

std::string searchForLandFile() {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path resources(resourcesDirectory());
  for (const fs::path& candidate :
       {resources.parent_path() / "node_modules/world-atlas/land-50m.json",
        resources / "node_modules/world-atlas/land-50m.json"}) {
    if (fs::is_regular_file(candidate, ec)) return candidate.string();
  }
  return "";
}

}  // namespace

LandOutline LandOutline::fromTopoJSON(const std::string& text, std::string* error) {
  LandOutline outline;
  try {
    json topology = json::parse(text);
    auto arcs = decodeArcs(topology);
    addGeometry(topology.at("objects").at("land"), arcs, outline._rings);
  } catch (const std::exception& e) {
    outline._rings.clear();
    if (error != nullptr) *error = std::string("land outline: ") + e.what();
  }
  return outline;
}

std::size_t LandOutline::pointCount() const {
  std::size_t n = 0;
  for (const auto& ring : _rings) n += ring.points.size();
  return n;
}

void LandOutline::setSharedPath(const std::string& path) {
  std::lock_guard lock(sharedState().mutex);
  sharedState().path = path;
  sharedState().outline.reset();
  ++sharedState().generation;
}

std::uint64_t LandOutline::sharedGeneration() {
  std::lock_guard lock(sharedState().mutex);
  return sharedState().generation;
}

std::string LandOutline::sharedPath() {
  {
    std::lock_guard lock(sharedState().mutex);
    if (!sharedState().path.empty()) return sharedState().path;
  }
  return searchForLandFile();
}

const LandOutline& LandOutline::shared() {
  std::string path = sharedPath();
  std::lock_guard lock(sharedState().mutex);
  if (!sharedState().outline) {
    auto outline = std::make_unique<LandOutline>();
    if (auto text = readFile(path)) *outline = fromTopoJSON(*text);
    sharedState().outline = std::move(outline);
  }
  return *sharedState().outline;
}

}  // namespace tessaly::platform
