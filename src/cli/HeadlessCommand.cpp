#include "cli/HeadlessCommand.h"
#include "lookup/LookupServices.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/Application.h"
#include "cli/CommandStep.h"
#include "measure/PontoAnnotation.h"
#include "platform/foundation/FileSystem.h"
#include "platform/foundation/HostPort.h"
#include "platform/foundation/RunLoop.h"
#include "platform/map/MKAnnotationView.h"
#include "platform/map/MKPolyline.h"
#include "platform/ui/UIAlertView.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIDevice.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UIWindow.h"
#include "web/DeviceBridge.h"
#include "web/WebInput.h"

namespace tessaly::cli {

namespace p = tessaly::platform;

namespace {

const char* kUsage =
    "usage: tessaly headless [--device phone|tablet] [--documents DIR] "
    "[--geocoder URL] [--directions URL] [--press X,Y | --tap TAG]...\n";

bool parseFloat(std::string_view text, float& value) {
  if (text.empty()) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

bool parsePoint(std::string_view text, p::CGPoint& point) {
  auto comma = text.find(',');
  return comma != std::string_view::npos && parseFloat(text.substr(0, comma), point.x) &&
         parseFloat(text.substr(comma + 1), point.y);
}

bool parseTag(std::string_view text, int& tag) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), tag);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

std::string coordinateText(p::CLLocationCoordinate2D c) {
  char text[64];
  std::snprintf(text, sizeof text, "%.6f,%.6f", c.latitude, c.longitude);
  return text;
}

// A plain account of the screen, one fact a line.
void printScreen(std::ostream& out) {
  auto screen = Application::mapScreen();
  auto nav = Application::navigationController();
  auto& map = *screen->mapView();
  const auto& device = p::UIDevice::currentDevice();
  p::CGRect window = Application::window()->frame();
  out << "device " << (device.isPad() ? "tablet" : "phone") << " window " << window.size.width
      << "x" << window.size.height << "\n";
  out << "status \"" << screen->statusLabel()->text() << "\"\n";
  out << "toolbar";
  for (const auto& item : nav->toolbar()->items()) {
    if (item->isSpace() || item->tag() == 0) continue;
    out << " " << item->tag() << (item->isEnabled() ? "+" : "-");
  }
  out << "\n";
  for (const auto& annotation : map.annotations()) {
    auto marker = std::dynamic_pointer_cast<PontoAnnotation>(annotation);
    if (!marker) continue;
    auto pin =
        std::dynamic_pointer_cast<p::MKPinAnnotationView>(map.viewForAnnotation(marker.get()));
    out << "marker " << marker->index() << " " << coordinateText(marker->coordinate()) << " "
        << (pin ? pinColorName(pin->pinColor()) : "none") << " \"" << marker->title() << "\" \""
        << marker->subtitle() << "\"\n";
  }
  for (const auto& overlay : map.overlays())
    if (auto line = std::dynamic_pointer_cast<p::MKPolyline>(overlay))
      out << "line " << line->pointCount() << " points\n";
  for (const auto& panel : p::UIApplication::sharedApplication().panelsOnScreen())
    if (auto alert = std::dynamic_pointer_cast<p::UIAlertView>(panel))
      out << "alert \"" << alert->title() << "\" \"" << alert->message() << "\"\n";
}

}  // namespace

int runHeadless(int argc, char** argv, std::ostream& out, std::ostream& err) {
  bool tablet = false;
  // Presses are the host's inputs, checked and applied as the host does; taps name a toolbar item.
  std::vector<CommandStep> steps;
  for (int i = 0; i < argc; ++i) {
    std::string_view arg = argv[i];
    bool hasValue = i + 1 < argc;
    std::string_view value = hasValue ? std::string_view(argv[i + 1]) : std::string_view();
    if (arg == "--device" && hasValue && (value == "phone" || value == "tablet")) {
      tablet = value == "tablet";
    } else if (arg == "--documents" && hasValue && !value.empty()) {
      p::setDocumentsDirectory(std::string(value));
    } else if ((arg == "--geocoder" || arg == "--directions") && hasValue) {
      auto base = p::checkedBaseAddress(value);
      if (!base) {
        err << "tessaly headless: " << arg << " wants an http(s) base address: " << base.reason()
            << "\n";
        return 2;
      }
      if (arg == "--geocoder")
        LookupServices::setGeocoderBase(*base);
      else
        LookupServices::setDirectionsBase(*base);
    } else if (arg == "--press" && hasValue) {
      p::CGPoint point;
      if (!parsePoint(value, point)) {
        err << "tessaly headless: --press wants X,Y in points, not \"" << value << "\"\n";
        return 2;
      }
      auto press =
          web::parseInput({{"type", "longPress"}, {"point", {{"x", point.x}, {"y", point.y}}}});
      if (!press) {
        err << "tessaly headless: " << press.reason() << "\n";
        return 2;
      }
      steps.push_back({std::move(press).value()});
    } else if (arg == "--tap" && hasValue) {
      int tag = 0;
      if (!parseTag(value, tag) || tag < 1) {
        err << "tessaly headless: --tap wants a command tag (1 to 6), not \"" << value << "\"\n";
        return 2;
      }
      steps.push_back({{}, tag});
    } else {
      err << kUsage;
      return 2;
    }
    ++i;
  }

  auto& loop = p::RunLoop::main();
  p::UIDevice::currentDevice().reset(tablet ? p::UIUserInterfaceIdiomPad
                                            : p::UIUserInterfaceIdiomPhone);
  using Mode = web::DeviceBridge::DeviceMode;
  web::DeviceBridge bridge(tablet ? Mode::Tablet : Mode::Phone, [] { Application::launch(); });
  // Everything happens on the main loop, as it would with a browser attached.
  int status = 0;
  loop.post([&] { Application::launch(); });
  loop.runUntilIdle();
  for (const auto& step : steps) {
    p::Result<> applied;
    loop.post([&] { applied = applyStep(step, bridge); });
    loop.runUntilIdle();
    if (!applied) {
      err << "tessaly headless: " << applied.reason() << "\n";
      status = 2;
      break;
    }
  }
  loop.post([&] { printScreen(out); });
  loop.runUntilIdle();
  Application::shutdown();
  return status;
}

}  // namespace tessaly::cli
