#include "web/ScreenSnapshot.h"

#include "platform/ui/UIApplication.h"
#include "platform/ui/UIWindow.h"
#include "web/ScreenWriter.h"

namespace tessaly::web {

void ScreenSnapshot::write(platform::ObjectIds& ids, std::string& out) {
  auto window = platform::UIApplication::sharedApplication().keyWindow();
  if (!window) {
    out += "null";
    return;
  }
  ScreenWriter writer(ids, std::move(out));
  window->describe(writer);
  out = writer.take();
}

}  // namespace tessaly::web
