#include "platform/ui/UIView.h"

#include <algorithm>

#include "platform/ui/UIGestureRecognizer.h"

namespace tessaly::platform {

UIView::UIView(CGRect frame) : _frame(frame), _bounds{{0, 0}, frame.size} {}

namespace {

struct AnimationRecord {
  double lastDuration = 0;
  int count = 0;
  int depth = 0;
};

AnimationRecord& animationRecord() {
  static AnimationRecord record;
  return record;
}

}  // namespace

UIView::~UIView() {
  for (auto& view : _subviews) view->_superview = nullptr;
  for (auto& recognizer : _gestureRecognizers) recognizer->_view = nullptr;
}

void UIView::setFrame(CGRect frame) {
  if (frame.size != _frame.size) _needsLayout = true;
  _frame = frame;
  _bounds.size = frame.size;
}

void UIView::setBounds(CGRect bounds) {
  if (bounds.size != _bounds.size) _needsLayout = true;
  _bounds = bounds;
  _frame.size = bounds.size;
}

void UIView::addSubview(std::shared_ptr<UIView> view) {
  if (!view || view.get() == this) return;
  view->removeFromSuperview();
  view->_superview = this;
  _subviews.push_back(std::move(view));
  _needsLayout = true;
}

void UIView::removeFromSuperview() {
  if (_superview == nullptr) return;
  auto& siblings = _superview->_subviews;
  auto keepAlive = shared_from_this();  // the caller may hold the last other reference
  std::erase_if(siblings, [this](const auto& v) { return v.get() == this; });
  _superview = nullptr;
}

UIView* UIView::rootView() {
  UIView* view = this;
  while (view->_superview != nullptr) view = view->_superview;
  return view;
}

CGPoint UIView::convertPoint(CGPoint point, const UIView* toView) const {
  // Up to the outermost view, then down to toView: each level adds its frame's origin and takes
  // away its scroll offset (the bounds' origin).
  for (const UIView* view = this; view->_superview != nullptr; view = view->_superview) {
    point.x += view->_frame.origin.x - view->_bounds.origin.x;
    point.y += view->_frame.origin.y - view->_bounds.origin.y;
  }
  for (const UIView* view = toView; view != nullptr && view->_superview != nullptr;
       view = view->_superview) {
    point.x -= view->_frame.origin.x - view->_bounds.origin.x;
    point.y -= view->_frame.origin.y - view->_bounds.origin.y;
  }
  return point;
}

void UIView::addGestureRecognizer(std::shared_ptr<UIGestureRecognizer> recognizer) {
  if (!recognizer) return;
  if (recognizer->_view != nullptr) recognizer->_view->removeGestureRecognizer(recognizer.get());
  recognizer->_view = this;
  _gestureRecognizers.push_back(std::move(recognizer));
}

void UIView::removeGestureRecognizer(const UIGestureRecognizer* recognizer) {
  std::erase_if(_gestureRecognizers, [recognizer](const auto& r) {
    if (r.get() != recognizer) return false;
    r->_view = nullptr;
    return true;
  });
}

void UIView::animateWithDuration(double duration, const std::function<void()>& animations) {
  auto& record = animationRecord();
  if (record.depth == 0) {
    record.lastDuration = duration;
    ++record.count;
  }
  ++record.depth;
  try {
    if (animations) animations();
  } catch (...) {
    --record.depth;
    throw;
  }
  --record.depth;
}

double UIView::lastAnimationDuration() {
  return animationRecord().lastDuration;
}

int UIView::animationCount() {
  return animationRecord().count;
}

void UIView::resetAnimations() {
  animationRecord() = AnimationRecord{};
}

void UIView::layoutIfNeeded() {
  if (_needsLayout) {
    _needsLayout = false;
    ++_layoutPasses;
    layoutSubviews();
  }
  for (auto& view : _subviews) view->layoutIfNeeded();
}

}  // namespace tessaly::platform
