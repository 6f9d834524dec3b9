#include "platform/ui/UINavigationController.h"

#include <algorithm>
#include <stdexcept>

#include "platform/ui/DescriptionSink.h"
#include "platform/ui/UIApplication.h"

namespace tessaly::platform {

UINavigationController::UINavigationController(std::shared_ptr<UIViewController> root)
    : _navigationBar(std::make_shared<UINavigationBar>(this)),
      _toolbar(std::make_shared<UIToolbar>()) {
  _toolbar->setHidden(true);
  if (root) {
    root->_navigationController = this;
    _stack.push_back(std::move(root));
  }
}

UINavigationController::~UINavigationController() {
  _navigationBar->_controller = nullptr;
  for (auto& controller : _stack)
    if (controller->_navigationController == this) controller->_navigationController = nullptr;
}

UIViewController* UINavigationController::topViewController() const {
  return _stack.empty() ? nullptr : _stack.back().get();
}

UIViewController* UINavigationController::visibleViewController() const {
  if (const auto& presented = presentedViewController()) {
    if (auto* navigation = dynamic_cast<UINavigationController*>(presented.get()))
      return navigation->visibleViewController();
    return presented.get();
  }
  return topViewController();
}

void UINavigationController::loadView() {
  auto view = std::make_shared<UIView>(UIScreen::mainScreen().boundsForOrientation(
      UIApplication::sharedApplication().statusBarOrientation()));
  view->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
  view->addSubview(_navigationBar);
  view->addSubview(_toolbar);
  setView(view);
  layoutContent();
}

void UINavigationController::layoutContent() {
  if (!isViewLoaded()) return;
  const auto& container = view();
  CGRect bounds = container->bounds();
  // At the top of the screen the status bar takes the first 20 points; a sheet has none.
  CGFloat top = container->superview() == nullptr ||
                        container->convertPoint({0, 0}, nullptr).y < UIScreen::kStatusBarHeight
                    ? UIScreen::kStatusBarHeight
                    : 0;
  _navigationBar->setHidden(_navigationBarHidden);
  _navigationBar->setFrame(CGRectMake(0, top, bounds.size.width, kBarHeight));
  if (UIViewController* screen = topViewController(); screen != nullptr && screen->isViewLoaded()) {
    CGFloat y = top + (_navigationBarHidden ? 0 : kBarHeight);
    const auto& content = screen->view();
    content->setFrame(CGRectMake(0, y, bounds.size.width, bounds.size.height - y));
    if (content->superview() != container.get()) container->addSubview(content);
  }
  // The toolbar lies over the content, at the bottom.
  _toolbar->setHidden(_toolbarHidden);
  _toolbar->setFrame(CGRectMake(0, bounds.size.height - kBarHeight, bounds.size.width, kBarHeight));
  if (container->subviews().back() != _toolbar) container->addSubview(_toolbar);
}

void UINavigationController::topToolbarItemsChanged(const UIViewController& controller) {
  if (&controller == topViewController()) _toolbar->setItems(controller.toolbarItems());
}

void UINavigationController::showTop(UIViewController* previous, bool animated) {
  UIViewController* top = topViewController();
  if (top == previous) return;
  _toolbar->setItems(top != nullptr ? top->toolbarItems() : UIBarButtonItems{});
  if (!isViewLoaded()) return;
  bool onScreen = isVisible();
  if (onScreen && previous != nullptr && previous->isVisible())
    previous->beginAppearance(false, animated);
  if (top != nullptr) top->view();
  if (previous != nullptr && previous->isViewLoaded()) previous->view()->removeFromSuperview();
  layoutContent();
  if (top != nullptr && onScreen) top->beginAppearance(true, animated);
  if (onScreen && previous != nullptr) previous->endAppearance(false, animated);
  if (top != nullptr && onScreen) top->endAppearance(true, animated);
}

void UINavigationController::setViewControllers(
    std::vector<std::shared_ptr<UIViewController>> controllers, bool animated) {
  auto previous = _stack.empty() ? nullptr : _stack.back();
  for (auto& controller : _stack) controller->_navigationController = nullptr;
  _stack.clear();
  for (auto& controller : controllers) {
    if (!controller) continue;
    if (std::find(_stack.begin(), _stack.end(), controller) != _stack.end())
      throw std::invalid_argument(
          "Pushing the same view controller instance more than once is not supported");
    controller->_navigationController = this;
    _stack.push_back(std::move(controller));
  }
  showTop(previous.get(), animated);
  attemptRotationToDeviceOrientation();
}

void UINavigationController::pushViewController(std::shared_ptr<UIViewController> controller,
                                                bool animated) {
  if (!controller) return;
  if (std::find(_stack.begin(), _stack.end(), controller) != _stack.end())
    throw std::invalid_argument(
        "Pushing the same view controller instance more than once is not supported");
  if (controller->_navigationController != nullptr)
    throw std::invalid_argument("Pushing a view controller that is in another stack");
  UIViewController* previous = topViewController();
  controller->_navigationController = this;
  _stack.push_back(std::move(controller));
  showTop(previous, animated);
}

std::shared_ptr<UIViewController> UINavigationController::popViewControllerAnimated(bool animated) {
  if (_stack.size() < 2) return nullptr;
  auto popped = _stack.back();
  _stack.pop_back();
  showTop(popped.get(), animated);
  popped->_navigationController = nullptr;
  attemptRotationToDeviceOrientation();
  return popped;
}

void UINavigationController::popToRootViewControllerAnimated(bool animated) {
  if (_stack.size() < 2) return;
  auto previous = _stack.back();
  std::vector<std::shared_ptr<UIViewController>> popped(_stack.begin() + 1, _stack.end());
  _stack.resize(1);
  showTop(previous.get(), animated);
  for (auto& controller : popped) controller->_navigationController = nullptr;
  attemptRotationToDeviceOrientation();
}

void UINavigationController::setNavigationBarHidden(bool hidden, bool /*animated*/) {
  if (hidden == _navigationBarHidden) return;
  _navigationBarHidden = hidden;
  layoutContent();
}

void UINavigationController::setToolbarHidden(bool hidden, bool /*animated*/) {
  if (hidden == _toolbarHidden) return;
  _toolbarHidden = hidden;
  _toolbar->setHidden(hidden);
  layoutContent();
}

void UINavigationController::viewWillAppear(bool animated) {
  if (UIViewController* top = topViewController()) {
    top->view();
    _toolbar->setItems(top->toolbarItems());
    layoutContent();
    top->beginAppearance(true, animated);
  }
}

void UINavigationController::viewDidAppear(bool animated) {
  if (UIViewController* top = topViewController()) top->endAppearance(true, animated);
}

void UINavigationController::viewWillDisappear(bool animated) {
  if (UIViewController* top = topViewController()) top->beginAppearance(false, animated);
}

void UINavigationController::viewDidDisappear(bool animated) {
  if (UIViewController* top = topViewController()) top->endAppearance(false, animated);
}

bool UINavigationController::shouldAutorotate() {
  UIViewController* top = topViewController();
  return top != nullptr ? top->shouldAutorotate() : true;
}

unsigned UINavigationController::supportedInterfaceOrientations() {
  UIViewController* top = topViewController();
  return top != nullptr ? top->supportedInterfaceOrientations()
                        : UIViewController::supportedInterfaceOrientations();
}

std::vector<UIViewController*> UINavigationController::rotationChildren() const {
  std::vector<UIViewController*> children;
  if (UIViewController* top = topViewController(); top != nullptr && top->isViewLoaded())
    children.push_back(top);
  if (presentedViewController()) children.push_back(presentedViewController().get());
  return children;
}

void UINavigationController::describeProperties(DescriptionSink& sink) const {
  sink.beginList("stack");
  for (const auto& controller : _stack) {
    sink.beginRecord();
    sink.reference("id", ObjectRef::to(controller));
    sink.string("name", controller->kind());
    sink.string("title", controller->title());
    sink.endRecord();
  }
  sink.endList();
}

}  // namespace tessaly::platform
