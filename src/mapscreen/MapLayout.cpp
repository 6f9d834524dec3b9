#include "mapscreen/MapLayout.h"

namespace tessaly {

using platform::CGFloat;

MapLayoutFrames computeMapLayout(const MapLayoutInput& in) {
  const CGFloat v = in.viewHeight, b = in.bannerHeight, t = in.toolbarHeight;
  // The toolbar hangs from the bottom of the screen as the user holds it; only a turned tablet
  // has its width below it.
  const CGFloat s = in.tablet && in.landscape ? in.screenWidth : in.screenHeight;
  MapLayoutFrames out;
  if (!in.tablet && in.landscape) {
    // A turned phone has no bars: the map takes the whole view and the banner stays out of it.
    out.bannerTop = v;
    out.mapHeight = v;
    out.tableHeight = in.bannerLoaded ? in.currentTableHeight : v - kMapLayoutToolbarAllowance;
    out.toolbarTop = in.bannerLoaded ? in.currentToolbarTop : s - t;
    return out;
  }
  if (in.bannerLoaded) {
    out.bannerTop = v - b;
    out.mapHeight = v - b - kMapLayoutToolbarAllowance;
    out.tableHeight = v - b - kMapLayoutToolbarAllowance;
    out.toolbarTop = s - t - b;
  } else {
    out.bannerTop = v;
    out.mapHeight = v - kMapLayoutToolbarAllowance;
    out.tableHeight = v - kMapLayoutToolbarAllowance;
    out.toolbarTop = s - t;
  }
  return out;
}

}  // namespace tessaly
