#include "platform/foundation/LocaleSnapshot.h"

#include "platform/foundation/NumberFormatter.h"

namespace tessaly::platform {

std::optional<std::string>& LocaleSnapshot::held() {
  thread_local std::optional<std::string> name;
  return name;
}

LocaleSnapshot::LocaleSnapshot() : _outermost(!held()) {
  if (_outermost) held() = currentLocaleName();
}

LocaleSnapshot::~LocaleSnapshot() {
  if (_outermost) held().reset();
}

}  // namespace tessaly::platform
