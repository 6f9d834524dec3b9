// The lookup service on real data: building the world place index, importing Monaco, geocoding
// over both (p50/p95), and 8-waypoint optimised car routes across Monaco (p50/p95).
// Usage: service_bench [MONACO.osm.pbf] [node_modules]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "service/Gazetteer.h"
#include "service/LookupService.h"
#include "service/OsmImport.h"
#include "service/StoreUpdate.h"

using namespace tessaly::service;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void percentiles(const char* what, std::vector<double> ms, double goal) {
  std::sort(ms.begin(), ms.end());
  double p50 = ms[ms.size() / 2], p95 = ms[std::min(ms.size() - 1, ms.size() * 95 / 100)];
  std::printf("%-34s n=%zu p50 %.2f ms  p95 %.2f ms  (goal p95 < %.0f ms: %s)\n", what, ms.size(),
              p50, p95, goal, p95 < goal ? "met" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
  std::string monaco = argc > 1 ? argv[1] : TESSALY_SOURCE_DIR "/../shared/data/osm/monaco.osm.pbf";
  std::string modules = argc > 2 ? argv[2] : TESSALY_SOURCE_DIR "/node_modules";
  fs::path dir = fs::temp_directory_path() / ("tessaly-service-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  std::string database = (dir / "lookup.sqlite").string();

  auto start = Clock::now();
  {
    StoreUpdate update(database);
    long places = Gazetteer::load(update.db(), Gazetteer::placesFile(modules),
                                  Gazetteer::regionsFile(modules));
    update.commit();
    std::printf("world place index: %ld places in %.1f s\n", places, since(start) / 1000);
  }
  start = Clock::now();
  {
    StoreUpdate update(database);
    ImportSummary s = OsmImport::run(update.db(), monaco, "monaco");
    update.commit();
    double seconds = since(start) / 1000;
    std::printf(
        "import of Monaco: %ld road links, %ld path links, %ld places in %.2f s"
        " (goal < 15 s: %s)\n",
        s.driveLinks, s.walkLinks, s.places, seconds, seconds < 15 ? "met" : "MISSED");
  }

  LookupService service(LookupOptions{database, "", ""});
  const char* queries[] = {
      "sao paulo", "M%C3%9CNCHEN", "Monte-Ca",        "boulevard des moulins", "paris",
      "new york",  "tokyo",        "rue grimaldi",    "avenue de la costa",    "lon",
      "san",       "ber",          "place du casino", "stade louis",           "nice"};
  std::vector<double> geocode;
  for (int round = 0; round < 20; ++round)
    for (const char* q : queries) {
      std::string query = std::string("address=") + q + "&sensor=false";
      for (char& c : query)
        if (c == ' ') c = '+';
      auto t = Clock::now();
      auto reply = service.answer("/maps/api/geocode/json", query);
      geocode.push_back(since(t));
      if (round == 0 && reply.body.find("\"status\":\"OK\"") == std::string::npos)
        std::printf("  (no result for %s)\n", q);
    }
  percentiles("geocode (world + Monaco)", geocode, 20);

  std::mt19937 random(7);
  std::uniform_real_distribution<double> lat(43.7270, 43.7490), lng(7.4120, 7.4390);
  std::vector<double> routes;
  int failed = 0;
  for (int round = 0; round < 30; ++round) {
    char buffer[64];
    std::string query = "origin=43.7275,7.4150&destination=43.7480,7.4370&waypoints=optimize:true";
    for (int w = 0; w < 8; ++w) {
      std::snprintf(buffer, sizeof buffer, "%%7C%.5f,%.5f", lat(random), lng(random));
      query += buffer;
    }
    query += "&mode=driving&sensor=false";
    auto t = Clock::now();
    auto reply = service.answer("/maps/api/directions/json", query);
    routes.push_back(since(t));
    if (reply.body.find("\"status\":\"OK\"") == std::string::npos && ++failed == 1)
      std::printf("  first failure: %s\n    %s\n", query.c_str(),
                  reply.body.substr(0, 200).c_str());
  }
  percentiles("8 waypoints optimised, by car", routes, 100);
  if (failed) std::printf("  (%d of the routes found no way)\n", failed);
  std::error_code ec;
  fs::remove_all(dir, ec);
  return 0;
}
