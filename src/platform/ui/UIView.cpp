#include "platform/ui/UIView.h"

#include <algorithm>

namespace tessaly::platform {

UIView::UIView(CGRect frame) : _frame(frame), _bounds{{0, 0}, frame.size} {}

UIView::~UIView() {
  for (auto& view : _subviews) view->_superview = nullptr;
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

void UIView::layoutIfNeeded() {
  if (_needsLayout) {
    _needsLayout = false;
    ++_layoutPasses;
    layoutSubviews();
  }
  for (auto& view : _subviews) view->layoutIfNeeded();
}

}  // namespace tessaly::platform
