#pragma once
// The one way to start the application: tests, the web host and the program use it. Everything
// runs on the platform's main thread; launch() runs the whole start (settings, window, banner,
// map screen) before it returns.
#include <memory>

#include "app/AppDelegate.h"
#include "mapscreen/MapViewController.h"

namespace tessaly {

class Application {
 public:
  // Starts the application on the device and screen as the host has set them. A running
  // application is ended first (its screens and alerts go), the device facts stay.
  static std::shared_ptr<AppDelegate> launch();
  // Ends the running application, if any (applicationWillTerminate); device facts stay.
  static void shutdown();

  // The running application's objects, or null before the launch.
  static AppDelegate* delegate();
  static std::shared_ptr<platform::UIWindow> window();
  static std::shared_ptr<platform::UINavigationController> navigationController();
  static std::shared_ptr<MapViewController> mapScreen();
  static std::shared_ptr<platform::ADBannerView> banner();

  // The program's entry: launches, then runs the main run loop until it is stopped.
  static int main(int argc, char** argv);
};

}  // namespace tessaly
