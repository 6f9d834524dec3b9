#pragma once
// The window: the outermost view, with the root screen whose view fills the application frame
// for the current orientation.
#include <memory>

#include "platform/ui/UIViewController.h"

namespace tessaly::platform {

class UIWindow : public UIView {
 public:
  using UIView::UIView;
  ~UIWindow() override;
  std::string kind() const override { return "window"; }
  std::string_view descriptionKind() const override { return "window"; }

  const std::shared_ptr<UIViewController>& rootViewController() const { return _root; }
  // Puts the root screen's view into the window, sized to the application frame.
  void setRootViewController(std::shared_ptr<UIViewController> controller);
  // Registers the window with the application as its key window and makes the root screen
  // appear (viewWillAppear, viewDidAppear) if it has not yet.
  void makeKeyAndVisible();
  bool isKeyWindow() const;
  bool isVisible() const { return _visible; }

  // The orientation of what the window shows.
  int interfaceOrientation() const { return _orientation; }
  // Which orientations the application and the root screen allow right now (a mask).
  unsigned allowedOrientations() const;
  // Turns the interface to orientation if allowed, with the rotation calls to the screens
  // (will rotate, frames change, will animate inside one animation, did rotate). Returns
  // whether it turned.
  bool rotateToInterfaceOrientation(int orientation);
  // The duration of a rotation animation.
  double rotationDuration() const;
  // The screen's size changed (the host's viewport): the window and the root screen take the new
  // size, and the screens hear willAnimateRotation and didRotate for the orientation they
  // already have, so that they lay themselves out again.
  void screenDidChange();

 protected:
  // The status bar, the root screen, the presented screens, then the alerts and sheets.
  void describeChildren(DescriptionSink& sink) const override;

 private:
  void placeRootView();

  std::shared_ptr<UIViewController> _root;
  bool _visible = false;
  int _orientation = UIInterfaceOrientationPortrait;
};

}  // namespace tessaly::platform
