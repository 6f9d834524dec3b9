#include "platform/media/ScreenPicture.h"

#include <gtest/gtest.h>

#include "platform/media/LandOutline.h"

using namespace tessaly::platform;

namespace {

// A picture whose left half is red and right half blue, opaque, sized exactly (no spare bytes
// after the last row, so the sanitizer sees any read past it).
ScreenPicture halves(int width, int height) {
  ScreenPicture picture = ScreenPicture::blank(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      auto* p = picture.bytes.get() + y * picture.bytesPerRow + x * 4;
      bool left = x < width / 2;
      p[0] = left ? 0 : 255, p[1] = 0, p[2] = left ? 255 : 0, p[3] = 255;
    }
  }
  return picture;
}

bool isBlack(const std::uint8_t* p) {
  return p[0] < 8 && p[1] < 8 && p[2] < 8 && p[3] == 255;
}
bool isRed(const std::uint8_t* p) {
  return p[2] > 240 && p[0] < 16;
}
bool isBlue(const std::uint8_t* p) {
  return p[0] > 240 && p[2] < 16;
}

}  // namespace

TEST(FitPictureIntoFrame, ALargerPictureIsShrunkWithItsAspectAndBarsAboveAndBelow) {
  // 768 x 1004 (a tablet's screen) into 320 x 460: 320 x 418, 21 rows of black above and below.
  ScreenPicture frame = fitPictureIntoFrame(halves(768, 1004), 320, 460);
  ASSERT_EQ(frame.width, 320);
  ASSERT_EQ(frame.height, 460);
  EXPECT_TRUE(isBlack(frame.pixel(100, 10)));
  EXPECT_TRUE(isBlack(frame.pixel(100, 450)));
  EXPECT_TRUE(isRed(frame.pixel(2, 25)));
  EXPECT_TRUE(isRed(frame.pixel(150, 230)));
  EXPECT_TRUE(isBlue(frame.pixel(170, 230)));
  EXPECT_TRUE(isBlue(frame.pixel(317, 435)));
}

TEST(FitPictureIntoFrame, ASmallerOrWiderPictureIsEnlargedWithBarsWhereItIsShort) {
  // 100 x 100 grows to 320 x 320, centred: 70 rows of black above and below.
  ScreenPicture square = fitPictureIntoFrame(halves(100, 100), 320, 460);
  EXPECT_TRUE(isBlack(square.pixel(160, 60)));
  EXPECT_TRUE(isRed(square.pixel(20, 80)));
  EXPECT_TRUE(isBlue(square.pixel(300, 380)));
  EXPECT_TRUE(isBlack(square.pixel(160, 400)));
  // A landscape screen (480 x 300): 320 x 200 across the whole width.
  ScreenPicture wide = fitPictureIntoFrame(halves(480, 300), 320, 460);
  EXPECT_TRUE(isBlack(wide.pixel(5, 120)));
  EXPECT_TRUE(isRed(wide.pixel(5, 140)));
  EXPECT_TRUE(isBlue(wide.pixel(315, 320)));
  EXPECT_TRUE(isBlack(wide.pixel(315, 340)));
  // A tall, narrow one gets bars at the sides.
  ScreenPicture tall = fitPictureIntoFrame(halves(100, 460), 320, 460);
  EXPECT_TRUE(isBlack(tall.pixel(100, 230)));
  EXPECT_TRUE(isRed(tall.pixel(115, 230)));
  EXPECT_TRUE(isBlue(tall.pixel(205, 230)));
  EXPECT_TRUE(isBlack(tall.pixel(220, 230)));
}

TEST(FitPictureIntoFrame, NothingToDrawGivesABlackFrameAndNoFrameGivesNothing) {
  ScreenPicture frame = fitPictureIntoFrame(ScreenPicture{}, 320, 460);
  EXPECT_TRUE(isBlack(frame.pixel(160, 230)));
  EXPECT_TRUE(fitPictureIntoFrame(halves(10, 10), 0, 460).isEmpty());
  EXPECT_EQ(frame.pixel(320, 0), nullptr);
  EXPECT_EQ(frame.pixel(-1, 0), nullptr);
}

TEST(ScreenPicture, PNGDataIsAPNGOfTheSameSize) {
  std::string png = halves(30, 20).pngData();
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  auto be32 = [&](std::size_t at) {
    return (static_cast<unsigned char>(png[at]) << 24) |
           (static_cast<unsigned char>(png[at + 1]) << 16) |
           (static_cast<unsigned char>(png[at + 2]) << 8) | static_cast<unsigned char>(png[at + 3]);
  };
  EXPECT_EQ(be32(16), 30u);
  EXPECT_EQ(be32(20), 20u);
  EXPECT_EQ(ScreenPicture{}.pngData(), "");
}

TEST(LandOutline, DecodesQuantizedArcsJoinedIntoRingsAndRefusesGarbage) {
  // Two arcs make one square ring: the second runs backwards (~1) and shares its end points.
  const char* topology = R"({"type":"Topology",
    "transform":{"scale":[1,1],"translate":[-10,-10]},
    "objects":{"land":{"type":"GeometryCollection","geometries":[
      {"type":"Polygon","arcs":[[0,-2]]}]}},
    "arcs":[[[0,0],[20,0],[0,20]], [[0,0],[0,20],[20,0]]]})";
  std::string error;
  LandOutline land = LandOutline::fromTopoJSON(topology, &error);
  ASSERT_EQ(land.rings().size(), 1u) << error;
  const auto& ring = land.rings()[0].points;
  ASSERT_EQ(ring.size(), 5u);  // 3 + 3 less the shared point, back to the start
  auto corner = [](double lat, double lon) { return MKMapPointForCoordinate({lat, lon}); };
  EXPECT_NEAR(ring[0].x, corner(-10, -10).x, 1);
  EXPECT_NEAR(ring[2].x, corner(10, 10).x, 1);
  EXPECT_NEAR(ring[2].y, corner(10, 10).y, 1);
  EXPECT_NEAR(ring[3].x, corner(10, -10).x, 1);
  EXPECT_NEAR(ring[1].x, corner(-10, 10).x, 1);
  EXPECT_NEAR(ring[4].x, corner(-10, -10).x, 1);

  for (const char* bad : {"", "{", "[]", R"({"objects":{}})",
                          R"({"objects":{"land":{"type":"Polygon","arcs":[[5]]}},"arcs":[]})"}) {
    error.clear();
    EXPECT_TRUE(LandOutline::fromTopoJSON(bad, &error).isEmpty()) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
}

TEST(LandOutline, RingsAcrossTheDateLineStayContinuous) {
  const char* topology = R"({"type":"Topology",
    "objects":{"land":{"type":"Polygon","arcs":[[0]]}},
    "arcs":[[[170,0],[-170,0],[-170,10],[170,10],[170,0]]]})";
  LandOutline land = LandOutline::fromTopoJSON(topology);
  ASSERT_EQ(land.rings().size(), 1u);
  const auto& bounds = land.rings()[0].bounds;
  EXPECT_LT(bounds.size.width, MKMapWorldWidth / 10) << "20 degrees wide, not 340";
}
