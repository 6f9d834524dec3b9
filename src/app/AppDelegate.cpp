#include "app/AppDelegate.h"

#include "appdata/AppData.h"
#include "mapscreen/MapViewController.h"
#include "platform/foundation/FileSystem.h"
#include "platform/ui/UIDevice.h"

namespace tessaly {

namespace p = tessaly::platform;

void AppDelegate::applicationDidFinishLaunching(p::UIApplication* /*application*/) {
  AppData::sharedInstance().loadSettings();

  // The window also covers the status bar above the application frame.
  p::CGRect app = p::UIScreen::mainScreen().applicationFrame();
  p::CGRect frame = p::CGRectMake(app.origin.x, 0, app.size.width, app.size.height + 20);
  if (_window) {
    _window->setFrame(frame);
    _window->setBounds(frame);
  }

  _adBanner = std::make_shared<p::ADBannerView>(p::CGRectZero);
  _adBanner->setAutoresizingMask(p::UIViewAutoresizingFlexibleWidth |
                                 p::UIViewAutoresizingFlexibleTopMargin |
                                 p::UIViewAutoresizingFlexibleHeight);

  if (p::UIDevice::currentDevice().userInterfaceIdiom() == p::UIUserInterfaceIdiomPad && _window)
    _window->setFrame(p::CGRectMake(0, 0, 768, 1024));

  _adBanner->setRequiredContentSizeIdentifiers(
      {p::ADBannerContentSizeIdentifierPortrait, p::ADBannerContentSizeIdentifierLandscape});

  if (!_window || !_myNavController) return;
  _window->addSubview(_myNavController->view());
  _window->setRootViewController(_myNavController);
  _window->makeKeyAndVisible();
}

unsigned AppDelegate::applicationSupportedInterfaceOrientationsForWindow(
    p::UIApplication* /*application*/, p::UIWindow* window) {
  auto* nav = window != nullptr
                  ? dynamic_cast<p::UINavigationController*>(window->rootViewController().get())
                  : nullptr;
  if (nav == nullptr) return p::UIInterfaceOrientationMaskPortrait;
  if (p::UIDevice::currentDevice().userInterfaceIdiom() == p::UIUserInterfaceIdiomPad)
    return p::UIInterfaceOrientationMaskAll;
  // On a phone only the map turns with the device; the other screens stay upright.
  if (dynamic_cast<MapViewController*>(nav->topViewController()) != nullptr)
    return p::UIInterfaceOrientationMaskAll;
  return p::UIInterfaceOrientationMaskPortrait;
}

std::string AppDelegate::applicationDocumentsDirectory() const {
  return p::documentsDirectory();
}

}  // namespace tessaly
