#include "platform/ui/UIBarButtonItem.h"

#include <algorithm>

#include "platform/ui/UIControl.h"
#include "platform/ui/UINavigationBar.h"
#include "platform/ui/UINavigationController.h"
#include "platform/ui/UIToolbar.h"

namespace tessaly::platform {

UIBarButtonItem::UIBarButtonItem(UIBarButtonSystemItem systemItem, Action action)
    : _systemItem(systemItem), _action(std::move(action)) {}

UIBarButtonItem::UIBarButtonItem(std::string title, UIBarButtonItemStyle style, Action action)
    : _title(std::move(title)), _style(style), _action(std::move(action)) {}

UIBarButtonItem::UIBarButtonItem(std::shared_ptr<UIImage> image, UIBarButtonItemStyle style,
                                 Action action)
    : _style(style), _image(std::move(image)), _action(std::move(action)) {}

UIBarButtonItem::UIBarButtonItem(std::shared_ptr<UIView> customView)
    : _customView(std::move(customView)) {}

bool UIBarButtonItem::tap() {
  if (!_enabled || isSpace()) return false;
  if (auto control = std::dynamic_pointer_cast<UIControl>(_customView)) return control->tap();
  if (!_action) return false;
  auto keepAlive = weak_from_this().lock();  // the action may replace this item
  auto action = _action;
  action(this);
  return true;
}

void UIToolbar::setItems(UIBarButtonItems items, bool /*animated*/) {
  _items = std::move(items);
}

std::shared_ptr<UIBarButtonItem> UIToolbar::itemWithTag(int tag) const {
  auto it = std::find_if(_items.begin(), _items.end(),
                         [tag](const auto& item) { return item && item->tag() == tag; });
  return it == _items.end() ? nullptr : *it;
}

void UINavigationItem::setLeftBarButtonItem(std::shared_ptr<UIBarButtonItem> item,
                                            bool /*animated*/) {
  _left = std::move(item);
}

void UINavigationItem::setRightBarButtonItem(std::shared_ptr<UIBarButtonItem> item,
                                             bool /*animated*/) {
  _right = std::move(item);
}

std::vector<UINavigationItem*> UINavigationBar::items() const {
  std::vector<UINavigationItem*> items;
  if (_controller == nullptr) return items;
  for (const auto& controller : _controller->viewControllers())
    items.push_back(&controller->navigationItem());
  return items;
}

UINavigationItem* UINavigationBar::topItem() const {
  auto all = items();
  return all.empty() ? nullptr : all.back();
}

UINavigationItem* UINavigationBar::backItem() const {
  auto all = items();
  return all.size() < 2 ? nullptr : all[all.size() - 2];
}

std::string UINavigationBar::backButtonTitle() const {
  UINavigationItem* back = backItem();
  if (back == nullptr) return "";
  if (back->backBarButtonItem() && !back->backBarButtonItem()->title().empty())
    return back->backBarButtonItem()->title();
  if (!back->title().empty()) return back->title();
  return "Back";
}

bool UINavigationBar::tapBackButton() {
  if (_controller == nullptr || backItem() == nullptr || isHidden()) return false;
  return _controller->popViewControllerAnimated(true) != nullptr;
}

}  // namespace tessaly::platform
