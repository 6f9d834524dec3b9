#pragma once
// Facts of the device and its screen. The host (or a test) sets them; the application reads
// them. Turning the device is an input: it rotates the key window when the screen allows it.
#include <string>

#include "platform/foundation/Geometry.h"

namespace tessaly::platform {

enum UIUserInterfaceIdiom {
  UIUserInterfaceIdiomPhone = 0,
  UIUserInterfaceIdiomPad = 1,
};

enum UIDeviceOrientation {
  UIDeviceOrientationUnknown = 0,
  UIDeviceOrientationPortrait = 1,
  UIDeviceOrientationPortraitUpsideDown = 2,
  UIDeviceOrientationLandscapeLeft = 3,  // home button on the right
  UIDeviceOrientationLandscapeRight = 4,
  UIDeviceOrientationFaceUp = 5,
  UIDeviceOrientationFaceDown = 6,
};

enum UIInterfaceOrientation {
  UIInterfaceOrientationPortrait = 1,
  UIInterfaceOrientationPortraitUpsideDown = 2,
  UIInterfaceOrientationLandscapeLeft = 4,
  UIInterfaceOrientationLandscapeRight = 3,
};

enum UIInterfaceOrientationMask : unsigned {
  UIInterfaceOrientationMaskPortrait = 1u << UIInterfaceOrientationPortrait,
  UIInterfaceOrientationMaskPortraitUpsideDown = 1u << UIInterfaceOrientationPortraitUpsideDown,
  UIInterfaceOrientationMaskLandscapeLeft = 1u << UIInterfaceOrientationLandscapeLeft,
  UIInterfaceOrientationMaskLandscapeRight = 1u << UIInterfaceOrientationLandscapeRight,
  UIInterfaceOrientationMaskLandscape =
      UIInterfaceOrientationMaskLandscapeLeft | UIInterfaceOrientationMaskLandscapeRight,
  UIInterfaceOrientationMaskAll = 30,
  UIInterfaceOrientationMaskAllButUpsideDown = 26,
};

inline bool UIInterfaceOrientationIsLandscape(int orientation) {
  return orientation == UIInterfaceOrientationLandscapeLeft ||
         orientation == UIInterfaceOrientationLandscapeRight;
}
inline bool UIInterfaceOrientationIsPortrait(int orientation) {
  return orientation == UIInterfaceOrientationPortrait ||
         orientation == UIInterfaceOrientationPortraitUpsideDown;
}
// The interface orientation that follows a device orientation; 0 for face up, down or unknown.
int UIInterfaceOrientationForDeviceOrientation(UIDeviceOrientation orientation);

class UIDevice {
 public:
  static UIDevice& currentDevice();

  UIUserInterfaceIdiom userInterfaceIdiom() const { return _idiom; }
  void setUserInterfaceIdiom(UIUserInterfaceIdiom idiom) { _idiom = idiom; }
  bool isPad() const { return _idiom == UIUserInterfaceIdiomPad; }
  const std::string& model() const { return _model; }
  void setModel(const std::string& model) { _model = model; }
  const std::string& systemVersion() const { return _systemVersion; }
  void setSystemVersion(const std::string& version) { _systemVersion = version; }

  UIDeviceOrientation orientation() const { return _orientation; }
  // Input: the device turned. The application's key window follows if the screens on it allow
  // the new orientation (and follows later, once they do).
  void setOrientation(UIDeviceOrientation orientation);

  // Back to a fresh device of that idiom: model "Phone" or "Tablet", system version "1.0",
  // portrait, and the main screen's default size for it (320x480 or 768x1024).
  void reset(UIUserInterfaceIdiom idiom = UIUserInterfaceIdiomPhone);

 private:
  UIUserInterfaceIdiom _idiom = UIUserInterfaceIdiomPhone;
  std::string _model = "Phone";
  std::string _systemVersion = "1.0";
  UIDeviceOrientation _orientation = UIDeviceOrientationPortrait;
};

class UIScreen {
 public:
  static constexpr CGFloat kStatusBarHeight = 20;

  static UIScreen& mainScreen();

  // The whole screen in portrait, whatever the current orientation.
  CGRect bounds() const { return _bounds; }
  void setBounds(CGRect bounds) { _bounds = bounds; }
  // The screen less the status bar, in portrait: (0, 20, width, height - 20).
  CGRect applicationFrame() const;
  // The screen and the application frame as a screen turned to orientation sees them (width and
  // height swap in landscape), with the origin at the top left of that screen.
  CGRect boundsForOrientation(int interfaceOrientation) const;
  CGRect applicationFrameForOrientation(int interfaceOrientation) const;

 private:
  CGRect _bounds = CGRectMake(0, 0, 320, 480);
};

}  // namespace tessaly::platform
