// The screen as the platform's objects describe it, served by the host over real loopback HTTP,
// and touched by the ids it names.
#include <gtest/gtest.h>

#include <thread>

#include <httplib.h>

#include "platform/foundation/RunLoop.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIButton.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UINavigationController.h"
#include "platform/ui/UIWindow.h"
#include "web/DeviceBridge.h"
#include "web/WebHost.h"

namespace p = tessaly::platform;
using nlohmann::json;
using tessaly::web::DeviceBridge;
using tessaly::web::WebHost;

namespace {

// One screen: a button that counts its taps into a label, and a disabled one.
class CounterScreen : public p::UIViewController {
 public:
  void viewDidLoad() override {
    label = std::make_shared<p::UILabel>(p::CGRectMake(10, 100, 200, 30));
    label->setText("0 taps");
    view()->addSubview(label);
    button = p::UIButton::buttonWithType(p::UIButtonTypeRoundedRect);
    button->setFrame(p::CGRectMake(10, 150, 120, 44));
    button->setTitle("Count", p::UIControlStateNormal);
    button->addTarget([this](p::UIControl*) { label->setText(std::to_string(++taps) + " taps"); },
                      p::UIControlEventTouchUpInside);
    view()->addSubview(button);
    off = p::UIButton::buttonWithType(p::UIButtonTypeRoundedRect);
    off->setTitle("Off", p::UIControlStateNormal);
    off->setEnabled(false);
    view()->addSubview(off);
  }
  std::shared_ptr<p::UILabel> label;
  std::shared_ptr<p::UIButton> button, off;
  int taps = 0;
};

class CounterApp : public p::UIApplicationDelegate {
 public:
  void applicationDidFinishLaunching(p::UIApplication*) override {
    window = std::make_shared<p::UIWindow>(p::UIScreen::mainScreen().bounds());
    screen = std::make_shared<CounterScreen>();
    window->setRootViewController(std::make_shared<p::UINavigationController>(screen));
    window->makeKeyAndVisible();
  }
  std::shared_ptr<p::UIWindow> window;
  std::shared_ptr<CounterScreen> screen;
};

// Every node of the tree, in tree order.
void nodes(const json& value, std::vector<json>& out) {
  if (value.is_array())
    for (const auto& item : value) nodes(item, out);
  if (!value.is_object()) return;
  if (value.contains("kind")) out.push_back(value);
  for (auto it = value.begin(); it != value.end(); ++it)
    if (it->is_structured()) nodes(*it, out);
}

json nodeWith(const json& screen, const std::string& kind, const std::string& key,
              const json& value) {
  std::vector<json> all;
  nodes(screen, all);
  for (const auto& node : all)
    if (node["kind"] == kind && node.value(key, json()) == value) return node;
  return nullptr;
}

class ScreenOverHttpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    p::UIApplication::sharedApplication().reset();
    app = std::make_shared<CounterApp>();
    p::UIApplication::sharedApplication().launch(app);
    tessaly::web::WebHostOptions options;
    options.port = 0;
    host = std::make_unique<WebHost>(bridge, loop, options);
    auto bound = host->bind();
    ASSERT_TRUE(bound) << bound.reason();
    host->start();
    client = std::make_unique<httplib::Client>("127.0.0.1", host->port());
    loop.post([this] { host->publish(); });
    thread = std::thread([this] { loop.run(); });
  }
  void TearDown() override {
    host->stop();
    loop.stop();
    thread.join();
    host.reset();
    p::UIApplication::sharedApplication().reset();
  }

  json state() {
    auto res = client->Get("/api/state");
    EXPECT_TRUE(res);
    return res ? json::parse(res->body) : json();
  }
  httplib::Result post(const std::string& body) {
    return client->Post("/api/input", body, "application/json");
  }

  p::RunLoop loop;
  std::shared_ptr<CounterApp> app;
  DeviceBridge bridge{DeviceBridge::DeviceMode::Phone, [] {}};
  std::unique_ptr<WebHost> host;
  std::unique_ptr<httplib::Client> client;
  std::thread thread;
};

}  // namespace

TEST_F(ScreenOverHttpTest, TheStateHoldsTheWindowAndATapByIdChangesIt) {
  json s = state();
  const json& screen = s["screen"];
  ASSERT_TRUE(screen.is_object()) << s.dump();
  EXPECT_EQ(screen["kind"], "window");
  EXPECT_TRUE(screen["id"].is_number_unsigned());
  EXPECT_EQ(screen["frame"]["width"], 320);
  json button = nodeWith(screen, "button", "title", "Count");
  ASSERT_TRUE(button.is_object()) << screen.dump();
  ASSERT_TRUE(nodeWith(screen, "label", "text", "0 taps").is_object());

  auto res = post(R"({"type":"tap","id":)" + button["id"].dump() + "}");
  ASSERT_TRUE(res);
  ASSERT_EQ(res->status, 200) << res->body;
  json after = state();
  EXPECT_EQ(after["version"], json::parse(res->body)["version"]);
  EXPECT_TRUE(nodeWith(after["screen"], "label", "text", "1 taps").is_object());
  // The button keeps its id from snapshot to snapshot.
  EXPECT_EQ(nodeWith(after["screen"], "button", "title", "Count")["id"], button["id"]);
}

TEST_F(ScreenOverHttpTest, RefusedTouchesGet400WithOneLineAndChangeNothing) {
  json before = state();
  json off = nodeWith(before["screen"], "button", "title", "Off");
  json label = nodeWith(before["screen"], "label", "text", "0 taps");
  ASSERT_TRUE(off.is_object() && label.is_object());
  struct Case {
    std::string body;
    std::string reason;  // "" : any one-line reason the screen gives
  };
  const Case cases[] = {
      {R"({"type":"tap"})", "missing field 'id'\n"},
      {R"({"type":"tap","id":0})", "field 'id' is out of range [1, 9007199254740992]\n"},
      {R"({"type":"toggle","id":5,"on":"yes"})", "field 'on' must be true or false\n"},
      {R"({"type":"tap","id":999999})", ""},
      {R"({"type":"tap","id":)" + off["id"].dump() + "}", ""},
      {R"({"type":"toggle","id":)" + label["id"].dump() + R"(,"on":true})", ""},
  };
  for (const auto& c : cases) {
    auto res = post(c.body);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 400) << c.body;
    EXPECT_EQ(std::count(res->body.begin(), res->body.end(), '\n'), 1) << res->body;
    if (!c.reason.empty()) {
      EXPECT_EQ(res->body, c.reason);
    }
  }
  json after = state();
  EXPECT_EQ(after["version"], before["version"]);
  EXPECT_TRUE(nodeWith(after["screen"], "label", "text", "0 taps").is_object());
}
