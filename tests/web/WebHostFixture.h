#pragma once
// A small screen standing in for the application, and a host serving it on a free loopback
// port with the main loop on a thread of its own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include <httplib.h>

#include "web/WebHost.h"

using nlohmann::json;
using tessaly::platform::RunLoop;
using tessaly::web::WebApplication;
using tessaly::web::WebHost;
using tessaly::web::WebHostOptions;
using tessaly::web::WebInput;

// A screen with a list of points and one button (id 3, "undo") that needs a point.
class SmallScreen : public WebApplication {
 public:
  std::string snapshot() override {
    ++snapshots;
    json state{{"points", points.size()}, {"title", title}};
    state.update(more);
    return state.dump();
  }
  tessaly::platform::Result<> apply(const WebInput& input) override {
    using tessaly::platform::Refusal;
    if (input.kind == WebInput::Kind::LongPress) {
      points.push_back(input.point);
      return tessaly::platform::done();
    }
    if (input.kind == WebInput::Kind::Tap && input.id == kUndo) {
      if (points.empty()) return Refusal{"button " + std::to_string(input.id) + " is disabled"};
      points.pop_back();
      return tessaly::platform::done();
    }
    return Refusal{"not handled here"};
  }
  static constexpr std::uint64_t kUndo = 3;
  std::vector<tessaly::platform::CGPoint> points;
  std::string title = "<b>Tap</b> & hold";
  json more = json::object();  // members added to the state
  int snapshots = 0;
};

class WebHostTest : public ::testing::Test {
 protected:
  // The main loop starts at once, or later by runLoop(): the host listens before it either way.
  void start(WebHostOptions options = {}, bool loopNow = true, bool anyPort = true) {
    if (anyPort) options.port = 0;
    if (options.address == "127.0.0.1") options.address = "127.0.0.1";
    if (options.resourcesDir.empty()) options.resourcesDir = _resources.string();
    host = std::make_unique<WebHost>(screen, loop, options);
    auto bound = host->bind();
    ASSERT_TRUE(bound) << bound.reason();
    host->start();
    client = std::make_unique<httplib::Client>("127.0.0.1", host->port());
    if (loopNow) runLoop();
  }

  void runLoop() {
    loop.post([this] { host->publish(); });
    _loopThread = std::thread([this] { loop.run(); });
  }

  void SetUp() override {
    _resources = std::filesystem::temp_directory_path() /
                 ("tessaly-web-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(_resources);
    std::ofstream(_resources / "index.html") << "<!doctype html><title>t</title>";
  }

  void TearDown() override {
    if (host) host->stop();
    loop.stop();
    if (_loopThread.joinable()) _loopThread.join();
    host.reset();
    std::filesystem::remove_all(_resources);
  }

  httplib::Result post(const std::string& body, httplib::Headers headers = {}) {
    return client->Post("/api/input", headers, body, "application/json");
  }

  json state() {
    auto res = client->Get("/api/state");
    EXPECT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    return json::parse(res->body);
  }

  RunLoop loop;
  SmallScreen screen;
  std::unique_ptr<WebHost> host;
  std::unique_ptr<httplib::Client> client;

  const std::filesystem::path& resources() const { return _resources; }

 private:
  std::filesystem::path _resources;
  std::thread _loopThread;
};

inline const char* kPress = R"({"type":"longPress","point":{"x":5,"y":6}})";
