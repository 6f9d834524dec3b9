#pragma once
// A view a person touches: it sends actions for control events to the functions attached to them.
#include <functional>
#include <vector>

#include "platform/ui/UIView.h"

namespace tessaly::platform {

enum UIControlEvents : unsigned {
  UIControlEventTouchDown = 1u << 0,
  UIControlEventTouchUpInside = 1u << 6,
  UIControlEventTouchUpOutside = 1u << 7,
  UIControlEventTouchCancel = 1u << 8,
  UIControlEventValueChanged = 1u << 12,
  UIControlEventEditingDidBegin = 1u << 16,
  UIControlEventEditingChanged = 1u << 17,
  UIControlEventEditingDidEnd = 1u << 18,
  UIControlEventEditingDidEndOnExit = 1u << 19,
  UIControlEventAllEvents = 0xFFFFFFFFu,
};

enum UIControlState : unsigned {
  UIControlStateNormal = 0,
  UIControlStateHighlighted = 1u << 0,
  UIControlStateDisabled = 1u << 1,
  UIControlStateSelected = 1u << 2,
};

class UIControl : public UIView {
 public:
  using Action = std::function<void(UIControl* sender)>;

  using UIView::UIView;
  std::string kind() const override { return "control"; }

  bool isEnabled() const { return _enabled; }
  void setEnabled(bool enabled) { _enabled = enabled; }
  bool isSelected() const { return _selected; }
  void setSelected(bool selected) { _selected = selected; }

  // Target/action: action runs for every event in events (a mask of UIControlEvents).
  void addTarget(Action action, unsigned events);
  void removeAllTargets() { _targets.clear(); }
  bool hasActionsForControlEvents(unsigned events) const;
  // Runs, in the order they were added, the actions registered for any of events.
  void sendActionsForControlEvents(unsigned events);

  // Input: a finger lifted inside the control. Does nothing when it is disabled or hidden;
  // returns whether the touch was taken.
  bool tap();

 protected:
  // A control takes a tap (a plain control is a custom one, written as a view).
  Result<> applyTouch(const Touch& touch, const DescriptionNode& target) override;

 private:
  struct Target {
    Action action;
    unsigned events;
  };
  bool _enabled = true;
  bool _selected = false;
  std::vector<Target> _targets;
};

}  // namespace tessaly::platform
