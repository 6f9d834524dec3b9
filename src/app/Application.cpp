#include "app/Application.h"

#include "app/MainInterface.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIDevice.h"

namespace tessaly {

namespace p = tessaly::platform;

namespace {

// UIApplication::reset puts a fresh phone in; a relaunch keeps the device the host described.
void resetApplicationKeepingDevice() {
  auto& device = p::UIDevice::currentDevice();
  auto idiom = device.userInterfaceIdiom();
  auto model = device.model();
  auto version = device.systemVersion();
  auto orientation = device.orientation();
  p::CGRect screen = p::UIScreen::mainScreen().bounds();
  p::UIApplication::sharedApplication().reset();
  device.setUserInterfaceIdiom(idiom);
  device.setModel(model);
  device.setSystemVersion(version);
  p::UIScreen::mainScreen().setBounds(screen);
  device.setOrientation(orientation);
}

std::shared_ptr<AppDelegate> prepare() {
  auto& application = p::UIApplication::sharedApplication();
  if (application.isLaunched()) {
    application.terminate();
    resetApplicationKeepingDevice();
  }
  auto delegate = std::make_shared<AppDelegate>();
  loadMainInterface(*delegate);
  return delegate;
}

}  // namespace

std::shared_ptr<AppDelegate> Application::launch() {
  auto delegate = prepare();
  p::UIApplication::sharedApplication().launch(delegate);
  // The window turns to the device's orientation once the screens allow it.
  p::UIViewController::attemptRotationToDeviceOrientation();
  return delegate;
}

void Application::shutdown() {
  auto& application = p::UIApplication::sharedApplication();
  if (!application.isLaunched()) return;
  application.terminate();
  resetApplicationKeepingDevice();
}

AppDelegate* Application::delegate() {
  return dynamic_cast<AppDelegate*>(p::UIApplication::sharedApplication().delegate());
}

std::shared_ptr<p::UIWindow> Application::window() {
  auto* d = delegate();
  return d != nullptr ? d->window() : nullptr;
}

std::shared_ptr<p::UINavigationController> Application::navigationController() {
  auto* d = delegate();
  return d != nullptr ? d->myNavController() : nullptr;
}

std::shared_ptr<MapViewController> Application::mapScreen() {
  auto nav = navigationController();
  if (!nav || nav->viewControllers().empty()) return nullptr;
  return std::dynamic_pointer_cast<MapViewController>(nav->viewControllers().front());
}

std::shared_ptr<p::ADBannerView> Application::banner() {
  auto* d = delegate();
  return d != nullptr ? d->adBanner() : nullptr;
}

int Application::main(int argc, char** argv) {
  auto delegate = prepare();
  return p::UIApplicationMain(argc, argv, delegate);
}

}  // namespace tessaly
