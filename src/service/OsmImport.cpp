#include "service/OsmImport.h"

#include <osmium/handler.hpp>
#include <osmium/handler/node_locations_for_ways.hpp>
#include <osmium/index/map/flex_mem.hpp>
#include <osmium/io/any_input.hpp>
#include <osmium/visitor.hpp>

#include <algorithm>
#include <ctime>
#include <filesystem>
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

// The strongly connected parts of a region's network (Tarjan's algorithm, without recursion),
// to leave out of snapping the islands of road from which a car cannot get out or into which it
// cannot get (a car park's one-way lanes cut off at the edge of the extract).
std::vector<std::size_t> partSizes(std::size_t n,
                                   const std::vector<std::pair<std::size_t, std::size_t>>& arcs) {
  std::vector<std::size_t> first(n + 1, 0), next(arcs.size());
  for (const auto& [a, b] : arcs) ++first[a + 1];
  for (std::size_t i = 0; i < n; ++i) first[i + 1] += first[i];
  std::vector<std::size_t> fill(first.begin(), first.end() - 1);
  for (const auto& [a, b] : arcs) next[fill[a]++] = b;
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::vector<std::size_t> index(n, kNone), low(n, 0), part(n, kNone), stack, sizes(n, 0);
  std::vector<bool> onStack(n, false);
  std::vector<std::pair<std::size_t, std::size_t>> calls;  // node, next arc to look at
  std::size_t counter = 0, parts = 0;
  for (std::size_t root = 0; root < n; ++root) {
    if (index[root] != kNone) continue;
    calls.emplace_back(root, first[root]);
    index[root] = low[root] = counter++;
    stack.push_back(root);
    onStack[root] = true;
    while (!calls.empty()) {
      auto& [v, arc] = calls.back();
      if (arc < first[v + 1]) {
        std::size_t w = next[arc++];
        if (index[w] == kNone) {
          index[w] = low[w] = counter++;
          stack.push_back(w);
          onStack[w] = true;
          calls.emplace_back(w, first[w]);
        } else if (onStack[w]) {
          low[v] = std::min(low[v], index[w]);
        }
        continue;
      }
      std::size_t done = v;
      calls.pop_back();
      if (!calls.empty()) low[calls.back().first] = std::min(low[calls.back().first], low[done]);
      if (low[done] == index[done]) {
        std::size_t w;
        do {
          w = stack.back();
          stack.pop_back();
          onStack[w] = false;
          part[w] = parts;
          ++sizes[parts];
        } while (w != done);
        ++parts;
      }
    }
  }
  std::vector<std::size_t> out(n);
  for (std::size_t i = 0; i < n; ++i) out[i] = sizes[part[i]];
  return out;
}

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
  std::vector<std::pair<std::int64_t, std::int64_t>> arcs;
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
      if (w.use.forward) arcs.emplace_back(a, b);
      if (w.use.backward) arcs.emplace_back(b, a);
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
  std::vector<std::pair<std::size_t, std::size_t>> localArcs;
  localArcs.reserve(arcs.size());
  for (const auto& [a, b] : arcs) localArcs.emplace_back(local[a], local[b]);
  std::vector<std::size_t> sizes = partSizes(regionNodes.size(), localArcs);
  std::size_t largest = 0;
  for (std::size_t size : sizes) largest = std::max(largest, size);
  auto snap = db.prepare("INSERT OR REPLACE INTO " + p + "_snap VALUES(?, ?, ?, ?, ?)");
  for (std::size_t i = 0; i < regionNodes.size(); ++i) {
    std::size_t size = sizes[i];
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
        .bind(4, context.empty()                      ? name
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
