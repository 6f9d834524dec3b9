// The map's land is drawn once for a view that stays, and again as soon as anything it depends
// on changes; a line's points are projected again when the line or the view changes.
#include "platform/media/MapPictureCache.h"

#include <gtest/gtest.h>

#include "platform/media/LandOutline.h"

using namespace tessaly::platform;

namespace {

MapProjection view(double longitude, CGSize size = {320, 372}) {
  return {mapRectForRegion({{43.7, longitude}, {0.1, 0.1}}), size};
}

}  // namespace

TEST(MapPictureCache, TheBackgroundIsKeptWhileTypeViewScaleAndLandStay) {
  LandOutline::setSharedPath("/nonexistent/land.json");
  MapPictureCache cache;
  cairo_surface_t* first = cache.background("standard", view(7.3), 1);
  cache.endFrame();
  EXPECT_EQ(cache.background("standard", view(7.3), 1), first);
  EXPECT_EQ(cache.backgroundsDrawn(), 1u);
  EXPECT_EQ(cairo_image_surface_get_width(first), 320);
  EXPECT_EQ(cairo_image_surface_get_height(first), 372);
  cache.endFrame();
  // Each change draws anew: the view moved, another type, another scale, another outline.
  cache.background("standard", view(7.31), 1);
  cache.background("satellite", view(7.3), 1);
  cairo_surface_t* sharp = cache.background("standard", view(7.3), 2);
  EXPECT_EQ(cairo_image_surface_get_width(sharp), 640);
  EXPECT_EQ(cache.backgroundsDrawn(), 4u);
  cache.endFrame();
  LandOutline::setSharedPath("/nonexistent/other-land.json");
  cache.background("standard", view(7.31), 1);
  EXPECT_EQ(cache.backgroundsDrawn(), 5u);
  cache.endFrame();
  cache.endFrame();  // a picture without that map forgets it
  cache.background("standard", view(7.31), 1);
  EXPECT_EQ(cache.backgroundsDrawn(), 6u);
  LandOutline::setSharedPath("");
}

TEST(MapPictureCache, ALineIsProjectedAgainWhenItsPointsOrTheViewChange) {
  MapPictureCache cache;
  std::vector<CLLocationCoordinate2D> points{{43.7, 7.3}, {43.7, 7.325}};
  const auto& projected = cache.line(7, points, view(7.3));
  ASSERT_EQ(projected.size(), 2u);
  EXPECT_NEAR(projected[0].x, 160, 0.01);
  EXPECT_NEAR(projected[0].y, 186, 0.01);
  EXPECT_NEAR(projected[1].x, 240, 0.01);
  const CGPoint* kept = cache.line(7, points, view(7.3)).data();
  EXPECT_EQ(cache.line(7, points, view(7.3)).data(), kept);
  // Moved east by 0.025 degrees: the same points stand 80 points further left.
  EXPECT_NEAR(cache.line(7, points, view(7.325))[1].x, 160, 0.01);
  points.push_back({43.75, 7.3});
  const auto& longer = cache.line(7, points, view(7.3));
  ASSERT_EQ(longer.size(), 3u);
  EXPECT_LT(longer[2].y, 186 - 100);
  // Points closer together than half a point on screen are drawn as one, but the line still
  // ends at its last point. 0.1 / 320 degrees of longitude are a tenth of a point.
  std::vector<CLLocationCoordinate2D> dense{{43.7, 7.3}};
  for (int i = 1; i <= 20; ++i) dense.push_back({43.7, 7.3 + i * 0.1 / 320 / 10});
  const auto& thinned = cache.line(8, dense, view(7.3));
  ASSERT_EQ(thinned.size(), 5u) << "every fifth point, and the last";
  EXPECT_NEAR(thinned.back().x, 162, 0.01);
  EXPECT_NEAR(thinned[1].x, 160.5, 0.01);
  // A line without id is projected every time, never kept.
  EXPECT_EQ(cache.line(0, points, view(7.3)).size(), 3u);
}

TEST(MapPictureCache, ALongLineIsStrokedOnceWhileItItsStrokeAndTheViewStay) {
  MapPictureCache cache;
  std::vector<CLLocationCoordinate2D> points{{43.7, 7.3}, {43.7, 7.325}};
  MapPictureCache::Stroke red{{1, 0, 0, 1}, 4};
  cairo_surface_t* stroked = cache.strokedLine(3, points, view(7.3), 1, red);
  ASSERT_NE(stroked, nullptr);
  // Along the line (x 160 to 240 at y 186): red; beside it: nothing.
  const unsigned char* data = cairo_image_surface_get_data(stroked);
  int stride = cairo_image_surface_get_stride(stroked);
  const unsigned char* on = data + 186 * stride + 200 * 4;
  const unsigned char* off = data + 196 * stride + 200 * 4;
  EXPECT_EQ(on[2], 255);
  EXPECT_EQ(on[3], 255);
  EXPECT_EQ(off[3], 0);
  cache.endFrame();
  EXPECT_EQ(cache.strokedLine(3, points, view(7.3), 1, red), stroked);
  EXPECT_EQ(cache.linesStroked(), 1u);
  // Another colour, another width, another scale, another view, more points: stroked again.
  cache.strokedLine(3, points, view(7.3), 1, {{0, 0, 0, 0.6}, 4});
  cache.strokedLine(3, points, view(7.3), 1, {{0, 0, 0, 0.6}, 2});
  cache.strokedLine(3, points, view(7.3), 2, {{0, 0, 0, 0.6}, 2});
  cache.strokedLine(3, points, view(7.31), 2, {{0, 0, 0, 0.6}, 2});
  points.push_back({43.71, 7.3});
  cache.strokedLine(3, points, view(7.31), 2, {{0, 0, 0, 0.6}, 2});
  EXPECT_EQ(cache.linesStroked(), 6u);
  // A line without id is not kept: its drawer strokes it itself.
  EXPECT_EQ(cache.strokedLine(0, points, view(7.3), 1, red), nullptr);
}
