#include "cli/SnapshotCommand.h"

#include <charconv>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/Application.h"
#include "cli/CommandStep.h"
#include "platform/foundation/FileSystem.h"
#include "platform/foundation/RunLoop.h"
#include "platform/media/ScreenRenderer.h"
#include "platform/ui/UIDevice.h"
#include "web/DeviceBridge.h"
#include "web/WebInput.h"

namespace tessaly::cli {
namespace {

namespace p = tessaly::platform;
using nlohmann::json;

const char* kUsage =
    "usage: tessaly snapshot [--device phone|tablet] [--documents DIR] "
    "[--press X,Y | --tap TAG]... --out FILE.png\n";

bool parseNumber(std::string_view text, double& value) {
  if (text.empty()) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

// "X,Y" as a long press in the map view's points.
bool pressInput(std::string_view text, json& input) {
  auto comma = text.find(',');
  double x, y;
  if (comma == std::string_view::npos || !parseNumber(text.substr(0, comma), x) ||
      !parseNumber(text.substr(comma + 1), y))
    return false;
  input = {{"type", "longPress"}, {"point", {{"x", x}, {"y", y}}}};
  return true;
}

// A toolbar command by its tag (1 or more).
bool tapTag(std::string_view text, int& tag) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), tag);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size() && tag >= 1;
}

}  // namespace

int runSnapshot(int argc, char** argv, std::ostream& out, std::ostream& err) {
  bool tablet = false;
  std::string output;
  std::vector<json> presses;
  std::vector<CommandStep> steps;
  for (int i = 0; i < argc; i += 2) {
    std::string_view arg = argv[i];
    if (i + 1 >= argc) {
      err << kUsage;
      return 2;
    }
    std::string_view value = argv[i + 1];
    json input;
    int tag = 0;
    if (arg == "--device" && (value == "phone" || value == "tablet")) {
      tablet = value == "tablet";
    } else if (arg == "--documents" && !value.empty()) {
      p::setDocumentsDirectory(std::string(value));
    } else if (arg == "--out" && !value.empty()) {
      output = value;
    } else if (arg == "--press" && pressInput(value, input)) {
      // Checked below, before the application starts, as the host checks a batch.
      presses.push_back(std::move(input));
      steps.push_back({});
    } else if (arg == "--tap" && tapTag(value, tag)) {
      steps.push_back({{}, tag});
    } else {
      err << "tessaly snapshot: cannot use " << arg << " \"" << value << "\"\n" << kUsage;
      return 2;
    }
  }
  if (output.empty()) {
    err << "tessaly snapshot: --out FILE.png is needed\n" << kUsage;
    return 2;
  }
  // Every press is checked before the application starts, as the host checks a batch.
  std::size_t next = 0;
  for (auto& step : steps) {
    if (step.toolbarTag > 0) continue;
    auto input = web::parseInput(presses[next++]);
    if (!input) {
      err << "tessaly snapshot: " << input.reason() << "\n";
      return 2;
    }
    step.input = std::move(input).value();
  }

  auto& loop = p::RunLoop::main();
  p::UIDevice::currentDevice().reset(tablet ? p::UIUserInterfaceIdiomPad
                                            : p::UIUserInterfaceIdiomPhone);
  using Mode = web::DeviceBridge::DeviceMode;
  web::DeviceBridge bridge(tablet ? Mode::Tablet : Mode::Phone, [] { Application::launch(); });
  int status = 0;
  loop.post([] { Application::launch(); });
  loop.runUntilIdle();
  for (std::size_t i = 0; i < steps.size(); ++i) {
    p::Result<> applied;
    loop.post([&] { applied = applyStep(steps[i], bridge); });
    loop.runUntilIdle();
    if (!applied) {
      err << "tessaly snapshot: step " << i + 1 << ": " << applied.reason() << "\n";
      status = 2;
      break;
    }
  }
  if (status == 0) {
    bool written = false;
    loop.post([&] { written = p::ScreenRenderer::screenshot(1).writePNG(output); });
    loop.runUntilIdle();
    if (!written) {
      err << "tessaly snapshot: cannot write " << output << "\n";
      status = 1;
    } else {
      out << "wrote " << output << "\n";
    }
  }
  Application::shutdown();
  return status;
}

}  // namespace tessaly::cli
