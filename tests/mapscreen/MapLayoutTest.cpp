// The layout table and the markers' region, as plain functions.
#include "mapscreen/MapLayout.h"

#include <gtest/gtest.h>

#include "mapscreen/MarkerRegion.h"

namespace tessaly {
namespace {

using platform::CLLocationCoordinate2D;

struct LayoutCase {
  const char* name;
  bool loaded, tablet, landscape;
  float view, banner, toolbar, screenWidth, screenHeight;
  MapLayoutFrames expected;
};

TEST(MapLayout, FramesForEveryDeviceOrientationAndBannerState) {
  const LayoutCase cases[] = {
      {"phone portrait, banner", true, false, false, 416, 50, 44, 320, 480, {366, 322, 322, 386}},
      {"phone portrait, none", false, false, false, 416, 50, 44, 320, 480, {416, 372, 372, 436}},
      // Loaded on a turned phone: table and toolbar keep where they are (7 and 9 below).
      {"phone landscape, banner", true, false, true, 300, 32, 44, 320, 480, {300, 300, 7, 9}},
      {"phone landscape, none", false, false, true, 300, 32, 44, 320, 480, {300, 300, 256, 436}},
      {"tablet portrait, banner", true, true, false, 960, 66, 44, 768, 1024, {894, 850, 850, 914}},
      {"tablet portrait, none", false, true, false, 960, 66, 44, 768, 1024, {960, 916, 916, 980}},
      {"tablet landscape, banner", true, true, true, 704, 66, 44, 768, 1024, {638, 594, 594, 658}},
      {"tablet landscape, none", false, true, true, 704, 66, 44, 768, 1024, {704, 660, 660, 724}},
  };
  for (const auto& c : cases) {
    MapLayoutInput in;
    in.bannerLoaded = c.loaded;
    in.tablet = c.tablet;
    in.landscape = c.landscape;
    in.viewHeight = c.view;
    in.bannerHeight = c.banner;
    in.toolbarHeight = c.toolbar;
    in.screenWidth = c.screenWidth;
    in.screenHeight = c.screenHeight;
    in.currentTableHeight = 7;
    in.currentToolbarTop = 9;
    MapLayoutFrames out = computeMapLayout(in);
    EXPECT_EQ(out.bannerTop, c.expected.bannerTop) << c.name;
    EXPECT_EQ(out.mapHeight, c.expected.mapHeight) << c.name;
    EXPECT_EQ(out.tableHeight, c.expected.tableHeight) << c.name;
    EXPECT_EQ(out.toolbarTop, c.expected.toolbarTop) << c.name;
  }
}

TEST(MapLayout, AnimationDurationIsTheSinglePrecisionFifthWidened) {
  EXPECT_EQ(kMapLayoutAnimationDuration, 0.20000000298023224);
}

struct RegionCase {
  const char* name;
  std::vector<CLLocationCoordinate2D> markers;
  double lat, lon, latSpan, lonSpan;
};

TEST(MarkerRegion, BoxWithMargin) {
  const RegionCase cases[] = {
      {"no markers", {}, 0, 0, 216, 432},
      {"one marker", {{48.5, 2.25}}, 48.5, 2.25, 0, 0},
      {"two corners", {{10, 30}, {20, 50}}, 15, 40, 12, 24},
      {"across 180°", {{0, 179}, {0, -179}}, 0, 0, 0, 358 * 1.2},
      {"any order", {{20, 50}, {-10, 30}, {10, 40}}, 5, 40, 36, 24},
  };
  for (const auto& c : cases) {
    auto region = regionForMarkerCoordinates(c.markers);
    EXPECT_DOUBLE_EQ(region.center.latitude, c.lat) << c.name;
    EXPECT_DOUBLE_EQ(region.center.longitude, c.lon) << c.name;
    EXPECT_DOUBLE_EQ(region.span.latitudeDelta, c.latSpan) << c.name;
    EXPECT_DOUBLE_EQ(region.span.longitudeDelta, c.lonSpan) << c.name;
  }
}

}  // namespace
}  // namespace tessaly
