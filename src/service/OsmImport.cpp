#include "service/OsmImport.h"

#include <osmium/handler.hpp>
#include <osmium/handler/node_locations_for_ways.hpp>
#include <osmium/index/map/flex_mem.hpp>
#include <osmium/io/any_input.hpp>
#include <osmium/visitor.hpp>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <numeric>
#include <unordered_map>
#include <vector>

#include "service/GeoDistance.h"
#include "service/LookupStore.h"
#include "service/RoadRules.h"
#include "service/TextFolding.h"

namespace tessaly::service {
namespace {

namespace fs = std::filesystem;

struct WayRecord {
  std::string name;
  RoadUse use;
  std::vector<std::pair<osmium::object_id_type, osmium::Location>> nodes;
};

struct Item {
  std::string name;
  std::string kind;
  double lat = 0, lng = 0;
  long long population = 0;
};

struct Street {
  double length = -1;
  osmium::Location middle;
};

const char* const kPoiKeys[] = {"amenity", "shop",     "tourism", "leisure",         "historic",
                                "office",  "building", "railway", "public_transport"};

class Collector : public osmium::handler::Handler {
 public:
  std::vector<WayRecord> drive, walk;
  std::vector<Item> items;
  std::unordered_map<std::string, Street> streets;
  double minLat = 90, maxLat = -90, minLng = 180, maxLng = -180;

  void node(const osmium::Node& n) {
    if (!n.location().valid() || n.tags().empty()) return;
    addTagged(n.tags(), n.location());
  }

  void way(const osmium::Way& w) {
    const auto& tags = w.tags();
    std::vector<std::pair<osmium::object_id_type, osmium::Location>> nodes;
    nodes.reserve(w.nodes().size());
    for (const auto& ref : w.nodes())
      if (ref.location().valid()) nodes.emplace_back(ref.ref(), ref.location());
    if (nodes.empty()) return;
    for (const auto& [id, loc] : nodes) {
      minLat = std::min(minLat, loc.lat());
      maxLat = std::max(maxLat, loc.lat());
      minLng = std::min(minLng, loc.lon());
      maxLng = std::max(maxLng, loc.lon());
    }
    const char* name = tags["name"];
    std::string label = name ? name : tags["ref"] ? tags["ref"] : "";
    auto car = RoadRules::driving(tags);
    auto foot = RoadRules::walking(tags);
    if (nodes.size() >= 2) {
      if (car) drive.push_back({label, *car, nodes});
      if (foot) walk.push_back({label, *foot, nodes});
    }
    if ((car || foot) && name) {
      double length = 0;
      for (std::size_t i = 1; i < nodes.size(); ++i)
        length += metresBetween(nodes[i - 1].second.lat(), nodes[i - 1].second.lon(),
                                nodes[i].second.lat(), nodes[i].second.lon());
      Street& s = streets[name];
      if (length > s.length) s = {length, nodes[nodes.size() / 2].second};
      return;
    }
    // Buildings and areas with an address or a name stand at the mean of their nodes.
    double lat = 0, lng = 0;
    for (const auto& [id, loc] : nodes) lat += loc.lat(), lng += loc.lon();
    addTagged(tags, osmium::Location(lng / static_cast<double>(nodes.size()),
                                     lat / static_cast<double>(nodes.size())));
  }

 private:
  void addTagged(const osmium::TagList& tags, osmium::Location at) {
    const char* number = tags["addr:housenumber"];
    const char* street = tags["addr:street"];
    if (number && street)
      items.push_back({std::string(number) + " " + street, "address", at.lat(), at.lon(), 0});
    const char* name = tags["name"];
    if (!name) return;
    if (const char* place = tags["place"]) {
      const char* pop = tags["population"];
      items.push_back({name, place, at.lat(), at.lon(), pop ? std::atoll(pop) : 0});
      return;
    }
    for (const char* key : kPoiKeys)
      if (tags[key]) {
        items.push_back({name, "poi", at.lat(), at.lon(), 0});
        return;
      }
  }
};

// Union-find over a region's nodes, to leave out of snapping the small islands of road that
// reach nothing (a car park's lanes cut off at the edge of the extract).
class Islands {
 public:
  explicit Islands(std::size_t n) : _parent(n), _size(n, 1) {
    std::iota(_parent.begin(), _parent.end(), std::size_t{0});
  }
  std::size_t root(std::size_t i) {
    while (_parent[i] != i) i = _parent[i] = _parent[_parent[i]];
    return i;
  }
  void join(std::size_t a, std::size_t b) {
    a = root(a), b = root(b);
    if (a == b) return;
    if (_size[a] < _size[b]) std::swap(a, b);
    _parent[b] = a;
    _size[a] += _size[b];
  }
  std::size_t size(std::size_t i) { return _size[root(i)]; }

 private:
  std::vector<std::size_t> _parent, _size;
};

long writeNetwork(SqliteDatabase& db, TravelMode mode, const std::vector<WayRecord>& ways,
                  const std::string& region) {
  std::string p = LookupStore::prefix(mode);
  std::unordered_map<osmium::object_id_type, std::int64_t> ids;
  {
    auto existing = db.prepare("SELECT id, osm_id FROM " + p + "_nodes");
    while (existing.step()) ids.emplace(existing.integer(1), existing.integer(0));
  }
  std::int64_t next = std::stoll(db.scalar("SELECT coalesce(max(id), 0) FROM " + p + "_nodes")) + 1;
  struct NewNode {
    std::int64_t id;
    osmium::object_id_type osm;
    osmium::Location at;
  };
  std::vector<NewNode> added;
  std::unordered_map<std::int64_t, std::size_t> local;  // dense id -> index in this region
  std::vector<std::pair<std::int64_t, osmium::Location>> regionNodes;
  auto idOf = [&](osmium::object_id_type osm, osmium::Location at) {
    auto [it, fresh] = ids.emplace(osm, next);
    if (fresh) added.push_back({next++, osm, at});
    if (local.emplace(it->second, regionNodes.size()).second)
      regionNodes.emplace_back(it->second, at);
    return it->second;
  };

  auto link = db.prepare("INSERT INTO " + p +
                         "_links(node_from, node_to, cost, length, name, oneway_fromto,"
                         " oneway_tofrom, region, geometry) VALUES(?, ?, ?, ?, ?, ?, ?, ?,"
                         " MakeLine(MakePoint(?, ?, 4326), MakePoint(?, ?, 4326)))");
  std::vector<std::pair<std::int64_t, std::int64_t>> joins;
  long count = 0;
  for (const WayRecord& w : ways) {
    for (std::size_t i = 1; i < w.nodes.size(); ++i) {
      const auto& [aOsm, aAt] = w.nodes[i - 1];
      const auto& [bOsm, bAt] = w.nodes[i];
      if (aOsm == bOsm) continue;
      std::int64_t a = idOf(aOsm, aAt), b = idOf(bOsm, bAt);
      double length = metresBetween(aAt.lat(), aAt.lon(), bAt.lat(), bAt.lon());
      link.bind(1, a)
          .bind(2, b)
          .bind(3, std::max(length, 0.01) / w.use.metresPerSecond)
          .bind(4, length)
          .bind(5, w.name)
          .bind(6, w.use.forward ? 1 : 0)
          .bind(7, w.use.backward ? 1 : 0)
          .bind(8, region)
          .bind(9, aAt.lon())
          .bind(10, aAt.lat())
          .bind(11, bAt.lon())
          .bind(12, bAt.lat());
      link.run();
      joins.emplace_back(a, b);
      ++count;
    }
  }
  auto node = db.prepare("INSERT INTO " + p + "_nodes(id, osm_id, lat, lng) VALUES(?, ?, ?, ?)");
  for (const NewNode& n : added) {
    node.bind(1, n.id)
        .bind(2, static_cast<std::int64_t>(n.osm))
        .bind(3, n.at.lat())
        .bind(4, n.at.lon());
    node.run();
  }
  Islands islands(regionNodes.size());
  for (const auto& [a, b] : joins) islands.join(local[a], local[b]);
  std::size_t largest = 0;
  for (std::size_t i = 0; i < regionNodes.size(); ++i) largest = std::max(largest, islands.size(i));
  auto snap = db.prepare("INSERT OR REPLACE INTO " + p + "_snap VALUES(?, ?, ?, ?, ?)");
  for (std::size_t i = 0; i < regionNodes.size(); ++i) {
    std::size_t size = islands.size(i);
    if (size < 500 && size * 20 < largest) continue;
    const auto& [id, at] = regionNodes[i];
    snap.bind(1, id).bind(2, at.lat()).bind(3, at.lat()).bind(4, at.lon()).bind(5, at.lon());
    snap.run();
  }
  return count;
}

struct Town {
  std::string formatted;
  double lat, lng;
};

// The nearest gazetteer place gives an address its town, region and country.
std::string contextAt(const std::vector<Town>& towns, double lat, double lng) {
  const Town* best = nullptr;
  double bestDistance = 0;
  for (const Town& t : towns) {
    double d = metresBetween(lat, lng, t.lat, t.lng);
    if (!best || d < bestDistance) best = &t, bestDistance = d;
  }
  return best ? best->formatted : "";
}

long writePlaces(SqliteDatabase& db, const Collector& c, const std::string& region) {
  std::vector<Town> towns;
  {
    auto q = db.prepare(
        "SELECT formatted, lat, lng FROM places WHERE region IS NULL AND lat BETWEEN ? AND ?"
        " AND lng BETWEEN ? AND ?");
    q.bind(1, c.minLat - 0.3)
        .bind(2, c.maxLat + 0.3)
        .bind(3, c.minLng - 0.3)
        .bind(4, c.maxLng + 0.3);
    while (q.step()) towns.push_back({q.text(0), q.real(1), q.real(2)});
  }
  auto place = db.prepare(
      "INSERT INTO places(name, folded, names, formatted, lat, lng, population, kind, region)"
      " VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)");
  auto index = db.prepare("INSERT INTO places_fts(rowid, names) VALUES(last_insert_rowid(), ?)");
  long count = 0;
  auto add = [&](const std::string& name, const std::string& kind, double lat, double lng,
                 long long population) {
    std::string context = contextAt(towns, lat, lng);
    std::string folded = TextFolding::fold(name);
    place.bind(1, name)
        .bind(2, folded)
        .bind(3, folded)
        .bind(4, context.empty() ? name
                 : context.rfind(name + ", ", 0) == 0 ? context
                                                      : name + ", " + context)
        .bind(5, lat)
        .bind(6, lng)
        .bind(7, static_cast<std::int64_t>(population))
        .bind(8, kind)
        .bind(9, region);
    place.run();
    index.bind(1, folded);
    index.run();
    ++count;
  };
  for (const auto& [name, street] : c.streets)
    add(name, "street", street.middle.lat(), street.middle.lon(), 0);
  for (const Item& i : c.items) add(i.name, i.kind, i.lat, i.lng, i.population);
  return count;
}

}  // namespace

std::string OsmImport::regionName(const std::string& file) {
  std::string name = fs::path(file).filename().string();
  for (const char* suffix : {".osm.pbf", ".pbf", ".osm.bz2", ".osm"})
    if (name.size() > std::strlen(suffix) &&
        name.compare(name.size() - std::strlen(suffix), std::string::npos, suffix) == 0)
      return name.substr(0, name.size() - std::strlen(suffix));
  return name;
}

ImportSummary OsmImport::run(SqliteDatabase& db, const std::string& file, const std::string& region,
                             const ImportProgress& progress) {
  std::error_code ec;
  double total = static_cast<double>(fs::file_size(file, ec));
  if (ec) throw std::runtime_error("cannot read " + file + ": " + ec.message());
  remove(db, region);

  Collector collector;
  try {
    osmium::io::Reader reader{file, osmium::osm_entity_bits::node | osmium::osm_entity_bits::way};
    using Index = osmium::index::map::FlexMem<osmium::unsigned_object_id_type, osmium::Location>;
    Index index;
    osmium::handler::NodeLocationsForWays<Index> locations{index};
    locations.ignore_errors();
    while (osmium::memory::Buffer buffer = reader.read()) {
      osmium::apply(buffer, locations, collector);
      report(progress, "reading",
             0.7 * static_cast<double>(reader.offset()) / std::max(total, 1.0));
    }
    reader.close();
  } catch (const ImportCancelled&) {
    throw;
  } catch (const std::exception& e) {
    throw std::runtime_error(file + " is not a readable OpenStreetMap file: " + e.what());
  }

  ImportSummary summary;
  summary.region = region;
  summary.driveLinks = writeNetwork(db, TravelMode::Driving, collector.drive, region);
  report(progress, "roads", 0.8);
  summary.walkLinks = writeNetwork(db, TravelMode::Walking, collector.walk, region);
  report(progress, "paths", 0.85);
  summary.places = writePlaces(db, collector, region);
  report(progress, "addresses", 0.9);
  if (summary.driveLinks + summary.walkLinks + summary.places == 0)
    throw std::runtime_error(file + " holds no roads, paths or addresses");

  auto row = db.prepare("INSERT INTO regions VALUES(?, ?, datetime('now'), ?, ?, ?)");
  row.bind(1, region)
      .bind(2, fs::absolute(file, ec).string())
      .bind(3, static_cast<std::int64_t>(summary.driveLinks))
      .bind(4, static_cast<std::int64_t>(summary.walkLinks))
      .bind(5, static_cast<std::int64_t>(summary.places));
  row.run();
  LookupStore::rebuildRouting(db);
  report(progress, "routing", 1.0);
  return summary;
}

bool OsmImport::remove(SqliteDatabase& db, const std::string& region) {
  auto known = db.prepare("SELECT 1 FROM regions WHERE name = ?");
  known.bind(1, region);
  if (!known.step()) return false;
  known.reset();
  auto unindex = db.prepare(
      "INSERT INTO places_fts(places_fts, rowid, names) SELECT 'delete', id, names FROM places"
      " WHERE region = ?");
  unindex.bind(1, region);
  unindex.run();
  for (const char* sql :
       {"DELETE FROM places WHERE region = ?", "DELETE FROM regions WHERE name = ?",
        "DELETE FROM drive_links WHERE region = ?", "DELETE FROM walk_links WHERE region = ?"}) {
    auto s = db.prepare(sql);
    s.bind(1, region);
    s.run();
  }
  for (TravelMode mode : {TravelMode::Driving, TravelMode::Walking}) {
    std::string p = LookupStore::prefix(mode);
    std::string unused = "(SELECT id FROM " + p + "_nodes WHERE id NOT IN (SELECT node_from FROM " +
                         p + "_links UNION SELECT node_to FROM " + p + "_links))";
    db.exec("DELETE FROM " + p + "_snap WHERE id IN " + unused + "; DELETE FROM " + p +
            "_nodes WHERE id IN " + unused + ";");
  }
  return true;
}

}  // namespace tessaly::service
