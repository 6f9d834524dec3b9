#include "web/InputDispatch.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "platform/ads/ADBannerView.h"
#include "platform/map/MKMapView.h"
#include "platform/ui/TouchRouter.h"
#include "platform/ui/UIActionSheet.h"
#include "platform/ui/UIAlertView.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIGestureRecognizer.h"
#include "platform/ui/UIWindow.h"
#include "web/DevicePolicy.h"
#include "web/KeyWindow.h"

namespace tessaly::web {

namespace p = platform;

namespace {

// The platform's touch for an input by object id; the two lists of kinds run in the same order.
p::Touch touchFor(const WebInput& input) {
  p::Touch touch;
  touch.kind = static_cast<p::Touch::Kind>(static_cast<int>(input.kind) -
                                           static_cast<int>(WebInput::Kind::Tap));
  touch.id = input.id;
  touch.on = input.on;
  touch.editing = input.editing;
  touch.index = input.index;
  touch.section = input.section;
  touch.row = input.row;
  touch.hasText = input.text.has_value();
  if (input.text) touch.text = *input.text;
  touch.url = input.url;
  touch.point = input.point;
  return touch;
}

static_assert(static_cast<int>(WebInput::Kind::LongPress) - static_cast<int>(WebInput::Kind::Tap) ==
              static_cast<int>(p::Touch::Kind::LongPress));
static_assert(static_cast<int>(WebInput::Kind::GoBack) - static_cast<int>(WebInput::Kind::Tap) ==
              static_cast<int>(p::Touch::Kind::GoBack));

}  // namespace

InputDispatch::InputDispatch(DevicePolicy& device, p::ObjectIds& ids)
    : _device(device), _ids(ids) {}

p::Result<> InputDispatch::apply(const WebInput& input) {
  using K = WebInput::Kind;
  auto& app = p::UIApplication::sharedApplication();
  switch (input.kind) {
    case K::ViewportChanged:
      return _device.applyViewport(input);

    case K::PressAlertButton:
    case K::PressSheetButton: {
      auto panel = std::dynamic_pointer_cast<p::UIPanelView>(_ids.find<p::UIView>(input.id));
      const auto& shown = app.panelsOnScreen();
      if (!panel || std::find(shown.begin(), shown.end(), panel) == shown.end())
        return p::Refusal{"no alert or sheet " + std::to_string(input.id) + " is on screen"};
      bool isAlert = dynamic_cast<p::UIAlertView*>(panel.get()) != nullptr;
      if (isAlert != (input.kind == K::PressAlertButton))
        return p::Refusal{"panel " + std::to_string(input.id) + " is " +
                          (isAlert ? "an alert" : "a sheet")};
      if (input.index >= panel->numberOfButtons())
        return p::Refusal{"panel " + std::to_string(input.id) + " has " +
                          std::to_string(panel->numberOfButtons()) + " buttons"};
      if (isAlert) {
        auto* alert = static_cast<p::UIAlertView*>(panel.get());
        if (input.text) {
          if (alert->numberOfTextFields() == 0) return p::Refusal{"this alert has no text field"};
          alert->pressButtonAtIndex(input.index, *input.text);
          return p::done();
        }
      }
      panel->pressButtonAtIndex(input.index);
      return p::done();
    }

    case K::Banner: {
      p::ADBannerView* b = keyWindow::banner();
      if (!b) return p::Refusal{"there is no banner"};
      if (input.name == "loaded") {
        b->loadAd();
      } else if (input.name == "failed") {
        b->failToReceiveAd({"ADErrorDomain", 3, "The operation couldn't be completed."});
      } else if (input.name == "tapped") {
        if (!b->isBannerLoaded()) return p::Refusal{"the banner has nothing to show"};
        if (b->isBannerViewActionInProgress())
          return p::Refusal{"the banner's action is already running"};
        b->tap(false);
      } else {
        if (!b->isBannerViewActionInProgress())
          return p::Refusal{"the banner has no action running"};
        b->finishAction();
      }
      return p::done();
    }

    case K::LocationUpdate:
    case K::LocationFailed: {
      p::MKMapView* map = keyWindow::mapOnScreen();
      if (!map) return p::Refusal{"the map is not on screen"};
      if (!map->showsUserLocation()) return p::Refusal{"the map does not show the user's position"};
      if (input.kind == K::LocationUpdate)
        map->didUpdateUserLocation(p::CLLocation{input.coordinate, input.accuracy});
      else
        map->didFailToLocateUserWithError(
            {"kCLErrorDomain", 1,
             input.message.empty() ? "The location could not be determined." : input.message});
      return p::done();
    }

    case K::RegionChanged: {
      p::MKMapView* map = keyWindow::mapOnScreen();
      if (!map) return p::Refusal{"the map is not on screen"};
      try {
        map->setRegion({input.coordinate, {input.latitudeDelta, input.longitudeDelta}}, false);
      } catch (const std::invalid_argument& e) {
        return p::Refusal{e.what()};
      }
      return p::done();
    }

    case K::Tap:
    case K::Toggle:
    case K::SelectSegment:
    case K::SelectRow:
    case K::SetEditing:
    case K::DeleteRow:
    case K::TypeText:
    case K::Submit:
    case K::Cancel:
    case K::TapLink:
    case K::GoBack:
      return p::TouchRouter(_ids).apply(touchFor(input));

    default:
      break;
  }

  // Touches on the screen: an alert or sheet on top takes them all.
  if (auto top = app.topPanel())
    return p::Refusal{
        std::string(dynamic_cast<p::UIAlertView*>(top.get()) ? "an alert" : "a sheet") +
        " is on screen; press one of its buttons first"};
  switch (input.kind) {
    case K::LongPress: {
      p::MKMapView* map = keyWindow::mapOnScreen();
      if (!map) return p::Refusal{"the map is not on screen"};
      p::CGRect bounds = map->bounds();
      p::CGPoint at{input.point.x + bounds.origin.x, input.point.y + bounds.origin.y};
      if (!p::CGRectContainsPoint(bounds, at)) {
        char text[120];
        std::snprintf(text, sizeof text, "the point (%g, %g) is outside the map view (%g x %g)",
                      input.point.x, input.point.y, bounds.size.width, bounds.size.height);
        return p::Refusal{text};
      }
      for (const auto& recognizer : map->gestureRecognizers()) {
        auto* press = dynamic_cast<p::UILongPressGestureRecognizer*>(recognizer.get());
        if (press && press->isEnabled()) {
          press->press(at);
          return p::done();
        }
      }
      return p::Refusal{"the map does not take long presses"};
    }
    case K::SelectAnnotation:
    case K::DeselectAnnotation:
    case K::TapCalloutAccessory: {
      p::MKMapView* map = keyWindow::mapOnScreen();
      if (!map) return p::Refusal{"the map is not on screen"};
      auto annotation = _ids.find<p::MKAnnotation>(input.id);
      if (!annotation || !map->containsAnnotation(annotation.get()))
        return p::Refusal{"no annotation " + std::to_string(input.id) + " is on the map"};
      const auto& selected = map->selectedAnnotations();
      bool isSelected = std::find(selected.begin(), selected.end(), annotation) != selected.end();
      if (input.kind == K::SelectAnnotation) {
        if (!isSelected) map->selectAnnotation(annotation, true);
      } else if (input.kind == K::DeselectAnnotation) {
        if (isSelected) map->deselectAnnotation(annotation.get(), true);
      } else if (!map->tapCalloutAccessory(annotation.get())) {
        return p::Refusal{"annotation " + std::to_string(input.id) +
                          " has no open callout with a button"};
      }
      return p::done();
    }
    default:
      return p::Refusal{"input '" + input.type + "' is not handled"};
  }
}

}  // namespace tessaly::web
