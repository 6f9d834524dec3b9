#pragma once
// The application: its delegate, its windows, the panels (alerts and sheets) on screen, and the
// small facts a person sees (idle timer, network activity indicator, URLs handed to the system).
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/UIDevice.h"

namespace tessaly::platform {

class UIApplication;
class UIPanelView;
class UIWindow;

class UIApplicationDelegate {
 public:
  virtual ~UIApplicationDelegate() = default;
  virtual void applicationDidFinishLaunching(UIApplication* /*application*/) {}
  // The orientations allowed for the window (a mask); the default allows all four.
  virtual unsigned applicationSupportedInterfaceOrientationsForWindow(UIApplication*, UIWindow*) {
    return UIInterfaceOrientationMaskAll;
  }
  virtual void applicationWillResignActive(UIApplication*) {}
  virtual void applicationDidEnterBackground(UIApplication*) {}
  virtual void applicationWillEnterForeground(UIApplication*) {}
  virtual void applicationDidBecomeActive(UIApplication*) {}
  virtual void applicationWillTerminate(UIApplication*) {}
};

class UIApplication {
 public:
  static UIApplication& sharedApplication();

  UIApplicationDelegate* delegate() const { return _delegate.get(); }
  // Makes delegate the application's delegate and calls its launch (the main interface is the
  // delegate's to build). The application keeps the delegate until reset.
  void launch(std::shared_ptr<UIApplicationDelegate> delegate);
  bool isLaunched() const { return _launched; }
  // The application's end: applicationWillTerminate.
  void terminate();

  // The windows made key and visible, in that order, and the last of them.
  std::vector<std::shared_ptr<UIWindow>> windows() const;
  std::shared_ptr<UIWindow> keyWindow() const;
  void registerKeyWindow(const std::shared_ptr<UIWindow>& window);

  bool isIdleTimerDisabled() const { return _idleTimerDisabled; }
  void setIdleTimerDisabled(bool disabled) { _idleTimerDisabled = disabled; }
  bool isNetworkActivityIndicatorVisible() const { return _networkActivityIndicatorVisible; }
  void setNetworkActivityIndicatorVisible(bool visible) {
    _networkActivityIndicatorVisible = visible;
  }

  // Hands a URL to the system; every URL handed over is kept in order. Answers false (and keeps
  // nothing) for a text that does not start with a scheme ("mailto:", "http:").
  bool openURL(const std::string& url);
  const std::vector<std::string>& openedURLs() const { return _openedURLs; }

  // The key window's interface orientation (portrait without a window).
  int statusBarOrientation() const;
  // The device turned (called by UIDevice).
  void deviceOrientationDidChange();

  // Alerts and sheets on screen, oldest first.
  const std::vector<std::shared_ptr<UIPanelView>>& panelsOnScreen() const { return _panels; }
  std::shared_ptr<UIPanelView> topPanel() const;
  void addPanel(std::shared_ptr<UIPanelView> panel);
  void removePanel(const UIPanelView* panel);

  // Back to a fresh, unlaunched application on a fresh phone (between tests): forgets the
  // delegate, windows, panels and URLs, and resets the device, the screen and the recorded
  // animations.
  void reset();

 private:
  std::shared_ptr<UIApplicationDelegate> _delegate;
  bool _launched = false;
  std::vector<std::weak_ptr<UIWindow>> _windows;
  bool _idleTimerDisabled = false;
  bool _networkActivityIndicatorVisible = false;
  std::vector<std::string> _openedURLs;
  std::vector<std::shared_ptr<UIPanelView>> _panels;
};

// The program's entry: launches the application with delegate, then runs the main run loop until
// it is stopped. Returns the exit status.
int UIApplicationMain(int argc, char** argv, std::shared_ptr<UIApplicationDelegate> delegate);

}  // namespace tessaly::platform
