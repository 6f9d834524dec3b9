#include "lookup/GeoSearchConnection.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "lookup/AnswerServer.h"
#include "lookup/LookupServices.h"
#include "platform/foundation/Log.h"
#include "platform/net/LoopbackServer.h"
#include "platform/net/RunMainLoop.h"

namespace p = tessaly::platform;
using tessaly::CoordData;
using tessaly::GeoSearchConnection;
using tessaly::LookupServices;
using tessaly::testing::runMainLoopFor;

namespace {

struct SearchRecorder : tessaly::GeoSearchConnectionDelegate {
  std::optional<std::vector<std::shared_ptr<CoordData>>> results;
  std::optional<std::string> failure;
  int calls = 0;
  void geoSearchConnectionDidFinishLoadingWithGeoLocalObjects(
      GeoSearchConnection*, const std::vector<std::shared_ptr<CoordData>>& list) override {
    ++calls;
    results = list;
    p::RunLoop::main().stop();
  }
  void geoSearchConnectionDidFailWithError(GeoSearchConnection*, const std::string& m) override {
    ++calls;
    failure = m;
    p::RunLoop::main().stop();
  }
};

class GeoSearch : public ::testing::Test {
 protected:
  void TearDown() override { p::RunLoop::main().reset(); }

  // Sends query, waits for the answer; the log lines written meanwhile are kept.
  void search(const std::string& query) {
    p::LogCapture capture;
    connection->getGeoObjectsWithQueryAndReferer(query, LookupServices::kReferer);
    ASSERT_TRUE(connection->connectionIsActive());
    ASSERT_TRUE(runMainLoopFor(5));
    EXPECT_FALSE(connection->connectionIsActive());
    EXPECT_FALSE(connection->responseData());
    log = capture.lines();
  }

  tessaly::testing::AnswerServer service;
  SearchRecorder recorder;
  std::unique_ptr<GeoSearchConnection> connection =
      GeoSearchConnection::initWithDelegate(&recorder);
  std::vector<std::string> log;
};

const char* const kTwoResults = R"({"results":[
  {"formatted_address":"Place du Casino, 98000 Monaco","geometry":{"location":{"lat":43.7396,"lng":7.4276}}},
  {"formatted_address":"no geometry here"},
  {"formatted_address":"Port Hercule, Monaco","geometry":{"location":{"lat":43.7347,"lng":7.4206},"location_type":"APPROXIMATE"}}
],"status":"OK"})";

TEST_F(GeoSearch, SendsTheEscapedQueryWithTheRefererAndListsTheResultsInOrder) {
  service.answer(kTwoResults);
  search("Main St & 5th");
  ASSERT_EQ(service.asked().size(), 1u);
  EXPECT_EQ(service.asked()[0].target,
            "/maps/api/geocode/json?address=Main%20St%20%26%205th&sensor=false");
  EXPECT_EQ(service.asked()[0].referer, LookupServices::kReferer);
  ASSERT_TRUE(recorder.results);
  ASSERT_EQ(recorder.results->size(), 2u);  // the element without geometry is left out
  const CoordData& first = *(*recorder.results)[0];
  EXPECT_EQ(first.address(), "Place du Casino, 98000 Monaco");
  EXPECT_EQ(first.coordinate().latitude, 43.7396);
  EXPECT_EQ(first.coordinate().longitude, 7.4276);
  EXPECT_EQ(first.type(), tessaly::kCoordStart);
  EXPECT_EQ(first.distance(), 0);
  EXPECT_EQ((*recorder.results)[1]->address(), "Port Hercule, Monaco");
  EXPECT_TRUE(log.empty());
}

TEST_F(GeoSearch, OneResultAndResultsWithMissingPartsReadAsTheSystemDoes) {
  service.answer(R"({"status":"OK","results":[{"geometry":{"location":{"lat":1.5}}}]})");
  search("x");
  ASSERT_EQ(recorder.results->size(), 1u);
  EXPECT_FALSE((*recorder.results)[0]->address());
  EXPECT_EQ((*recorder.results)[0]->coordinate().longitude, 0);

  service.answer(R"({"status":"OK","results":[]})");
  search("nothing");
  EXPECT_TRUE(recorder.results->empty());
  // A "results" that is no list, and elements of the wrong kinds, give no result and no crash.
  service.answer(R"({"status":"OK","results":{"a":1}})");
  search("odd");
  EXPECT_TRUE(recorder.results->empty());
  service.answer(
      R"({"status":"OK","results":[1,"two",{"geometry":"three"},{"geometry":{"location":[4]}}]})");
  search("odder");
  EXPECT_TRUE(recorder.results->empty());
  EXPECT_EQ(recorder.calls, 4);
}

struct FailureRow {
  std::string body;
  std::string logLine;  // "" for none
  std::string message;
};

TEST_F(GeoSearch, EveryFailureOfTheAnswerHasItsLogLineAndText) {
  const std::vector<FailureRow> rows = {
      {"{\"a\":123}", "ERROR 132", "Invalid response"},  // 9 bytes
      {"", "ERROR 132", "Invalid response"},
      {"{\"a\":1234}", "ERROR 154", "Invalid response"},  // 10 bytes: decoded
      {"{\"results\":[]}", "ERROR 154", "Invalid response"},
      {"{\"status\":\"OK\"}", "ERROR 154", "Invalid response"},
      {"[\"results\",\"status\"]", "ERROR 154", "Invalid response"},
      {R"({"results":[],"status":"ZERO_RESULTS"})", "ERROR 160", "ZERO_RESULTS"},
      {R"({"results":[],"status":"<b>REQUEST_DENIED</b> & more"})", "ERROR 160",
       "<b>REQUEST_DENIED</b> & more"},
      {R"({"results":[],"status":"ok"})", "ERROR 160", "ok"},
  };
  for (const auto& row : rows) {
    recorder = {};
    service.answer(row.body);
    search("q");
    ASSERT_TRUE(recorder.failure) << row.body;
    EXPECT_EQ(*recorder.failure, row.message) << row.body;
    EXPECT_EQ(log, std::vector<std::string>{row.logLine}) << row.body;
    EXPECT_FALSE(recorder.results);
  }
}

TEST_F(GeoSearch, GarbageAndErrorPagesReportTheDecodersDescription) {
  for (std::string body : {std::string("this is not json at all"),
                           std::string("<html><body><h1>502 Bad Gateway</h1></body></html>"),
                           std::string("{\"results\":[],\"status\":\"OK\"")}) {
    recorder = {};
    service.answer(body, 502, "text/html");
    search("q");
    ASSERT_TRUE(recorder.failure) << body;
    EXPECT_FALSE(recorder.failure->empty());
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].rfind("JSON Error: Error Domain=JRErrorDomain Code=-1 \"", 0), 0u) << log[0];
    EXPECT_NE(log[0].find(*recorder.failure), std::string::npos);
  }
}

TEST_F(GeoSearch, ASecondSearchCancelsTheFirstSilently) {
  service.answer(kTwoResults);
  connection->getGeoObjectsWithQueryAndReferer("first", LookupServices::kReferer);
  auto* firstTransfer = connection->connection();
  connection->getGeoObjectsWithQueryAndReferer("second", LookupServices::kReferer);
  EXPECT_NE(connection->connection(), firstTransfer);
  ASSERT_TRUE(runMainLoopFor(5));
  // Whatever the first transfer still had in flight stays unheard.
  runMainLoopFor(0.2);
  EXPECT_EQ(recorder.calls, 1);
  EXPECT_TRUE(recorder.results);
}

TEST_F(GeoSearch, TransferFailuresReportTheirOwnText) {
  tessaly::testing::SilentServer silent;
  LookupServices::setGeocoderBase(silent.base());
  connection->setTimeoutIntervalForTesting(0.2);
  search("slow");
  EXPECT_EQ(recorder.failure, "The request timed out.");
  EXPECT_TRUE(log.empty());

  LookupServices::setGeocoderBase("http://127.0.0.1:" +
                                  std::to_string(tessaly::testing::closedPort()));
  search("nobody");
  EXPECT_EQ(recorder.failure, "Could not connect to the server.");
}

TEST_F(GeoSearch, ARequestThatCannotBeMadeLogsAndCallsNobody) {
  LookupServices::setGeocoderBase("ftp://127.0.0.1");
  p::LogCapture capture;
  connection->getGeoObjectsWithQueryAndReferer("x", LookupServices::kReferer);
  EXPECT_FALSE(connection->connectionIsActive());
  EXPECT_EQ(capture.lines(), std::vector<std::string>{"connection failed"});
  EXPECT_FALSE(runMainLoopFor(0.2));
  EXPECT_EQ(recorder.calls, 0);

  EXPECT_EQ(GeoSearchConnection::init(), nullptr);
  EXPECT_TRUE(capture.contains("need a delegate!! use initWithDelegate!"));
}

TEST_F(GeoSearch, CancelAndTheObjectsEndLeaveNoCallBehind) {
  service.answer(kTwoResults);
  connection->getGeoObjectsWithQueryAndReferer("x", LookupServices::kReferer);
  connection->cancelGetGeoObjects();
  EXPECT_FALSE(connection->connectionIsActive());
  EXPECT_FALSE(connection->connection());
  connection->getGeoObjectsWithQueryAndReferer("y", LookupServices::kReferer);
  connection.reset();
  EXPECT_FALSE(runMainLoopFor(0.3));
  EXPECT_EQ(recorder.calls, 0);
}

}  // namespace
