// The bridge over a small screen built from the real platform objects: a navigation controller
// with a toolbar, a map with a long press, pins and a line, a banner, alerts; read back through
// the screen's description as the page reads it.
#include "web/DeviceBridge.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/ads/ADBannerView.h"
#include "platform/foundation/NumberFormatter.h"
#include "platform/map/MKMapView.h"
#include "platform/ui/UIActionSheet.h"
#include "platform/ui/UIAlertView.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIButton.h"
#include "platform/ui/UIGestureRecognizer.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UINavigationController.h"
#include "platform/ui/UIWindow.h"

namespace p = tessaly::platform;
using nlohmann::json;
using tessaly::web::DeviceBridge;
using tessaly::web::parseInputs;

namespace {

class Point : public p::MKAnnotation {
 public:
  explicit Point(p::CLLocationCoordinate2D c, std::string title)
      : _c(c), _title(std::move(title)) {}
  p::CLLocationCoordinate2D coordinate() const override { return _c; }
  std::string title() const override { return _title; }
  std::string subtitle() const override { return "<b>not markup</b>"; }

 private:
  p::CLLocationCoordinate2D _c;
  std::string _title;
};

// A measuring screen in miniature: presses add points joined by a line.
class Screen : public p::UIViewController,
               public p::MKMapViewDelegate,
               public p::UIAlertViewDelegate,
               public p::UIActionSheetDelegate {
 public:
  std::string kind() const override { return "Screen"; }
  bool shouldAutorotate() override { return true; }
  unsigned supportedInterfaceOrientations() override { return p::UIInterfaceOrientationMaskAll; }

  void viewDidLoad() override {
    map = std::make_shared<p::MKMapView>(view()->bounds());
    map->setDelegate(this);
    map->setAutoresizingMask(p::UIViewAutoresizingFlexibleWidth |
                             p::UIViewAutoresizingFlexibleHeight);
    view()->addSubview(map);
    banner = std::make_shared<p::ADBannerView>();
    view()->addSubview(banner);
    auto press =
        std::make_shared<p::UILongPressGestureRecognizer>([this](p::UIGestureRecognizer* g) {
          if (g->state() != p::UIGestureRecognizerStateBegan) return;
          auto c = map->convertPointToCoordinateFromView(g->locationInView(map.get()), map.get());
          points.push_back(c);
          map->addAnnotation(std::make_shared<Point>(c, "Point " + std::to_string(points.size())));
          if (points.size() > 1) {
            for (auto& o : std::vector(map->overlays())) map->removeOverlay(o.get());
            map->addOverlay(p::MKPolyline::polylineWithCoordinates(points.data(), points.size()));
          }
          undo->setEnabled(true);
          status->setText(std::to_string(points.size()));
        });
    map->addGestureRecognizer(press);
    status = std::make_shared<p::UILabel>(p::CGRectMake(0, 5, 60, 20));
    status->setFont(p::UIFont::boldSystemFontOfSize(14));
    status->setTextColor(p::UIColor::whiteColor());
    undo = std::make_shared<p::UIBarButtonItem>(p::UIBarButtonSystemItemUndo,
                                                [this](p::UIBarButtonItem*) { ++undos; });
    undo->setTag(3);
    undo->setEnabled(false);
    auto help = std::make_shared<p::UIBarButtonItem>(
        "Help", p::UIBarButtonItemStyleBordered, [this](p::UIBarButtonItem*) {
          alert = std::make_shared<p::UIAlertView>("Name", "Call it <i>something</i>", this,
                                                   "Cancel", std::vector<std::string>{"Save"});
          alert->setAlertViewStyle(p::UIAlertViewStylePlainTextInput);
          alert->show();
        });
    help->setTag(6);
    auto files = std::make_shared<p::UIBarButtonItem>(
        "Files", p::UIBarButtonItemStyleBordered, [this](p::UIBarButtonItem* item) {
          sheet = std::make_shared<p::UIActionSheet>("Files", this, "Cancel", "",
                                                     std::vector<std::string>{"Load", "Save"});
          sheet->showFromBarButtonItem(item->shared_from_this(), true);
        });
    files->setTag(1);
    setToolbarItems({undo,
                     std::make_shared<p::UIBarButtonItem>(p::UIBarButtonSystemItemFlexibleSpace),
                     std::make_shared<p::UIBarButtonItem>(status), help, files});
    auto info = p::UIButton::buttonWithType(p::UIButtonTypeInfoLight);
    info->addTarget([this](p::UIControl*) { ++infos; }, p::UIControlEventTouchUpInside);
    navigationItem().setRightBarButtonItem(std::make_shared<p::UIBarButtonItem>(info));
  }

  void willRotateToInterfaceOrientation(int orientation, double) override {
    bool landscape = p::UIInterfaceOrientationIsLandscape(orientation);
    navigationController()->setNavigationBarHidden(landscape, false);
    navigationController()->setToolbarHidden(landscape, false);
  }

  std::shared_ptr<p::MKAnnotationView> mapViewViewForAnnotation(
      p::MKMapView*, const std::shared_ptr<p::MKAnnotation>& a) override {
    auto pin = std::make_shared<p::MKPinAnnotationView>(a, "pin");
    pin->setCanShowCallout(true);
    pin->setPinColor(map->annotations().size() == 1 ? p::MKPinAnnotationColorGreen
                                                    : p::MKPinAnnotationColorPurple);
    return pin;
  }
  std::shared_ptr<p::MKOverlayView> mapViewViewForOverlay(
      p::MKMapView*, const std::shared_ptr<p::MKOverlay>& o) override {
    auto line = std::dynamic_pointer_cast<p::MKPolyline>(o);
    if (!line) return nullptr;
    auto view = std::make_shared<p::MKPolylineView>(line);
    view->setStrokeColor(p::UIColor::blackColor());
    view->setAlpha(0.6f);
    return view;
  }
  void actionSheetClickedButtonAtIndex(p::UIActionSheet* s, int index) override {
    typed = s->buttonTitleAtIndex(index);
  }
  void alertViewClickedButtonAtIndex(p::UIAlertView* a, int index) override {
    typed = index == 1 ? a->textFieldAtIndex(0)->text() : "(cancelled)";
  }

  std::shared_ptr<p::MKMapView> map;
  std::shared_ptr<p::ADBannerView> banner;
  std::shared_ptr<p::UILabel> status;
  std::shared_ptr<p::UIBarButtonItem> undo;
  std::shared_ptr<p::UIAlertView> alert;
  std::shared_ptr<p::UIActionSheet> sheet;
  std::vector<p::CLLocationCoordinate2D> points;
  std::string typed;
  int undos = 0;
  int infos = 0;
};

class App : public p::UIApplicationDelegate {
 public:
  void applicationDidFinishLaunching(p::UIApplication*) override {
    window = std::make_shared<p::UIWindow>(p::UIScreen::mainScreen().bounds());
    screen = std::make_shared<Screen>();
    nav = std::make_shared<p::UINavigationController>(screen);
    nav->setToolbarHidden(false, false);
    window->setRootViewController(nav);
    window->makeKeyAndVisible();
  }
  std::shared_ptr<p::UIWindow> window;
  std::shared_ptr<Screen> screen;
  std::shared_ptr<p::UINavigationController> nav;
};

// Every node of the tree in tree order: children, slots and lists alike.
void collect(const json& value, std::vector<json>& out) {
  if (value.is_array())
    for (const auto& item : value) collect(item, out);
  if (!value.is_object()) return;
  if (value.contains("kind")) out.push_back(value);
  for (auto it = value.begin(); it != value.end(); ++it)
    if (it->is_structured()) collect(*it, out);
}

// The nodes of a kind in a state's screen, and the first of them (null when there is none).
std::vector<json> all(const json& state, const char* kind) {
  std::vector<json> nodes, out;
  collect(state["screen"], nodes);
  for (auto& node : nodes)
    if (node["kind"] == kind) out.push_back(std::move(node));
  return out;
}
json first(const json& state, const char* kind) {
  auto nodes = all(state, kind);
  return nodes.empty() ? json() : nodes.front();
}

class DeviceBridgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    p::UIApplication::sharedApplication().reset();
    app = std::make_shared<App>();
    p::UIApplication::sharedApplication().launch(app);
  }
  void TearDown() override {
    p::UIApplication::sharedApplication().reset();
    p::resetCurrentLocale();
  }

  // Applies one input given as JSON; returns the refusal ("" when applied).
  std::string input(const std::string& body) {
    auto parsed = parseInputs(body);
    EXPECT_TRUE(parsed.ok()) << parsed.reason();
    if (!parsed) return parsed.reason();
    auto applied = bridge.apply(parsed.value().at(0));
    return applied ? std::string() : applied.reason();
  }

  std::string press(float x, float y) {
    return input(R"({"type":"longPress","point":{"x":)" + std::to_string(x) + R"(,"y":)" +
                 std::to_string(y) + "}}");
  }

  // The tap by id of the toolbar item with that tag, as the page sends it.
  std::string tapItem(int tag) {
    json toolbar = first(json::parse(bridge.snapshot()), "toolbar");
    for (const auto& item : toolbar["items"])
      if (item["tag"] == tag) return input(tap(item));
    return "no item with tag " + std::to_string(tag);
  }

  static std::string tap(const json& node) {
    return R"({"type":"tap","id":)" + std::to_string(node["id"].get<std::uint64_t>()) + "}";
  }

  std::shared_ptr<App> app;
  int relaunches = 0;
  DeviceBridge bridge{DeviceBridge::DeviceMode::Auto, [this] {
                        ++relaunches;
                        auto& application = p::UIApplication::sharedApplication();
                        application.launch(app = std::make_shared<App>());
                      }};
};

}  // namespace

TEST_F(DeviceBridgeTest, TheStateShowsTheDeviceTheBarsTheMapAndEveryFrame) {
  json s = json::parse(bridge.snapshot());
  EXPECT_EQ(s["device"]["idiom"], "phone");
  EXPECT_EQ(s["device"]["screen"]["width"], 320);
  EXPECT_EQ(s["launched"], true);
  // Only the device, the application's facts and the screen: nothing said twice.
  std::set<std::string> fields;
  for (auto it = s.begin(); it != s.end(); ++it) fields.insert(it.key());
  EXPECT_EQ(fields, (std::set<std::string>{"animation", "device", "idleTimerDisabled", "launched",
                                           "openedURLs", "screen"}));
  json toolbar = first(s, "toolbar");
  EXPECT_EQ(toolbar["hidden"], false);
  ASSERT_EQ(toolbar["items"].size(), 5u);
  EXPECT_EQ(toolbar["items"][0]["systemItem"], "undo");
  EXPECT_EQ(toolbar["items"][0]["enabled"], false);
  EXPECT_EQ(toolbar["items"][1]["systemItem"], "flexibleSpace");
  const json& label = toolbar["items"][2]["children"][0];
  EXPECT_EQ(label["kind"], "label");
  EXPECT_EQ(label["font"]["bold"], true);
  EXPECT_EQ(label["color"], "#ffffff");
  EXPECT_EQ(toolbar["items"][3]["title"], "Help");
  EXPECT_EQ(first(s, "navigationBar")["right"]["children"][0]["buttonType"], "infoLight");
  EXPECT_EQ(first(s, "navigationController")["stack"][0]["name"], "Screen");
  // The map's frame is in window coordinates: below the status bar and the navigation bar.
  auto map = app->screen->map;
  EXPECT_EQ(first(s, "mapView")["frame"]["y"], 20 + 44);
  EXPECT_EQ(first(s, "mapView")["frame"]["width"], map->frame().size.width);
  EXPECT_EQ(first(s, "banner")["loaded"], false);
}

TEST_F(DeviceBridgeTest, ALongPressBecomesThePressOfTheMapsRecogniser) {
  auto map = app->screen->map;
  EXPECT_EQ(press(100, 150), "");
  EXPECT_EQ(press(200, 250), "");
  ASSERT_EQ(app->screen->points.size(), 2u);
  auto expected = map->convertPointToCoordinateFromView({200, 250}, map.get());
  EXPECT_DOUBLE_EQ(app->screen->points[1].latitude, expected.latitude);

  json s = json::parse(bridge.snapshot());
  json annotations = first(s, "mapView")["annotations"];
  ASSERT_EQ(annotations.size(), 2u);
  EXPECT_EQ(annotations[0]["pinColor"], "green");
  EXPECT_EQ(annotations[1]["pinColor"], "purple");
  EXPECT_EQ(annotations[1]["title"], "Point 2");
  EXPECT_EQ(annotations[1]["subtitle"], "<b>not markup</b>");
  EXPECT_NE(annotations[0]["id"], annotations[1]["id"]);
  ASSERT_EQ(first(s, "mapView")["overlays"].size(), 1u);
  json line = first(s, "mapView")["overlays"][0];
  EXPECT_EQ(line["kind"], "polylineView");
  EXPECT_EQ(line["strokeColor"], "#000000");
  EXPECT_NEAR(line["alpha"].get<double>(), 0.6, 1e-6);
  ASSERT_EQ(line["points"].size(), 2u);
  EXPECT_NEAR(line["points"][1][0].get<double>(), expected.latitude, 1e-6);
  EXPECT_EQ(first(s, "toolbar")["items"][2]["children"][0]["text"], "2");
}

TEST_F(DeviceBridgeTest, RefusedTouchesChangeNothing) {
  json before = json::parse(bridge.snapshot());
  json undo = first(before, "toolbar")["items"][0];
  std::string undoId = std::to_string(undo["id"].get<std::uint64_t>());
  struct Case {
    std::string input;
    std::string reason;
  };
  const Case cases[] = {
      {R"({"type":"longPress","point":{"x":-1,"y":10}})",
       "the point (-1, 10) is outside the map view"},
      {tap(undo), "barButtonItem " + undoId + " is disabled"},
      {R"({"type":"goBack"})", "there is no screen to go back to"},
      {R"({"type":"selectAnnotation","id":99})", "no annotation 99 is on the map"},
      {R"({"type":"pressAlertButton","id":1,"index":0})", "no alert or sheet 1 is on screen"},
      {R"({"type":"banner","event":"tapped"})", "the banner has nothing to show"},
      {R"({"type":"banner","event":"finished"})", "the banner has no action running"},
      {R"({"type":"locationUpdate","coordinate":{"latitude":1,"longitude":2}})",
       "the map does not show the user's position"},
  };
  for (const auto& c : cases) {
    std::string reason = input(c.input);
    EXPECT_EQ(reason.substr(0, c.reason.size()), c.reason) << c.input;
  }
  EXPECT_EQ(json::parse(bridge.snapshot()), before);
  EXPECT_TRUE(app->screen->points.empty());
}

TEST_F(DeviceBridgeTest, ToolbarNavigationAndAnnotationTouches) {
  ASSERT_EQ(press(50, 60), "");
  EXPECT_EQ(tapItem(3), "");
  EXPECT_EQ(app->screen->undos, 1);
  json s = json::parse(bridge.snapshot());
  EXPECT_EQ(input(tap(first(s, "navigationBar")["right"])), "");
  EXPECT_EQ(app->screen->infos, 1);

  auto id = first(s, "annotationView")["id"].get<std::uint64_t>();
  std::string select = R"({"type":"selectAnnotation","id":)" + std::to_string(id) + "}";
  EXPECT_EQ(input(select), "");
  s = json::parse(bridge.snapshot());
  EXPECT_EQ(first(s, "annotationView")["selected"], true);
  EXPECT_EQ(first(s, "annotationView")["calloutOpen"], true);
  EXPECT_EQ(first(s, "annotationView")["id"], id);  // ids stay with their annotation
  EXPECT_EQ(input(R"({"type":"tapCalloutAccessory","id":)" + std::to_string(id) + "}"),
            "annotation " + std::to_string(id) + " has no open callout with a button");
  EXPECT_EQ(input(R"({"type":"deselectAnnotation","id":)" + std::to_string(id) + "}"), "");
  EXPECT_EQ(first(json::parse(bridge.snapshot()), "annotationView")["selected"], false);
}

TEST_F(DeviceBridgeTest, AnAlertTakesEveryTouchUntilOneOfItsButtonsIsPressed) {
  ASSERT_EQ(tapItem(6), "");
  json s = json::parse(bridge.snapshot());
  ASSERT_EQ(all(s, "alert").size(), 1u);
  json alert = first(s, "alert");
  EXPECT_EQ(alert["message"], "Call it <i>something</i>");
  EXPECT_EQ(alert["buttons"], json::array({"Cancel", "Save"}));
  ASSERT_EQ(alert["textFields"].size(), 1u);
  EXPECT_EQ(alert["textFields"][0]["text"], "");
  auto id = std::to_string(alert["id"].get<std::uint64_t>());

  EXPECT_EQ(press(50, 60), "an alert is on screen; press one of its buttons first");
  EXPECT_EQ(input(R"({"type":"pressAlertButton","id":)" + id + R"(,"index":2})"),
            "panel " + id + " has 2 buttons");
  EXPECT_EQ(input(R"({"type":"pressSheetButton","id":)" + id + R"(,"index":0})"),
            "panel " + id + " is an alert");
  EXPECT_EQ(input(R"({"type":"pressAlertButton","id":)" + id + R"(,"index":1,"text":"Lake walk"})"),
            "");
  EXPECT_EQ(app->screen->typed, "Lake walk");
  EXPECT_TRUE(all(json::parse(bridge.snapshot()), "alert").empty());
  EXPECT_EQ(press(50, 60), "");
}

TEST_F(DeviceBridgeTest, TheBannerLoadsIsTouchedAndFinishes) {
  auto banner = [&] { return first(json::parse(bridge.snapshot()), "banner"); };
  EXPECT_EQ(input(R"({"type":"banner","event":"loaded"})"), "");
  EXPECT_EQ(banner()["loaded"], true);
  EXPECT_EQ(input(R"({"type":"banner","event":"tapped"})"), "");
  EXPECT_EQ(banner()["actionInProgress"], true);
  EXPECT_EQ(input(R"({"type":"banner","event":"tapped"})"),
            "the banner's action is already running");
  EXPECT_EQ(input(R"({"type":"banner","event":"finished"})"), "");
  EXPECT_EQ(input(R"({"type":"banner","event":"failed"})"), "");
  EXPECT_EQ(banner()["loaded"], false);
}

TEST_F(DeviceBridgeTest, TheViewportDecidesSizeOrientationLocaleAndKindOfDevice) {
  EXPECT_EQ(
      input(
          R"({"type":"viewportChanged","width":393,"height":727,"orientation":"portrait","locale":"de-DE"})"),
      "");
  json s = json::parse(bridge.snapshot());
  EXPECT_EQ(s["device"]["screen"]["width"], 393);
  EXPECT_EQ(s["device"]["locale"], "de-DE");
  EXPECT_EQ(p::currentLocaleName(), "de_DE");
  EXPECT_EQ(s["screen"]["frame"]["height"], 727);
  EXPECT_EQ(first(s, "mapView")["frame"]["width"], 393);
  EXPECT_EQ(relaunches, 0);

  // Turning the phone: the screen in front hides its bars and the map fills the height.
  EXPECT_EQ(
      input(R"({"type":"viewportChanged","width":727,"height":393,"orientation":"landscapeLeft"})"),
      "");
  s = json::parse(bridge.snapshot());
  EXPECT_EQ(s["device"]["landscape"], true);
  EXPECT_EQ(s["device"]["orientation"], "landscapeLeft");
  EXPECT_EQ(s["device"]["screen"]["width"], 727);
  EXPECT_EQ(first(s, "navigationBar")["hidden"], true);
  EXPECT_EQ(first(s, "toolbar")["hidden"], true);
  EXPECT_EQ(s["screen"]["frame"]["width"], 727);

  // A viewport with a short side of 768 or more is a tablet: the application starts on it.
  EXPECT_EQ(
      input(R"({"type":"viewportChanged","width":820,"height":1180,"orientation":"portrait"})"),
      "");
  EXPECT_EQ(relaunches, 1);
  s = json::parse(bridge.snapshot());
  EXPECT_EQ(s["device"]["idiom"], "tablet");
  EXPECT_EQ(s["device"]["screen"]["height"], 1180);
}

TEST_F(DeviceBridgeTest, AWindowPointedAtWithAMouseIsATabletFromALaptopsHeight) {
  auto kindFor = [](const std::string& viewport) {
    DeviceBridge bridge(DeviceBridge::DeviceMode::FirstViewport, [] {});
    auto parsed = parseInputs(viewport);
    EXPECT_TRUE(parsed.ok()) << viewport;
    if (!parsed.ok()) return std::string();
    EXPECT_TRUE(bridge.apply(parsed.value().at(0)).ok());
    return json::parse(bridge.snapshot())["device"]["idiom"].get<std::string>();
  };
  const std::string laptop = R"({"type":"viewportChanged","width":1366,"height":606,)"
                             R"("orientation":"landscapeLeft")";
  EXPECT_EQ(kindFor(laptop + R"(,"pointer":"fine"})"), "tablet");
  EXPECT_EQ(kindFor(laptop + R"(,"pointer":"coarse"})"), "phone");
  EXPECT_EQ(kindFor(laptop + "}"), "phone");
  EXPECT_EQ(kindFor(R"({"type":"viewportChanged","width":390,"height":700,)"
                    R"("orientation":"portrait","pointer":"fine"})"),
            "phone");
  auto pen = parseInputs(laptop + R"(,"pointer":"pen"})");
  ASSERT_FALSE(pen.ok());
  EXPECT_NE(pen.reason().find("'pointer' must be one of fine, coarse"), std::string::npos)
      << pen.reason();
}

TEST_F(DeviceBridgeTest, AFixedDeviceIgnoresTheViewportsKind) {
  DeviceBridge phone(DeviceBridge::DeviceMode::Phone, [] { FAIL() << "no relaunch expected"; });
  auto parsed = parseInputs(
      R"({"type":"viewportChanged","width":1024,"height":1366,"orientation":"portrait"})");
  EXPECT_TRUE(phone.apply(parsed.value().at(0)).ok());
  EXPECT_EQ(json::parse(phone.snapshot())["device"]["idiom"], "phone");
}

TEST_F(DeviceBridgeTest, AutoKeepsTheKindOfDeviceWhileTheApplicationHoldsWork) {
  DeviceBridge keeping(
      DeviceBridge::DeviceMode::Auto, [] { FAIL() << "no relaunch expected"; },
      [] { return false; });
  auto parsed = parseInputs(
      R"({"type":"viewportChanged","width":820,"height":1180,"orientation":"portrait"})");
  EXPECT_TRUE(keeping.apply(parsed.value().at(0)).ok());
  json s = json::parse(keeping.snapshot());
  EXPECT_EQ(s["device"]["idiom"], "phone");
  EXPECT_EQ(s["device"]["screen"]["height"], 1180);
}

TEST_F(DeviceBridgeTest, ASessionsFirstViewportDecidesItsKindForGood) {
  int relaunched = 0;
  DeviceBridge session(DeviceBridge::DeviceMode::FirstViewport, [&] { ++relaunched; });
  auto viewport = [&](int width, int height) {
    auto parsed = parseInputs(R"({"type":"viewportChanged","width":)" + std::to_string(width) +
                              R"(,"height":)" + std::to_string(height) +
                              R"(,"orientation":"landscapeLeft"})");
    EXPECT_TRUE(session.apply(parsed.value().at(0)).ok());
    return json::parse(session.snapshot())["device"];
  };
  // A desktop window: a tablet-class device, started on it once.
  EXPECT_EQ(viewport(1280, 800)["idiom"], "tablet");
  EXPECT_EQ(relaunched, 1);
  // Made small, and large again: still the same device, never started afresh.
  json small = viewport(700, 450);
  EXPECT_EQ(small["idiom"], "tablet");
  EXPECT_EQ(small["screen"]["width"], 700);
  EXPECT_EQ(viewport(1600, 1000)["idiom"], "tablet");
  EXPECT_EQ(relaunched, 1);
}

TEST_F(DeviceBridgeTest, ASheetShownFromAToolbarItemNamesItsAnchor) {
  ASSERT_EQ(tapItem(1), "");
  json s = json::parse(bridge.snapshot());
  ASSERT_EQ(all(s, "actionSheet").size(), 1u);
  json sheet = first(s, "actionSheet");
  json files = first(s, "toolbar")["items"][4];
  EXPECT_EQ(files["tag"], 1);
  EXPECT_EQ(sheet["anchor"], files["id"]);
  EXPECT_EQ(sheet["buttons"], json::array({"Load", "Save", "Cancel"}));
  EXPECT_EQ(sheet["cancelButtonIndex"], 2);
  auto id = std::to_string(sheet["id"].get<std::uint64_t>());
  EXPECT_EQ(input(tap(first(s, "toolbar")["items"][3])),
            "a sheet is on screen; press one of its buttons first");
  EXPECT_EQ(input(R"({"type":"pressAlertButton","id":)" + id + R"(,"index":0})"),
            "panel " + id + " is a sheet");
  EXPECT_EQ(input(R"({"type":"pressSheetButton","id":)" + id + R"(,"index":1})"), "");
  EXPECT_EQ(app->screen->typed, "Save");
  EXPECT_TRUE(all(json::parse(bridge.snapshot()), "actionSheet").empty());
}

TEST_F(DeviceBridgeTest, TheScreenIsTheKeyWindowsTreeInTheVocabularyWithTheIdsInputsName) {
  ASSERT_EQ(press(100, 150), "");
  ASSERT_EQ(tapItem(6), "");  // an alert
  json s = json::parse(bridge.snapshot());
  const json& screen = s["screen"];
  EXPECT_EQ(screen["kind"], "window");
  EXPECT_EQ(screen["frame"]["width"], s["device"]["screen"]["width"]);
  std::vector<json> nodes;
  collect(screen, nodes);
  // Only the kinds the page knows how to draw.
  static const std::set<std::string> kinds = {"window",
                                              "statusBar",
                                              "view",
                                              "label",
                                              "imageView",
                                              "button",
                                              "barButtonItem",
                                              "viewController",
                                              "navigationController",
                                              "navigationBar",
                                              "toolbar",
                                              "alert",
                                              "actionSheet",
                                              "textField",
                                              "switch",
                                              "segmentedControl",
                                              "activityIndicator",
                                              "tableView",
                                              "tableViewCell",
                                              "searchBar",
                                              "webView",
                                              "mapView",
                                              "annotationView",
                                              "polylineView",
                                              "overlayView",
                                              "banner"};
  std::set<std::string> seen;
  for (const auto& node : nodes) {
    EXPECT_TRUE(kinds.count(node["kind"])) << node["kind"];
    seen.insert(node["kind"]);
    EXPECT_TRUE(node["id"].is_null() || node["id"].is_number_unsigned()) << node.dump();
  }
  for (const char* kind : {"statusBar", "navigationController", "navigationBar", "toolbar",
                           "barButtonItem", "mapView", "annotationView", "alert", "banner"})
    EXPECT_TRUE(seen.count(kind)) << kind;
  // Ids stay with their objects from one snapshot to the next, and inputs name them.
  json again = json::parse(bridge.snapshot());
  EXPECT_EQ(again["screen"]["id"], screen["id"]);
  EXPECT_EQ(first(again, "annotationView")["id"], first(s, "annotationView")["id"]);
  EXPECT_EQ(first(again, "alert")["id"], first(s, "alert")["id"]);
}
