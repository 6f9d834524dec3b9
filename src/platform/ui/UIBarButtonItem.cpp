#include "platform/ui/UIBarButtonItem.h"

#include <algorithm>

#include "platform/ui/DescriptionSink.h"
#include "platform/ui/Touch.h"
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

namespace {

const char* systemItemName(UIBarButtonSystemItem item) {
  static const char* const names[] = {"done",          "cancel",     "edit",    "save",    "add",
                                      "flexibleSpace", "fixedSpace", "compose", "reply",   "action",
                                      "organize",      "bookmarks",  "search",  "refresh", "stop",
                                      "camera",        "trash",      "play",    "pause",   "rewind",
                                      "fastForward",   "undo",       "redo",    "pageCurl"};
  int index = static_cast<int>(item);
  return index >= 0 && index < static_cast<int>(std::size(names)) ? names[index] : nullptr;
}

}  // namespace

void UIBarButtonItem::describe(DescriptionSink& sink, std::string_view slot) const {
  sink.beginNode("barButtonItem", ObjectRef::to(weak_from_this()), slot);
  if (const char* name = systemItemName(_systemItem))
    sink.string("systemItem", name);
  else
    sink.null("systemItem");
  sink.string("title", _title);
  if (_image)
    sink.string("image", _image->name());
  else
    sink.null("image");
  sink.string("style", _style == UIBarButtonItemStyleDone       ? "done"
                       : _style == UIBarButtonItemStyleBordered ? "bordered"
                                                                : "plain");
  sink.number("tag", _tag);
  sink.boolean("enabled", _enabled);
  sink.number("width", _width);
  if (_customView) _customView->describe(sink);
  sink.endNode();
}

void UIToolbar::describeProperties(DescriptionSink& sink) const {
  sink.beginList("items");
  for (const auto& item : _items)
    if (item) item->describe(sink);
  sink.endList();
}

void UINavigationBar::describeProperties(DescriptionSink& sink) const {
  UINavigationItem* top = topItem();
  sink.string("title", top != nullptr ? top->title() : "");
  auto slot = [&](const char* name, const std::shared_ptr<UIBarButtonItem>& item) {
    if (item)
      item->describe(sink, name);
    else
      sink.null(name);
  };
  slot("left", top != nullptr ? top->leftBarButtonItem() : nullptr);
  slot("right", top != nullptr ? top->rightBarButtonItem() : nullptr);
  if (backItem() != nullptr && (top == nullptr || !top->leftBarButtonItem())) {
    sink.beginRecord("back");
    sink.string("title", backButtonTitle());
    sink.endRecord();
  } else {
    sink.null("back");
  }
}

Result<> UINavigationBar::applyTouch(const Touch& touch, const DescriptionNode& target) {
  if (touch.kind != Touch::Kind::GoBack) return UIView::applyTouch(touch, target);
  if (!tapBackButton()) return Refusal{"there is no screen to go back to"};
  return done();
}

}  // namespace tessaly::platform
