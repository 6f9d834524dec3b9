// The service on a real OpenStreetMap extract of Monaco and real GeoNames places, imported once
// for the whole program.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>

#include <nlohmann/json.hpp>

#include "service/Gazetteer.h"
#include "service/GeoDistance.h"
#include "service/LookupService.h"
#include "service/LookupStore.h"
#include "service/OsmImport.h"
#include "service/PolylineEncoder.h"
#include "service/StoreUpdate.h"

using namespace tessaly::service;
using nlohmann::json;
namespace fs = std::filesystem;

namespace {

std::vector<LatLng> decode(const std::string& text) {
  std::vector<LatLng> out;
  std::size_t i = 0;
  long lat = 0, lng = 0;
  auto value = [&](long& into) {
    long result = 0;
    int shift = 0, b;
    do {
      b = text[i++] - 63;
      result |= static_cast<long>(b & 0x1f) << shift;
      shift += 5;
    } while (b >= 0x20 && i < text.size());
    into += (result & 1) ? ~(result >> 1) : (result >> 1);
  };
  while (i < text.size()) {
    value(lat);
    value(lng);
    out.push_back({lat * 1e-5, lng * 1e-5});
  }
  return out;
}

class Monaco : public ::testing::Test {
 public:
  static inline fs::path dir;
  static inline std::string database;
  static inline ImportSummary summary;
  static inline std::unique_ptr<LookupService> service;

  static void SetUpTestSuite() {
    dir = fs::temp_directory_path() / ("tessaly-service-" + std::to_string(getpid()));
    fs::create_directories(dir);
    database = (dir / "lookup.sqlite").string();
    // The real place list, cut to a few countries to keep the test quick.
    std::string places = Gazetteer::placesFile(TESSALY_MODULES);
    ASSERT_FALSE(places.empty()) << "run scripts/setup: the GeoNames packages are missing";
    ASSERT_TRUE(fs::exists(TESSALY_MONACO)) << TESSALY_MONACO << " is missing";
    std::ifstream in(places);
    std::ofstream cut(dir / "cities.txt");
    std::string line;
    while (std::getline(in, line)) {
      std::size_t tab = 0;
      for (int f = 0; f < 8 && tab != std::string::npos; ++f) tab = line.find('\t', tab + 1);
      std::string cc = tab == std::string::npos ? "" : line.substr(tab + 1, 2);
      if (cc == "BR" || cc == "DE" || cc == "MC" || cc == "CH") cut << line << "\n";
    }
    cut.close();
    StoreUpdate update(database);
    Gazetteer::load(update.db(), (dir / "cities.txt").string(),
                    Gazetteer::regionsFile(TESSALY_MODULES));
    summary = OsmImport::run(update.db(), TESSALY_MONACO, "monaco");
    update.commit();
    service = std::make_unique<LookupService>(LookupOptions{database, "", ""});
  }
  void SetUp() override {
    ASSERT_TRUE(service) << "the Monaco extract or the place names could not be imported";
  }
  static void TearDownTestSuite() {
    service.reset();
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  static json ask(const std::string& path, const std::string& query) {
    return json::parse(service->answer(path, query).body);
  }
  static json geocode(const std::string& escaped) {
    return ask("/maps/api/geocode/json", "address=" + escaped + "&sensor=false");
  }
  static json directions(const std::string& query) {
    return ask("/maps/api/directions/json", query + "&sensor=false");
  }
  static double total(const json& answer) {
    double metres = 0;
    for (const auto& leg : answer["routes"][0]["legs"])
      metres += leg["distance"]["value"].get<double>();
    return metres;
  }
  static std::vector<LatLng> line(const json& answer) {
    std::vector<LatLng> out;
    for (const auto& leg : answer["routes"][0]["legs"])
      for (const auto& step : leg["steps"]) {
        auto points = decode(step["polyline"]["points"].get<std::string>());
        out.insert(out.end(), points.begin(), points.end());
      }
    return out;
  }
  // Node positions of a mode's network, rounded as the polylines round them.
  static std::set<std::pair<long, long>> nodes(const char* table) {
    SqliteDatabase db(database, SqliteDatabase::Mode::ReadOnly);
    std::set<std::pair<long, long>> out;
    auto q = db.prepare(std::string("SELECT lat, lng FROM ") + table);
    while (q.step()) out.emplace(std::lround(q.real(0) * 1e5), std::lround(q.real(1) * 1e5));
    return out;
  }
  static bool on(const std::set<std::pair<long, long>>& set, LatLng p) {
    return set.count({std::lround(p.lat * 1e5), std::lround(p.lng * 1e5)}) > 0;
  }
};

// Fontvieille in the south-west and Larvotto in the north-east.
const char* const kAcross = "origin=43.7275,7.4150&destination=43.7480,7.4370";

}  // namespace

TEST_F(Monaco, NetworksHaveAPlausibleSize) {
  // Monaco has some 2 km^2 of streets, tunnels, stairs and lifts: thousands of road links,
  // more paths than roads, and hundreds of named streets and addresses.
  EXPECT_GT(summary.driveLinks, 3000);
  EXPECT_LT(summary.driveLinks, 60000);
  EXPECT_GT(summary.walkLinks, summary.driveLinks);
  EXPECT_GT(summary.places, 300);
}

TEST_F(Monaco, CarRouteFollowsRoadsAndIsPlausiblyLong) {
  json answer = directions(std::string(kAcross) + "&mode=driving");
  ASSERT_EQ(answer["status"], "OK");
  auto points = line(answer);
  ASSERT_GT(points.size(), 20u);
  auto roads = nodes("drive_nodes");
  for (const LatLng& p : points) ASSERT_TRUE(on(roads, p)) << p.lat << "," << p.lng;
  const auto& leg = answer["routes"][0]["legs"][0];
  double straight = metresBetween(leg["start_location"]["lat"], leg["start_location"]["lng"],
                                  leg["end_location"]["lat"], leg["end_location"]["lng"]);
  double road = total(answer);
  EXPECT_GT(road, straight);
  EXPECT_LT(road, 3 * straight);
  // One step per stretch of one road name.
  const auto& steps = leg["steps"];
  for (std::size_t s = 2; s < steps.size(); ++s)
    EXPECT_NE(steps[s]["html_instructions"], steps[s - 1]["html_instructions"]);
}

TEST_F(Monaco, CarsKeepToOneWayStreetsWalkersNeedNot) {
  // A one-way link of a named street, driven against its direction.
  SqliteDatabase db(database, SqliteDatabase::Mode::ReadOnly);
  auto q = db.prepare(
      "SELECT a.lat, a.lng, b.lat, b.lng FROM drive_links l JOIN drive_nodes a ON a.id = "
      "l.node_from"
      " JOIN drive_nodes b ON b.id = l.node_to JOIN drive_snap s ON s.id = a.id"
      " WHERE l.oneway_tofrom = 0 AND l.length > 40 AND l.name <> '' LIMIT 1");
  ASSERT_TRUE(q.step());
  LatLng from{q.real(0), q.real(1)}, to{q.real(2), q.real(3)};
  char query[160];
  std::snprintf(query, sizeof query, "origin=%.7f,%.7f&destination=%.7f,%.7f", to.lat, to.lng,
                from.lat, from.lng);
  json car = directions(std::string(query) + "&mode=driving");
  ASSERT_EQ(car["status"], "OK");
  double link = metresBetween(from.lat, from.lng, to.lat, to.lng);
  EXPECT_GT(total(car), link * 1.5);  // around the block, not back along the link
  json walk = directions(std::string(query) + "&mode=walking");
  ASSERT_EQ(walk["status"], "OK");
  EXPECT_LT(total(walk), total(car));
}

TEST_F(Monaco, WalkingUsesFootwaysTheCarMayNot) {
  json walk = directions(std::string(kAcross) + "&mode=walking");
  ASSERT_EQ(walk["status"], "OK");
  auto roads = nodes("drive_nodes");
  auto paths = nodes("walk_nodes");
  std::size_t offRoad = 0;
  for (const LatLng& p : line(walk)) {
    ASSERT_TRUE(on(paths, p));
    offRoad += on(roads, p) ? 0 : 1;
  }
  EXPECT_GT(offRoad, 0u);
}

TEST_F(Monaco, OptimisedWaypointsAreNoLongerThanTheGivenOrder) {
  std::string stops =
      "%7C43.7496,7.4386%7C43.7310,7.4200%7C43.7440,7.4300%7C43.7290,7.4230%7C43.7370,7.4240"
      "%7C43.7330,7.4190%7C43.7410,7.4260%7C43.7350,7.4160";
  json given = directions(std::string(kAcross) + "&waypoints=" + stops.substr(3) + "&mode=driving");
  json best =
      directions(std::string(kAcross) + "&waypoints=optimize:true" + stops + "&mode=driving");
  ASSERT_EQ(given["status"], "OK");
  ASSERT_EQ(best["status"], "OK");
  EXPECT_EQ(best["routes"][0]["legs"].size(), 9u);
  EXPECT_LE(total(best), total(given));
  auto order = best["routes"][0]["waypoint_order"].get<std::vector<int>>();
  std::sort(order.begin(), order.end());
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST_F(Monaco, PointsFarFromAnyRoadGetAClearStatus) {
  json answer = directions("origin=48.85,2.35&destination=43.7480,7.4370&mode=driving");
  EXPECT_EQ(answer["status"],
            "No road data covers these points. Import an OpenStreetMap extract with: tessaly "
            "import FILE.osm.pbf");
  EXPECT_TRUE(answer["routes"].empty());
}

TEST_F(Monaco, StreetsAndHouseNumbersAreFound) {
  json street = geocode("boulevard%20des%20moulins");
  ASSERT_EQ(street["status"], "OK");
  EXPECT_EQ(street["results"][0]["formatted_address"].get<std::string>().rfind(
                "Boulevard des Moulins, ", 0),
            0u);
  EXPECT_NEAR(street["results"][0]["geometry"]["location"]["lat"].get<double>(), 43.74, 0.02);

  SqliteDatabase db(database, SqliteDatabase::Mode::ReadOnly);
  std::string house =
      db.scalar("SELECT name FROM places WHERE kind = 'address' ORDER BY id LIMIT 1");
  ASSERT_FALSE(house.empty());
  std::string escaped;
  for (char c : house) escaped += c == ' ' ? std::string("%20") : std::string(1, c);
  json found = geocode(escaped);
  ASSERT_EQ(found["status"], "OK");
  EXPECT_EQ(found["results"][0]["formatted_address"].get<std::string>().rfind(house, 0), 0u);
}

TEST_F(Monaco, CitiesAreFoundWithoutAccentsOrCaseAndByPrefix) {
  json sao = geocode("sao%20paulo");
  ASSERT_EQ(sao["status"], "OK");
  EXPECT_EQ(sao["results"][0]["formatted_address"], "São Paulo, Brazil");
  json munich = geocode("M%C3%9CNCHEN");
  ASSERT_EQ(munich["status"], "OK");
  EXPECT_EQ(munich["results"][0]["formatted_address"], "Munich, Bavaria, Germany");
  json prefix = geocode("Monte-Ca");
  ASSERT_EQ(prefix["status"], "OK");
  EXPECT_EQ(prefix["results"][0]["formatted_address"].get<std::string>().rfind("Monte-Carlo", 0),
            0u);
  json none = geocode("qqxxzz");
  EXPECT_EQ(none["results"].size(), 0u);
  EXPECT_NE(none["status"].get<std::string>().find("No place or address matches \"qqxxzz\""),
            std::string::npos);
}

TEST_F(Monaco, InterruptedOrFailedImportLeavesTheOldDatabaseWorking) {
  auto before = fs::last_write_time(database);
  {
    StoreUpdate update(database);
    int calls = 0;
    EXPECT_THROW(OsmImport::run(update.db(), TESSALY_MONACO, "again",
                                [&](std::string_view, double) { return ++calls < 3; }),
                 ImportCancelled);
  }
  fs::path broken = dir / "broken.osm.pbf";
  std::ofstream(broken) << "this is not map data";
  {
    StoreUpdate update(database);
    EXPECT_THROW(OsmImport::run(update.db(), broken.string(), "broken"), std::runtime_error);
  }
  EXPECT_EQ(fs::last_write_time(database), before);
  for (const auto& entry : fs::directory_iterator(dir))
    EXPECT_EQ(entry.path().filename().string().find(".new-"), std::string::npos);
  EXPECT_EQ(directions(std::string(kAcross))["status"], "OK");
  SqliteDatabase db(database, SqliteDatabase::Mode::ReadOnly);
  EXPECT_EQ(db.scalar("SELECT group_concat(name) FROM regions"), "monaco");
}

TEST_F(Monaco, RemovingARegionIsSeenByARunningService) {
  std::string copy = (dir / "copy.sqlite").string();
  fs::copy_file(database, copy);
  LookupService other(LookupOptions{copy, "", ""});
  auto route = [&] {
    return json::parse(other.answer("/maps/api/directions/json", kAcross).body)["status"];
  };
  EXPECT_EQ(route(), "OK");
  {
    StoreUpdate update(copy);
    EXPECT_FALSE(OsmImport::remove(update.db(), "nowhere"));
    EXPECT_TRUE(OsmImport::remove(update.db(), "monaco"));
    LookupStore::rebuildRouting(update.db());
    update.commit();
  }
  EXPECT_NE(route().get<std::string>().find("No road data covers these points."),
            std::string::npos);
  json street =
      json::parse(other.answer("/maps/api/geocode/json", "address=boulevard+des+moulins").body);
  EXPECT_TRUE(street["results"].empty());
  json city = json::parse(other.answer("/maps/api/geocode/json", "address=monaco").body);
  EXPECT_EQ(city["status"], "OK");  // the gazetteer stays
}

TEST_F(Monaco, OtherPathsAreRefused) {
  EXPECT_EQ(service->answer("/maps/api/other/json", "").status, 404);
}
