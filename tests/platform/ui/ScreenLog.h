#pragma once
// A screen that writes its life-cycle and rotation calls into a shared log.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/UIApplication.h"
#include "platform/ui/UINavigationController.h"
#include "platform/ui/UIWindow.h"

namespace tessaly::platform::testing {

using Log = std::vector<std::string>;

// A fresh application on a fresh phone for every test, and a log for the screens.
class ApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override { UIApplication::sharedApplication().reset(); }
  void TearDown() override { UIApplication::sharedApplication().reset(); }
  Log log;
};

class LoggingScreen : public UIViewController {
 public:
  LoggingScreen(std::string name, std::vector<std::string>& log)
      : _name(std::move(name)), _log(log) {}
  void viewDidLoad() override { _log.push_back(_name + " load"); }
  void viewWillAppear(bool) override { _log.push_back(_name + " willAppear"); }
  void viewDidAppear(bool) override { _log.push_back(_name + " didAppear"); }
  void viewWillDisappear(bool) override { _log.push_back(_name + " willDisappear"); }
  void viewDidDisappear(bool) override { _log.push_back(_name + " didDisappear"); }
  void willRotateToInterfaceOrientation(int o, double d) override {
    _log.push_back(_name + " willRotate " + std::to_string(o) + " " +
                   std::to_string(d).substr(0, 3));
  }
  void willAnimateRotationToInterfaceOrientation(int o, double) override {
    CGRect b = view()->bounds();
    _log.push_back(_name + " willAnimate " + std::to_string(o) + " " +
                   std::to_string(int(b.size.width)) + "x" + std::to_string(int(b.size.height)));
  }
  void didRotateFromInterfaceOrientation(int from) override {
    _log.push_back(_name + " didRotate " + std::to_string(from));
  }
  unsigned supportedInterfaceOrientations() override { return _supported; }
  void setSupported(unsigned mask) { _supported = mask; }

 private:
  std::string _name;
  std::vector<std::string>& _log;
  unsigned _supported = UIInterfaceOrientationMaskAll;
};

// The application as the program starts it: a window the size of the screen, a navigation
// controller with the root screen, shown.
struct Launched {
  std::shared_ptr<UIWindow> window;
  std::shared_ptr<UINavigationController> navigation;
};

inline Launched launch(std::shared_ptr<UIViewController> root) {
  Launched app;
  app.window = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
  app.navigation = std::make_shared<UINavigationController>(std::move(root));
  app.window->addSubview(app.navigation->view());
  app.window->setRootViewController(app.navigation);
  app.window->makeKeyAndVisible();
  return app;
}

}  // namespace tessaly::platform::testing
