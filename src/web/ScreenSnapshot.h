#pragma once
// The `screen` field: the key window as its objects describe themselves, written as JSON with
// the ids of the registry that inputs are resolved with.
#include <string>

#include "platform/foundation/ObjectIds.h"

namespace tessaly::web {

class ScreenSnapshot {
 public:
  // The JSON of the key window's tree, or "null" when there is no key window, appended to out
  // (a state of megabytes is written in place rather than copied into the text around it).
  static void write(platform::ObjectIds& ids, std::string& out);
};

}  // namespace tessaly::web
