#pragma once
// A screen: it owns its view (made on first use, then viewDidLoad), hears its appearance and
// rotation, carries the items of its navigation bar and toolbar, and presents other screens
// modally.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/UIBarButtonItem.h"
#include "platform/ui/UIDevice.h"
#include "platform/ui/UINavigationBar.h"
#include "platform/ui/UIView.h"

namespace tessaly::platform {

class DescriptionSink;

class UINavigationController;
class UISearchDisplayController;

enum UIModalPresentationStyle {
  UIModalPresentationFullScreen = 0,
  UIModalPresentationPageSheet = 1,
  UIModalPresentationFormSheet = 2,
  UIModalPresentationCurrentContext = 3,
};

enum UIModalTransitionStyle {
  UIModalTransitionStyleCoverVertical = 0,
  UIModalTransitionStyleFlipHorizontal = 1,
  UIModalTransitionStyleCrossDissolve = 2,
  UIModalTransitionStylePartialCurl = 3,
};

class UIViewController : public std::enable_shared_from_this<UIViewController> {
 public:
  UIViewController();
  virtual ~UIViewController();
  UIViewController(const UIViewController&) = delete;
  UIViewController& operator=(const UIViewController&) = delete;

  // A short name of the kind of screen, for snapshots and diagnostics.
  virtual std::string kind() const { return "viewController"; }

  // The view, loaded on first use: loadView, then viewDidLoad.
  const std::shared_ptr<UIView>& view();
  bool isViewLoaded() const { return _view != nullptr; }
  void setView(std::shared_ptr<UIView> view);
  // Makes the view; the default is a plain view of the screen's application frame.
  virtual void loadView();
  virtual void viewDidLoad() {}
  virtual void viewDidUnload() {}
  virtual void didReceiveMemoryWarning() {}

  // Appearance, called by the window, the navigation controller and modal presentation.
  virtual void viewWillAppear(bool /*animated*/) {}
  virtual void viewDidAppear(bool /*animated*/) {}
  virtual void viewWillDisappear(bool /*animated*/) {}
  virtual void viewDidDisappear(bool /*animated*/) {}
  // True between viewWillAppear and viewWillDisappear.
  bool isVisible() const { return _visible; }

  // Rotation. The window asks supportedInterfaceOrientations and shouldAutorotate of the screen in
  // front (the last one presented, else the root; a navigation controller passes the question
  // to its top screen). The window never asks the older shouldAutorotateToInterfaceOrientation:
  // screens may still answer it for their own callers.
  virtual bool shouldAutorotateToInterfaceOrientation(int orientation) {
    return orientation == UIInterfaceOrientationPortrait;
  }
  virtual bool shouldAutorotate() { return true; }
  // Default: all four on a tablet, all but upside down on a phone.
  virtual unsigned supportedInterfaceOrientations();
  virtual void willRotateToInterfaceOrientation(int /*orientation*/, double /*duration*/) {}
  virtual void willAnimateRotationToInterfaceOrientation(int /*orientation*/, double /*duration*/) {
  }
  virtual void didRotateFromInterfaceOrientation(int /*fromOrientation*/) {}
  // The orientation the application's interface currently has.
  int interfaceOrientation() const;

  const std::string& title() const { return _navigationItem.title(); }
  void setTitle(const std::string& title) { _navigationItem.setTitle(title); }
  UINavigationItem& navigationItem() { return _navigationItem; }
  const UINavigationItem& navigationItem() const { return _navigationItem; }
  // The navigation controller whose stack holds this screen, or null.
  UINavigationController* navigationController() const;

  // The items the navigation controller's toolbar shows while this screen is on top.
  const UIBarButtonItems& toolbarItems() const { return _toolbarItems; }
  void setToolbarItems(UIBarButtonItems items, bool animated = false);

  // Modal presentation: the presented screen appears over this one until dismissed.
  UIModalPresentationStyle modalPresentationStyle() const { return _modalPresentationStyle; }
  void setModalPresentationStyle(UIModalPresentationStyle style) {
    _modalPresentationStyle = style;
  }
  UIModalTransitionStyle modalTransitionStyle() const { return _modalTransitionStyle; }
  void setModalTransitionStyle(UIModalTransitionStyle style) { _modalTransitionStyle = style; }
  void presentViewController(std::shared_ptr<UIViewController> controller, bool animated,
                             std::function<void()> completion = {});
  // Called on the presenting screen or on the presented one: closes what this one presented,
  // or, when it presents nothing, itself.
  void dismissViewControllerAnimated(bool animated, std::function<void()> completion = {});
  const std::shared_ptr<UIViewController>& presentedViewController() const { return _presented; }
  // The screen that presented this one (or the navigation controller holding it), or null.
  UIViewController* presentingViewController() const;

  // What the screen shows, written as one node: its view's frame and look, the screen's name
  // (kind), title and modal presentation, then its view's subviews. A controller's view
  // describes itself this way.
  void describe(DescriptionSink& sink, std::string_view slot = {}) const;
  virtual std::string_view descriptionKind() const { return "viewController"; }

  // The search display controller made with this screen as its contents controller.
  UISearchDisplayController* searchDisplayController() const { return _searchDisplayController; }

  // Re-asks the key window's rotation question (after the top screen changed).
  static void attemptRotationToDeviceOrientation();

 protected:
  // The kind's own properties, after name, title and presentation.
  virtual void describeProperties(DescriptionSink& /*sink*/) const {}

  friend class UINavigationController;
  friend class UISearchDisplayController;
  friend class UIWindow;
  // Appearance as the containers deliver it: marks visibility, then the virtual call.
  void beginAppearance(bool appearing, bool animated);
  void endAppearance(bool appearing, bool animated);
  // Rotation delivered to this screen, then to what it shows inside or over itself.
  void deliverWillRotate(int orientation, double duration);
  void deliverWillAnimateRotation(int orientation, double duration);
  void deliverDidRotate(int fromOrientation);
  virtual std::vector<UIViewController*> rotationChildren() const;
  // Where a presented screen's view goes and how big it is.
  CGRect frameForPresentedController(const UIViewController& controller) const;

  UINavigationController* _navigationController = nullptr;

 private:
  std::shared_ptr<UIView> _view;
  UINavigationItem _navigationItem;
  UIBarButtonItems _toolbarItems;
  UIModalPresentationStyle _modalPresentationStyle = UIModalPresentationFullScreen;
  UIModalTransitionStyle _modalTransitionStyle = UIModalTransitionStyleCoverVertical;
  std::shared_ptr<UIViewController> _presented;
  UIViewController* _presenting = nullptr;
  UISearchDisplayController* _searchDisplayController = nullptr;
  bool _visible = false;
};

}  // namespace tessaly::platform
