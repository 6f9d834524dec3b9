#pragma once
// Pictures of what the application shows: every window with its views, then the alerts and
// sheets on screen, below the 20-point status bar.
#include "platform/foundation/Geometry.h"
#include "platform/media/ScreenPicture.h"

namespace tessaly::platform {

class UIView;

class ScreenRenderer {
 public:
  // The screen in its current orientation less the status bar, at scale pixels per point.
  static ScreenPicture screenshot(double scale = 1);
  // The size of that picture in points.
  static CGSize screenshotSize();
  // Draws into an existing picture of any size, the screen scaled by scale from its top left.
  static void drawScreen(ScreenPicture& picture, double scale);
};

}  // namespace tessaly::platform
