#pragma once
// The main interface, built in code: the window, the navigation controller with its toolbar,
// and its root, the map screen with its map view, search bar, search display controller and the
// ten toolbar items. Connected to the application delegate before the launch.
#include <memory>

#include "mapscreen/MapViewController.h"
#include "platform/ui/UINavigationController.h"
#include "platform/ui/UIWindow.h"

namespace tessaly {

class AppDelegate;

struct MainInterface {
  std::shared_ptr<platform::UIWindow> window;
  std::shared_ptr<platform::UINavigationController> navigationController;
  std::shared_ptr<MapViewController> mapScreen;
};

// Makes the objects for the main screen as it is now (screen size) and connects the window and
// the navigation controller to delegate.
MainInterface loadMainInterface(AppDelegate& delegate);

}  // namespace tessaly
