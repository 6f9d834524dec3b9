#include "platform/ui/UIView.h"

#include <algorithm>

#include "platform/ui/DescriptionSink.h"
#include "platform/ui/UIGestureRecognizer.h"
#include "platform/ui/UIViewController.h"

namespace tessaly::platform {

UIView::UIView(CGRect frame) : _frame(frame), _bounds{{0, 0}, frame.size} {}

namespace {

struct AnimationRecord {
  double lastDuration = 0;
  int count = 0;
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
  CGSize oldSize = _frame.size;
  _frame = frame;
  _bounds.size = frame.size;
  if (frame.size != oldSize) resizeSubviews(oldSize);
}

void UIView::setBounds(CGRect bounds) {
  CGSize oldSize = _bounds.size;
  _bounds = bounds;
  _frame.size = bounds.size;
  if (bounds.size != oldSize) resizeSubviews(oldSize);
}

namespace {

// One axis of autoresizing: the change of the superview's length is shared among the flexible
// parts (leading margin, length, trailing margin) in proportion to their lengths, or equally
// when they are all zero.
void resizeAxis(CGFloat& origin, CGFloat& length, CGFloat oldSuper, CGFloat delta, bool flexLead,
                bool flexLength, bool flexTrail) {
  int flexible = int(flexLead) + int(flexLength) + int(flexTrail);
  if (flexible == 0 || delta == 0) return;
  CGFloat trail = oldSuper - origin - length;
  if (flexible == 1) {
    if (flexLead) origin += delta;
    if (flexLength) length += delta;
    return;
  }
  CGFloat sum = (flexLead ? origin : 0) + (flexLength ? length : 0) + (flexTrail ? trail : 0);
  auto share = [&](CGFloat part) { return sum == 0 ? delta / flexible : delta * part / sum; };
  CGFloat lead = flexLead ? share(origin) : 0;
  CGFloat grow = flexLength ? share(length) : 0;
  origin += lead;
  length += grow;
}

}  // namespace

void UIView::resizeSubviews(CGSize oldSize) {
  _needsLayout = true;
  if (!_autoresizesSubviews) return;
  CGFloat dw = _bounds.size.width - oldSize.width;
  CGFloat dh = _bounds.size.height - oldSize.height;
  for (auto& view : _subviews) {
    unsigned mask = view->_autoresizingMask;
    if (mask == UIViewAutoresizingNone) continue;
    CGRect frame = view->_frame;
    resizeAxis(frame.origin.x, frame.size.width, oldSize.width, dw,
               mask & UIViewAutoresizingFlexibleLeftMargin, mask & UIViewAutoresizingFlexibleWidth,
               mask & UIViewAutoresizingFlexibleRightMargin);
    resizeAxis(frame.origin.y, frame.size.height, oldSize.height, dh,
               mask & UIViewAutoresizingFlexibleTopMargin, mask & UIViewAutoresizingFlexibleHeight,
               mask & UIViewAutoresizingFlexibleBottomMargin);
    if (frame != view->_frame) view->setFrame(frame);
  }
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
  record.lastDuration = duration;
  ++record.count;
  if (animations) animations();
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

CGRect UIView::frameInSpace(const DescriptionSink& sink) const {
  if (sink.frameSpace == this) return {{0, 0}, _frame.size};
  CGPoint origin = _superview != nullptr ? _superview->convertPoint(_frame.origin, sink.frameSpace)
                                         : _frame.origin;
  return {origin, _frame.size};
}

void UIView::describeViewState(DescriptionSink& sink) const {
  sink.rect("frame", frameInSpace(sink));
  sink.boolean("hidden", _hidden);
  sink.number("alpha", _alpha);
  if (_backgroundColor.alpha > 0) sink.color("backgroundColor", _backgroundColor);
}

void UIView::describe(DescriptionSink& sink, std::string_view slot) const {
  if (_viewController != nullptr) {
    _viewController->describe(sink, slot);
    return;
  }
  sink.beginNode(descriptionKind(), ObjectRef::to(weak_from_this()), slot);
  describeViewState(sink);
  describeProperties(sink);
  describeChildren(sink);
  sink.endNode();
}

void UIView::describeChildren(DescriptionSink& sink) const {
  for (const auto& view : _subviews) view->describe(sink);
}

Result<> UIView::applyTouch(const Touch& /*touch*/, const DescriptionNode& /*target*/) {
  return Refusal{"a " + std::string(descriptionKind()) + " takes no such touch"};
}

}  // namespace tessaly::platform
