#include "cli/CommandStep.h"

#include <string>

#include "platform/ui/UINavigationController.h"
#include "platform/ui/UIToolbar.h"
#include "web/KeyWindow.h"

namespace tessaly::cli {

namespace p = platform;

p::Result<> applyStep(const CommandStep& step, web::DeviceBridge& bridge) {
  if (step.toolbarTag <= 0) return bridge.apply(step.input);
  std::string tag = std::to_string(step.toolbarTag);
  auto* nav = web::keyWindow::navigationController();
  if (!nav || nav->isToolbarHidden()) return p::Refusal{"the toolbar is hidden"};
  auto item = nav->toolbar()->itemWithTag(step.toolbarTag);
  if (!item) return p::Refusal{"no toolbar item has tag " + tag};
  if (!item->isEnabled()) return p::Refusal{"toolbar item " + tag + " is disabled"};
  web::WebInput tap;
  tap.kind = web::WebInput::Kind::Tap;
  tap.type = "tap";
  tap.id = bridge.ids().idFor(p::ObjectRef::to(item));
  return bridge.apply(tap);
}

}  // namespace tessaly::cli
