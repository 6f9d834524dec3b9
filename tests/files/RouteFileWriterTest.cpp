#include "files/RouteFileWriter.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "files/RouteFileTestSupport.h"

using namespace tessaly;
using tessaly::testing::golden;
using tessaly::testing::makePath;
using tessaly::testing::mixedPath;

namespace {}  // namespace

TEST(RouteFileWriterGolden, XmlRouteFiles) {
  EXPECT_EQ(RouteFileWriter::xmlDocument(makePath({{kCoordStart, 48.137154, 11.576124}})),
            golden("one_marker.xml"));
  EXPECT_EQ(RouteFileWriter::xmlDocument(mixedPath()), golden("markers_and_route_points.xml"));
  EXPECT_EQ(RouteFileWriter::xmlDocument(
                makePath({{kCoordStart, -33.86882, 151.209296}, {kCoordMarker, -0.5, -70.25}})),
            golden("negative_coordinates.xml"));
  EXPECT_EQ(RouteFileWriter::xmlDocument(
                makePath({{kCoordRoute, 43.72, 7.41}, {kCoordMarker, 43.73, 7.42, 1000}})),
            golden("starts_with_route_point.xml"));
}

TEST(RouteFileWriterGolden, KmlDocuments) {
  EXPECT_EQ(RouteFileWriter::kmlDocument(mixedPath()), golden("markers_and_route_points.kml"));
  EXPECT_EQ(RouteFileWriter::kmlDocument(makePath({{kCoordStart, -0.5, -70.25}})),
            golden("one_entry.kml"));
  // No placemark is named Start when the path begins with a route point.
  EXPECT_EQ(RouteFileWriter::kmlDocument(
                makePath({{kCoordRoute, 43.72, 7.41}, {kCoordMarker, 43.73, 7.42, 1000}})),
            golden("starts_with_route_point.kml"));
}

TEST(RouteFileWriter, TheFileModeChoosesTheFormatAndAnyOtherModeIsKml) {
  EXPECT_EQ(RouteFileWriter::document(1, mixedPath()), RouteFileWriter::xmlDocument(mixedPath()));
  for (int mode : {0, 2, 7, -1}) {
    EXPECT_EQ(RouteFileWriter::document(mode, mixedPath()),
              RouteFileWriter::kmlDocument(mixedPath()));
    EXPECT_STREQ(RouteFileWriter::extension(mode), ".kml");
  }
  EXPECT_STREQ(RouteFileWriter::extension(1), ".xml");
}

TEST(RouteFileWriter, ClosingMarkersAndLaterMarkersAreAllPlacemarks) {
  auto path = makePath(
      {{kCoordStart, 0, 0}, {kCoordMarker, 0, 1, 111319.49}, {kCoordClosing, 0, 0, 222638.98}});
  std::string xml = RouteFileWriter::xmlDocument(path);
  EXPECT_EQ(xml.find("type=\"point\""), std::string::npos);
  std::string kml = RouteFileWriter::kmlDocument(path);
  EXPECT_NE(kml.find("<name>111319.49 m</name>"), std::string::npos);
  EXPECT_NE(kml.find("<name>222638.98 m</name>"), std::string::npos);
}

TEST(RouteFileWriter, WritesTheWholeDocumentIntoAStreamAndReportsAFullOne) {
  std::FILE* memory = std::tmpfile();
  ASSERT_NE(memory, nullptr);
  EXPECT_TRUE(RouteFileWriter::writeFile(memory, 1, mixedPath()));
  std::fflush(memory);
  std::rewind(memory);
  std::string back(4096, '\0');
  back.resize(std::fread(back.data(), 1, back.size(), memory));
  std::fclose(memory);
  EXPECT_EQ(back, golden("markers_and_route_points.xml"));

  std::FILE* full = std::fopen("/dev/full", "w");
  if (full != nullptr) {
    std::setvbuf(full, nullptr, _IONBF, 0);
    EXPECT_FALSE(RouteFileWriter::writeFile(full, 2, mixedPath()));
    std::fclose(full);
  }
}
