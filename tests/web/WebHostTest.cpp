// The host over real loopback HTTP, with a small screen standing in for the application.
#include <future>

#include "web/WebHostFixture.h"

namespace {

// The first n messages of an event stream opened now, each as event name and data, read on a
// thread of its own until join().
struct StreamReader {
  StreamReader(int port, std::size_t n)
      : thread([this, port, n] {
          httplib::Client stream("127.0.0.1", port);
          std::string buffer;
          stream.Get("/api/events", [&](const char* data, size_t length) {
            buffer.append(data, length);
            std::size_t end;
            while ((end = buffer.find("\n\n")) != std::string::npos) {
              std::string message = buffer.substr(0, end);
              buffer.erase(0, end + 2);
              std::size_t event = message.find("event: "), at = message.find("data: ");
              if (event == std::string::npos || at == std::string::npos) continue;
              std::lock_guard lock(mutex);
              messages.emplace_back(
                  message.substr(event + 7, message.find('\n', event) - event - 7),
                  json::parse(message.substr(at + 6)));
              arrived.notify_all();
              if (messages.size() == n) return false;
            }
            return true;
          });
        }) {}
  void waitFor(std::size_t n) {
    std::unique_lock lock(mutex);
    arrived.wait(lock, [&] { return messages.size() >= n; });
  }
  std::vector<std::pair<std::string, json>> messages;
  std::mutex mutex;
  std::condition_variable arrived;
  std::thread thread;
};

// What changes say applied to a state, for the members of the small screen.
json applied(json state, const json& patch) {
  for (const json& op : patch["ops"]) {
    json* place = &state;
    const json& path = op["path"];
    for (std::size_t i = 0; i + 1 < path.size(); ++i) place = &(*place)[path[i].get<std::string>()];
    if (op["op"] == "splice") {
      json& list = (*place)[path.back().get<std::string>()];
      auto at = list.begin() + op["at"].get<std::ptrdiff_t>();
      at = list.erase(at, at + op["remove"].get<std::ptrdiff_t>());
      for (const json& v : op["insert"]) at = list.insert(at, v) + 1;
    } else if (op["op"] == "set") {
      (*place)[path.back().get<std::string>()] = op["value"];
    } else {
      place->erase(path.back().get<std::string>());
    }
  }
  state["version"] = patch["version"];
  return state;
}

}  // namespace

TEST_F(WebHostTest, AnAppliedInputAnswersWithTheVersionThatShowsIt) {
  start();
  auto res = post(kPress);
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200) << res->body;
  json reply = json::parse(res->body);
  auto s = state();
  EXPECT_EQ(s["points"], 1);
  EXPECT_EQ(s["version"], reply["version"]);
  EXPECT_EQ(s["title"], "<b>Tap</b> & hold");
}

TEST_F(WebHostTest, RefusedInputsGet400AndChangeNothing) {
  start();
  auto before = state();
  const char* bodies[] = {"not json", R"({"type":"longPress"})",
                          R"({"type":"tap","id":3})",  // disabled: no point yet
                          R"([{"type":"longPress","point":{"x":1,"y":2}},{"type":"zap"}])"};
  for (const char* body : bodies) {
    auto res = post(body);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 400) << body;
    EXPECT_EQ(std::count(res->body.begin(), res->body.end(), '\n'), 1) << res->body;
  }
  EXPECT_EQ(post(R"({"type":"tap","id":3})")->body, "button 3 is disabled\n");
  EXPECT_EQ(state(), before);
  EXPECT_TRUE(screen.points.empty());
}

TEST_F(WebHostTest, AStateAskedForBeforeTheFirstSnapshotWaitsForIt) {
  start({}, false);
  json early;
  std::thread asker([&] { early = state(); });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  runLoop();
  asker.join();
  EXPECT_EQ(early["version"], 1);
  EXPECT_EQ(early["points"], 0);
}

TEST_F(WebHostTest, ABatchIsAppliedInOrderInOneTurnAndGivesOneNewVersion) {
  start();
  auto before = state()["version"].get<int>();
  json batch = json::array();
  for (int i = 0; i < 500; ++i)
    batch.push_back({{"type", "longPress"}, {"point", {{"x", i}, {"y", 0}}}});
  batch.push_back({{"type", "tap"}, {"id", 3}});
  auto res = post(batch.dump());
  ASSERT_EQ(res->status, 200) << res->body;
  EXPECT_EQ(json::parse(res->body)["applied"], 501);
  auto after = state();
  EXPECT_EQ(after["points"], 499);
  EXPECT_EQ(after["version"].get<int>(), before + 1);
  EXPECT_FLOAT_EQ(screen.points.back().x, 498);
}

TEST_F(WebHostTest, ABatchStopsAtTheFirstInputTheScreenRefuses) {
  start();
  auto res = post(R"([{"type":"longPress","point":{"x":1,"y":2}},{"type":"tap","id":3},
                      {"type":"tap","id":3},{"type":"longPress","point":{"x":3,"y":4}}])");
  EXPECT_EQ(res->status, 400);
  EXPECT_EQ(res->body, "input 2: button 3 is disabled (2 earlier inputs applied)\n");
  EXPECT_TRUE(screen.points.empty());
}

TEST_F(WebHostTest, OnlyJsonBodiesWithinTheCapAreRead) {
  WebHostOptions options;
  options.maxBodyBytes = 4096;
  start(options);
  auto res = client->Post("/api/input", kPress, "text/plain");
  EXPECT_EQ(res->status, 415);
  res = post("[" + std::string(5000, ' ') + "]");
  EXPECT_EQ(res->status, 413);
  EXPECT_TRUE(screen.points.empty());
}

TEST_F(WebHostTest, HostAndOriginMustNameThisServer) {
  start();
  std::string self = "127.0.0.1:" + std::to_string(host->port());
  struct Case {
    httplib::Headers headers;
    int status;
  };
  const Case cases[] = {
      {{{"Host", "evil.example:" + std::to_string(host->port())}}, 403},
      {{{"Host", "127.0.0.1:1"}}, 403},
      {{{"Host", "localhost:" + std::to_string(host->port())}}, 200},
      {{{"Origin", "http://evil.example"}}, 403},
      {{{"Origin", "null"}}, 403},
      {{{"Origin", "http://" + self}}, 200},
  };
  for (const auto& c : cases) {
    auto res = client->Get("/api/state", c.headers);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, c.status) << c.headers.begin()->second;
    res = post(kPress, c.headers);
    EXPECT_EQ(res->status, c.status) << c.headers.begin()->second;
  }
  EXPECT_EQ(screen.points.size(), 2u);
}

TEST_F(WebHostTest, BeyondLoopbackEveryRequestNeedsTheToken) {
  WebHostOptions options;
  options.address = "0.0.0.0";  // reached here only through 127.0.0.1
  options.token = "0123456789abcdef";
  start(options);
  ASSERT_TRUE(host->needsToken());
  EXPECT_NE(host->url().find("?token=0123456789abcdef"), std::string::npos);
  EXPECT_EQ(client->Get("/api/state")->status, 401);
  EXPECT_EQ(client->Get("/")->status, 401);
  EXPECT_EQ(post(kPress)->status, 401);
  EXPECT_EQ(client->Get("/api/state", {{"Cookie", "tessaly_token=0123456789abcdeX"}})->status, 401);
  EXPECT_TRUE(screen.points.empty());

  // The printed link sets the cookie and leads to the page without the token in its address.
  auto res = client->Get("/?token=0123456789abcdef");
  EXPECT_EQ(res->status, 302);
  EXPECT_EQ(res->get_header_value("Location"), "/");
  std::string cookie = res->get_header_value("Set-Cookie");
  EXPECT_NE(cookie.find("HttpOnly"), std::string::npos);
  httplib::Headers withCookie = {{"Cookie", cookie.substr(0, cookie.find(';'))}};
  EXPECT_EQ(client->Get("/", withCookie)->status, 200);
  EXPECT_EQ(post(kPress, withCookie)->status, 200);
  EXPECT_EQ(post(kPress, {{"Authorization", "Bearer 0123456789abcdef"}})->status, 200);
  EXPECT_EQ(screen.points.size(), 2u);
}

TEST_F(WebHostTest, OnlyServicesOpenOnLoopbackAnswerItWithoutTheToken) {
  // The application in the process asks its own lookup service over loopback, with no token;
  // the screen's picture and the documents, mounted the same way, still need it.
  WebHostOptions options;
  options.address = "0.0.0.0";
  options.token = "0123456789abcdef";
  start(options, false);
  auto answer = [](const tessaly::web::HttpRequest&) {
    tessaly::web::HttpResponse response;
    response.contentType = "application/json";
    response.body = "{\"status\":\"OK\"}";
    return response;
  };
  host->mount("/maps/api/", answer, false, true);
  host->mount("/api/documents", answer, true);
  runLoop();
  EXPECT_EQ(client->Get("/maps/api/geocode/json?address=x")->status, 200);
  EXPECT_EQ(client->Get("/maps/api/geocode/json", {{"Host", "evil.example"}})->status, 403);
  EXPECT_EQ(client->Get("/api/state")->status, 401);
  EXPECT_EQ(client->Get("/maps/other")->status, 401);
  EXPECT_EQ(client->Get("/api/documents")->status, 401);
  EXPECT_EQ(client->Post("/api/documents?name=a.xml", "<route/>", "application/xml")->status, 401);
  EXPECT_EQ(client->Get("/api/documents", {{"Authorization", "Bearer 0123456789abcdef"}})->status,
            200);
}

TEST_F(WebHostTest, OnLoopbackATokenGivenIsNeededAndTheMainLoopSaysItIsAlive) {
  WebHostOptions options;
  options.token = "0123456789abcdef";
  start(options, false);
  ASSERT_TRUE(host->needsToken());
  httplib::Headers bearer = {{"Authorization", "Bearer 0123456789abcdef"}};
  EXPECT_EQ(client->Get("/api/state")->status, 401);
  EXPECT_EQ(post(kPress)->status, 401);
  EXPECT_EQ(client->Get("/api/alive")->status, 401);
  // Alive is answered by the main loop: only once it runs.
  auto early = std::async(std::launch::async, [&] { return client->Get("/api/alive", bearer); });
  EXPECT_EQ(early.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
  runLoop();
  auto alive = early.get();
  ASSERT_TRUE(alive);
  EXPECT_EQ(alive->status, 200);
  EXPECT_EQ(post(kPress, bearer)->status, 200);
  EXPECT_EQ(screen.points.size(), 1u);
}

TEST_F(WebHostTest, EventStreamsSendEachNewVersionAndAreBounded) {
  WebHostOptions options;
  options.maxStreams = 1;
  start(options);
  state();  // the first snapshot is out
  StreamReader viewer(host->port(), 2);
  viewer.waitFor(1);
  EXPECT_EQ(client->Get("/api/events")->status, 503);  // the one stream allowed is taken
  auto res = post(kPress);
  viewer.thread.join();
  ASSERT_EQ(viewer.messages.size(), 2u);
  EXPECT_EQ(viewer.messages[0].second["points"], 0);
  // The change is bigger than a quarter of this small state: sent whole.
  EXPECT_EQ(viewer.messages[1].first, "state");
  EXPECT_EQ(viewer.messages[1].second["points"], 1);
  EXPECT_EQ(viewer.messages[1].second["version"], json::parse(res->body)["version"]);
}

TEST_F(WebHostTest, ABigStateIsOnlyAnnouncedOnTheEventStream) {
  start();
  state();
  std::string message;
  std::mutex mutex;
  std::condition_variable firstEvent;
  std::thread reader([&] {
    httplib::Client streamClient("127.0.0.1", host->port());
    streamClient.Get("/api/events", [&](const char* data, size_t length) {
      std::lock_guard lock(mutex);
      message.append(data, length);
      auto events = std::count(message.begin(), message.end(), '\n') / 4;
      if (events >= 1) firstEvent.notify_all();
      return events < 2;
    });
  });
  {
    std::unique_lock lock(mutex);
    firstEvent.wait(lock, [&] { return message.find("\n\n") != std::string::npos; });
  }
  loop.post([this] { screen.title = std::string(300 * 1024, 'x'); });
  reader.join();
  auto v = state()["version"].get<int>();
  EXPECT_EQ(message.find("event: state\ndata: {"), message.find("event: "));
  EXPECT_NE(message.find("event: version\ndata: {\"version\":" + std::to_string(v) + ",\"bytes\":"),
            std::string::npos)
      << message.substr(0, 200);
}

TEST_F(WebHostTest, ServesThePageButNothingOutsideItsFolders) {
  start();
  auto res = client->Get("/");
  EXPECT_EQ(res->status, 200);
  EXPECT_EQ(res->body, "<!doctype html><title>t</title>");
  EXPECT_NE(res->get_header_value("Content-Security-Policy").find("script-src 'self'"),
            std::string::npos);
  EXPECT_NE(client->Get("/../CMakeLists.txt")->status, 200);
  EXPECT_NE(client->Get("/%2e%2e/CMakeLists.txt")->status, 200);
  EXPECT_EQ(client->Get("/nothing-here.js")->status, 404);
}

TEST_F(WebHostTest, BrowsersGetGzipNotTheSlowBrotliAndEventsUncompressed) {
  // Answers under a kilobyte go as they are; larger ones are compressed, one after another by
  // the same compressor, each whole.
  start();
  auto res = client->Get("/api/state", {{"Accept-Encoding", "gzip, deflate, br"}});
  ASSERT_TRUE(res);
  EXPECT_EQ(res->get_header_value("Content-Encoding"), "");
  EXPECT_EQ(json::parse(res->body)["points"], 0);
  for (std::size_t length : {3000, 70000, 1500}) {
    const std::string wanted(length, static_cast<char>('a' + length % 26));
    loop.post([this, wanted] { screen.title = wanted; });
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (state()["title"] != wanted && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    res = client->Get("/api/state", {{"Accept-Encoding", "gzip, deflate, br"}});
    ASSERT_TRUE(res);
    EXPECT_EQ(res->get_header_value("Content-Encoding"), "gzip") << length;
    EXPECT_EQ(json::parse(res->body)["title"], wanted);
  }
  httplib::Client events("127.0.0.1", host->port());
  std::string encoding = "unset";
  events.Get(
      "/api/events", {{"Accept-Encoding", "gzip, deflate, br"}},
      [&](const httplib::Response& r) {
        encoding = r.get_header_value("Content-Encoding");
        return false;  // the headers are all this test needs
      },
      [](const char*, size_t) { return false; });
  EXPECT_EQ(encoding, "");
}

TEST_F(WebHostTest, AViewerThatHasTheVersionBeforeGetsOnlyTheChanges) {
  screen.more["rows"] = std::vector<std::string>(100, std::string(40, 'r'));
  start();
  json first = state();
  StreamReader viewer(host->port(), 3);
  viewer.waitFor(1);
  post(kPress);
  viewer.waitFor(2);
  json second = state();
  // A viewer that connects now gets the whole state, not changes it has no base for.
  StreamReader late(host->port(), 1);
  late.thread.join();
  EXPECT_EQ(late.messages[0].first, "state");
  EXPECT_EQ(late.messages[0].second, second);
  // Big changes, under a quarter of the state, are announced and fetched.
  loop.post([this] {
    auto& rows = screen.more["rows"];
    for (int i = 0; i < 30000; ++i) rows.push_back(std::string(40, 'r'));
  });
  viewer.thread.join();
  ASSERT_EQ(viewer.messages.size(), 3u);
  EXPECT_EQ(viewer.messages[0].first, "state");
  EXPECT_EQ(viewer.messages[0].second, first);
  EXPECT_EQ(viewer.messages[1].first, "patch");
  const json& patch = viewer.messages[1].second;
  EXPECT_EQ(patch["base"], first["version"]);
  EXPECT_EQ(applied(first, patch), second) << patch;
  EXPECT_LT(patch.dump().size(), 200u);
  // 30000 rows on 100: far over a quarter, so the whole state (announced, it is big).
  EXPECT_EQ(viewer.messages[2].first, "version");
  auto stats = json::parse(client->Get("/api/stats")->body);
  EXPECT_EQ(stats["patchBytes"], 0);
  EXPECT_EQ(client->Get("/api/changes")->status, 404);

  StreamReader next(host->port(), 2);
  next.waitFor(1);
  json third = state();
  loop.post([this] {
    auto& rows = screen.more["rows"];
    for (int i = 0; i < 7000; ++i) rows.push_back(std::string(40, 's'));
  });
  next.thread.join();
  json fourth = state();
  ASSERT_EQ(next.messages.size(), 2u);
  EXPECT_EQ(next.messages[1].first, "patch");
  EXPECT_FALSE(next.messages[1].second.contains("ops")) << "over 256 KiB: announced";
  EXPECT_EQ(next.messages[1].second["base"], third["version"]);
  auto changes = client->Get("/api/changes");
  ASSERT_EQ(changes->status, 200);
  EXPECT_EQ(applied(third, json::parse(changes->body)), fourth);
  EXPECT_GT(json::parse(client->Get("/api/stats")->body)["patchBytes"], 256 * 1024);
}

TEST_F(WebHostTest, TheLastStepsOfChangesAreKeptByVersion) {
  screen.more["rows"] = std::vector<std::string>(100, std::string(40, 'r'));
  start();
  std::vector<json> states{state()};
  for (int i = 0; i < 10; ++i) {
    ASSERT_EQ(post(kPress)->status, 200);
    states.push_back(state());
  }
  int current = states.back()["version"].get<int>();
  // The host moved on, yet each of the last 8 steps still leads from its version before.
  for (std::size_t i = states.size() - 8; i < states.size(); ++i) {
    int v = states[i]["version"].get<int>();
    auto res = client->Get("/api/changes?version=" + std::to_string(v));
    ASSERT_EQ(res->status, 200) << v;
    json step = json::parse(res->body);
    EXPECT_EQ(step["base"], v - 1);
    EXPECT_EQ(applied(states[i - 1], step), states[i]) << v;
  }
  // Older or not made yet: the page fetches the state instead. Not a version: refused.
  int older = states[states.size() - 9]["version"].get<int>();
  EXPECT_EQ(client->Get("/api/changes?version=" + std::to_string(older))->status, 204);
  auto future = client->Get("/api/changes?version=" + std::to_string(current + 1));
  EXPECT_EQ(future->status, 204);
  EXPECT_EQ(future->body, "");
  for (const char* bad : {"x", "-1", "1x", "+2", "99999999999999999999999"})
    EXPECT_EQ(client->Get(std::string("/api/changes?version=") + bad)->status, 400) << bad;

  // A version sent whole has no step; the ones before it are still there.
  loop.post([this] {
    auto& rows = screen.more["rows"];
    for (int i = 0; i < 30000; ++i) rows.push_back(std::string(40, 'r'));
  });
  for (int i = 0; i < 100 && state()["version"] == current; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(client->Get("/api/changes?version=" + std::to_string(current + 1))->status, 204);
  EXPECT_EQ(client->Get("/api/changes?version=" + std::to_string(current))->status, 200);
}
