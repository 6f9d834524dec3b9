#pragma once
// Pictures of what the application shows, below the 20-point status bar: the key window is
// described into a tree (the description the web page draws too) and every node is drawn by
// the drawer of its kind. What is costly to draw and rarely changes (a map's land) is kept
// from one picture to the next.
#include "platform/foundation/Geometry.h"
#include "platform/media/ScreenPicture.h"
#include "platform/ui/DescriptionNode.h"

namespace tessaly::platform {

class ScreenRenderer {
 public:
  // The screen in its current orientation less the status bar, at scale pixels per point.
  static ScreenPicture screenshot(double scale = 1);
  // The size of that picture in points.
  static CGSize screenshotSize();
  // Draws into an existing picture of any size, the screen scaled by scale from its top left.
  static void drawScreen(ScreenPicture& picture, double scale);
  // Draws a description (a window node and what it holds) the same way.
  static void drawDescription(ScreenPicture& picture, const DescriptionNode& window, double scale);
};

}  // namespace tessaly::platform
