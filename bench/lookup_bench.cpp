// Two figures of the route lookup:
//  1. A directions answer of 20000 points, from the last byte received to the state announced:
//     JSON decode, polylines, thinning, adding every entry to the path with its redraw, the
//     region, and one snapshot of the screen as the web host takes it. Goal: under 100 ms.
//  2. Decoding one polyline of 1,000,000 points, in points per second.
//   cmake --preset bench && cmake --build build-bench --target lookup_bench
//   build-bench/bench/lookup_bench [rounds]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/Application.h"
#include "lookup/GeoRouteConnection.h"
#include "lookup/PolylineDecoder.h"
#include "mapscreen/MapViewController.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/UIDevice.h"
#include "web/DeviceBridge.h"

namespace {

using Clock = std::chrono::steady_clock;

void appendValue(std::string& out, long long value) {
  unsigned long long v = value < 0 ? ~(static_cast<unsigned long long>(value) << 1)
                                   : static_cast<unsigned long long>(value) << 1;
  while (v >= 0x20) {
    out += static_cast<char>((0x20 | (v & 0x1F)) + 63);
    v >>= 5;
  }
  out += static_cast<char>(v + 63);
}

// A winding road of count points, as one encoded line.
std::string road(int count) {
  std::string line;
  long long lat = 4373000, lng = 742000, lastLat = 0, lastLng = 0;
  for (int i = 0; i < count; ++i) {
    lat += static_cast<long long>(std::lround(8 * std::sin(i * 0.01)));
    lng += static_cast<long long>(std::lround(8 * std::cos(i * 0.013))) + 3;
    appendValue(line, lat - lastLat);
    appendValue(line, lng - lastLng);
    lastLat = lat;
    lastLng = lng;
  }
  return line;
}

// One leg whose steps carry the points; each step's line gives all its points but the last.
std::string routeAnswer(int points, int steps) {
  std::string answer =
      R"({"status":"OK","routes":[{"legs":[{"start_location":{"lat":43.73,"lng":7.42},)"
      R"("end_location":{"lat":43.9,"lng":7.9},"steps":[{"polyline":{"points":"??"}})";
  int perStep = points / steps + 1;
  for (int s = 0; s < steps; ++s)
    answer += R"(,{"polyline":{"points":")" + road(perStep) + R"("},"html_instructions":"Go"})";
  answer += "]}]}]}";
  return answer;
}

// Hands a finished body to the route request's answer decoding, as the transfer's end does.
class AnswerFeeder : public tessaly::GeoRouteConnection {
 public:
  using GeoRouteConnection::GeoRouteConnection;
  void finish(const std::string& body) { answerArrived(body); }
};

}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
  namespace p = tessaly::platform;
  p::UIDevice::currentDevice().reset(p::UIUserInterfaceIdiomPhone);
  tessaly::web::DeviceBridge bridge(tessaly::web::DeviceBridge::DeviceMode::Phone, [] {});
  tessaly::Application::launch();
  p::RunLoop::main().runUntilIdle();
  auto screen = tessaly::Application::mapScreen();

  const std::string answer = routeAnswer(20000, 200);
  std::vector<double> times;
  std::size_t pathSize = 0, snapshotBytes = 0;
  for (int r = 0; r < rounds; ++r) {
    AnswerFeeder feeder(screen.get());
    auto start = Clock::now();
    feeder.finish(answer);
    p::RunLoop::main().runUntilIdle();
    std::string state = bridge.snapshot();
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    pathSize = screen->pathArray().size();
    snapshotBytes = state.size();
  }
  std::sort(times.begin(), times.end());
  std::printf(
      "route answer of %zu bytes, 20000 points -> %zu entries after thinning, %zu-byte state\n",
      answer.size(), pathSize, snapshotBytes);
  std::printf(
      "last byte to state announced: median %.1f ms, best %.1f ms (%d rounds; goal < 100 ms)\n",
      times[times.size() / 2], times.front(), rounds);

  const std::string line = road(1000000);
  double best = 1e9;
  std::size_t decoded = 0;
  for (int r = 0; r < rounds; ++r) {
    auto start = Clock::now();
    auto points = tessaly::decodePolyline(line);
    best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    decoded = points.size();
  }
  std::printf("polyline of %zu bytes, %zu points: best %.1f ms, %.2f million points/s\n",
              line.size(), decoded, best * 1000, decoded / best / 1e6);
  tessaly::Application::shutdown();
  return 0;
}
