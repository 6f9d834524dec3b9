// Records the map screen with a 1000-entry path for 10 seconds of wall time, as the host's
// recorder does, and reports the frames written per second (the timer allows 40) and the CPU
// time per frame spent drawing the screen and the rest (encoding, on the encoder's threads too).
//   cmake --preset bench && cmake --build build-bench --target recorder_bench
//   build-bench/bench/recorder_bench [seconds] [entries]
// The map draws its land (the outline beside the sources' resources) as the program does.
#include <time.h>

#include <cmath>
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
#include "recorder/ScreenRecorder.h"

namespace {

double cpuSeconds(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The recorder, with the time its pictures take on the main thread counted.
class TimedRecorder : public tessaly::ScreenRecorder {
 public:
  tessaly::platform::ScreenPicture screenshot() const override {
    double start = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    auto picture = ScreenRecorder::screenshot();
    drawing += cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - start;
    ++pictures;
    return picture;
  }
  mutable double drawing = 0;
  mutable long pictures = 0;
};

}  // namespace

int main(int argc, char** argv) {
  using namespace tessaly;
  // Without the sources' resources the map would be sea only, cheaper than what a person sees.
  setenv("TESSALY_SOURCE_DIR", TESSALY_SOURCE_DIR, 0);
  double seconds = argc > 1 ? std::atof(argv[1]) : 10;
  int entries = argc > 2 ? std::atoi(argv[2]) : 1000;
  // The album is the documents' sibling: both inside one folder of the bench's own.
  auto root = std::filesystem::temp_directory_path() / "tessaly-recorder-bench";
  std::string dir = (root / "Documents").string();
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(dir);
  platform::setDocumentsDirectory(dir);
  platform::LogCapture quiet;

  // A zig-zag route across the map screen, a marker every 50 entries.
  RouteFileWriter::Path path;
  for (int i = 0; i < entries; ++i) {
    double lat = 43.60 + 0.25 * i / entries,
           lon = 7.30 + (i % 40 < 20 ? i % 20 : 20 - i % 20) * 0.01;
    path.push_back(std::make_shared<CoordData>(i == 0 ? 0 : (i % 50 ? 2 : 1), lat, lon));
  }
  RouteFileStore::save(std::string("bench"), RouteFileWriter::kModeXML, path);

  auto& loop = platform::RunLoop::main();
  platform::UIDevice::currentDevice().reset(platform::UIUserInterfaceIdiomPhone);
  Application::launch();
  loop.runUntilIdle();
  MapViewController& screen = *Application::mapScreen();
  auto browser = std::make_shared<LoadFileViewController>();
  browser->setDelegate(&screen);
  browser->parseFile(dir + "/bench.xml");
  loop.runUntilIdle();
  std::size_t loaded = screen.pathArray().size();

  TimedRecorder recorder;
  double wallStart = ScreenRecorder::wallClockNow();
  double cpuStart = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
  recorder.startRecording();
  loop.schedule(seconds, [&loop] { loop.stop(); });
  loop.run();
  recorder.stopRecording();
  loop.runUntilIdle();
  double wall = ScreenRecorder::wallClockNow() - wallStart;
  double cpu = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpuStart;

  auto frames = static_cast<double>(recorder.framesAppended());
  double perFrame = frames > 0 ? cpu / frames * 1000 : 0;
  double drawing = recorder.pictures > 0 ? recorder.drawing / recorder.pictures * 1000 : 0;
  auto size = platform::fileSize(ScreenRecorder::moviePath()).value_or(0);
  std::printf(
      "path %zu entries, %.1f s recorded: %.0f frames written of %.0f timer periods (%.1f a "
      "second, goal 40), %lld skipped; CPU per frame %.2f ms (goal < 12): drawing %.2f ms, "
      "encoding and the rest "
      "%.2f ms; movie %ju bytes\n",
      loaded, wall, frames, std::floor(wall / 0.025), frames / wall,
      static_cast<long long>(recorder.framesSkipped()), perFrame, drawing, perFrame - drawing,
      static_cast<std::uintmax_t>(size));
  Application::shutdown();
  std::filesystem::remove_all(root);
  return frames > 0 ? 0 : 1;
}
