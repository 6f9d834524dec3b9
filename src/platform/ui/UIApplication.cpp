#include "platform/ui/UIApplication.h"

#include <algorithm>
#include <cctype>

#include "platform/foundation/RunLoop.h"
#include "platform/ui/UIPanelView.h"
#include "platform/ui/UIView.h"
#include "platform/ui/UIWindow.h"

namespace tessaly::platform {

int UIInterfaceOrientationForDeviceOrientation(UIDeviceOrientation orientation) {
  switch (orientation) {
    case UIDeviceOrientationPortrait:
      return UIInterfaceOrientationPortrait;
    case UIDeviceOrientationPortraitUpsideDown:
      return UIInterfaceOrientationPortraitUpsideDown;
    // The interface turns against the device: the device's left is the interface's right.
    case UIDeviceOrientationLandscapeLeft:
      return UIInterfaceOrientationLandscapeRight;
    case UIDeviceOrientationLandscapeRight:
      return UIInterfaceOrientationLandscapeLeft;
    default:
      return 0;
  }
}

UIDevice& UIDevice::currentDevice() {
  static UIDevice device;
  return device;
}

void UIDevice::setOrientation(UIDeviceOrientation orientation) {
  _orientation = orientation;
  UIApplication::sharedApplication().deviceOrientationDidChange();
}

void UIDevice::reset(UIUserInterfaceIdiom idiom) {
  _idiom = idiom;
  _model = idiom == UIUserInterfaceIdiomPad ? "Tablet" : "Phone";
  _systemVersion = "1.0";
  _orientation = UIDeviceOrientationPortrait;
  UIScreen::mainScreen().setBounds(idiom == UIUserInterfaceIdiomPad ? CGRectMake(0, 0, 768, 1024)
                                                                    : CGRectMake(0, 0, 320, 480));
}

UIScreen& UIScreen::mainScreen() {
  static UIScreen screen;
  return screen;
}

CGRect UIScreen::applicationFrame() const {
  return applicationFrameForOrientation(UIInterfaceOrientationPortrait);
}

CGRect UIScreen::boundsForOrientation(int interfaceOrientation) const {
  CGSize size = _bounds.size;
  if (UIInterfaceOrientationIsLandscape(interfaceOrientation)) std::swap(size.width, size.height);
  return CGRectMake(0, 0, size.width, size.height);
}

CGRect UIScreen::applicationFrameForOrientation(int interfaceOrientation) const {
  CGRect screen = boundsForOrientation(interfaceOrientation);
  return CGRectMake(0, kStatusBarHeight, screen.size.width, screen.size.height - kStatusBarHeight);
}

UIApplication& UIApplication::sharedApplication() {
  static UIApplication application;
  return application;
}

void UIApplication::launch(std::shared_ptr<UIApplicationDelegate> delegate) {
  _delegate = std::move(delegate);
  _launched = true;
  if (_delegate) _delegate->applicationDidFinishLaunching(this);
}

void UIApplication::terminate() {
  if (_delegate) _delegate->applicationWillTerminate(this);
}

std::vector<std::shared_ptr<UIWindow>> UIApplication::windows() const {
  std::vector<std::shared_ptr<UIWindow>> windows;
  for (const auto& weak : _windows)
    if (auto window = weak.lock()) windows.push_back(window);
  return windows;
}

std::shared_ptr<UIWindow> UIApplication::keyWindow() const {
  for (auto it = _windows.rbegin(); it != _windows.rend(); ++it)
    if (auto window = it->lock()) return window;
  return nullptr;
}

void UIApplication::registerKeyWindow(const std::shared_ptr<UIWindow>& window) {
  std::erase_if(_windows, [&](const auto& weak) {
    auto held = weak.lock();
    return !held || held == window;
  });
  _windows.push_back(window);
}

bool UIApplication::openURL(const std::string& url) {
  // A scheme is a letter followed by letters, digits, "+", "-" or ".", then a colon.
  auto colon = url.find(':');
  if (colon == std::string::npos || colon == 0 || !std::isalpha(static_cast<unsigned char>(url[0])))
    return false;
  for (std::size_t i = 1; i < colon; ++i) {
    unsigned char c = static_cast<unsigned char>(url[i]);
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
  }
  _openedURLs.push_back(url);
  return true;
}

int UIApplication::statusBarOrientation() const {
  auto window = keyWindow();
  return window ? window->interfaceOrientation() : UIInterfaceOrientationPortrait;
}

void UIApplication::deviceOrientationDidChange() {
  int orientation =
      UIInterfaceOrientationForDeviceOrientation(UIDevice::currentDevice().orientation());
  if (orientation == 0) return;  // face up or down: the interface keeps its orientation
  if (auto window = keyWindow()) window->rotateToInterfaceOrientation(orientation);
}

std::shared_ptr<UIPanelView> UIApplication::topPanel() const {
  return _panels.empty() ? nullptr : _panels.back();
}

void UIApplication::addPanel(std::shared_ptr<UIPanelView> panel) {
  if (!panel) return;
  removePanel(panel.get());
  _panels.push_back(std::move(panel));
}

void UIApplication::removePanel(const UIPanelView* panel) {
  std::erase_if(_panels, [panel](const auto& p) { return p.get() == panel; });
}

void UIApplication::reset() {
  _delegate.reset();
  _launched = false;
  _windows.clear();
  _idleTimerDisabled = false;
  _networkActivityIndicatorVisible = false;
  _openedURLs.clear();
  _panels.clear();
  UIDevice::currentDevice().reset();
  UIView::resetAnimations();
}

int UIApplicationMain(int /*argc*/, char** /*argv*/,
                      std::shared_ptr<UIApplicationDelegate> delegate) {
  auto& application = UIApplication::sharedApplication();
  application.launch(std::move(delegate));
  RunLoop::main().run();
  application.terminate();
  return 0;
}

}  // namespace tessaly::platform
