#include "web/ScreenSnapshot.h"

#include "platform/ui/UIApplication.h"
#include "platform/ui/UIWindow.h"
#include "web/ScreenWriter.h"

namespace tessaly::web {

std::string ScreenSnapshot::write(platform::ObjectIds& ids) {
  auto window = platform::UIApplication::sharedApplication().keyWindow();
  if (!window) return "null";
  ScreenWriter writer(ids);
  window->describe(writer);
  return writer.take();
}

}  // namespace tessaly::web
