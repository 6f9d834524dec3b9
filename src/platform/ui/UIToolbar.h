#pragma once
// The bar of items at the bottom of a navigation controller. A navigation controller's toolbar
// shows the toolbar items of its top screen (UIViewController::setToolbarItems).
#include "platform/ui/UIBarButtonItem.h"

namespace tessaly::platform {

class UIToolbar : public UIView {
 public:
  using UIView::UIView;
  std::string kind() const override { return "toolbar"; }
  std::string_view descriptionKind() const override { return "toolbar"; }

  const UIBarButtonItems& items() const { return _items; }
  void setItems(UIBarButtonItems items, bool animated = false);
  // The first item with that tag, or null.
  std::shared_ptr<UIBarButtonItem> itemWithTag(int tag) const;

 protected:
  void describeProperties(DescriptionSink& sink) const override;

 private:
  UIBarButtonItems _items;
};

}  // namespace tessaly::platform
