#pragma once
// Which device the application runs on: the browser's viewport gives the screen's size, the way
// it is turned and the locale; in auto mode its short side also decides phone or tablet, and a
// change of kind starts the application afresh (one process is one device).
#include <functional>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "platform/foundation/Result.h"

namespace tessaly::web {

struct WebInput;

class DevicePolicy {
 public:
  // FirstViewport: auto for the first viewport, then the kind stays (a browser session's own
  // process is that browser's one device, however its window is resized later).
  enum class Mode { Auto, Phone, Tablet, FirstViewport };
  // Starts the application afresh on the device as it now stands.
  using Relaunch = std::function<void()>;
  // Asked before such a restart: false keeps the running application on its kind of device
  // (it holds work, such as a measured path, that a restart would throw away).
  using MayRelaunch = std::function<bool()>;

  DevicePolicy(Mode mode, Relaunch relaunch, MayRelaunch mayRelaunch = nullptr);

  // A viewportChanged input.
  platform::Result<> applyViewport(const WebInput& input);
  // The device as it stands: idiom, orientation, screen, locale, model.
  nlohmann::json state() const;

  // The number-format locale the browser asked for ("" until one did).
  const std::string& locale() const { return _locale; }

  // A short side of at least this many points makes a tablet in auto mode.
  static constexpr float kTabletShortSide = 768;
  // A window pointed at with a mouse is a desktop's: a tablet-class device from this short side
  // (a laptop's browser is often under 768 points high), a phone only when it is phone-sized.
  static constexpr float kDesktopTabletShortSide = 500;

 private:
  Mode _mode;
  Relaunch _relaunch;
  MayRelaunch _mayRelaunch;
  std::string _locale;
  bool _kindChosen = false;
};

}  // namespace tessaly::web
