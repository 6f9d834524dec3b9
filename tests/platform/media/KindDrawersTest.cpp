// Every kind of the screen's description has a drawer, and each draws from the properties
// docs/screens.md gives it: a description written here by hand (as the objects would write it)
// is drawn and compared with the same screen without the node.
#include "platform/media/KindDrawers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>

#include "platform/media/LandOutline.h"
#include "platform/media/ScreenRenderer.h"
#include "platform/media/ViewDrawing.h"
#include "platform/ui/DescriptionTree.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIBarButtonItem.h"

using namespace tessaly::platform;

namespace {

using Body = std::function<void(DescriptionSink&)>;

// The kinds of the table under "### Kinds" in docs/screens.md.
std::set<std::string> documentedKinds() {
  const char* root = std::getenv("TESSALY_SOURCE_DIR");
  std::ifstream file(std::string(root != nullptr ? root : ".") + "/docs/screens.md");
  std::stringstream text;
  text << file.rdbuf();
  std::string doc = text.str();
  std::size_t from = doc.find("### Kinds"), to = doc.find("Presentation:", from);
  std::set<std::string> kinds;
  if (from == std::string::npos || to == std::string::npos) return kinds;
  std::string table = doc.substr(from, to - from);
  // Rows start "| `kind` |".
  std::istringstream lines(table);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("| `", 0) != 0) continue;
    std::size_t end = line.find('`', 3);
    if (end != std::string::npos && line.compare(end, 3, "` |") == 0)
      kinds.insert(line.substr(3, end - 3));
  }
  return kinds;
}

void open(DescriptionSink& sink, std::string_view kind, CGRect frame, std::string_view slot = {}) {
  sink.beginNode(kind, ObjectRef::none(), slot);
  sink.rect("frame", frame);
  sink.boolean("hidden", false);
  sink.number("alpha", 1);
}

// The window (white) holding what body writes, drawn into a picture of the screen.
ScreenPicture draw(const Body& body) {
  ObjectIds ids;
  DescriptionTree tree(ids);
  open(tree, "window", CGRectMake(0, 0, 320, 480));
  tree.color("backgroundColor", UIColor::whiteColor());
  body(tree);
  tree.endNode();
  ScreenPicture picture = ScreenPicture::blank(320, 460);
  ScreenRenderer::drawDescription(picture, *tree.root(), 1);
  return picture;
}

int differingPixels(const ScreenPicture& a, const ScreenPicture& b) {
  int count = 0;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x) {
      const std::uint8_t *p = a.pixel(x, y), *q = b.pixel(x, y);
      for (int c = 0; c < 4; ++c)
        if (std::abs(p[c] - q[c]) > 8) {
          ++count;
          break;
        }
    }
  return count;
}

const CGRect kBox = CGRectMake(20, 80, 240, 40);

void label(DescriptionSink& s, std::string_view text) {
  open(s, "label", kBox);
  s.string("text", text);
  s.beginRecord("font");
  s.number("size", 17);
  s.boolean("bold", false);
  s.endRecord();
  s.color("color", UIColor::blackColor());
  s.string("alignment", "left");
  s.endNode();
}

void barItem(DescriptionSink& s, std::string_view systemItem, const ObjectRef& item = {}) {
  s.beginNode("barButtonItem", item);
  s.string("systemItem", systemItem);
  s.string("title", "");
  s.null("image");
  s.string("style", "plain");
  s.number("tag", 0);
  s.boolean("enabled", true);
  s.number("width", 0);
  s.endNode();
}

void toolbar(DescriptionSink& s, const Body& items) {
  open(s, "toolbar", CGRectMake(0, 436, 320, 44));
  s.beginList("items");
  items(s);
  s.endList();
  s.endNode();
}

void table(DescriptionSink& s, const Body& cells) {
  open(s, "tableView", CGRectMake(0, 64, 320, 416));
  s.string("style", "plain");
  s.boolean("editing", false);
  s.number("rowHeight", 44);
  s.beginList("sections");
  s.beginRecord();
  s.string("header", "Section");
  s.null("footer");
  s.beginList("cells");
  cells(s);
  s.endList();
  s.endRecord();
  s.endList();
  s.endNode();
}

void cell(DescriptionSink& s, std::string_view text) {
  open(s, "tableViewCell", CGRectMake(0, 0, 320, 44));
  s.string("style", "default");
  s.string("text", text);
  s.null("detail");
  s.null("image");
  s.string("accessory", "disclosureIndicator");
  s.string("selectionStyle", "blue");
  s.boolean("selected", false);
  s.boolean("editable", false);
  s.null("accessoryView");
  s.endNode();
}

const CLLocationCoordinate2D kCenter{43.7, 7.3};

void map(DescriptionSink& s, const Body& annotations, const Body& overlays) {
  open(s, "mapView", CGRectMake(0, 64, 320, 372));
  s.string("mapType", "standard");
  s.beginRecord("region");
  s.coordinate("center", kCenter);
  s.beginRecord("span");
  s.number("latitudeDelta", 0.1);
  s.number("longitudeDelta", 0.1);
  s.endRecord();
  s.endRecord();
  MKMapRect r = mapRectForRegion({kCenter, {0.1, 0.1}});
  s.rect("mapRect",
         CGRectMake(static_cast<CGFloat>(r.origin.x), static_cast<CGFloat>(r.origin.y),
                    static_cast<CGFloat>(r.size.width), static_cast<CGFloat>(r.size.height)));
  s.boolean("showsUserLocation", false);
  s.null("userLocation");
  s.boolean("userLocationVisible", false);
  s.beginList("annotations");
  annotations(s);
  s.endList();
  s.beginList("overlays");
  overlays(s);
  s.endList();
  s.endNode();
}

void pin(DescriptionSink& s, CLLocationCoordinate2D at, std::string_view color, bool open,
         std::string_view title = "Start", std::string_view subtitle = "Walk 3 km") {
  s.beginNode("annotationView", ObjectRef::none());
  s.boolean("hidden", false);
  s.number("alpha", 1);
  s.string("view", "pin");
  s.coordinate("coordinate", at);
  s.string("title", title);
  s.string("subtitle", subtitle);
  s.boolean("selected", open);
  s.boolean("canShowCallout", true);
  s.boolean("calloutOpen", open);
  s.string("pinColor", color);
  s.boolean("animatesDrop", false);
  s.null("accessory");
  s.endNode();
}

void line(DescriptionSink& s, std::vector<CLLocationCoordinate2D> points, UIColor color,
          double alpha) {
  s.beginNode("polylineView", ObjectRef::none());
  s.boolean("hidden", false);
  s.number("alpha", alpha);
  s.coordinates("points", points);
  s.color("strokeColor", color);
  s.color("fillColor", UIColor::clearColor());
  s.null("lineWidth");
  s.endNode();
}

void nothing(DescriptionSink&) {}

struct Fixture {
  std::string kind;
  Body with, without;
  bool inks;  // false: a container that draws nothing of its own
};

std::vector<Fixture> fixtures() {
  auto leaf = [](std::string kind, std::function<void(DescriptionSink&)> properties) {
    return Fixture{kind,
                   [=](DescriptionSink& s) {
                     open(s, kind, kBox);
                     properties(s);
                     s.endNode();
                   },
                   nothing, true};
  };
  std::vector<Fixture> all;
  all.push_back({"window", nothing, nothing, false});
  all.push_back({"statusBar",
                 [](DescriptionSink& s) {
                   open(s, "statusBar", CGRectMake(0, 0, 320, 20));
                   s.boolean("networkActivityIndicatorVisible", false);
                   s.endNode();
                 },
                 nothing, false});  // above the picture
  for (std::string kind : {"view", "viewController", "navigationController"}) {
    all.push_back({kind,
                   [kind](DescriptionSink& s) {
                     open(s, kind, CGRectMake(0, 0, 320, 480));
                     if (kind != "view") {
                       s.string("name", "screen");
                       s.string("title", "");
                     }
                     s.endNode();
                   },
                   nothing, false});
  }
  all.push_back({"label", [](DescriptionSink& s) { label(s, "Hello"); }, nothing, true});
  all.push_back(leaf("imageView", [](DescriptionSink& s) { s.string("image", "kml.png"); }));
  all.push_back(leaf("button", [](DescriptionSink& s) {
    s.string("buttonType", "roundedRect");
    s.string("title", "Go");
    s.null("image");
    s.boolean("enabled", true);
    s.boolean("selected", false);
    s.number("tag", 1);
  }));
  all.push_back(leaf("textField", [](DescriptionSink& s) {
    s.string("text", "walk");
    s.string("placeholder", "Name");
    s.boolean("secure", false);
    s.boolean("enabled", true);
    s.boolean("focused", false);
  }));
  all.push_back(leaf("switch", [](DescriptionSink& s) {
    s.boolean("on", true);
    s.boolean("enabled", true);
    s.null("onTintColor");
  }));
  all.push_back(leaf("segmentedControl", [](DescriptionSink& s) {
    s.strings("segments", {"km", "mi"});
    s.number("selectedSegmentIndex", 0);
    s.null("tintColor");
    s.boolean("momentary", false);
    s.boolean("enabled", true);
  }));
  all.push_back(leaf("activityIndicator", [](DescriptionSink& s) {
    s.boolean("animating", true);
    s.string("style", "gray");
    s.boolean("hidesWhenStopped", true);
  }));
  all.push_back(leaf("searchBar", [](DescriptionSink& s) {
    s.string("text", "");
    s.string("placeholder", "Search");
    s.boolean("focused", false);
    s.boolean("showsCancelButton", true);
    s.boolean("displayActive", false);
  }));
  all.push_back({"webView",
                 [](DescriptionSink& s) {
                   open(s, "webView", CGRectMake(0, 64, 320, 416));
                   s.string("html",
                            "<html><head><title>Help</title></head><body><p>Hold a "
                            "finger on the map &amp; walk.</p></body></html>");
                   s.string("baseURL", "");
                   s.null("url");
                   s.endNode();
                 },
                 // A blank page is white on the white window: only its words show.
                 nothing, true});
  all.push_back(leaf("banner", [](DescriptionSink& s) {
    s.boolean("loaded", true);
    s.boolean("actionInProgress", false);
    s.string("contentSize", "ADBannerContentSizePortrait");
  }));
  all.push_back({"navigationBar",
                 [](DescriptionSink& s) {
                   open(s, "navigationBar", CGRectMake(0, 20, 320, 44));
                   s.string("title", "Settings");
                   s.null("left");
                   s.null("right");
                   s.beginRecord("back");
                   s.string("title", "Back");
                   s.endRecord();
                   s.endNode();
                 },
                 nothing, true});
  all.push_back({"toolbar", [](DescriptionSink& s) { toolbar(s, nothing); }, nothing, true});
  all.push_back(
      {"barButtonItem",
       [](DescriptionSink& s) { toolbar(s, [](DescriptionSink& t) { barItem(t, "search"); }); },
       [](DescriptionSink& s) { toolbar(s, nothing); }, true});
  all.push_back({"alert",
                 [](DescriptionSink& s) {
                   open(s, "alert", CGRectZero);
                   s.string("title", "Name the route");
                   s.string("message", "");
                   s.strings("buttons", {"Cancel", "Save"});
                   s.number("cancelButtonIndex", 0);
                   s.number("firstOtherButtonIndex", 1);
                   s.beginList("textFields");
                   open(s, "textField", CGRectZero);
                   s.string("text", "");
                   s.string("placeholder", "Name");
                   s.boolean("secure", false);
                   s.boolean("enabled", true);
                   s.boolean("focused", true);
                   s.endNode();
                   s.endList();
                   s.endNode();
                 },
                 nothing, true});
  all.push_back({"actionSheet",
                 [](DescriptionSink& s) {
                   open(s, "actionSheet", CGRectZero);
                   s.string("title", "");
                   s.strings("buttons", {"Mail", "Cancel"});
                   s.number("cancelButtonIndex", 1);
                   s.number("destructiveButtonIndex", -1);
                   s.number("firstOtherButtonIndex", 0);
                   s.null("anchor");
                   s.endNode();
                 },
                 nothing, true});
  all.push_back({"tableView", [](DescriptionSink& s) { table(s, nothing); }, nothing, true});
  all.push_back({"tableViewCell",
                 [](DescriptionSink& s) { table(s, [](DescriptionSink& t) { cell(t, "Row"); }); },
                 [](DescriptionSink& s) { table(s, nothing); }, true});
  all.push_back({"mapView", [](DescriptionSink& s) { map(s, nothing, nothing); }, nothing, true});
  all.push_back({"annotationView",
                 [](DescriptionSink& s) {
                   map(
                       s, [](DescriptionSink& m) { pin(m, kCenter, "green", false); }, nothing);
                 },
                 [](DescriptionSink& s) { map(s, nothing, nothing); }, true});
  all.push_back({"polylineView",
                 [](DescriptionSink& s) {
                   map(s, nothing, [](DescriptionSink& m) {
                     line(m, {kCenter, {43.72, 7.32}}, UIColor::blackColor(), 1);
                   });
                 },
                 [](DescriptionSink& s) { map(s, nothing, nothing); }, true});
  all.push_back({"overlayView",
                 [](DescriptionSink& s) {
                   map(s, nothing, [](DescriptionSink& m) {
                     m.beginNode("overlayView", ObjectRef::none());
                     m.boolean("hidden", false);
                     m.number("alpha", 1);
                     m.endNode();
                   });
                 },
                 [](DescriptionSink& s) { map(s, nothing, nothing); }, false});
  return all;
}

class KindDrawersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UIApplication::sharedApplication().reset();
    // No land: the map is sea wherever nothing stands on it.
    LandOutline::setSharedPath("/nonexistent/land.json");
  }
  void TearDown() override { LandOutline::setSharedPath(""); }
};

}  // namespace

TEST_F(KindDrawersTest, EveryDocumentedKindHasADrawerAndThereIsNoOther) {
  std::set<std::string> documented = documentedKinds();
  ASSERT_GE(documented.size(), 26u) << "the kinds table of docs/screens.md";
  for (const auto& kind : documented) EXPECT_NE(drawerForKind(kind), nullptr) << kind;
  for (std::string_view kind : drawnKinds())
    EXPECT_TRUE(documented.count(std::string(kind))) << kind << " is not in docs/screens.md";
  EXPECT_EQ(drawerForKind("noSuchKind"), nullptr);
}

TEST_F(KindDrawersTest, EachKindDrawsFromItsDescribedPropertiesAndContainersDrawNothingOfTheirOwn) {
  std::set<std::string> documented = documentedKinds(), tried;
  for (const Fixture& fixture : fixtures()) {
    tried.insert(fixture.kind);
    int changed = differingPixels(draw(fixture.with), draw(fixture.without));
    if (fixture.inks)
      EXPECT_GT(changed, 30) << fixture.kind << " drew nothing";
    else
      EXPECT_EQ(changed, 0) << fixture.kind << " drew where it should not";
  }
  // A kind added to the documentation needs a fixture here (and a drawer).
  EXPECT_EQ(tried, documented);
}

TEST_F(KindDrawersTest, AHiddenOrTransparentNodeDrawsNothingNorDoesWhatItHolds) {
  // A view filled black holding a label: visible, hidden, clear, half faded.
  auto view = [](bool hidden, double alpha) {
    return [=](DescriptionSink& s) {
      s.beginNode("view", ObjectRef::none());
      s.rect("frame", CGRectMake(0, 60, 320, 100));
      s.boolean("hidden", hidden);
      s.number("alpha", alpha);
      s.color("backgroundColor", UIColor::blackColor());
      label(s, "Inside");
      s.endNode();
    };
  };
  ScreenPicture plain = draw(nothing);
  EXPECT_GT(differingPixels(draw(view(false, 1)), plain), 30000);
  EXPECT_EQ(differingPixels(draw(view(true, 1)), plain), 0);
  EXPECT_EQ(differingPixels(draw(view(false, 0)), plain), 0);
  ScreenPicture faded = draw(view(false, 0.5));
  const std::uint8_t* px = faded.pixel(300, 60);  // the view's background, away from the text
  ASSERT_NE(px, nullptr);
  EXPECT_NEAR(px[1], 128, 6) << "black at half alpha over white";
}

namespace {

int byte(float component) {
  return static_cast<int>(std::lround(component * 255));
}

bool near(const std::uint8_t* px, const UIColor& c, int within = 12) {
  return px != nullptr && std::abs(px[2] - byte(c.red)) <= within &&
         std::abs(px[1] - byte(c.green)) <= within && std::abs(px[0] - byte(c.blue)) <= within;
}

// Light pixels (text on the dark callout) in a band of rows.
int lightPixels(const ScreenPicture& picture, int top, int bottom) {
  int count = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = 0; x < picture.width; ++x) {
      const std::uint8_t* px = picture.pixel(x, y);
      if (px[0] > 200 && px[1] > 200 && px[2] > 200) ++count;
    }
  return count;
}

}  // namespace

TEST_F(KindDrawersTest, TheMapShowsItsLineAtItsColourAndOpacityAndThePinsWithTheirCallouts) {
  // The map's centre is the picture's (160, 230); 0.025 degrees of longitude are 80 points.
  const UIColor red{0.9f, 0.1f, 0.1f, 1};
  ScreenPicture picture = draw([&](DescriptionSink& s) {
    map(
        s,
        [](DescriptionSink& m) {
          pin(m, {43.7, 7.3 - 0.025}, "green", true);
          pin(m, {43.7 - 0.02, 7.3}, "purple", false);
        },
        [&](DescriptionSink& m) {
          line(m, {kCenter, {43.7, 7.3 + 0.025}}, red, 0.6);
        });
  });
  const UIColor& sea = drawing::kSea;
  for (int x : {170, 200, 230}) {
    UIColor blended{red.red * 0.6f + sea.red * 0.4f, red.green * 0.6f + sea.green * 0.4f,
                    red.blue * 0.6f + sea.blue * 0.4f, 1};
    EXPECT_TRUE(near(picture.pixel(x, 230), blended, 8)) << "along the leg at " << x;
  }
  EXPECT_TRUE(near(picture.pixel(200, 240), sea, 4)) << "off the line";
  EXPECT_TRUE(near(picture.pixel(250, 230), sea, 4)) << "past its end";
  // Pin heads stand above their coordinates.
  EXPECT_TRUE(near(picture.pixel(80, 230 - 20), drawing::kPinGreen));
  // 0.02 degrees of latitude are a fifth of the 372-point map.
  EXPECT_TRUE(near(picture.pixel(160, 230 + 74 - 20), drawing::kPinPurple, 16));
  // The open callout above the green pin: its title line and its subtitle line (the tip at
  // 8 points above the head's top, the box 44 high above it).
  int top = 230 - 20 - 6 - 8 - 44;
  EXPECT_GT(lightPixels(picture, top + 4, top + 22), 20) << "title";
  EXPECT_GT(lightPixels(picture, top + 26, top + 39), 20) << "subtitle";
  EXPECT_EQ(lightPixels(picture, top - 20, top - 2), 0) << "nothing above the callout";
}

TEST_F(KindDrawersTest, ASheetShownFromABarItemPointsAtWhereTheBarDrewIt) {
  auto item = std::make_shared<UIBarButtonItem>(UIBarButtonSystemItemAction);
  auto screen = [&](bool anchored) {
    return draw([&, anchored](DescriptionSink& s) {
      toolbar(s, [&](DescriptionSink& t) {
        barItem(t, "flexibleSpace");
        barItem(t, "action", ObjectRef::to(item));
      });
      open(s, "actionSheet", CGRectZero);
      s.string("title", "");
      s.strings("buttons", {"Mail", "Cancel"});
      s.number("cancelButtonIndex", 1);
      s.number("destructiveButtonIndex", -1);
      s.number("firstOtherButtonIndex", 0);
      if (anchored)
        s.reference("anchor", ObjectRef::to(item));
      else
        s.null("anchor");
      s.endNode();
    });
  };
  // The item stands at the right end of the toolbar (x 278 to 314); the popover's box (one
  // button: a popover has no Cancel) rises from above it, its point reaching down to the item.
  ScreenPicture popover = screen(true);
  EXPECT_TRUE(near(popover.pixel(14, 390), {0.93f, 0.93f, 0.95f, 1}, 4)) << "the popover's box";
  EXPECT_TRUE(near(popover.pixel(296, 410), {0.08f, 0.12f, 0.2f, 1}, 16)) << "its point";
  EXPECT_FALSE(near(popover.pixel(40, 410), {0.08f, 0.12f, 0.2f, 1}, 16));
  // Without its bar item the sheet rises from the bottom, Cancel included, over the toolbar.
  ScreenPicture sheet = screen(false);
  EXPECT_FALSE(near(sheet.pixel(14, 390), {0.93f, 0.93f, 0.95f, 1}, 4));
  EXPECT_GT(differingPixels(popover, sheet), 1000);
}

TEST_F(KindDrawersTest, AnAlertDrawsEachOfItsTextFieldsOneBelowTheOther) {
  auto alert = [](int fields) {
    return [fields](DescriptionSink& s) {
      open(s, "alert", CGRectZero);
      s.string("title", "Log in");
      s.string("message", "");
      s.strings("buttons", {"Cancel", "OK"});
      s.number("cancelButtonIndex", 0);
      s.number("firstOtherButtonIndex", 1);
      s.beginList("textFields");
      for (int i = 0; i < fields; ++i) {
        open(s, "textField", CGRectZero);
        s.string("text", "");
        s.string("placeholder", "");
        s.boolean("secure", i == 1);
        s.boolean("enabled", true);
        s.boolean("focused", false);
        s.endNode();
      }
      s.endList();
      s.endNode();
    };
  };
  // White bands (the fields) down a column left of the centred title.
  auto whiteBands = [](const ScreenPicture& picture) {
    int bands = 0;
    bool inside = false;
    for (int y = 0; y < picture.height; ++y) {
      bool white = near(picture.pixel(40, y), UIColor::whiteColor(), 4);
      if (white && !inside) ++bands;
      inside = white;
    }
    return bands;
  };
  // The window behind is white too: count inside the dimmed screen only.
  EXPECT_EQ(whiteBands(draw(alert(0))), 0);
  EXPECT_EQ(whiteBands(draw(alert(1))), 1);
  EXPECT_EQ(whiteBands(draw(alert(2))), 2);
}
