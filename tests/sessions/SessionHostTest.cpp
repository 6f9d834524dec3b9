// The session front against real session processes over loopback: this program, started again
// with --session-child, serves a small screen the way `tessaly serve --session-child` does.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "sessions/SessionCookie.h"
#include "sessions/SessionHost.h"
#include "web/WebHostFixture.h"

using tessaly::sessions::SessionCookie;
using tessaly::sessions::SessionHost;
using tessaly::sessions::SessionHostOptions;

namespace {

// The child: a host of the small screen on a free loopback port, reported with its token on fd.
int runChild(int fd) {
  SmallScreen screen;
  // A test that needs changes kept as steps asks for a screen big enough for them.
  if (const char* rows = std::getenv("SESSION_CHILD_ROWS"))
    screen.more["rows"] = std::vector<std::string>(std::atoi(rows), std::string(40, 'r'));
  auto& loop = RunLoop::main();
  WebHostOptions options;
  options.port = 0;
  options.token = SessionCookie::newId();
  WebHost host(screen, loop, options);
  if (!host.bind()) return 1;
  host.start();
  std::string port = std::to_string(host.port()) + " " + host.token() + "\n";
  if (write(fd, port.data(), port.size()) < 0) return 1;
  close(fd);
  loop.post([&host] { host.publish(); });
  loop.run();
  return 0;
}

// One browser: keeps the cookies the front sets.
struct Browser {
  explicit Browser(int port) : client("127.0.0.1", port) { client.set_read_timeout(20, 0); }
  httplib::Result get(const std::string& path) { return keep(client.Get(path, headers())); }
  httplib::Result press(int x, int y) {
    json input = {{"type", "longPress"}, {"point", {{"x", x}, {"y", y}}}};
    return keep(client.Post("/api/input", headers(), input.dump(), "application/json"));
  }
  json state() {
    auto res = get("/api/state");
    EXPECT_TRUE(res && res->status == 200) << (res ? res->body : "no answer");
    return res && res->status == 200 ? json::parse(res->body) : json();
  }
  httplib::Headers headers() const {
    return cookie.empty() ? httplib::Headers{} : httplib::Headers{{"Cookie", cookie}};
  }
  httplib::Result keep(httplib::Result res) {
    if (res && res->has_header("Set-Cookie")) {
      std::string set = res->get_header_value("Set-Cookie");
      cookie = set.substr(0, set.find(';'));
      if (cookie == std::string(SessionCookie::kName) + "=") cookie.clear();
    }
    return res;
  }
  std::string id() const { return SessionCookie::idIn(cookie); }
  httplib::Client client;
  std::string cookie;
};

bool processAlive(pid_t pid) {
  return pid > 0 && kill(pid, 0) == 0;
}

template <typename Check>
bool eventually(Check check, double seconds = 10) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < deadline) {
    if (check()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return check();
}

class SessionHostTest : public ::testing::Test {
 protected:
  void start(SessionHostOptions options = {}) {
    std::filesystem::create_directories(_resources);
    std::ofstream(_resources / "index.html") << "<!DOCTYPE html><title>page</title>";
    options.port = 0;
    options.resourcesDir = _resources.string();
    options.sessionCommand = {std::filesystem::read_symlink("/proc/self/exe").string()};
    host = std::make_unique<SessionHost>(options);
    auto bound = host->bind();
    ASSERT_TRUE(bound) << bound.reason();
    host->start();
  }
  void TearDown() override {
    host.reset();
    std::filesystem::remove_all(_resources);
  }
  std::filesystem::path _resources =
      std::filesystem::temp_directory_path() / ("tessaly-sessions-" + std::to_string(getpid()));
  std::unique_ptr<SessionHost> host;
};

TEST_F(SessionHostTest, EveryBrowserGetsACookieAndAScreenOfItsOwn) {
  start();
  Browser phone(host->port()), desktop(host->port());
  auto page = phone.get("/");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  std::string set = page->get_header_value("Set-Cookie");
  EXPECT_NE(set.find("HttpOnly"), std::string::npos) << set;
  EXPECT_NE(set.find("SameSite=Strict"), std::string::npos) << set;
  ASSERT_FALSE(phone.id().empty());
  // Files other than the page start nothing.
  Browser crawler(host->port());
  EXPECT_EQ(crawler.get("/nothing.js")->status, 404);
  EXPECT_TRUE(crawler.cookie.empty());

  EXPECT_EQ(phone.press(10, 20)->status, 200);
  EXPECT_EQ(phone.press(30, 40)->status, 200);
  EXPECT_EQ(desktop.press(50, 60)->status, 200);
  EXPECT_EQ(phone.state()["points"], 2);
  EXPECT_EQ(desktop.state()["points"], 1);
  EXPECT_NE(phone.id(), desktop.id());
  pid_t a = host->processOf(phone.id()), b = host->processOf(desktop.id());
  EXPECT_TRUE(processAlive(a));
  EXPECT_TRUE(processAlive(b));
  EXPECT_NE(a, b);
  EXPECT_EQ(host->sessionCount(), 2u);
  // A refused input keeps its reason through the front.
  json undo = {{"type", "tap"}, {"id", SmallScreen::kUndo}};
  Browser fresh(host->port());
  auto refused =
      fresh.keep(fresh.client.Post("/api/input", fresh.headers(), undo.dump(), "application/json"));
  EXPECT_EQ(refused->status, 400);
  EXPECT_NE(refused->body.find("disabled"), std::string::npos) << refused->body;

  // Ending a session on request ends its process; the browser starts afresh next time.
  auto ended = phone.keep(phone.client.Post("/api/session/end", phone.headers(), "", "text/plain"));
  EXPECT_EQ(ended->status, 200);
  EXPECT_TRUE(phone.cookie.empty());
  EXPECT_TRUE(eventually([&] { return !processAlive(a); }));
  EXPECT_EQ(phone.state()["points"], 0);
  host.reset();
  EXPECT_FALSE(processAlive(b)) << "the front ends its processes when it stops";
}

TEST_F(SessionHostTest, TheNextBrowserBeyondTheLimitIsRefusedClearly) {
  SessionHostOptions options;
  options.maxSessions = 1;
  start(options);
  Browser first(host->port()), second(host->port());
  EXPECT_EQ(first.get("/")->status, 200);
  auto page = second.get("/");
  EXPECT_EQ(page->status, 503);
  EXPECT_NE(page->get_header_value("Content-Type").find("text/html"), std::string::npos);
  EXPECT_NE(page->body.find("Tessaly is full"), std::string::npos);
  auto api = second.get("/api/state");
  EXPECT_EQ(api->status, 503);
  EXPECT_NE(api->body.find("all 1 sessions of this host are in use"), std::string::npos);
  EXPECT_TRUE(second.cookie.empty());
  EXPECT_EQ(first.state()["points"], 0) << "the first still works";
}

TEST_F(SessionHostTest, AnIdleSessionEndsAndItsProcessIsReaped) {
  SessionHostOptions options;
  options.idleSeconds = 2;  // longer than a session process takes to start here
  start(options);
  Browser browser(host->port());
  EXPECT_EQ(browser.press(1, 2)->status, 200);
  std::string id = browser.id();
  pid_t pid = host->processOf(id);
  ASSERT_TRUE(processAlive(pid));
  ASSERT_TRUE(eventually([&] { return host->sessionCount() == 0; }));
  EXPECT_TRUE(eventually([&] {
    int status;
    return waitpid(pid, &status, WNOHANG) < 0 && !processAlive(pid);
  })) << "stopped and reaped";
  // The old cookie names nothing now: a new session with an empty screen.
  EXPECT_EQ(browser.state()["points"], 0);
  EXPECT_NE(browser.id(), id);
}

TEST_F(SessionHostTest, ACrashedProcessIsRestartedAndThePageToldTheScreenWasReset) {
  // Its processes start later, with the first request and after the crash.
  ::setenv("SESSION_CHILD_ROWS", "100", 1);
  std::shared_ptr<void> unset(nullptr, [](void*) { ::unsetenv("SESSION_CHILD_ROWS"); });
  start();
  Browser browser(host->port());
  EXPECT_EQ(browser.press(1, 2)->status, 200);
  EXPECT_EQ(browser.press(3, 4)->status, 200);
  json before = browser.state();
  EXPECT_FALSE(before.contains("session"));
  pid_t pid = host->processOf(browser.id());
  ASSERT_GT(pid, 0);
  kill(pid, SIGKILL);
  ASSERT_TRUE(eventually([&] {
    pid_t now = host->processOf(browser.id());
    return now > 0 && now != pid;
  }));
  json after = browser.state();
  EXPECT_EQ(after["points"], 0);
  ASSERT_TRUE(after.contains("session")) << after.dump();
  EXPECT_EQ(after["session"]["restarts"], 1);
  EXPECT_EQ(after["session"]["notice"], SessionHost::kResetMessage);
  EXPECT_GT(after["version"].get<int>(), before["version"].get<int>())
      << "the page takes the new screen as newer";
  auto reply = browser.press(5, 6);
  ASSERT_EQ(reply->status, 200);
  int pressed = json::parse(reply->body)["version"].get<int>();
  EXPECT_GT(pressed, after["version"].get<int>() - 1);
  EXPECT_EQ(browser.state()["points"], 1);
  // Steps are asked for by the versions the page was shown: the new process's step is found
  // under its rebased version, and a version from before the restart is not kept anywhere.
  auto step = browser.get("/api/changes?version=" + std::to_string(pressed));
  ASSERT_EQ(step->status, 200) << step->body;
  EXPECT_EQ(json::parse(step->body)["version"], pressed);
  EXPECT_EQ(json::parse(step->body)["base"], pressed - 1);
  EXPECT_EQ(browser.get("/api/changes?version=" + before["version"].dump())->status, 204);
  EXPECT_EQ(browser.get("/api/changes?version=1x")->status, 400);
}

TEST_F(SessionHostTest, ARequestMeetingACrashedProcessIsRetriedOnTheNextOne) {
  start();
  Browser browser(host->port());
  ASSERT_EQ(browser.press(1, 2)->status, 200);
  for (int round = 1; round <= 3; ++round) {
    pid_t pid = host->processOf(browser.id());
    ASSERT_GT(pid, 0);
    kill(pid, SIGKILL);
    // At once, before the front has seen the process end: the press goes to the next one.
    auto reply = browser.press(3, 4);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200) << "round " << round << ": " << reply->body;
    json after = browser.state();
    EXPECT_EQ(after["points"], 1) << "round " << round << ": the press, once, on a new screen";
    EXPECT_EQ(after["session"]["restarts"], round);
    EXPECT_NE(host->processOf(browser.id()), pid);
  }
}

TEST_F(SessionHostTest, AHungProcessIsKilledAndRestartedAndItsRequestRetried) {
  SessionHostOptions options;
  options.probeSeconds = 0.2;
  options.hangSeconds = 1;
  start(options);
  Browser browser(host->port());
  ASSERT_EQ(browser.press(1, 2)->status, 200);
  pid_t pid = host->processOf(browser.id());
  ASSERT_GT(pid, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  EXPECT_EQ(host->processOf(browser.id()), pid) << "a process that answers is left alone";
  kill(pid, SIGSTOP);                // alive, but answers nothing
  auto reply = browser.press(3, 4);  // waits on the hung process, then goes to the next one
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->status, 200) << reply->body;
  EXPECT_TRUE(eventually([&] {
    int status;
    return waitpid(pid, &status, WNOHANG) < 0 && !processAlive(pid);
  })) << "killed and reaped";
  json after = browser.state();
  EXPECT_EQ(after["points"], 1);
  EXPECT_EQ(after["session"]["restarts"], 1);
  EXPECT_NE(host->processOf(browser.id()), pid);
}

TEST_F(SessionHostTest, AProcessTakesRequestsOnlyWithItsTokenWhichTheFrontGives) {
  start();
  Browser browser(host->port());
  ASSERT_EQ(browser.press(1, 2)->status, 200);
  int port = host->portOf(browser.id());
  ASSERT_GT(port, 0);
  httplib::Client direct("127.0.0.1", port);
  auto state = direct.Get("/api/state");
  ASSERT_TRUE(state);
  EXPECT_EQ(state->status, 401);
  json input = {{"type", "longPress"}, {"point", {{"x", 5}, {"y", 6}}}};
  EXPECT_EQ(direct.Post("/api/input", input.dump(), "application/json")->status, 401);
  EXPECT_EQ(direct.Get("/api/events")->status, 401);
  // The browser's own cookie and a guessed bearer do not open it either.
  EXPECT_EQ(direct.Get("/api/state", browser.headers())->status, 401);
  EXPECT_EQ(direct.Get("/api/state", {{"Authorization", "Bearer " + browser.id()}})->status, 401);
  EXPECT_EQ(browser.state()["points"], 1) << "through the front it works, the stranger's press "
                                             "was not applied";
}

TEST_F(SessionHostTest, EventStreamsPassStatesOnAndTellOfAReset) {
  start();
  Browser browser(host->port());
  ASSERT_EQ(browser.press(1, 2)->status, 200);
  std::string seen;
  std::atomic<bool> stop{false};
  std::thread reader([&] {
    httplib::Client stream("127.0.0.1", host->port());
    stream.set_read_timeout(20, 0);
    stream.Get("/api/events", browser.headers(), [&](const char* data, std::size_t size) {
      seen.append(data, size);
      return !stop.load();
    });
  });
  auto has = [&](const std::string& text) {
    return eventually([&] { return seen.find(text) != std::string::npos; });
  };
  EXPECT_TRUE(has("\"points\":1"));
  ASSERT_EQ(browser.press(3, 4)->status, 200);
  EXPECT_TRUE(has("\"points\":2"));
  kill(host->processOf(browser.id()), SIGKILL);
  EXPECT_TRUE(has("event: session\ndata: {\"message\":\"The screen was reset")) << seen;
  EXPECT_TRUE(has("\"points\":0"));
  stop = true;
  ASSERT_EQ(browser.press(5, 6)->status, 200);  // the reader sees one more message and stops
  reader.join();
}

TEST_F(SessionHostTest, BeyondLoopbackTheTokenIsNeededAndHostAndOriginAreChecked) {
  SessionHostOptions options;
  options.address = "0.0.0.0";
  start(options);
  ASSERT_TRUE(host->needsToken());
  Browser browser(host->port());
  EXPECT_EQ(browser.get("/api/state")->status, 401);
  EXPECT_EQ(host->sessionCount(), 0u) << "no process for a stranger";
  httplib::Headers bearer = {{"Authorization", "Bearer " + host->token()}};
  EXPECT_EQ(browser.client.Get("/", bearer)->status, 200);
  httplib::Headers otherOrigin = bearer;
  otherOrigin.emplace("Origin", "http://evil.example");
  EXPECT_EQ(browser.client.Get("/api/state", otherOrigin)->status, 403);
  httplib::Headers otherHost = bearer;
  otherHost.emplace("Host", "evil.example:" + std::to_string(host->port()));
  EXPECT_EQ(browser.client.Get("/", otherHost)->status, 403);
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--session-child") == 0) return runChild(std::atoi(argv[i + 1]));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
