#include "platform/ui/UISwitch.h"

namespace tessaly::platform {

UISwitch::UISwitch(CGRect frame) : UIControl(frame) {
  UISwitch::setFrame(frame);
}

void UISwitch::setFrame(CGRect frame) {
  frame.size = {kWidth, kHeight};
  UIControl::setFrame(frame);
}

void UISwitch::setOn(bool on, bool /*animated*/) {
  _on = on;
}

Result<> UISwitch::flip(bool on) {
  if (!isEnabled()) return Refusal{"the switch is disabled"};
  if (isHidden()) return Refusal{"the switch is hidden"};
  if (on == _on) return done();
  _on = on;
  sendActionsForControlEvents(UIControlEventValueChanged);
  return done();
}

}  // namespace tessaly::platform
