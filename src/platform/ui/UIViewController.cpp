#include "platform/ui/UIViewController.h"

#include "platform/foundation/Log.h"
#include "platform/ui/DescriptionSink.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UINavigationController.h"
#include "platform/ui/UISearchBar.h"
#include "platform/ui/UIWindow.h"

namespace tessaly::platform {

UIViewController::UIViewController() = default;

UIViewController::~UIViewController() {
  if (_presented) _presented->_presenting = nullptr;
  if (_view && _view->_viewController == this) _view->_viewController = nullptr;
}

const std::shared_ptr<UIView>& UIViewController::view() {
  if (!_view) {
    loadView();
    if (!_view) UIViewController::loadView();
    viewDidLoad();
  }
  return _view;
}

void UIViewController::setView(std::shared_ptr<UIView> view) {
  if (_view && _view->_viewController == this) _view->_viewController = nullptr;
  _view = std::move(view);
  if (_view) _view->_viewController = this;
}

void UIViewController::loadView() {
  auto view = std::make_shared<UIView>(UIScreen::mainScreen().applicationFrame());
  view->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
  setView(std::move(view));
}

namespace {

const char* presentationName(UIModalPresentationStyle style) {
  switch (style) {
    case UIModalPresentationPageSheet:
      return "pageSheet";
    case UIModalPresentationFormSheet:
      return "formSheet";
    case UIModalPresentationCurrentContext:
      return "currentContext";
    default:
      return "fullScreen";
  }
}

}  // namespace

void UIViewController::describe(DescriptionSink& sink, std::string_view slot) const {
  sink.beginNode(descriptionKind(), ObjectRef::to(weak_from_this()), slot);
  if (_view) _view->describeViewState(sink);
  sink.string("name", kind());
  sink.string("title", title());
  if (_presenting != nullptr)
    sink.string("presentation", presentationName(_modalPresentationStyle));
  describeProperties(sink);
  if (_view) _view->describeChildren(sink);
  sink.endNode();
}

unsigned UIViewController::supportedInterfaceOrientations() {
  return UIDevice::currentDevice().isPad() ? UIInterfaceOrientationMaskAll
                                           : UIInterfaceOrientationMaskAllButUpsideDown;
}

int UIViewController::interfaceOrientation() const {
  return UIApplication::sharedApplication().statusBarOrientation();
}

UINavigationController* UIViewController::navigationController() const {
  return _navigationController;
}

void UIViewController::setToolbarItems(UIBarButtonItems items, bool /*animated*/) {
  _toolbarItems = std::move(items);
  if (_navigationController != nullptr) _navigationController->topToolbarItemsChanged(*this);
}

UIViewController* UIViewController::presentingViewController() const {
  if (_presenting != nullptr) return _presenting;
  if (_navigationController != nullptr) return _navigationController->presentingViewController();
  return nullptr;
}

CGRect UIViewController::frameForPresentedController(const UIViewController& controller) const {
  CGRect frame = UIScreen::mainScreen().boundsForOrientation(interfaceOrientation());
  if (!UIDevice::currentDevice().isPad()) return frame;  // a phone presents everything full screen
  CGSize size = frame.size;
  switch (controller.modalPresentationStyle()) {
    case UIModalPresentationFormSheet:
      size = {540, 620};
      break;
    case UIModalPresentationPageSheet:
      size.width = std::min<CGFloat>(768, size.width);
      break;
    default:
      return frame;
  }
  size.width = std::min(size.width, frame.size.width);
  size.height = std::min(size.height, frame.size.height);
  return CGRectMake(frame.origin.x + (frame.size.width - size.width) / 2,
                    frame.origin.y + (frame.size.height - size.height) / 2, size.width,
                    size.height);
}

namespace {

// A sheet on a tablet leaves the screen below it in view; anything else covers it.
bool coversPresenter(const UIViewController& presented) {
  if (!UIDevice::currentDevice().isPad()) return true;
  auto style = presented.modalPresentationStyle();
  return style != UIModalPresentationFormSheet && style != UIModalPresentationPageSheet;
}

}  // namespace

void UIViewController::presentViewController(std::shared_ptr<UIViewController> controller,
                                             bool animated, std::function<void()> completion) {
  if (!controller) return;
  // Presentation goes to the outermost container of this screen.
  UIViewController* host = this;
  while (host->_navigationController != nullptr) host = host->_navigationController;
  if (host->_presented) {
    log("Attempt to present a view controller on a controller which is already presenting");
    return;
  }
  if (controller->_presenting != nullptr || controller->_navigationController != nullptr)
    throw std::invalid_argument("Application tried to present modally an active controller");
  bool covers = coversPresenter(*controller);
  host->_presented = controller;
  controller->_presenting = host;
  auto& view = controller->view();
  view->setFrame(host->frameForPresentedController(*controller));
  if (host->isViewLoaded()) host->view()->rootView()->addSubview(view);
  if (auto* navigation = dynamic_cast<UINavigationController*>(controller.get()))
    navigation->layoutContent();
  bool hides = covers && host->isVisible();
  if (hides) host->beginAppearance(false, animated);
  controller->beginAppearance(true, animated);
  if (hides) host->endAppearance(false, animated);
  controller->endAppearance(true, animated);
  if (completion) completion();
}

void UIViewController::dismissViewControllerAnimated(bool animated,
                                                     std::function<void()> completion) {
  if (!_presented) {
    UIViewController* presenting = presentingViewController();
    if (presenting != nullptr) presenting->dismissViewControllerAnimated(animated, completion);
    return;
  }
  auto presented = _presented;
  if (presented->_presented) presented->dismissViewControllerAnimated(false);
  bool shows =
      coversPresenter(*presented) && isViewLoaded() && !isVisible() && presented->isVisible();
  presented->beginAppearance(false, animated);
  if (shows) beginAppearance(true, animated);
  if (presented->isViewLoaded()) presented->view()->removeFromSuperview();
  _presented.reset();
  presented->_presenting = nullptr;
  presented->endAppearance(false, animated);
  if (shows) endAppearance(true, animated);
  attemptRotationToDeviceOrientation();
  if (completion) completion();
}

void UIViewController::beginAppearance(bool appearing, bool animated) {
  if (appearing) {
    view();
    _visible = true;
    viewWillAppear(animated);
  } else {
    viewWillDisappear(animated);
    _visible = false;
  }
}

void UIViewController::endAppearance(bool appearing, bool animated) {
  if (appearing)
    viewDidAppear(animated);
  else
    viewDidDisappear(animated);
}

std::vector<UIViewController*> UIViewController::rotationChildren() const {
  if (_presented) return {_presented.get()};
  return {};
}

void UIViewController::deliverWillRotate(int orientation, double duration) {
  willRotateToInterfaceOrientation(orientation, duration);
  for (auto* child : rotationChildren()) child->deliverWillRotate(orientation, duration);
}

void UIViewController::deliverWillAnimateRotation(int orientation, double duration) {
  if (_presented && _presented->isViewLoaded()) {
    _presented->view()->setFrame(frameForPresentedController(*_presented));
    if (auto* navigation = dynamic_cast<UINavigationController*>(_presented.get()))
      navigation->layoutContent();
  }
  willAnimateRotationToInterfaceOrientation(orientation, duration);
  for (auto* child : rotationChildren()) child->deliverWillAnimateRotation(orientation, duration);
}

void UIViewController::deliverDidRotate(int fromOrientation) {
  didRotateFromInterfaceOrientation(fromOrientation);
  for (auto* child : rotationChildren()) child->deliverDidRotate(fromOrientation);
}

void UIViewController::attemptRotationToDeviceOrientation() {
  auto window = UIApplication::sharedApplication().keyWindow();
  if (!window) return;
  int orientation =
      UIInterfaceOrientationForDeviceOrientation(UIDevice::currentDevice().orientation());
  if (orientation != 0) window->rotateToInterfaceOrientation(orientation);
}

}  // namespace tessaly::platform
