#pragma once
// Between the web host and the running application: the state is the device, a few facts of
// the application and the screen as its objects describe it; inputs go through the one input
// path. It knows no application class:
// only what a person could see and touch.
#include <string>

#include "platform/foundation/ObjectIds.h"
#include "web/DevicePolicy.h"
#include "web/InputDispatch.h"
#include "web/WebHost.h"

namespace tessaly::web {

class DeviceBridge : public WebApplication {
 public:
  using DeviceMode = DevicePolicy::Mode;
  using Relaunch = DevicePolicy::Relaunch;
  using MayRelaunch = DevicePolicy::MayRelaunch;

  DeviceBridge(DeviceMode mode, Relaunch relaunch, MayRelaunch mayRelaunch = nullptr);

  std::string snapshot() override;
  platform::Result<> apply(const WebInput& input) override;

  // The number-format locale the browser asked for ("" until one did).
  const std::string& locale() const { return _device.locale(); }
  // The ids the screen names objects by and inputs resolve.
  platform::ObjectIds& ids() { return _ids; }

  static constexpr float kTabletShortSide = DevicePolicy::kTabletShortSide;

 private:
  platform::ObjectIds _ids;
  DevicePolicy _device;
  InputDispatch _inputs;
  std::size_t _lastSnapshotBytes = 0;
};

}  // namespace tessaly::web
