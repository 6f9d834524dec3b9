// Times the state the web host sends after every input with a 10000-entry path on the map
// screen: DeviceBridge::snapshot(), the whole state as JSON text. Goal: well under 25 ms.
//   cmake --preset bench && cmake --build build-bench --target snapshot_bench
//   build-bench/bench/snapshot_bench [entries] [rounds] [file to write the state to]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/Application.h"
#include "files/LoadFileViewController.h"
#include "files/RouteFileStore.h"
#include "files/RouteFileWriter.h"
#include "mapscreen/MapViewController.h"
#include "platform/foundation/FileSystem.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/UIDevice.h"
#include "web/DeviceBridge.h"

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

int main(int argc, char** argv) {
  using namespace tessaly;
  int entries = argc > 1 ? std::atoi(argv[1]) : 10000;
  int rounds = argc > 2 ? std::atoi(argv[2]) : 20;
  std::string dir = (std::filesystem::temp_directory_path() / "tessaly-snapshot-bench").string();
  std::filesystem::create_directories(dir);
  platform::setDocumentsDirectory(dir);
  platform::LogCapture quiet;

  RouteFileWriter::Path path;
  for (int i = 0; i < entries; ++i) {
    // Every entry a measured point with its pin, as a path measured by hand is.
    path.push_back(std::make_shared<CoordData>(i == 0 ? kCoordStart : kCoordMarker,
                                               43.72 + i * 1e-6, 7.41 + i * 2e-6));
  }
  RouteFileStore::save(std::string("bench"), RouteFileWriter::kModeXML, path);

  platform::RunLoop::main().useTestClock();
  platform::UIDevice::currentDevice().reset(platform::UIUserInterfaceIdiomPhone);
  web::DeviceBridge bridge(web::DeviceBridge::DeviceMode::Phone, [] {});
  Application::launch();
  platform::RunLoop::main().runUntilIdle();
  MapViewController& screen = *Application::mapScreen();
  auto browser = std::make_shared<LoadFileViewController>();
  browser->setDelegate(&screen);
  browser->parseFile(dir + "/bench.xml");
  platform::RunLoop::main().runUntilIdle();
  if (screen.pathArray().size() != static_cast<std::size_t>(entries)) {
    std::fprintf(stderr, "loaded %zu entries, expected %d\n", screen.pathArray().size(), entries);
    return 1;
  }

  std::vector<double> times;
  std::size_t bytes = 0;
  std::string first = bridge.snapshot();
  bool same = true;
  for (int r = 0; r < rounds; ++r) {
    auto start = Clock::now();
    std::string state = bridge.snapshot();
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    bytes = state.size();
    same = same && state == first;
  }
  std::sort(times.begin(), times.end());
  auto at = [&](double q) {
    return times[std::min(times.size() - 1, static_cast<std::size_t>(q * times.size()))];
  };
  std::printf(
      "entries %d: snapshot of %zu bytes, p50 %.1f ms, p95 %.1f ms, best %.1f ms (%d rounds); "
      "every round the same text: %s\n",
      entries, bytes, at(0.5), at(0.95), times.front(), rounds, same ? "yes" : "no");
  if (argc > 3) platform::writeFileAtomically(argv[3], first);
  Application::shutdown();
  std::filesystem::remove_all(dir);
  return same ? 0 : 1;
}
