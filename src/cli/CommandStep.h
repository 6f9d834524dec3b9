#pragma once
// One step of the headless and snapshot commands: an input checked as the host checks it, or a
// toolbar command named by its tag (--tap 4). The host takes taps by id, so the tag is looked
// up when the step is applied, in the toolbar shown then.
#include "platform/foundation/Result.h"
#include "web/DeviceBridge.h"
#include "web/WebInput.h"

namespace tessaly::cli {

struct CommandStep {
  web::WebInput input;
  int toolbarTag = 0;  // above 0: tap the shown toolbar's item with this tag instead
};

// Applies the step through the bridge, on the main loop; a tag is refused when the toolbar is
// hidden, has no item with it, or the item is disabled.
platform::Result<> applyStep(const CommandStep& step, web::DeviceBridge& bridge);

}  // namespace tessaly::cli
