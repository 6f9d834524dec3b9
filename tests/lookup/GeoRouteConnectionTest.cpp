#include "lookup/GeoRouteConnection.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "lookup/AnswerServer.h"
#include "lookup/LookupServices.h"
#include "platform/foundation/Log.h"
#include "platform/net/RunMainLoop.h"

namespace p = tessaly::platform;
using tessaly::CoordData;
using tessaly::GeoRouteConnection;
using tessaly::LookupServices;
using tessaly::testing::runMainLoopFor;
using Entries = GeoRouteConnection::Entries;

namespace {

struct RouteRecorder : tessaly::GeoRouteConnectionDelegate {
  std::optional<Entries> entries;
  std::optional<std::string> failure;
  void geoRouteConnectionDidFinishLoadingWithGeoLocalObjects(GeoRouteConnection*,
                                                             const Entries& list) override {
    entries = list;
    p::RunLoop::main().stop();
  }
  void geoRouteConnectionDidFailWithError(GeoRouteConnection*, const std::string& m) override {
    failure = m;
    p::RunLoop::main().stop();
  }
};

Entries points(std::initializer_list<std::pair<double, double>> coordinates) {
  Entries out;
  for (auto [lat, lng] : coordinates)
    out.push_back(std::make_shared<CoordData>(out.empty() ? 0 : 1, lat, lng));
  return out;
}

std::string location(double lat, double lng) {
  return "{\"lat\":" + std::to_string(lat) + ",\"lng\":" + std::to_string(lng) + "}";
}

std::string step(const std::string& line) {
  return "{\"polyline\":{\"points\":\"" + line + "\"},\"html_instructions\":\"<b>Turn</b>\"}";
}

std::string leg(std::pair<double, double> start, std::pair<double, double> end,
                const std::vector<std::string>& lines) {
  std::string steps;
  for (const auto& l : lines) steps += (steps.empty() ? "" : ",") + step(l);
  return "{\"start_location\":" + location(start.first, start.second) +
         ",\"end_location\":" + location(end.first, end.second) + ",\"steps\":[" + steps + "]}";
}

std::string answer(const std::vector<std::string>& legs) {
  std::string joined;
  for (const auto& l : legs) joined += (joined.empty() ? "" : ",") + l;
  return R"({"status":"OK","routes":[{"overview_polyline":{"points":"??"},"legs":[)" + joined +
         "]}]}";
}

class GeoRoute : public ::testing::Test {
 protected:
  void TearDown() override { p::RunLoop::main().reset(); }

  void route(const Entries& path, const std::string& mode = "driving") {
    p::LogCapture capture;
    connection->getGeoObjectsWithPointsAndModeAndReferer(path, mode, LookupServices::kReferer);
    ASSERT_TRUE(connection->connectionIsActive());
    ASSERT_TRUE(runMainLoopFor(5));
    EXPECT_FALSE(connection->connectionIsActive());
    log = capture.lines();
  }

  tessaly::testing::AnswerServer service;
  RouteRecorder recorder;
  std::unique_ptr<GeoRouteConnection> connection = GeoRouteConnection::initWithDelegate(&recorder);
  std::vector<std::string> log;
};

TEST(GeoRouteRequest, NumbersHaveSixDecimalsAndWaypointsAreJoinedByAnEscapedBar) {
  LookupServices::setDirectionsBase("http://maps.test:9000/");
  EXPECT_EQ(
      GeoRouteConnection::requestURL(points({{48.8584, 2.2945}, {48.8606, 2.3376}}), "driving"),
      "http://maps.test:9000/maps/api/directions/json?origin=48.858400,2.294500&"
      "destination=48.860600,2.337600&mode=driving&sensor=false");
  EXPECT_EQ(GeoRouteConnection::requestURL(
                points({{-33.5, -70.25}, {-33.000001, -70.1234567}, {-32, -70}}), "walking"),
            "http://maps.test:9000/maps/api/directions/json?origin=-33.500000,-70.250000&"
            "destination=-32.000000,-70.000000&waypoints=optimize:true%7C-33.000001,-70.123457&"
            "mode=walking&sensor=false");
  // Ten entries: eight waypoints, in path order.
  Entries ten;
  for (int i = 0; i < 10; ++i) ten.push_back(std::make_shared<CoordData>(1, 43.7 + i * 0.001, 7.4));
  std::string url = GeoRouteConnection::requestURL(ten, "driving");
  EXPECT_NE(url.find("&waypoints=optimize:true%7C43.701000,7.400000%7C43.702000,7.400000%7C"
                     "43.703000,7.400000%7C43.704000,7.400000%7C43.705000,7.400000%7C"
                     "43.706000,7.400000%7C43.707000,7.400000%7C43.708000,7.400000&mode="),
            std::string::npos)
      << url;
  LookupServices::setDirectionsBase(LookupServices::kDefaultBase);
}

TEST_F(GeoRoute, LegsGiveTheirEndsAsMarkersAndStepsFromTheSecondTheirPointsButTheLast) {
  // Step lines: one point (adds nothing), two points (adds a marker), three points.
  service.answer(answer({leg(
      {43.73, 7.42}, {43.74, 7.43},
      {"_p~iF~ps|U_ulLnnqC", "_p~iF~ps|U", "_p~iF~ps|U_ulLnnqC", "_p~iF~ps|U_ulLnnqC_mqNvxq`@"})}));
  route(points({{43.73, 7.42}, {43.74, 7.43}}));
  ASSERT_EQ(service.asked().size(), 1u);
  EXPECT_EQ(service.asked()[0].referer, LookupServices::kReferer);
  ASSERT_TRUE(recorder.entries);
  const Entries& e = *recorder.entries;
  ASSERT_EQ(e.size(), 5u);
  EXPECT_EQ(e[0]->type(), tessaly::kCoordStart);
  EXPECT_EQ(e[0]->coordinate().latitude, 43.73);
  EXPECT_EQ(e[1]->type(), tessaly::kCoordMarker);  // the two-point step
  EXPECT_DOUBLE_EQ(e[1]->coordinate().latitude, 38.5);
  EXPECT_EQ(e[2]->type(), tessaly::kCoordMarker);  // the three-point step: its first two
  EXPECT_EQ(e[3]->type(), tessaly::kCoordRoute);
  EXPECT_DOUBLE_EQ(e[3]->coordinate().longitude, -120.95);
  EXPECT_EQ(e[4]->type(), tessaly::kCoordMarker);
  EXPECT_EQ(e[4]->coordinate().longitude, 7.43);
  EXPECT_TRUE(log.empty());
}

TEST_F(GeoRoute, ThroughEightWaypointsEveryWaypointStandsTwice) {
  std::vector<std::string> legs;
  Entries path;
  for (int i = 0; i < 10; ++i)
    path.push_back(std::make_shared<CoordData>(1, 43.70 + i * 0.01, 7.4));
  for (int i = 0; i < 9; ++i)
    legs.push_back(leg({43.70 + i * 0.01, 7.4}, {43.70 + (i + 1) * 0.01, 7.4}, {"??"}));
  service.answer(answer(legs));
  route(path);
  std::string target = service.asked().at(0).target;
  EXPECT_EQ(std::count(target.begin(), target.end(), '%'), 8);  // eight "%7C"
  ASSERT_EQ(recorder.entries->size(), 18u);
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ((*recorder.entries)[2 * i]->type(), tessaly::kCoordStart);
    EXPECT_EQ((*recorder.entries)[2 * i + 1]->type(), tessaly::kCoordMarker);
  }
  EXPECT_DOUBLE_EQ((*recorder.entries)[1]->coordinate().latitude,
                   (*recorder.entries)[2]->coordinate().latitude);
}

TEST_F(GeoRoute, OddShapesOfAnOKAnswerGiveWhatCanBeBuiltWithoutACrash) {
  service.answer(R"({"status":"OK","routes":[]})");
  route(points({{1, 1}, {2, 2}}));
  EXPECT_TRUE(recorder.entries->empty());
  // No locations, steps of the wrong kinds, points that are no text, a malformed line.
  service.answer(R"({"status":"OK","routes":[{"legs":[{"steps":[{},{"polyline":7},
      {"polyline":{"points":12}},{"polyline":{"points":""}},{"polyline":{"points":"_p~iF~ps|U_ulL"}}]}]},
      "route",{"legs":"none"}]})");
  route(points({{1, 1}, {2, 2}}));
  EXPECT_TRUE(recorder.entries->empty());
  // A leg with a single step: just its two ends.
  service.answer(answer({leg({1, 2}, {3, 4}, {"_p~iF~ps|U_ulLnnqC"})}));
  route(points({{1, 2}, {3, 4}}));
  EXPECT_EQ(recorder.entries->size(), 2u);
}

TEST_F(GeoRoute, EveryFailureOfTheAnswerHasItsLogLineAndText) {
  const std::vector<std::vector<std::string>> rows = {
      {"123456789", "ERROR 175", "Invalid response"},
      {"{\"routes\":1}", "ERROR 197", "Invalid response"},
      {"{\"status\":\"OK\"}", "ERROR 197", "Invalid response"},
      {R"({"routes":[],"status":"NOT_FOUND"})", "ERROR 203", "NOT_FOUND"},
      {R"({"routes":[],"status":"<script>alert(1)</script>"})", "ERROR 203",
       "<script>alert(1)</script>"},
  };
  for (const auto& row : rows) {
    recorder = {};
    service.answer(row[0]);
    route(points({{1, 1}, {2, 2}}));
    EXPECT_EQ(recorder.failure, row[2]) << row[0];
    EXPECT_EQ(log, std::vector<std::string>{row[1]}) << row[0];
  }
  recorder = {};
  service.answer("<html>Service unavailable</html>", 503, "text/html");
  route(points({{1, 1}, {2, 2}}));
  ASSERT_TRUE(recorder.failure);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].rfind("JSON Error: ", 0), 0u);
}

TEST_F(GeoRoute, AnEmptyPathSendsNothingAndPlainInitIsRefused) {
  p::LogCapture capture;
  connection->getGeoObjectsWithPointsAndModeAndReferer({}, "driving", LookupServices::kReferer);
  EXPECT_FALSE(connection->connectionIsActive());
  EXPECT_EQ(GeoRouteConnection::init(), nullptr);
  EXPECT_EQ(capture.lines(), std::vector<std::string>{"need a delegate!! use initWithDelegate!"});
}

}  // namespace
