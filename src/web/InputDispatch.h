#pragma once
// Applies one checked input to the running application on the main loop: touches of the
// objects on screen, named by id, and what the device and the world do (the viewport, the map's
// region, the user's position, the banner). A refused input changes nothing.
#include "platform/foundation/ObjectIds.h"
#include "platform/foundation/Result.h"
#include "web/WebInput.h"

namespace tessaly::web {

class DevicePolicy;

class InputDispatch {
 public:
  // ids is the registry the screen was written with.
  InputDispatch(DevicePolicy& device, platform::ObjectIds& ids);

  platform::Result<> apply(const WebInput& input);

 private:
  DevicePolicy& _device;
  platform::ObjectIds& _ids;
};

}  // namespace tessaly::web
