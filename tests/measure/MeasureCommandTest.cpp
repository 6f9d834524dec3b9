#include "cli/MeasureCommand.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "appdata/AppData.h"
#include "measure/PathEditor.h"
#include "platform/foundation/NumberFormatter.h"
#include "platform/foundation/TempDir.h"

namespace {

struct Result {
  int status;
  std::string out;
  std::string err;
};

Result measure(std::vector<std::string> args, const std::string& input) {
  tessaly::PathEditor::resetMarkerCounter();
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  std::istringstream in(input);
  std::ostringstream out, err;
  int status = tessaly::cli::runMeasure(static_cast<int>(argv.size()), argv.data(), in, out, err);
  tessaly::AppData::sharedInstance().reset();
  tessaly::platform::resetCurrentLocale();
  return {status, out.str(), err.str()};
}

}  // namespace

TEST(MeasureCommand, PrintsEachMarkersCalloutAndTheTotal) {
  Result r = measure({"--unit", "m", "--locale", "en_US"}, "0,0\n0,0.01\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "1\tStarting point\tLat: 0.0000, Lon: 0.0000\n"
            "2\tDistance: 1,113.19 m\tDelta: 1,113.19 m  Heading: 90\n"
            "total\t1,113.19 m\n");
  EXPECT_EQ(r.err, "");
}

TEST(MeasureCommand, RoutePointsCommentsAndBlankLines) {
  Result r = measure({"--unit", "km", "--locale", "de_DE", "-"},
                     "# a walk\n\n 0 , 0 \n0,0.01,route\r\n0.01,0.01\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "1\tStarting point\tLat: 0.0000, Lon: 0.0000\n"
            "2\tDistance: 2,22 km\tDelta: 2,22 km  Heading: 44\n"
            "total\t2,22 km\n");
}

TEST(MeasureCommand, CloseAddsTheClosingMarkerWithTheArea) {
  const double side = 1000 / 111319.49079327357;
  std::ostringstream input;
  input.precision(17);
  input << "0,0\n0," << side << "\n" << side << "," << side << "\n" << side << ",0\n";
  Result r = measure({"--unit", "m", "--locale", "en_US", "--close"}, input.str());
  EXPECT_EQ(r.status, 0);
  std::istringstream lines(r.out);
  std::vector<std::string> all;
  for (std::string line; std::getline(lines, line);) all.push_back(line);
  ASSERT_EQ(all.size(), 6u);
  EXPECT_EQ(all[4], "5\tArea: 1,000,000 m²\tDelta: 993.31 m  Heading: 180");
  // The ellipsoid's meridian degree is shorter than its equator degree; the area is on the sphere.
  EXPECT_EQ(all[5], "total\t3,986.61 m");
}

TEST(MeasureCommand, ReadsAFile) {
  tessaly::testing::TempDir dir;
  std::ofstream(dir.file("points.txt")) << "10,10\n10,11\n";
  Result r = measure({"--unit", "nm", "--locale", "en_US", dir.file("points.txt")}, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("2\tDistance: 59.2 nm\tDelta: 59.2 nm  Heading: 89\ntotal\t59.2 nm\n"),
            std::string::npos);
  Result missing = measure({dir.file("none.txt")}, "");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "");
}

TEST(MeasureCommand, BadInputNamesTheLineAndPrintsNothing) {
  struct Case {
    const char* input;
    const char* message;
  };
  const Case cases[] = {
      {"0,0\n1\n", "line 2: expected \"lat,lng\" or \"lat,lng,route\", found 1 fields"},
      {"0,0\n1,2,3,4\n", "line 2: expected"},
      {"# x\n0,abc\n", "line 2: longitude \"abc\" is not a number"},
      {"1e400,0\n", "line 1: latitude \"1e400\" is not a number"},
      {"nan,0\n", "line 1: latitude \"nan\" is not a number"},
      {"90.5,0\n", "line 1: latitude 90.5 is outside -90..90"},
      {"0,-180.01\n", "line 1: longitude -180.01 is outside -180..180"},
      {"0,0,road\n", "line 1: third field must be \"route\""},
      {"0,,\n", "line 1: longitude \"\" is not a number"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    Result r = measure({}, c.input);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
}

TEST(MeasureCommand, RefusedClosingSaysWhy) {
  Result shortPath = measure({"--close"}, "0,0\n1,1\n");
  EXPECT_EQ(shortPath.status, 2);
  EXPECT_EQ(shortPath.out, "");
  EXPECT_NE(shortPath.err.find("at least 3 points"), std::string::npos);
  Result closed = measure({"--close"}, "0,0\n1,1\n0,1\n0,0\n");
  EXPECT_EQ(closed.status, 2);
  EXPECT_NE(closed.err.find("first and last points are the same"), std::string::npos);
}

TEST(MeasureCommand, BadOptions) {
  EXPECT_EQ(measure({"--unit", "furlong"}, "").status, 2);
  EXPECT_EQ(measure({"--unit"}, "").status, 2);
  EXPECT_EQ(measure({"--fast"}, "").status, 2);
  EXPECT_EQ(measure({"a", "b"}, "").status, 2);
  Result empty = measure({"--locale", "en_US"}, "");
  EXPECT_EQ(empty.status, 0);
  EXPECT_EQ(empty.out, "total\t0 km\n");
}

TEST(MeasureCommand, ReadsASavedRouteFileByNameOrByContent) {
  const std::string saved =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<route>\n"
      "  <coordinates type=\"marker\">0.000000,0.000000</coordinates>\n"
      "  <coordinates type=\"point\">0.000000,0.010000</coordinates>\n"
      "  <coordinates type=\"marker\">0.010000,0.010000</coordinates>\n"
      "</route>\n";
  const std::string expected =
      "1\tStarting point\tLat: 0.0000, Lon: 0.0000\n"
      "2\tDistance: 2,22 km\tDelta: 2,22 km  Heading: 44\n"
      "total\t2,22 km\n";
  EXPECT_EQ(measure({"--locale", "de_DE"}, saved).out, expected);
  tessaly::testing::TempDir dir;
  std::ofstream(dir.file("WALK.XML")) << saved;
  Result r = measure({"--locale", "de_DE", dir.file("WALK.XML")}, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, expected);

  // A file named .xml that is no route file says why, and prints nothing.
  std::ofstream(dir.file("bad.xml")) << "0,0\n0,1\n";
  Result bad = measure({dir.file("bad.xml")}, "");
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.out, "");
  EXPECT_NE(bad.err.find("not well-formed"), std::string::npos) << bad.err;
  Result empty = measure({}, "<route></route>");
  EXPECT_EQ(empty.status, 2);
  EXPECT_NE(empty.err.find("No data in file."), std::string::npos) << empty.err;
}
