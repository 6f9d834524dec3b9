#include "platform/ui/UISwitch.h"

#include "platform/ui/DescriptionSink.h"
#include "platform/ui/Touch.h"

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

void UISwitch::describeProperties(DescriptionSink& sink) const {
  sink.boolean("on", _on);
  sink.boolean("enabled", isEnabled());
  if (_onTintColor)
    sink.color("onTintColor", *_onTintColor);
  else
    sink.null("onTintColor");
}

Result<> UISwitch::applyTouch(const Touch& touch, const DescriptionNode& target) {
  if (touch.kind != Touch::Kind::Toggle) return UIControl::applyTouch(touch, target);
  return flip(touch.on);
}

}  // namespace tessaly::platform
