#pragma once
// An on/off switch. A person's flip changes it and sends ValueChanged; setting it from code
// sends nothing.
#include <optional>

#include "platform/foundation/Result.h"
#include "platform/ui/UIControl.h"

namespace tessaly::platform {

class UISwitch : public UIControl {
 public:
  // A switch has its own size whatever frame it is given.
  static constexpr CGFloat kWidth = 94;
  static constexpr CGFloat kHeight = 27;

  explicit UISwitch(CGRect frame = CGRectZero);
  std::string kind() const override { return "switch"; }
  std::string_view descriptionKind() const override { return "switch"; }
  void setFrame(CGRect frame) override;

  bool isOn() const { return _on; }
  void setOn(bool on, bool animated = false);
  const std::optional<UIColor>& onTintColor() const { return _onTintColor; }
  void setOnTintColor(const UIColor& color) { _onTintColor = color; }

  // Input: a person turns the switch to on. Refused when it is disabled or hidden; sends
  // ValueChanged when the value changed.
  Result<> flip(bool on);

 protected:
  void describeProperties(DescriptionSink& sink) const override;
  Result<> applyTouch(const Touch& touch, const DescriptionNode& target) override;

 private:
  bool _on = false;
  std::optional<UIColor> _onTintColor;
};

}  // namespace tessaly::platform
