#pragma once
// The bar at the top of a navigation controller, and the item each controller shows in it: a
// title, a left and a right button, and the back button that screens pushed above it show.
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/UIBarButtonItem.h"

namespace tessaly::platform {

class UINavigationController;

class UINavigationItem {
 public:
  const std::string& title() const { return _title; }
  void setTitle(const std::string& title) { _title = title; }
  const std::shared_ptr<UIBarButtonItem>& leftBarButtonItem() const { return _left; }
  void setLeftBarButtonItem(std::shared_ptr<UIBarButtonItem> item, bool animated = false);
  const std::shared_ptr<UIBarButtonItem>& rightBarButtonItem() const { return _right; }
  void setRightBarButtonItem(std::shared_ptr<UIBarButtonItem> item, bool animated = false);
  // Shown on the bar of the screens pushed above the one that owns this item.
  const std::shared_ptr<UIBarButtonItem>& backBarButtonItem() const { return _back; }
  void setBackBarButtonItem(std::shared_ptr<UIBarButtonItem> item) { _back = std::move(item); }

 private:
  std::string _title;
  std::shared_ptr<UIBarButtonItem> _left;
  std::shared_ptr<UIBarButtonItem> _right;
  std::shared_ptr<UIBarButtonItem> _back;
};

class UINavigationBar : public UIView {
 public:
  explicit UINavigationBar(UINavigationController* controller) : _controller(controller) {}
  std::string kind() const override { return "navigationBar"; }
  std::string_view descriptionKind() const override { return "navigationBar"; }

  UINavigationController* navigationController() const { return _controller; }
  // The items of the stack, bottom first; topItem is the one shown, backItem the one below it.
  std::vector<UINavigationItem*> items() const;
  UINavigationItem* topItem() const;
  UINavigationItem* backItem() const;
  // The title the back button shows: the back item's back button title, else its title, else
  // "Back"; empty when there is nothing to go back to.
  std::string backButtonTitle() const;

  // Input: the back button (pops the top screen). Returns whether there was one.
  bool tapBackButton();

 protected:
  void describeProperties(DescriptionSink& sink) const override;
  Result<> applyTouch(const Touch& touch, const DescriptionNode& target) override;

 private:
  friend class UINavigationController;
  UINavigationController* _controller;
};

}  // namespace tessaly::platform
