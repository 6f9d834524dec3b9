#pragma once
// An item of a toolbar or a navigation bar: a system item, a titled or an image button, a custom
// view (the status label), or a space. Items are shared between a controller and its bar.
#include <functional>
#include <memory>
#include <string>

#include "platform/ui/UIView.h"

namespace tessaly::platform {

class DescriptionSink;

enum UIBarButtonSystemItem {
  UIBarButtonSystemItemNone = -1,  // not a system item
  UIBarButtonSystemItemDone = 0,
  UIBarButtonSystemItemCancel = 1,
  UIBarButtonSystemItemEdit = 2,
  UIBarButtonSystemItemSave = 3,
  UIBarButtonSystemItemAdd = 4,
  UIBarButtonSystemItemFlexibleSpace = 5,
  UIBarButtonSystemItemFixedSpace = 6,
  UIBarButtonSystemItemCompose = 7,
  UIBarButtonSystemItemReply = 8,
  UIBarButtonSystemItemAction = 9,
  UIBarButtonSystemItemOrganize = 10,
  UIBarButtonSystemItemBookmarks = 11,
  UIBarButtonSystemItemSearch = 12,
  UIBarButtonSystemItemRefresh = 13,
  UIBarButtonSystemItemStop = 14,
  UIBarButtonSystemItemCamera = 15,
  UIBarButtonSystemItemTrash = 16,
  UIBarButtonSystemItemPlay = 17,
  UIBarButtonSystemItemPause = 18,
  UIBarButtonSystemItemRewind = 19,
  UIBarButtonSystemItemFastForward = 20,
  UIBarButtonSystemItemUndo = 21,
  UIBarButtonSystemItemRedo = 22,
  UIBarButtonSystemItemPageCurl = 23,
};

enum UIBarButtonItemStyle {
  UIBarButtonItemStylePlain = 0,
  UIBarButtonItemStyleBordered = 1,
  UIBarButtonItemStyleDone = 2,
};

class UIBarButtonItem : public std::enable_shared_from_this<UIBarButtonItem> {
 public:
  using Action = std::function<void(UIBarButtonItem* sender)>;

  // initWithBarButtonSystemItem:target:action:
  explicit UIBarButtonItem(UIBarButtonSystemItem systemItem, Action action = {});
  // initWithTitle:style:target:action:
  UIBarButtonItem(std::string title, UIBarButtonItemStyle style, Action action = {});
  // initWithImage:style:target:action:
  UIBarButtonItem(std::shared_ptr<UIImage> image, UIBarButtonItemStyle style, Action action = {});
  // initWithCustomView:
  explicit UIBarButtonItem(std::shared_ptr<UIView> customView);

  UIBarButtonSystemItem systemItem() const { return _systemItem; }
  bool isSpace() const {
    return _systemItem == UIBarButtonSystemItemFlexibleSpace ||
           _systemItem == UIBarButtonSystemItemFixedSpace;
  }
  const std::string& title() const { return _title; }
  void setTitle(const std::string& title) { _title = title; }
  UIBarButtonItemStyle style() const { return _style; }
  void setStyle(UIBarButtonItemStyle style) { _style = style; }
  const std::shared_ptr<UIImage>& image() const { return _image; }
  int tag() const { return _tag; }
  void setTag(int tag) { _tag = tag; }
  bool isEnabled() const { return _enabled; }
  void setEnabled(bool enabled) { _enabled = enabled; }
  CGFloat width() const { return _width; }
  void setWidth(CGFloat width) { _width = width; }
  const std::shared_ptr<UIView>& customView() const { return _customView; }
  void setCustomView(std::shared_ptr<UIView> view) { _customView = std::move(view); }
  const Action& action() const { return _action; }
  void setAction(Action action) { _action = std::move(action); }

  // Input: a tap on the item. Disabled items, spaces and items without an action ignore it;
  // returns whether the action ran. An item with a control as custom view taps that control.
  bool tap();

  // Written as a barButtonItem node (no frame: its bar places it), with its custom view inside.
  void describe(DescriptionSink& sink, std::string_view slot = {}) const;

 private:
  UIBarButtonSystemItem _systemItem = UIBarButtonSystemItemNone;
  std::string _title;
  UIBarButtonItemStyle _style = UIBarButtonItemStylePlain;
  std::shared_ptr<UIImage> _image;
  std::shared_ptr<UIView> _customView;
  Action _action;
  int _tag = 0;
  bool _enabled = true;
  CGFloat _width = 0;
};

using UIBarButtonItems = std::vector<std::shared_ptr<UIBarButtonItem>>;

}  // namespace tessaly::platform
