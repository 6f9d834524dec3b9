// Adds a 10000-entry path one entry at a time through the path editor, with the status update
// and the full line redraw each addition does, and reports the time and the peak memory.
//   cmake --preset bench && cmake --build build-bench --target measure_bench
//   build-bench/bench/measure_bench [entries] [rounds]
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "appdata/AppData.h"
#include "measure/PathEditor.h"
#include "platform/foundation/NumberFormatter.h"
#include "platform/map/MKMapView.h"

namespace {

long peakRssKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// A walk across a city: small steps with a slowly turning direction.
std::vector<tessaly::platform::CLLocationCoordinate2D> walk(int count) {
  std::vector<tessaly::platform::CLLocationCoordinate2D> points;
  double lat = 48.85, lng = 2.35, direction = 0;
  for (int i = 0; i < count; ++i) {
    points.push_back({lat, lng});
    direction += std::sin(i * 0.01) * 0.3;
    lat += 0.0002 * std::cos(direction);
    lng += 0.0003 * std::sin(direction);
  }
  return points;
}

double run(const std::vector<tessaly::platform::CLLocationCoordinate2D>& points, bool route) {
  tessaly::platform::MKMapView map(tessaly::platform::CGRectMake(0, 0, 1024, 768));
  tessaly::PathEditor editor(&map);
  std::string status;
  editor.setStatusSink([&](const std::string& text) { status = text; });
  editor.setIsTablet([] { return true; });
  auto start = std::chrono::steady_clock::now();
  for (std::size_t i = 0; i < points.size(); ++i) {
    int type = i == 0                           ? tessaly::kCoordStart
               : route && i + 1 < points.size() ? tessaly::kCoordRoute
                                                : tessaly::kCoordMarker;
    editor.addMapPoint(std::make_shared<tessaly::CoordData>(type, points[i]));
  }
  auto end = std::chrono::steady_clock::now();
  if (map.overlays().size() != 1 || editor.pathArray().size() != points.size()) {
    std::fprintf(stderr, "unexpected result\n");
    std::exit(1);
  }
  return std::chrono::duration<double, std::milli>(end - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  int entries = argc > 1 ? std::atoi(argv[1]) : 10000;
  int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  tessaly::platform::setCurrentLocaleName("en_US");
  tessaly::AppData::sharedInstance().setUnit(0);
  auto points = walk(entries);
  long before = peakRssKiB();
  for (bool route : {false, true}) {
    double best = 1e300, total = 0;
    for (int r = 0; r < rounds; ++r) {
      double ms = run(points, route);
      best = std::min(best, ms);
      total += ms;
    }
    std::printf("%-28s %6d entries: best %8.1f ms, mean %8.1f ms over %d rounds\n",
                route ? "route points (one marker):" : "markers (one per entry):", entries, best,
                total / rounds, rounds);
  }
  std::printf("peak RSS: %ld KiB (%ld KiB before the runs)\n", peakRssKiB(), before);
  return 0;
}
