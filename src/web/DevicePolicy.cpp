#include "web/DevicePolicy.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "platform/foundation/NumberFormatter.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIDevice.h"
#include "platform/ui/UIWindow.h"
#include "web/WebInput.h"

namespace tessaly::web {

namespace p = platform;

DevicePolicy::DevicePolicy(Mode mode, Relaunch relaunch, MayRelaunch mayRelaunch)
    : _mode(mode), _relaunch(std::move(relaunch)), _mayRelaunch(std::move(mayRelaunch)) {}

nlohmann::json DevicePolicy::state() const {
  auto& app = p::UIApplication::sharedApplication();
  auto& device = p::UIDevice::currentDevice();
  int orientation = app.statusBarOrientation();
  bool landscape = p::UIInterfaceOrientationIsLandscape(orientation);
  p::CGRect screen = p::UIScreen::mainScreen().bounds();
  return {
      {"idiom", device.isPad() ? "tablet" : "phone"},
      {"interfaceOrientation", orientation},
      {"orientation", orientationName(device.orientation())},
      {"landscape", landscape},
      {"screen",
       {{"width", landscape ? screen.size.height : screen.size.width},
        {"height", landscape ? screen.size.width : screen.size.height}}},
      {"locale", _locale},
      {"model", device.model()},
      {"systemVersion", device.systemVersion()},
  };
}

p::Result<> DevicePolicy::applyViewport(const WebInput& input) {
  auto& device = p::UIDevice::currentDevice();
  float shortSide = std::min(input.size.width, input.size.height);
  float longSide = std::max(input.size.width, input.size.height);
  float tabletFrom = input.finePointer ? kDesktopTabletShortSide : kTabletShortSide;
  p::UIUserInterfaceIdiom idiom = _mode == Mode::Tablet     ? p::UIUserInterfaceIdiomPad
                                  : _mode == Mode::Phone    ? p::UIUserInterfaceIdiomPhone
                                  : shortSide >= tabletFrom ? p::UIUserInterfaceIdiomPad
                                                            : p::UIUserInterfaceIdiomPhone;
  if (_mode == Mode::FirstViewport && _kindChosen) idiom = device.userInterfaceIdiom();
  _kindChosen = true;
  if (!input.locale.empty() && input.locale != _locale) {
    // The browser's language is the locale of every number the application formats.
    _locale = input.locale;
    std::string name = input.locale;
    std::replace(name.begin(), name.end(), '-', '_');
    p::setCurrentLocaleName(name);
  }
  p::CGRect screen = p::CGRectMake(0, 0, shortSide, longSide);
  bool sizeChanged = !(p::UIScreen::mainScreen().bounds() == screen);
  bool otherKind = idiom != device.userInterfaceIdiom();
  // A window resized across the tablet size, or a second browser of another kind, must not
  // throw away what the user measured: the running application then keeps its kind.
  if (otherKind && _mayRelaunch && !_mayRelaunch()) otherKind = false;
  if (otherKind) {
    // Another kind of device: start the application again on it.
    device.reset(idiom);
    p::UIScreen::mainScreen().setBounds(screen);
    if (_relaunch) _relaunch();
  } else if (sizeChanged) {
    p::UIScreen::mainScreen().setBounds(screen);
    // The browser window changed size: the window covers the screen as it is now turned and
    // the screens lay themselves out again.
    if (auto window = p::UIApplication::sharedApplication().keyWindow()) window->screenDidChange();
  }
  // The browser reports the way the screen is turned; the device follows it.
  static const p::UIDeviceOrientation deviceOrientations[] = {
      p::UIDeviceOrientationPortrait, p::UIDeviceOrientationPortraitUpsideDown,
      p::UIDeviceOrientationLandscapeLeft, p::UIDeviceOrientationLandscapeRight};
  p::UIDeviceOrientation wanted = deviceOrientations[input.orientation - 1];
  if (device.orientation() != wanted) device.setOrientation(wanted);
  return p::done();
}

}  // namespace tessaly::web
