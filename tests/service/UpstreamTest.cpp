// The Nominatim and OSRM adapters against loopback servers answering in those services' shapes.
#include <gtest/gtest.h>

#include <mutex>

#include <nlohmann/json.hpp>

#include "platform/net/LoopbackServer.h"
#include "service/LookupService.h"
#include "service/UpstreamClient.h"

using namespace tessaly::service;
using nlohmann::json;

namespace {

class Upstream : public ::testing::Test {
 protected:
  void SetUp() override {
    _server.server.Get(R"(/.*)", [this](const httplib::Request& req, httplib::Response& res) {
      std::lock_guard<std::mutex> lock(_mutex);
      _targets.push_back(req.path + (req.params.empty() ? "" : "?"));
      _agents.push_back(req.get_header_value("User-Agent"));
      _queries.push_back(req.get_param_value("q"));
      res.status = _status;
      res.set_content(_body, "application/json");
    });
    _server.start();
    _service = std::make_unique<LookupService>(
        LookupOptions{"/nonexistent/lookup.sqlite", _server.base(), _server.base()});
  }
  json ask(const std::string& path, const std::string& query) {
    return json::parse(_service->answer(path, query).body);
  }
  void answer(std::string body, int status = 200) {
    std::lock_guard<std::mutex> lock(_mutex);
    _body = std::move(body);
    _status = status;
  }

  tessaly::testing::LoopbackServer _server;
  std::unique_ptr<LookupService> _service;
  std::mutex _mutex;
  std::string _body;
  int _status = 200;
  std::vector<std::string> _targets, _agents, _queries;
};

// Recorded shape of a Nominatim jsonv2 search answer (values shortened).
const char* const kNominatim = R"([
 {"place_id":1,"licence":"Data © OpenStreetMap contributors, ODbL 1.0.","osm_type":"way",
  "lat":"43.7423587","lon":"7.4279126","category":"highway","type":"primary",
  "display_name":"Boulevard des Moulins, Monte-Carlo, Monaco, 98000, Monaco"},
 {"place_id":2,"lat":"not a number","lon":"7.1","display_name":"Broken"},
 {"place_id":3,"lat":"43.73","lon":"7.42","name":"Only a name"}])";

// Recorded shape of an OSRM route answer: two legs, steps with polyline geometry.
const char* const kOsrmRoute = R"({"code":"Ok",
 "routes":[{"distance":900.5,"duration":120.1,"legs":[
   {"distance":500,"duration":60,"steps":[
     {"geometry":"_p~iF~ps|U_ulLnnqC","name":"Rue A","distance":500,"duration":60,
      "maneuver":{"location":[-120.2,38.5],"type":"depart"}},
     {"geometry":"_ulLnnqC??","name":"","distance":0,"duration":0,
      "maneuver":{"location":[-120.95,40.7],"type":"arrive"}}]},
   {"distance":400.5,"duration":60.1,"steps":[
     {"geometry":"_ulLnnqC_mqNvxq`@","name":"Rue B","distance":400.5,"duration":60.1,
      "maneuver":{"location":[-120.95,40.7],"type":"depart"}}]}]}],
 "waypoints":[{"location":[-120.2,38.5],"name":"Rue A"},{"location":[-120.95,40.7],"name":""},
              {"location":[-126.453,43.252],"name":"Rue B"}]})";

}  // namespace

TEST_F(Upstream, NominatimAnswersBecomeGeocodingResults) {
  answer(kNominatim);
  json out = ask("/maps/api/geocode/json", "address=Boulevard+des+Moulins&sensor=false");
  ASSERT_EQ(out["status"], "OK");
  ASSERT_EQ(out["results"].size(), 2u);
  EXPECT_EQ(out["results"][0]["formatted_address"],
            "Boulevard des Moulins, Monte-Carlo, Monaco, 98000, Monaco");
  EXPECT_DOUBLE_EQ(out["results"][0]["geometry"]["location"]["lng"].get<double>(), 7.4279126);
  EXPECT_EQ(out["results"][1]["formatted_address"], "Only a name");
  ASSERT_EQ(_targets.size(), 1u);
  EXPECT_EQ(_targets[0], "/search?");
  EXPECT_EQ(_queries[0], "Boulevard des Moulins");
  EXPECT_EQ(_agents[0], UpstreamClient::kUserAgent);
  // The same question again is answered from the cache.
  ask("/maps/api/geocode/json", "address=Boulevard+des+Moulins&sensor=false");
  EXPECT_EQ(_targets.size(), 1u);
}

TEST_F(Upstream, NominatimFailuresAreSentences) {
  answer("[]");
  EXPECT_EQ(ask("/maps/api/geocode/json", "address=nowhere")["status"],
            "No place or address matches \"nowhere\".");
  answer("<html>oops</html>");
  EXPECT_EQ(ask("/maps/api/geocode/json", "address=elsewhere")["status"],
            "The address search service sent an answer that could not be read.");
  answer("", 503);
  std::string status = ask("/maps/api/geocode/json", "address=later")["status"];
  EXPECT_NE(status.find("did not answer (it answered HTTP 503)"), std::string::npos) << status;
}

TEST_F(Upstream, OsrmRoutesBecomeLegsAndStepsLongitudeSecond) {
  answer(kOsrmRoute);
  json out = ask("/maps/api/directions/json",
                 "origin=38.5,-120.2&destination=43.252,-126.453&waypoints=40.7,-120.95"
                 "&mode=walking&sensor=false");
  ASSERT_EQ(out["status"], "OK");
  ASSERT_EQ(_targets.size(), 1u);
  EXPECT_EQ(_targets[0],
            "/route/v1/foot/-120.200000,38.500000;-120.950000,40.700000;-126.453000,43.252000?");
  const auto& legs = out["routes"][0]["legs"];
  ASSERT_EQ(legs.size(), 2u);
  EXPECT_DOUBLE_EQ(legs[0]["start_location"]["lat"].get<double>(), 38.5);
  EXPECT_DOUBLE_EQ(legs[0]["start_location"]["lng"].get<double>(), -120.2);
  EXPECT_DOUBLE_EQ(legs[1]["end_location"]["lat"].get<double>(), 43.252);
  // A departure step first, then OSRM's steps with their lines as sent.
  ASSERT_EQ(legs[0]["steps"].size(), 3u);
  EXPECT_EQ(legs[0]["steps"][1]["polyline"]["points"], "_p~iF~ps|U_ulLnnqC");
  EXPECT_EQ(legs[1]["steps"][1]["polyline"]["points"], "_ulLnnqC_mqNvxq`@");
  EXPECT_EQ(legs[1]["distance"]["value"], 401);
}

TEST_F(Upstream, OptimisedWaypointsUseTheTripServiceOrder) {
  // The trip visits the second given waypoint first.
  answer(R"({"code":"Ok","trips":[{"legs":[
    {"distance":1,"duration":1,"steps":[]},{"distance":2,"duration":2,"steps":[]},
    {"distance":3,"duration":3,"steps":[]}]}],
    "waypoints":[{"location":[7.0,43.0],"waypoint_index":0,"trips_index":0},
                 {"location":[7.1,43.1],"waypoint_index":2,"trips_index":0},
                 {"location":[7.2,43.2],"waypoint_index":1,"trips_index":0},
                 {"location":[7.3,43.3],"waypoint_index":3,"trips_index":0}]})");
  json out = ask("/maps/api/directions/json",
                 "origin=43,7&destination=43.3,7.3&waypoints=optimize:true|43.1,7.1|43.2,7.2");
  ASSERT_EQ(out["status"], "OK");
  EXPECT_EQ(_targets[0].rfind("/trip/v1/driving/7.000000,43.000000;", 0), 0u);
  EXPECT_EQ(out["routes"][0]["waypoint_order"], json::parse("[1,0]"));
  const auto& legs = out["routes"][0]["legs"];
  EXPECT_DOUBLE_EQ(legs[0]["end_location"]["lat"].get<double>(), 43.2);
  EXPECT_DOUBLE_EQ(legs[1]["end_location"]["lat"].get<double>(), 43.1);
}

TEST_F(Upstream, OsrmErrorsAreSentences) {
  answer(R"({"code":"NoRoute","message":"Impossible route between points"})", 400);
  EXPECT_EQ(ask("/maps/api/directions/json", "origin=1,2&destination=3,4")["status"],
            "No road connects these points.");
  answer(R"({"code":"Ok","routes":[]})");
  EXPECT_EQ(ask("/maps/api/directions/json", "origin=1,2&destination=3,5")["status"],
            "The route service sent an answer that could not be read.");
}

TEST(UpstreamOptions, KindAndAddressAreChecked) {
  EXPECT_EQ(LookupService::upstreamUrl("nominatim=http://10.0.0.1:8080/", "nominatim").value(),
            "http://10.0.0.1:8080");
  EXPECT_EQ(LookupService::upstreamUrl("osrm=http://[::1]:5000", "osrm").value(),
            "http://[::1]:5000");
  EXPECT_EQ(LookupService::upstreamUrl("osrm=http://x", "nominatim").reason(),
            "wants nominatim=URL");
  EXPECT_EQ(LookupService::upstreamUrl("osrm=ftp://x", "osrm").reason(),
            "wants an http(s) address after osrm=: 'ftp://x' is not an http(s) address");
  EXPECT_EQ(LookupService::upstreamUrl("osrm=http://x:123456", "osrm").reason(),
            "wants an http(s) address after osrm=: in 'http://x:123456': the port of 'x:123456' "
            "is not a number from 0 to 65535");
  EXPECT_FALSE(LookupService::upstreamUrl("osrm=http://", "osrm"));
  EXPECT_TRUE(UpstreamClient::isPublicServer("https://nominatim.openstreetmap.org"));
  EXPECT_FALSE(UpstreamClient::isPublicServer("http://127.0.0.1:5000"));
}
