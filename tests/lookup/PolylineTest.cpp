#include <gtest/gtest.h>

#include <string>

#include "lookup/GeoRouteConnection.h"

using tessaly::GeoRouteConnection;

namespace {

// The encoder's side of the format, to build lines the tests need.
std::string encodeValue(long long value) {
  unsigned long long v = value < 0 ? ~(static_cast<unsigned long long>(value) << 1)
                                   : static_cast<unsigned long long>(value) << 1;
  std::string out;
  while (v >= 0x20) {
    out += static_cast<char>((0x20 | (v & 0x1F)) + 63);
    v >>= 5;
  }
  out += static_cast<char>(v + 63);
  return out;
}

}  // namespace

TEST(Polyline, DecodesPointsWithAMarkerFirstAndRoutePointsAfter) {
  auto one = GeoRouteConnection::decodeLine("_p~iF~ps|U");
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0]->type(), tessaly::kCoordMarker);
  EXPECT_DOUBLE_EQ(one[0]->coordinate().latitude, 38.5);
  EXPECT_DOUBLE_EQ(one[0]->coordinate().longitude, -120.2);

  auto three = GeoRouteConnection::decodeLine("_p~iF~ps|U_ulLnnqC_mqNvxq`@");
  ASSERT_EQ(three.size(), 3u);
  EXPECT_EQ(three[1]->type(), tessaly::kCoordRoute);
  EXPECT_EQ(three[2]->type(), tessaly::kCoordRoute);
  EXPECT_DOUBLE_EQ(three[1]->coordinate().latitude, 40.7);
  EXPECT_DOUBLE_EQ(three[1]->coordinate().longitude, -120.95);
  EXPECT_DOUBLE_EQ(three[2]->coordinate().latitude, 43.252);
  EXPECT_DOUBLE_EQ(three[2]->coordinate().longitude, -126.453);
  EXPECT_TRUE(GeoRouteConnection::decodeLine("").empty());
}

TEST(Polyline, DegreesAreTheProductWithOneHundredThousandthNotTheQuotient) {
  auto line = GeoRouteConnection::decodeLine(encodeValue(0) + encodeValue(-12645300));
  ASSERT_EQ(line.size(), 1u);
  EXPECT_EQ(line[0]->coordinate().longitude, -12645300 * 1e-5);
  EXPECT_EQ(line[0]->coordinate().longitude, -126.45300000000002);
  EXPECT_NE(line[0]->coordinate().longitude, -126.453);
}

TEST(Polyline, MalformedTextsAreNeverReadBeyondTheirEnd) {
  const std::string good = "_p~iF~ps|U_ulLnnqC";
  // Cut inside the longitude of the second point, inside its latitude, and just after it.
  EXPECT_EQ(GeoRouteConnection::decodeLine(good.substr(0, good.size() - 1)).size(), 1u);
  EXPECT_EQ(GeoRouteConnection::decodeLine(good.substr(0, 12)).size(), 1u);
  EXPECT_EQ(GeoRouteConnection::decodeLine(good.substr(0, 15)).size(), 1u);
  EXPECT_EQ(GeoRouteConnection::decodeLine("_p~iF").size(), 0u);
  // A view whose next byte would continue the value: the byte past the end is not read.
  std::string buffer = "_p~iF~ps|U_ulL_";
  EXPECT_EQ(GeoRouteConnection::decodeLine(std::string_view(buffer).substr(0, 14)).size(), 1u);
  // An endless value (every character says more follows) and characters below '?'.
  EXPECT_TRUE(GeoRouteConnection::decodeLine(std::string(5000, '~')).empty());
  auto odd = GeoRouteConnection::decodeLine(std::string("\x01\x7f ", 3) + "??");
  EXPECT_LE(odd.size(), 2u);
}

TEST(Polyline, LongLinesKeepTheirRunningSums) {
  std::string text;
  for (int i = 0; i < 1000; ++i) text += encodeValue(i == 0 ? 4000000 : 1) + encodeValue(-2);
  auto line = GeoRouteConnection::decodeLine(text);
  ASSERT_EQ(line.size(), 1000u);
  EXPECT_DOUBLE_EQ(line.back()->coordinate().latitude, (4000000 + 999) * 1e-5);
  EXPECT_DOUBLE_EQ(line.back()->coordinate().longitude, -2000 * 1e-5);
}
