#include "cli/HeadlessCommand.h"
#include "lookup/LookupServices.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/Application.h"
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

namespace tessaly::cli {

namespace p = tessaly::platform;

namespace {

const char* kUsage =
    "usage: tessaly headless [--device phone|tablet] [--documents DIR] "
    "[--geocoder URL] [--directions URL] [--press X,Y | --tap TAG]...\n";

struct Step {
  bool press;
  p::CGPoint point;
  int tag;
};

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

// Plays one step; returns an error text, empty when it was taken.
std::string play(const Step& step) {
  auto screen = Application::mapScreen();
  if (step.press) {
    p::CGRect bounds = screen->mapView()->bounds();
    if (step.point.x < 0 || step.point.y < 0 || step.point.x > bounds.size.width ||
        step.point.y > bounds.size.height)
      return "the point is not on the map";
    for (const auto& recognizer : screen->mapView()->gestureRecognizers())
      if (auto* press = dynamic_cast<p::UILongPressGestureRecognizer*>(recognizer.get()))
        return press->press(step.point) ? "" : "the map did not take the press";
    return "the map takes no presses";
  }
  auto item = Application::navigationController()->toolbar()->itemWithTag(step.tag);
  if (!item) return "no toolbar command has tag " + std::to_string(step.tag);
  if (!item->isEnabled()) return "toolbar command " + std::to_string(step.tag) + " is disabled";
  item->tap();
  return "";
}

}  // namespace

int runHeadless(int argc, char** argv, std::ostream& out, std::ostream& err) {
  bool tablet = false;
  std::vector<Step> steps;
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
      Step step{true, {}, 0};
      if (!parsePoint(value, step.point)) {
        err << "tessaly headless: --press wants X,Y in points, not \"" << value << "\"\n";
        return 2;
      }
      steps.push_back(step);
    } else if (arg == "--tap" && hasValue) {
      Step step{false, {}, 0};
      if (!parseTag(value, step.tag)) {
        err << "tessaly headless: --tap wants a command tag (1 to 6), not \"" << value << "\"\n";
        return 2;
      }
      steps.push_back(step);
    } else {
      err << kUsage;
      return 2;
    }
    ++i;
  }

  auto& loop = p::RunLoop::main();
  p::UIDevice::currentDevice().reset(tablet ? p::UIUserInterfaceIdiomPad
                                            : p::UIUserInterfaceIdiomPhone);
  // Everything happens on the main loop, as it would with a browser attached.
  int status = 0;
  loop.post([&] { Application::launch(); });
  loop.runUntilIdle();
  for (const auto& step : steps) {
    std::string refusal;
    loop.post([&] { refusal = play(step); });
    loop.runUntilIdle();
    if (!refusal.empty()) {
      err << "tessaly headless: " << refusal << "\n";
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
