#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/net/HTTPTransferEngine.h"
#include "platform/net/LoopbackServer.h"
#include "platform/net/NSURLConnection.h"
#include "platform/net/RunMainLoop.h"

namespace p = tessaly::platform;
using tessaly::testing::LoopbackServer;
using tessaly::testing::runMainLoopFor;

namespace {

// Records every event in order and stops the main loop at the end of the transfer.
struct Recorder : p::NSURLConnectionDelegate {
  std::vector<std::string> events;
  std::string body;
  p::NSHTTPURLResponse response;
  p::NSError error;
  bool stopAtEnd = true;

  void connectionDidReceiveResponse(p::NSURLConnection*, const p::NSHTTPURLResponse& r) override {
    events.push_back("response");
    response = r;
  }
  void connectionDidReceiveData(p::NSURLConnection*, std::string_view data) override {
    if (events.empty() || events.back() != "data") events.push_back("data");
    body.append(data);
  }
  void connectionDidFailWithError(p::NSURLConnection*, const p::NSError& e) override {
    events.push_back("fail");
    error = e;
    if (stopAtEnd) p::RunLoop::main().stop();
  }
  void connectionDidFinishLoading(p::NSURLConnection*) override {
    events.push_back("finish");
    if (stopAtEnd) p::RunLoop::main().stop();
  }
};

p::NSURLRequest get(const std::string& url, double timeout = 10) {
  return p::NSURLRequest(url, p::NSURLRequestUseProtocolCachePolicy, timeout);
}

using Events = std::vector<std::string>;

class URLConnection : public ::testing::Test {
 protected:
  void TearDown() override {
    // Whatever a test left behind is cleaned up by the transfer thread.
    for (int i = 0; i < 200 && p::HTTPTransferEngine::shared().activeTransfers() != 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(p::HTTPTransferEngine::shared().activeTransfers(), 0u);
    p::RunLoop::main().reset();
  }
  LoopbackServer server;
  Recorder recorder;
};

TEST_F(URLConnection, DeliversResponseBodyAndFinishInOrderWithTheHeadersAsked) {
  std::string referer;
  server.server.Get("/maps/api/geocode/json",
                    [&](const httplib::Request& req, httplib::Response& res) {
                      referer = req.get_header_value("Referer");
                      res.set_content("{\"status\":\"OK\"}", "application/json; charset=UTF-8");
                    });
  server.start();
  auto request = get(server.url("/maps/api/geocode/json?address=a%20b&sensor=false"));
  request.setValueForHTTPHeaderField("https://tessaly.example/", "Referer");
  auto connection = p::NSURLConnection::connectionWithRequest(request, &recorder);
  ASSERT_TRUE(connection);
  ASSERT_TRUE(runMainLoopFor(5));
  EXPECT_EQ(recorder.events, (Events{"response", "data", "finish"}));
  EXPECT_EQ(recorder.body, "{\"status\":\"OK\"}");
  EXPECT_EQ(recorder.response.statusCode, 200);
  EXPECT_EQ(recorder.response.mimeType, "application/json");
  EXPECT_EQ(referer, "https://tessaly.example/");
}

TEST_F(URLConnection, AnErrorStatusStillDeliversItsBody) {
  server.server.Get("/broken", [](const httplib::Request&, httplib::Response& res) {
    res.status = 500;
    res.set_content("<html><body>Internal error</body></html>", "text/html");
  });
  server.start();
  auto connection =
      p::NSURLConnection::connectionWithRequest(get(server.url("/broken")), &recorder);
  ASSERT_TRUE(runMainLoopFor(5));
  EXPECT_EQ(recorder.events, (Events{"response", "data", "finish"}));
  EXPECT_EQ(recorder.response.statusCode, 500);
  EXPECT_EQ(recorder.body, "<html><body>Internal error</body></html>");
}

TEST_F(URLConnection, AnEmptyBodyStillGivesTheResponseBeforeTheFinish) {
  server.server.Get("/empty",
                    [](const httplib::Request&, httplib::Response& res) { res.status = 204; });
  server.start();
  auto connection = p::NSURLConnection::connectionWithRequest(get(server.url("/empty")), &recorder);
  ASSERT_TRUE(runMainLoopFor(5));
  EXPECT_EQ(recorder.events, (Events{"response", "finish"}));
  EXPECT_EQ(recorder.response.statusCode, 204);
}

TEST_F(URLConnection, RedirectsAreFollowedAFewTimesThenTheTransferFails) {
  server.server.Get(R"(/hop/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
    int n = std::stoi(req.matches[1]);
    if (n == 0)
      res.set_content("arrived", "text/plain");
    else
      res.set_redirect("/hop/" + std::to_string(n - 1));
  });
  server.start();
  auto near = p::NSURLConnection::connectionWithRequest(get(server.url("/hop/3")), &recorder);
  ASSERT_TRUE(runMainLoopFor(5));
  EXPECT_EQ(recorder.events, (Events{"response", "data", "finish"}));
  EXPECT_EQ(recorder.body, "arrived");
  EXPECT_EQ(recorder.response.url, server.url("/hop/0"));

  Recorder far;
  auto tooFar = p::NSURLConnection::connectionWithRequest(get(server.url("/hop/40")), &far);
  ASSERT_TRUE(runMainLoopFor(5));
  EXPECT_EQ(far.events, (Events{"fail"}));
  EXPECT_EQ(far.error.code, p::NSURLErrorHTTPTooManyRedirects);
  EXPECT_EQ(far.error.localizedDescription, "There were too many redirects.");
}

TEST_F(URLConnection, ARedirectToAnotherKindOfAddressIsRefused) {
  server.server.Get("/elsewhere", [](const httplib::Request&, httplib::Response& res) {
    res.set_redirect("file:///etc/passwd");
  });
  server.start();
  auto connection =
      p::NSURLConnection::connectionWithRequest(get(server.url("/elsewhere")), &recorder);
  ASSERT_TRUE(runMainLoopFor(5));
  ASSERT_EQ(recorder.events.back(), "fail");
  EXPECT_EQ(recorder.body.find("root:"), std::string::npos);
  EXPECT_EQ(recorder.error.localizedDescription, "The address is not supported.");
}

TEST_F(URLConnection, OnlyWellFormedHttpAndHttpsAddressesCanBeMade) {
  for (const char* url : {"ftp://127.0.0.1/x", "file:///etc/passwd", "not an address", "",
                          "http://", "gopher://127.0.0.1:70/"})
    EXPECT_FALSE(p::NSURLConnection::connectionWithRequest(get(url), &recorder)) << url;
  EXPECT_FALSE(p::NSURLConnection::connectionWithRequest(get("http://127.0.0.1/"), nullptr));
  EXPECT_TRUE(recorder.events.empty());
}

TEST_F(URLConnection, AServerThatNeverAnswersTimesOut) {
  tessaly::testing::SilentServer silent;
  auto started = std::chrono::steady_clock::now();
  auto connection =
      p::NSURLConnection::connectionWithRequest(get(silent.base() + "/x", 0.3), &recorder);
  ASSERT_TRUE(runMainLoopFor(5));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
  EXPECT_EQ(recorder.events, (Events{"fail"}));
  EXPECT_EQ(recorder.error.domain, p::NSURLErrorDomain);
  EXPECT_EQ(recorder.error.code, p::NSURLErrorTimedOut);
  EXPECT_EQ(recorder.error.localizedDescription, "The request timed out.");
}

TEST_F(URLConnection, NobodyListeningCannotConnect) {
  auto url = "http://127.0.0.1:" + std::to_string(tessaly::testing::closedPort()) + "/";
  auto connection = p::NSURLConnection::connectionWithRequest(get(url), &recorder);
  ASSERT_TRUE(runMainLoopFor(5));
  EXPECT_EQ(recorder.events, (Events{"fail"}));
  EXPECT_EQ(recorder.error.code, p::NSURLErrorCannotConnectToHost);
  EXPECT_EQ(recorder.error.localizedDescription, "Could not connect to the server.");
}

TEST_F(URLConnection, AConnectionResetInsideTheBodyFailsAfterThePiecesThatCame) {
  server.server.Get("/cut", [](const httplib::Request&, httplib::Response& res) {
    res.set_content_provider(100000, "application/json",
                             [](size_t offset, size_t, httplib::DataSink& sink) {
                               if (offset > 0) return false;  // drop the connection
                               sink.write("{\"status\":", 10);
                               return true;
                             });
  });
  server.start();
  auto connection = p::NSURLConnection::connectionWithRequest(get(server.url("/cut")), &recorder);
  ASSERT_TRUE(runMainLoopFor(5));
  EXPECT_EQ(recorder.events, (Events{"response", "data", "fail"}));
  EXPECT_EQ(recorder.error.code, p::NSURLErrorNetworkConnectionLost);
  EXPECT_EQ(recorder.error.localizedDescription, "The network connection was lost.");
}

TEST_F(URLConnection, AHundredMegabyteBodyFailsAtTheLimit) {
  constexpr std::size_t kHundredMegabytes = 100u << 20;
  const std::string block(64 * 1024, 'x');
  // Announced: refused before any of the body is handed on.
  server.server.Get("/announced", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content_provider(kHundredMegabytes, "application/octet-stream",
                             [&](size_t offset, size_t length, httplib::DataSink& sink) {
                               sink.write(block.data(), std::min(length, block.size()));
                               (void)offset;
                               return true;
                             });
  });
  // Unannounced (chunked): stopped once the limit is passed.
  std::atomic<std::size_t> sent{0};
  server.server.Get("/chunked", [&](const httplib::Request&, httplib::Response& res) {
    res.set_chunked_content_provider("application/octet-stream",
                                     [&](size_t, httplib::DataSink& sink) {
                                       if (sent >= kHundredMegabytes) {
                                         sink.done();
                                         return true;
                                       }
                                       sent += block.size();
                                       return sink.write(block.data(), block.size());
                                     });
  });
  server.start();
  auto announced =
      p::NSURLConnection::connectionWithRequest(get(server.url("/announced")), &recorder);
  ASSERT_TRUE(runMainLoopFor(10));
  EXPECT_EQ(recorder.events, (Events{"fail"}));
  EXPECT_TRUE(recorder.body.empty());
  EXPECT_EQ(recorder.error.code, p::NSURLErrorDataLengthExceedsMaximum);
  EXPECT_EQ(recorder.error.localizedDescription, "The server's answer is too large.");

  Recorder chunked;
  auto streamed = p::NSURLConnection::connectionWithRequest(get(server.url("/chunked")), &chunked);
  ASSERT_TRUE(runMainLoopFor(30));
  ASSERT_EQ(chunked.events.back(), "fail");
  EXPECT_EQ(chunked.error.localizedDescription, "The server's answer is too large.");
  EXPECT_LE(chunked.body.size(), p::NSURLConnection::kMaximumBodyLength);
  EXPECT_LT(sent.load(), kHundredMegabytes);
}

TEST_F(URLConnection, NoEventArrivesAfterCancelEvenWhenTheAnswerIsAlreadyQueued) {
  server.server.Get("/quick", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(std::string(200000, 'q'), "text/plain");
  });
  server.start();
  recorder.stopAtEnd = false;
  auto connection = p::NSURLConnection::connectionWithRequest(get(server.url("/quick")), &recorder);
  // Let the whole answer arrive on the transfer thread without running the main loop.
  for (int i = 0; i < 300 && p::HTTPTransferEngine::shared().activeTransfers() != 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  connection->cancel();
  p::RunLoop::main().runUntilIdle();
  EXPECT_TRUE(recorder.events.empty());

  // A connection dropped in the middle of a transfer is cancelled as it goes.
  Recorder second;
  second.stopAtEnd = false;
  auto dropped = p::NSURLConnection::connectionWithRequest(get(server.url("/quick")), &second);
  dropped.reset();
  p::RunLoop::main().runUntilIdle();
  EXPECT_TRUE(second.events.empty());
}

TEST_F(URLConnection, HeaderValuesCannotCarryLinesOfTheirOwn) {
  p::NSURLRequest request("http://127.0.0.1/");
  request.setValueForHTTPHeaderField("a\r\nX-Evil: 1", "Referer");
  request.setValueForHTTPHeaderField("v", "Bad\nName");
  EXPECT_TRUE(request.allHTTPHeaderFields().empty());
  request.setValueForHTTPHeaderField("one", "Referer");
  request.setValueForHTTPHeaderField("two", "referer");
  EXPECT_EQ(request.allHTTPHeaderFields().size(), 1u);
  EXPECT_EQ(request.valueForHTTPHeaderField("REFERER"), "two");
}

}  // namespace
