#include <gtest/gtest.h>

#include "service/LookupQuery.h"

using namespace tessaly::service;

TEST(LookupQuery, ParametersAreDecodedAndTheFirstOfARepeatWins) {
  auto p = LookupQuery::parameters("address=S%C3%A3o+Paulo&sensor=false&address=x&bad=%zz%4&=v&k");
  EXPECT_EQ(p["address"], "São Paulo");
  EXPECT_EQ(p["sensor"], "false");
  EXPECT_EQ(p["bad"], "%zz%4");  // broken escapes stay as sent
  EXPECT_EQ(p.count(""), 0u);
  EXPECT_EQ(p["k"], "");
}

TEST(LookupQuery, CoordinatesMustBeTwoNumbersInRange) {
  LatLng p;
  ASSERT_TRUE(LookupQuery::parseLatLng("43.738400,7.424600", p));
  EXPECT_DOUBLE_EQ(p.lat, 43.7384);
  EXPECT_DOUBLE_EQ(p.lng, 7.4246);
  EXPECT_TRUE(LookupQuery::parseLatLng(" -90 , +180 ", p));
  for (const char* bad : {"", ",", "43.7", "43.7,", "a,b", "91,0", "0,181", "1e999,0", "nan,0",
                          "43.7,7.4,1", "43.7 7.4"})
    EXPECT_FALSE(LookupQuery::parseLatLng(bad, p)) << bad;
}

TEST(LookupQuery, DirectionsReadWaypointsModeAndOptimisation) {
  auto p = LookupQuery::parameters(
      "origin=43.7,7.4&destination=43.75,7.44&waypoints=optimize:true%7C43.72,7.41%7C43.73,7.42"
      "&mode=walking&sensor=false");
  auto parsed = LookupQuery::parseDirections(p);
  ASSERT_TRUE(parsed) << parsed.reason();
  DirectionsQuery q = *parsed;
  EXPECT_TRUE(q.optimize);
  EXPECT_EQ(q.mode, TravelMode::Walking);
  ASSERT_EQ(q.waypoints.size(), 2u);
  EXPECT_DOUBLE_EQ(q.waypoints[1].lng, 7.42);

  p = LookupQuery::parameters("origin=1,2&destination=3,4");
  parsed = LookupQuery::parseDirections(p);
  ASSERT_TRUE(parsed) << parsed.reason();
  q = *parsed;
  EXPECT_FALSE(q.optimize);
  EXPECT_TRUE(q.waypoints.empty());
  EXPECT_EQ(q.mode, TravelMode::Driving);
}

TEST(LookupQuery, UnusableDirectionsGetASentence) {
  auto problem = [](const char* query) {
    auto parsed = LookupQuery::parseDirections(LookupQuery::parameters(query));
    EXPECT_FALSE(parsed) << query;
    return parsed.reason();
  };
  EXPECT_EQ(problem("origin=1,2"),
            "A route needs a start and an end point (origin and destination).");
  EXPECT_NE(problem("origin=x&destination=3,4").find("start point \"x\""), std::string::npos);
  EXPECT_NE(problem("origin=1,2&destination=3,4&mode=flying").find("driving or walking"),
            std::string::npos);
  EXPECT_NE(problem("origin=1,2&destination=3,4&waypoints=1,2%7Cnope").find("waypoint \"nope\""),
            std::string::npos);
  std::string nine = "origin=1,2&destination=3,4&waypoints=optimize:true";
  for (int i = 0; i < 9; ++i) nine += "%7C1,2";
  EXPECT_EQ(problem(nine.c_str()), "A route can pass through at most 8 waypoints.");
}

TEST(LookupQuery, AddressIsTrimmedAndBounded) {
  EXPECT_EQ(LookupQuery::parseAddress(LookupQuery::parameters("address=++Nice++")).value(), "Nice");
  EXPECT_EQ(LookupQuery::parseAddress(LookupQuery::parameters("address=+")).reason(),
            "Type a place or an address to search for.");
  std::string longer = "address=" + std::string(600, 'a');
  EXPECT_EQ(LookupQuery::parseAddress(LookupQuery::parameters(longer)).reason(),
            "That address is too long to search for.");
}
