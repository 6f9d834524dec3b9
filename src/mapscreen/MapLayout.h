#pragma once
// Where the map, the toolbar, the search result table and the banner go for one orientation and
// kind of device. Screen geometry is single precision and the order of the subtractions is kept,
// so the figures match the platform's to the last bit.
#include "platform/foundation/Geometry.h"

namespace tessaly {

struct MapLayoutInput {
  bool bannerLoaded = false;
  bool tablet = false;
  bool landscape = false;
  platform::CGFloat viewHeight = 0;     // the screen's view
  platform::CGFloat bannerHeight = 0;   // after the banner took the orientation's content size
  platform::CGFloat toolbarHeight = 0;  // the navigation controller's toolbar
  platform::CGFloat screenWidth = 0;    // the main screen's bounds, always portrait
  platform::CGFloat screenHeight = 0;
  // What the table keeps where a case leaves a value as it is.
  platform::CGFloat currentTableHeight = 0;
  platform::CGFloat currentToolbarTop = 0;
};

struct MapLayoutFrames {
  platform::CGFloat bannerTop = 0;
  platform::CGFloat mapHeight = 0;
  platform::CGFloat tableHeight = 0;
  platform::CGFloat toolbarTop = 0;
};

// Height taken off the map and the result table for the toolbar.
inline constexpr platform::CGFloat kMapLayoutToolbarAllowance = 44.0f;
// The banner slides in and out over this long; the single-precision 0.2 widened to a double.
inline constexpr double kMapLayoutAnimationDuration = static_cast<double>(0.2f);

MapLayoutFrames computeMapLayout(const MapLayoutInput& in);

}  // namespace tessaly
