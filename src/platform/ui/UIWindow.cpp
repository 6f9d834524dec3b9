#include "platform/ui/UIWindow.h"

#include "platform/ui/DescriptionSink.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UINavigationController.h"
#include "platform/ui/UIPanelView.h"

namespace tessaly::platform {

UIWindow::~UIWindow() = default;

void UIWindow::setRootViewController(std::shared_ptr<UIViewController> controller) {
  if (controller == _root) return;
  if (_root && _root->isViewLoaded() && _root->view()->superview() == this) {
    if (_visible) _root->beginAppearance(false, false);
    _root->view()->removeFromSuperview();
    if (_visible) _root->endAppearance(false, false);
  }
  _root = std::move(controller);
  if (!_root) return;
  const auto& view = _root->view();
  if (view->superview() != this) addSubview(view);
  placeRootView();
  if (_visible) {
    _root->beginAppearance(true, false);
    _root->endAppearance(true, false);
  }
}

void UIWindow::makeKeyAndVisible() {
  auto self = std::static_pointer_cast<UIWindow>(shared_from_this());
  UIApplication::sharedApplication().registerKeyWindow(self);
  if (_visible) return;
  _visible = true;
  setHidden(false);
  if (_root) {
    placeRootView();
    _root->beginAppearance(true, false);
    _root->endAppearance(true, false);
  }
}

bool UIWindow::isKeyWindow() const {
  return UIApplication::sharedApplication().keyWindow().get() == this;
}

void UIWindow::placeRootView() {
  if (!_root || !_root->isViewLoaded()) return;
  // The root fills the screen; a navigation controller keeps the status bar's strip free.
  _root->view()->setFrame(UIScreen::mainScreen().boundsForOrientation(_orientation));
  if (auto* navigation = dynamic_cast<UINavigationController*>(_root.get()))
    navigation->layoutContent();
}

unsigned UIWindow::allowedOrientations() const {
  auto& application = UIApplication::sharedApplication();
  unsigned mask = UIInterfaceOrientationMaskAll;
  if (auto* delegate = application.delegate())
    mask = delegate->applicationSupportedInterfaceOrientationsForWindow(
        &application, const_cast<UIWindow*>(this));
  // The screen in front decides: the last one presented, else the root.
  UIViewController* front = _root.get();
  while (front != nullptr && front->presentedViewController())
    front = front->presentedViewController().get();
  if (front != nullptr) {
    if (!front->shouldAutorotate()) return mask & (1u << _orientation);
    mask &= front->supportedInterfaceOrientations();
  }
  return mask;
}

double UIWindow::rotationDuration() const {
  return UIDevice::currentDevice().isPad() ? 0.4 : 0.3;
}

void UIWindow::screenDidChange() {
  CGSize size = UIScreen::mainScreen().boundsForOrientation(_orientation).size;
  setFrame(CGRectMake(frame().origin.x, frame().origin.y, size.width, size.height));
  placeRootView();
  if (!_root) return;
  UIView::animateWithDuration(0, [&] { _root->deliverWillAnimateRotation(_orientation, 0); });
  _root->deliverDidRotate(_orientation);
}

bool UIWindow::rotateToInterfaceOrientation(int orientation) {
  if (orientation == _orientation) return false;
  if (!UIInterfaceOrientationIsLandscape(orientation) &&
      !UIInterfaceOrientationIsPortrait(orientation))
    return false;
  if ((allowedOrientations() & (1u << orientation)) == 0) return false;
  int from = _orientation;
  double duration = rotationDuration();
  if (_root) _root->deliverWillRotate(orientation, duration);
  _orientation = orientation;
  // The window follows the turned screen, so everything inside is laid out as the user sees it.
  CGSize size = UIScreen::mainScreen().boundsForOrientation(orientation).size;
  setFrame(CGRectMake(frame().origin.x, frame().origin.y, size.width, size.height));
  placeRootView();
  if (_root) {
    UIView::animateWithDuration(duration,
                                [&] { _root->deliverWillAnimateRotation(orientation, duration); });
    _root->deliverDidRotate(from);
  }
  return true;
}

void UIWindow::describeChildren(DescriptionSink& sink) const {
  auto& application = UIApplication::sharedApplication();
  sink.beginNode("statusBar", ObjectRef::none());
  sink.rect("frame", CGRectMake(0, 0, frame().size.width, UIScreen::kStatusBarHeight));
  sink.boolean("hidden", false);
  sink.number("alpha", 1);
  sink.boolean("networkActivityIndicatorVisible", application.isNetworkActivityIndicatorVisible());
  sink.endNode();
  // The root screen's view, then the views of the screens presented over it, in order.
  UIView::describeChildren(sink);
  for (const auto& panel : application.panelsOnScreen()) panel->describe(sink);
}

}  // namespace tessaly::platform
