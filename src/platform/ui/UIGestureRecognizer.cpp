#include "platform/ui/UIGestureRecognizer.h"

namespace tessaly::platform {

UIGestureRecognizer::UIGestureRecognizer(Action action) {
  if (action) _actions.push_back(std::move(action));
}

void UIGestureRecognizer::addTarget(Action action) {
  if (action) _actions.push_back(std::move(action));
}

CGPoint UIGestureRecognizer::locationInView(const UIView* view) const {
  if (_view == nullptr) return _location;
  return _view->convertPoint(_location, view);
}

void UIGestureRecognizer::transition(UIGestureRecognizerState state, CGPoint location) {
  _state = state;
  _location = location;
  auto self = shared_from_this();  // an action may detach this recogniser
  auto actions = _actions;
  for (auto& action : actions) action(this);
  if (state == UIGestureRecognizerStateEnded || state == UIGestureRecognizerStateCancelled ||
      state == UIGestureRecognizerStateFailed)
    _state = UIGestureRecognizerStatePossible;
}

bool UILongPressGestureRecognizer::pressAt(CGPoint point, UIGestureRecognizerState state) {
  UIView* view = this->view();
  if (!isEnabled() || view == nullptr || view->isHidden()) return false;
  bool pressing = this->state() == UIGestureRecognizerStateBegan ||
                  this->state() == UIGestureRecognizerStateChanged;
  switch (state) {
    case UIGestureRecognizerStateBegan:
      if (pressing) return false;
      break;
    case UIGestureRecognizerStateChanged:
    case UIGestureRecognizerStateEnded:
    case UIGestureRecognizerStateCancelled:
      if (!pressing) return false;
      break;
    default:
      return false;
  }
  transition(state, point);
  return true;
}

bool UILongPressGestureRecognizer::press(CGPoint point) {
  if (!pressAt(point, UIGestureRecognizerStateBegan)) return false;
  pressAt(point, UIGestureRecognizerStateEnded);
  return true;
}

}  // namespace tessaly::platform
