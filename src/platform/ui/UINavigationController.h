#pragma once
// A stack of screens under a navigation bar, with a toolbar at the bottom that shows the top
// screen's toolbar items. Its view holds the bar, the top screen's view and the toolbar. On the
// whole screen the status bar keeps the top 20 points: the bar lies below it, the top screen's
// view starts below the bar (below the status bar when the bar is hidden) and reaches the
// bottom, and the toolbar lies over the view's lower edge. A phone in portrait: bar at 20, view
// 64 to 480 (416 high), toolbar at 436.
#include <memory>
#include <vector>

#include "platform/ui/UINavigationBar.h"
#include "platform/ui/UIToolbar.h"
#include "platform/ui/UIViewController.h"

namespace tessaly::platform {

class UINavigationController : public UIViewController {
 public:
  static constexpr CGFloat kBarHeight = 44;

  explicit UINavigationController(std::shared_ptr<UIViewController> rootViewController = nullptr);
  ~UINavigationController() override;
  std::string kind() const override { return "navigationController"; }
  std::string_view descriptionKind() const override { return "navigationController"; }

  const std::vector<std::shared_ptr<UIViewController>>& viewControllers() const { return _stack; }
  void setViewControllers(std::vector<std::shared_ptr<UIViewController>> controllers,
                          bool animated = false);
  UIViewController* topViewController() const;
  // The top screen, or what is presented modally over this controller.
  UIViewController* visibleViewController() const;
  void pushViewController(std::shared_ptr<UIViewController> controller, bool animated);
  // Pops the top screen unless it is the root; returns it (null when nothing was popped).
  std::shared_ptr<UIViewController> popViewControllerAnimated(bool animated);
  void popToRootViewControllerAnimated(bool animated);

  const std::shared_ptr<UINavigationBar>& navigationBar() const { return _navigationBar; }
  const std::shared_ptr<UIToolbar>& toolbar() const { return _toolbar; }
  bool isNavigationBarHidden() const { return _navigationBarHidden; }
  void setNavigationBarHidden(bool hidden, bool animated);
  // The toolbar starts hidden, as on the platform.
  bool isToolbarHidden() const { return _toolbarHidden; }
  void setToolbarHidden(bool hidden, bool animated);

  void loadView() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  void viewDidDisappear(bool animated) override;
  bool shouldAutorotate() override;
  unsigned supportedInterfaceOrientations() override;

  // Places the bar, the top screen's view and the toolbar in this controller's view.
  void layoutContent();
  // The top screen's toolbar items changed.
  void topToolbarItemsChanged(const UIViewController& controller);

 protected:
  // The stack, bottom first.
  void describeProperties(DescriptionSink& sink) const override;
  std::vector<UIViewController*> rotationChildren() const override;

 private:
  void showTop(UIViewController* previous, bool animated);

  std::vector<std::shared_ptr<UIViewController>> _stack;
  std::shared_ptr<UINavigationBar> _navigationBar;
  std::shared_ptr<UIToolbar> _toolbar;
  bool _navigationBarHidden = false;
  bool _toolbarHidden = true;
};

}  // namespace tessaly::platform
