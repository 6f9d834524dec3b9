// The host against slow, idle, greedy and hostile clients, over real loopback sockets. Every
// wait has a deadline; the server's own deadlines are shortened so that each case ends in a
// second or two.

#include <atomic>
#include <chrono>
#include <memory>
#include <vector>

#include "web/Gzip.h"
#include "web/RawSocket.h"
#include "web/WebHostFixture.h"

using tessaly::web::HttpRequest;
using tessaly::web::HttpResponse;

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string statusLine(const std::string& answer) {
  return answer.substr(0, answer.find("\r\n"));
}

std::string bodyOf(const std::string& answer) {
  std::size_t blank = answer.find("\r\n\r\n");
  return blank == std::string::npos ? "" : answer.substr(blank + 4);
}

std::string chunked(const std::string& body, std::size_t chunk) {
  std::string out;
  char size[20];
  for (std::size_t at = 0; at < body.size(); at += chunk) {
    std::string piece = body.substr(at, chunk);
    std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
    out += size + piece + "\r\n";
  }
  return out + "0\r\n\r\n";
}

// A batch of long presses, x = 0, 1, 2...: padded with spaces to the size asked.
std::string pressBatch(int count, std::size_t padTo = 0) {
  std::string body = "[";
  for (int i = 0; i < count; ++i)
    body += std::string(i ? "," : "") + R"({"type":"longPress","point":{"x":)" + std::to_string(i) +
            R"(,"y":0}})";
  if (body.size() + 1 < padTo) body += std::string(padTo - body.size() - 1, ' ');
  return body + "]";
}

class WebHostLimitsTest : public WebHostTest {
 protected:
  WebHostOptions quick() {
    WebHostOptions options;
    options.limits.headerSeconds = 0.5;
    options.limits.bodySeconds = 0.5;
    options.limits.writeSeconds = 1;
    return options;
  }

  std::string hostHeader() const { return "127.0.0.1:" + std::to_string(host->port()); }

  std::string postRaw(const std::string& headers, const std::string& body,
                      const char* from = "127.0.0.1") {
    RawSocket socket(host->port(), from);
    socket.send("POST /api/input HTTP/1.1\r\nHost: " + hostHeader() + "\r\n" + headers + "\r\n" +
                body);
    return socket.readResponse(5);
  }

  // The time GET /api/state takes on a fresh connection, or a large value when unanswered.
  double stateMilliseconds(const char* from = "127.0.0.1") {
    auto start = Clock::now();
    RawSocket socket(host->port(), from);
    socket.send("GET /api/state HTTP/1.1\r\nHost: " + hostHeader() + "\r\n\r\n");
    std::string answer = socket.readResponse(3);
    return statusLine(answer) == "HTTP/1.1 200 OK" ? millisecondsSince(start) : 1e9;
  }
};

}  // namespace

TEST_F(WebHostLimitsTest, BodiesAreCappedAsReceivedAndAsDecoded) {
  WebHostOptions options = quick();
  options.maxBodyBytes = 64 * 1024;
  start(options);
  // Chunked: within the cap it is applied, past it refused whatever the chunk sizes.
  std::string small = pressBatch(3);
  EXPECT_EQ(statusLine(postRaw("Content-Type: application/json\r\nTransfer-Encoding: chunked\r\n",
                               chunked(small, 7))),
            "HTTP/1.1 200 OK");
  EXPECT_EQ(screen.points.size(), 3u);
  std::string big = pressBatch(2, 96 * 1024);
  std::string answer = postRaw("Content-Type: application/json\r\nTransfer-Encoding: chunked\r\n",
                               chunked(big, 4096));
  EXPECT_EQ(statusLine(answer), "HTTP/1.1 413 Payload Too Large");
  EXPECT_EQ(bodyOf(answer), "refused: the request body is too large\n");

  // gzip: a small body that inflates past the cap is refused; one that fits is applied.
  std::string bomb = tessaly::web::gzipCompress(pressBatch(2, 8 << 20), 9);
  ASSERT_LT(bomb.size(), 64u * 1024);
  answer = postRaw("Content-Type: application/json\r\nContent-Encoding: gzip\r\nContent-Length: " +
                       std::to_string(bomb.size()) + "\r\n",
                   bomb);
  EXPECT_EQ(statusLine(answer), "HTTP/1.1 413 Payload Too Large");
  std::string packed = tessaly::web::gzipCompress(pressBatch(2), 6);
  answer = postRaw(
      "Content-Type: application/json\r\nContent-Encoding: gzip\r\n"
      "Transfer-Encoding: chunked\r\n",
      chunked(packed, 10));
  EXPECT_EQ(statusLine(answer), "HTTP/1.1 200 OK") << answer;
  EXPECT_EQ(screen.points.size(), 5u);

  // Broken or unknown codings change nothing.
  std::string broken = packed.substr(0, packed.size() - 6);
  answer = postRaw("Content-Type: application/json\r\nContent-Encoding: gzip\r\nContent-Length: " +
                       std::to_string(broken.size()) + "\r\n",
                   broken);
  EXPECT_EQ(statusLine(answer), "HTTP/1.1 400 Bad Request");
  answer = postRaw(
      "Content-Type: application/json\r\nContent-Encoding: br\r\nContent-Length: 2\r\n", "[]");
  EXPECT_EQ(statusLine(answer), "HTTP/1.1 415 Unsupported Media Type");
  answer = postRaw("Content-Type: application/json\r\nContent-Length: 99999999\r\n", "[");
  EXPECT_EQ(statusLine(answer), "HTTP/1.1 413 Payload Too Large");
  EXPECT_EQ(screen.points.size(), 5u);
}

TEST_F(WebHostLimitsTest, SlowHeaderClientsAreCutOffAndNeverStarveTheState) {
  start(quick());
  state();
  std::vector<std::unique_ptr<RawSocket>> slow;
  for (int i = 0; i < 30; ++i) {
    slow.push_back(std::make_unique<RawSocket>(host->port(), "127.0.0.2"));
    slow.back()->send("G");
  }
  std::atomic<bool> dripping{true};
  std::thread drip([&] {
    for (int round = 0; round < 20 && dripping; ++round) {
      for (auto& s : slow) s->send("E");
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });
  double worst = 0;
  for (int i = 0; i < 5; ++i) worst = std::max(worst, stateMilliseconds());
  EXPECT_LT(worst, 300);
  // The header deadline counts from the connect, not from the last byte.
  auto start = Clock::now();
  std::string answer = slow.front()->readUntilClosed(3);
  EXPECT_LT(millisecondsSince(start), 1500);
  EXPECT_EQ(statusLine(answer), "HTTP/1.1 408 Request Timeout");
  dripping = false;
  drip.join();
  for (auto& s : slow) EXPECT_TRUE(s->closedWithin(2));
}

TEST_F(WebHostLimitsTest, IdleConnectionsAreClosedAndCountedPerAddress) {
  WebHostOptions options = quick();
  options.limits.maxConnectionsPerAddress = 25;
  start(options);
  state();
  // 100 idle connections from four addresses: all admitted, none in anyone's way.
  std::vector<std::unique_ptr<RawSocket>> idle;
  const char* addresses[] = {"127.0.0.3", "127.0.0.4", "127.0.0.5", "127.0.0.6"};
  for (int i = 0; i < 100; ++i)
    idle.push_back(std::make_unique<RawSocket>(host->port(), addresses[i % 4]));
  EXPECT_LT(stateMilliseconds(), 300);
  // One more from a full address gets a clear refusal; other addresses are served.
  RawSocket extra(host->port(), "127.0.0.3");
  std::string answer = extra.readUntilClosed(2);
  EXPECT_EQ(statusLine(answer), "HTTP/1.1 503 Service Unavailable");
  EXPECT_EQ(bodyOf(answer), "refused: too many connections from this address\n");
  EXPECT_LT(stateMilliseconds("127.0.0.7"), 300);
  // Idle sockets go at the header deadline, and their places come back.
  for (auto& s : idle) EXPECT_TRUE(s->closedWithin(2));
  auto until = Clock::now() + std::chrono::seconds(2);
  while (host->openConnections() > 0 && Clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(host->openConnections(), 0u);
  EXPECT_LT(stateMilliseconds("127.0.0.3"), 300);
}

TEST_F(WebHostLimitsTest, HeaderLinesAndSizeAreCapped) {
  start(quick());
  std::string many;
  for (int i = 0; i < 500; ++i) many += "X-A" + std::to_string(i) + ": v\r\n";
  std::string answer =
      postRaw(many + "Content-Type: application/json\r\nContent-Length: 2\r\n", "{}");
  EXPECT_EQ(statusLine(answer), "HTTP/1.1 431 Request Header Fields Too Large");
  // A few long lines within the count but past the size.
  std::string large = "X-Big: " + std::string(20000, 'a') + "\r\n";
  RawSocket socket(host->port());
  socket.send("GET /api/state HTTP/1.1\r\nHost: " + hostHeader() + "\r\n" + large);
  // Refused before the request is complete: nothing more is read of it.
  answer = socket.readUntilClosed(2);
  EXPECT_EQ(statusLine(answer), "HTTP/1.1 431 Request Header Fields Too Large");
  EXPECT_TRUE(screen.points.empty());
}

TEST_F(WebHostLimitsTest, AClosedViewerFreesItsPlaceAtOnceAndThoseAboveTheBoundGet503) {
  WebHostOptions options = quick();
  options.maxStreams = 3;
  start(options);
  state();
  std::string request = "GET /api/events HTTP/1.1\r\nHost: " + hostHeader() + "\r\n\r\n";
  std::vector<std::unique_ptr<RawSocket>> viewers;
  for (int i = 0; i < 3; ++i) {
    viewers.push_back(std::make_unique<RawSocket>(host->port()));
    viewers.back()->send(request);
    std::string first = viewers.back()->readUntil("\n\n", 2);
    EXPECT_NE(first.find("event: state\ndata: {\"version\":1"), std::string::npos) << first;
  }
  RawSocket refused(host->port());
  refused.send(request);
  std::string answer = refused.readResponse(2);
  EXPECT_EQ(statusLine(answer), "HTTP/1.1 503 Service Unavailable");
  EXPECT_EQ(bodyOf(answer), "refused: too many open event streams\n");

  viewers.pop_back();  // the browser tab closes
  auto until = Clock::now() + std::chrono::seconds(1);
  while (host->openStreams() > 2 && Clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(host->openStreams(), 2u);
  RawSocket again(host->port());
  again.send(request);
  EXPECT_NE(again.readUntil("200 OK", 2).find("200 OK"), std::string::npos);
  // Viewers that sit on their streams keep getting new versions, never a queue of old ones.
  post(kPress);
  for (auto& v : viewers)
    EXPECT_NE(v->readUntil("\"points\":1", 2).find("\"points\":1"), std::string::npos);
}

TEST_F(WebHostLimitsTest, FiftyViewersLeaveTheStateAndInputsAnswered) {
  start(quick());
  state();
  std::string request = "GET /api/events HTTP/1.1\r\nHost: " + hostHeader() + "\r\n\r\n";
  std::vector<std::unique_ptr<RawSocket>> viewers;
  const char* addresses[] = {"127.0.0.8", "127.0.0.9"};
  for (int i = 0; i < 50; ++i) {
    viewers.push_back(std::make_unique<RawSocket>(host->port(), addresses[i % 2]));
    viewers.back()->send(request);
  }
  for (auto& v : viewers)
    EXPECT_NE(v->readUntil("event: state", 2).find("event: state"), std::string::npos);
  EXPECT_EQ(host->openStreams(), 50u);
  auto start = Clock::now();
  EXPECT_EQ(post(kPress)->status, 200);
  EXPECT_LT(millisecondsSince(start), 500);
  EXPECT_LT(stateMilliseconds(), 300);
  for (auto& v : viewers)
    EXPECT_NE(v->readUntil("\"points\":1", 2).find("\"points\":1"), std::string::npos);
}

TEST_F(WebHostLimitsTest, ABodyIsExactlyOneJsonValueAndAReasonIsOneLine) {
  start(quick());
  std::string withNul = std::string(kPress) + std::string(1, '\0') + "trailing text";
  auto res = post(withNul);
  EXPECT_EQ(res->status, 400);
  EXPECT_EQ(post(std::string(kPress) + " {}")->status, 400);
  res = post(R"({"type":"longPress","point":{"x":1,"y":2},"a\nb\r\nc":1})");
  EXPECT_EQ(res->status, 400);
  EXPECT_EQ(std::count(res->body.begin(), res->body.end(), '\n'), 1) << res->body;
  EXPECT_NE(res->body.find("a\\x0ab"), std::string::npos) << res->body;
  // A long reason (an unknown field of 100 kB) comes back cut short.
  res =
      post(R"({"type":"longPress","point":{"x":1,"y":2},")" + std::string(100000, 'k') + R"(":1})");
  EXPECT_EQ(res->status, 400);
  EXPECT_LT(res->body.size(), 500u);
  EXPECT_TRUE(screen.points.empty());
}

TEST_F(WebHostLimitsTest, OnlyJsonItselfIsJson) {
  start(quick());
  EXPECT_EQ(client->Post("/api/input", kPress, "application/jsonx")->status, 415);
  EXPECT_EQ(client->Post("/api/input", kPress, "application/json-patch")->status, 415);
  EXPECT_EQ(client->Post("/api/input", kPress, "application/json; charset=utf-8")->status, 200);
  EXPECT_EQ(client->Post("/api/input", kPress, "Application/JSON")->status, 200);
  EXPECT_EQ(screen.points.size(), 2u);
}

TEST_F(WebHostLimitsTest, TheTokenLinkLeadsOnlyToThePage) {
  WebHostOptions options = quick();
  options.address = "0.0.0.0";
  options.token = "0123456789abcdef";
  start(options);
  for (const char* path :
       {"//evil.example/?token=0123456789abcdef", "/app.js?token=0123456789abcdef",
        "/%2F%2Fevil.example?token=0123456789abcdef"}) {
    auto res = client->Get(path);
    ASSERT_TRUE(res) << path;
    EXPECT_EQ(res->status, 302) << path;
    EXPECT_EQ(res->get_header_value("Location"), "/") << path;
  }
}

TEST_F(WebHostLimitsTest, PathsWithNulOrLinksOutOfTheFolderAreNotServed) {
  std::filesystem::path outside = std::filesystem::temp_directory_path() /
                                  ("tessaly-outside-" + std::to_string(::getpid()) + ".txt");
  std::ofstream(outside) << "secret";
  start(quick());
  std::filesystem::create_symlink(outside, resources() / "leak.txt");
  std::filesystem::create_directories(resources() / "inner");
  std::ofstream(resources() / "inner" / "fine.js") << "1";
  std::filesystem::create_symlink(resources() / "inner" / "fine.js", resources() / "alias.js");
  EXPECT_EQ(client->Get("/leak.txt")->status, 404);
  auto res = client->Get("/alias.js");  // a link that stays inside is fine
  EXPECT_EQ(res->status, 200);
  EXPECT_EQ(res->get_header_value("Content-Type"), "text/javascript");
  EXPECT_EQ(client->Get("/index.html%00.js")->status, 400);
  EXPECT_EQ(client->Get("/inner/fine.js%00")->status, 400);
  EXPECT_EQ(client->Get("/inner/%2e%2e/%2e%2e/CMakeLists.txt")->status, 404);
  std::filesystem::remove(outside);
}

TEST_F(WebHostLimitsTest, AHostWithoutAPortMeansPort80) {
  WebHostOptions options = quick();
  options.address = "127.0.0.80";
  options.port = 80;
  host = std::make_unique<WebHost>(screen, loop, options);
  if (auto bound = host->bind(); !bound)
    GTEST_SKIP() << "port 80 not available here: " << bound.reason();
  host.reset();
  start(options, true, false);
  httplib::Client on80("127.0.0.80", 80);
  EXPECT_EQ(on80.Get("/api/state", {{"Host", "127.0.0.80"}})->status, 200);
  EXPECT_EQ(on80.Get("/api/state", {{"Host", "127.0.0.80:80"}})->status, 200);
  EXPECT_EQ(on80.Get("/api/state", {{"Host", "127.0.0.80:"}})->status, 403);
  EXPECT_EQ(on80.Get("/api/state", {{"Host", "127.0.0.80:8080"}})->status, 403);
}

TEST_F(WebHostLimitsTest, AnAddressThatCannotBeHadIsRefusedWithTheReason) {
  WebHostOptions options = quick();
  options.address = "localhost";  // the IPv4 loopback
  options.port = 0;
  WebHost first(screen, loop, options);
  ASSERT_TRUE(first.bind());
  ASSERT_GT(first.port(), 0);

  options.address = "127.0.0.1";
  options.port = first.port();
  WebHost taken(screen, loop, options);
  auto refused = taken.bind();
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.reason().rfind(
                "cannot listen on 127.0.0.1:" + std::to_string(first.port()) + " (", 0),
            0u)
      << refused.reason();
  EXPECT_EQ(taken.port(), 0);

  options.address = "no-such-address";
  WebHost nonsense(screen, loop, options);
  EXPECT_EQ(nonsense.bind().reason(), "cannot listen on no-such-address (not an address)");
}

TEST_F(WebHostLimitsTest, KeptAliveRequestsDoNotWaitForDelayedAcknowledgements) {
  start(quick());
  state();
  httplib::Client kept("127.0.0.1", host->port());
  kept.set_keep_alive(true);
  ASSERT_EQ(kept.Get("/api/state")->status, 200);
  auto start = Clock::now();
  for (int i = 0; i < 10; ++i) ASSERT_EQ(kept.Get("/api/state")->status, 200);
  EXPECT_LT(millisecondsSince(start), 200);  // 40 ms each when small writes wait
  EXPECT_EQ(host->openConnections(), 1u);
}

TEST_F(WebHostLimitsTest, MountedHandlersAnswerBehindTheChecksWithoutHoldingUpOthers) {
  start(quick(), false);
  std::atomic<int> calls{0};
  host->mount("/maps/api/", [&](const HttpRequest& request) {
    ++calls;
    if (request.path == "/maps/api/slow")
      std::this_thread::sleep_for(std::chrono::milliseconds(800));
    HttpResponse response;
    response.contentType = "application/json";
    response.body = json{{"path", request.path}, {"q", request.param("q")}}.dump();
    return response;
  });
  host->start();
  runLoop();
  state();
  RawSocket search(host->port());
  search.send("GET /maps/api/search?q=Rue%20Grimaldi+7 HTTP/1.1\r\nHost: " + hostHeader() +
              "\r\n\r\n");
  std::string answer = search.readResponse(3);
  ASSERT_EQ(statusLine(answer), "HTTP/1.1 200 OK");
  EXPECT_EQ(json::parse(bodyOf(answer))["q"], "Rue Grimaldi 7");
  EXPECT_NE(answer.find("X-Frame-Options: DENY"), std::string::npos);
  EXPECT_EQ(client->Get("/maps/api/x", {{"Host", "evil.example"}})->status, 403);
  EXPECT_EQ(client->Post("/maps/api/x", "{}", "application/json")->status, 405);
  EXPECT_EQ(calls.load(), 1);
  // Slow handlers wait beside the I/O threads: the state is answered meanwhile.
  std::vector<std::thread> slow;
  for (int i = 0; i < 4; ++i)
    slow.emplace_back([&] {
      httplib::Client c("127.0.0.1", host->port());
      c.Get("/maps/api/slow");
    });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_LT(stateMilliseconds(), 300);
  for (auto& t : slow) t.join();
  EXPECT_EQ(calls.load(), 5);
}
