// Times a 10000-entry route file: loading it through the file browser into the map screen
// (read, parse, clear, add every entry with its marker and line, fit the map) up to the
// snapshot the web host would send, and saving it again.
//   cmake --preset bench && cmake --build build-bench --target files_bench
//   build-bench/bench/files_bench [entries] [rounds]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/Application.h"
#include "files/LoadFileViewController.h"
#include "files/RouteFileStore.h"
#include "files/RouteFileWriter.h"
#include "mapscreen/MapViewController.h"
#include "platform/foundation/FileSystem.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/UIDevice.h"

namespace {

using Clock = std::chrono::steady_clock;
double ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tessaly;
  int entries = argc > 1 ? std::atoi(argv[1]) : 10000;
  int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  std::string dir = (std::filesystem::temp_directory_path() / "tessaly-files-bench").string();
  std::filesystem::create_directories(dir);
  platform::setDocumentsDirectory(dir);
  platform::LogCapture quiet;

  RouteFileWriter::Path path;
  for (int i = 0; i < entries; ++i) {
    path.push_back(std::make_shared<CoordData>(i == 0 ? 0 : (i % 5 ? 2 : 1), 43.72 + i * 1e-6,
                                               7.41 + i * 2e-6));
  }
  RouteFileStore::save(std::string("bench"), RouteFileWriter::kModeXML, path);

  platform::RunLoop::main().useTestClock();
  platform::UIDevice::currentDevice().reset(platform::UIUserInterfaceIdiomPhone);
  Application::launch();
  platform::RunLoop::main().runUntilIdle();
  MapViewController& screen = *Application::mapScreen();

  double bestLoad = 1e9, bestSave = 1e9, bestWrite = 1e9;
  for (int r = 0; r < rounds; ++r) {
    auto browser = std::make_shared<LoadFileViewController>();
    browser->setDelegate(&screen);
    auto start = Clock::now();
    browser->parseFile(dir + "/bench.xml");
    platform::RunLoop::main().runUntilIdle();
    bestLoad = std::min(bestLoad, ms(Clock::now() - start));
    if (screen.pathArray().size() != static_cast<std::size_t>(entries)) {
      std::fprintf(stderr, "loaded %zu entries, expected %d\n", screen.pathArray().size(), entries);
      return 1;
    }
    start = Clock::now();
    auto saved =
        RouteFileStore::save(std::string("again"), RouteFileWriter::kModeXML, screen.pathArray());
    bestSave = std::min(bestSave, ms(Clock::now() - start));
    if (!saved.saved) return 1;
    start = Clock::now();
    std::string text = RouteFileWriter::xmlDocument(screen.pathArray());
    bestWrite = std::min(bestWrite, ms(Clock::now() - start));
  }
  bool same = platform::readFile(dir + "/bench.xml") == platform::readFile(dir + "/again.xml");
  std::printf(
      "entries %d: load to the screen %.1f ms, save %.1f ms of which the document %.1f ms (the "
      "rest is the file and its flush to disk); best of %d; same bytes: %s\n",
      entries, bestLoad, bestSave, bestWrite, rounds, same ? "yes" : "no");
  Application::shutdown();
  std::filesystem::remove_all(dir);
  return same ? 0 : 1;
}
