#pragma once
// The application delegate: loads the settings first, sizes the window, makes the one banner,
// shows the navigation stack whose root is the map screen, and decides which orientations are
// allowed.
#include <memory>
#include <string>

#include "mapscreen/AdBannerOwner.h"
#include "platform/ads/ADBannerView.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UINavigationController.h"
#include "platform/ui/UIWindow.h"

namespace tessaly {

class AppDelegate : public platform::UIApplicationDelegate, public AdBannerOwner {
 public:
  void applicationDidFinishLaunching(platform::UIApplication* application) override;
  unsigned applicationSupportedInterfaceOrientationsForWindow(platform::UIApplication* application,
                                                              platform::UIWindow* window) override;
  // Nothing is saved when the application leaves the screen or ends.
  void applicationWillResignActive(platform::UIApplication*) override {}
  void applicationDidEnterBackground(platform::UIApplication*) override {}
  void applicationWillEnterForeground(platform::UIApplication*) override {}
  void applicationDidBecomeActive(platform::UIApplication*) override {}
  void applicationWillTerminate(platform::UIApplication*) override {}

  // The user's documents directory.
  std::string applicationDocumentsDirectory() const;

  // Connected by the main interface before the launch.
  const std::shared_ptr<platform::UIWindow>& window() const { return _window; }
  void setWindow(std::shared_ptr<platform::UIWindow> window) { _window = std::move(window); }
  const std::shared_ptr<platform::UINavigationController>& myNavController() const {
    return _myNavController;
  }
  void setMyNavController(std::shared_ptr<platform::UINavigationController> controller) {
    _myNavController = std::move(controller);
  }
  // Made at launch; lent to the map screen.
  const std::shared_ptr<platform::ADBannerView>& adBanner() const override { return _adBanner; }
  void setAdBanner(std::shared_ptr<platform::ADBannerView> banner) {
    _adBanner = std::move(banner);
  }

 private:
  std::shared_ptr<platform::UIWindow> _window;
  std::shared_ptr<platform::UINavigationController> _myNavController;
  std::shared_ptr<platform::ADBannerView> _adBanner;
};

}  // namespace tessaly
