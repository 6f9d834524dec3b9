#pragma once
// Gestures on a view. The long press is the map's one gesture: the host reports a press held for
// the minimum duration as its states (began, then changed or ended) at a point of the view.
#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/UIView.h"

namespace tessaly::platform {

enum UIGestureRecognizerState {
  UIGestureRecognizerStatePossible = 0,
  UIGestureRecognizerStateBegan = 1,
  UIGestureRecognizerStateChanged = 2,
  UIGestureRecognizerStateEnded = 3,
  UIGestureRecognizerStateCancelled = 4,
  UIGestureRecognizerStateFailed = 5,
};

class UIGestureRecognizer : public std::enable_shared_from_this<UIGestureRecognizer> {
 public:
  using Action = std::function<void(UIGestureRecognizer* sender)>;

  // initWithTarget:action:
  explicit UIGestureRecognizer(Action action = {});
  virtual ~UIGestureRecognizer() = default;
  UIGestureRecognizer(const UIGestureRecognizer&) = delete;
  UIGestureRecognizer& operator=(const UIGestureRecognizer&) = delete;
  virtual std::string kind() const { return "gesture"; }

  void addTarget(Action action);
  UIGestureRecognizerState state() const { return _state; }
  UIView* view() const { return _view; }
  bool isEnabled() const { return _enabled; }
  void setEnabled(bool enabled) { _enabled = enabled; }
  // Where the gesture is, in view's coordinates (null: the outermost view's).
  CGPoint locationInView(const UIView* view) const;

 protected:
  friend class UIView;
  // Moves to state at location (in the attached view's coordinates) and runs the actions.
  void transition(UIGestureRecognizerState state, CGPoint location);

 private:
  UIView* _view = nullptr;
  std::vector<Action> _actions;
  UIGestureRecognizerState _state = UIGestureRecognizerStatePossible;
  CGPoint _location;
  bool _enabled = true;
};

class UILongPressGestureRecognizer : public UIGestureRecognizer {
 public:
  using UIGestureRecognizer::UIGestureRecognizer;
  std::string kind() const override { return "longPress"; }

  double minimumPressDuration() const { return _minimumPressDuration; }
  void setMinimumPressDuration(double seconds) { _minimumPressDuration = seconds; }
  CGFloat allowableMovement() const { return _allowableMovement; }

  // Input: the press reached state (Began, Changed, Ended or Cancelled) at point, in the
  // attached view's coordinates. Ignored when the recogniser is disabled, not attached, its view
  // is hidden, or the state does not follow (Changed or Ended without Began). Returns whether
  // the actions ran. After Ended or Cancelled the recogniser is ready again (Possible).
  bool pressAt(CGPoint point, UIGestureRecognizerState state);
  // Input: a whole press held long enough at point: Began, then Ended.
  bool press(CGPoint point);

 private:
  double _minimumPressDuration = 0.5;
  CGFloat _allowableMovement = 10;
};

}  // namespace tessaly::platform
