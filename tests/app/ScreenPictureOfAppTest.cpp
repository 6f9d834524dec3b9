// The picture of the running application: what the renderer draws is where the screen says it
// is, in the colours the screen gives it.
#include <cmath>

#include "LaunchedApp.h"
#include "platform/media/LandOutline.h"
#include "platform/media/NodeDrawers.h"
#include "platform/media/ScreenRenderer.h"
#include "platform/media/TableLayout.h"
#include "platform/media/ViewDrawing.h"
#include "platform/ui/DescriptionTree.h"
#include "platform/ui/UIWindow.h"

using namespace tessaly;
using namespace tessaly::platform;

namespace {

class ScreenPictureOfAppTest : public tessaly::testing::LaunchedApp {
 protected:
  void SetUp() override {
    LaunchedApp::SetUp();
    // No land: every map pixel away from the path is sea, which the line is blended over.
    LandOutline::setSharedPath("/nonexistent/land.json");
  }
  void TearDown() override {
    LandOutline::setSharedPath("");
    LaunchedApp::TearDown();
  }
  // A point of the map view in the picture's pixels (the status bar is not in it).
  CGPoint onPicture(CGPoint inMap) {
    CGPoint p = map().convertPoint(inMap, nullptr);
    return {p.x, p.y - UIScreen::kStatusBarHeight};
  }
  static int channel(const ScreenPicture& picture, CGPoint at, int c) {
    return picture.pixel(static_cast<int>(std::lround(at.x)),
                         static_cast<int>(std::lround(at.y)))[c];
  }
};

int byte(float component) {
  return static_cast<int>(std::lround(component * 255));
}

}  // namespace

TEST_F(ScreenPictureOfAppTest, PinsLineAndStatusAreDrawnWhereAndAsTheScreenShowsThem) {
  launch();
  pressMap(100, 100);
  pressMap(220, 260);
  RunLoop::main().runUntilIdle();
  ScreenPicture picture = ScreenRenderer::screenshot(1);
  ASSERT_EQ(picture.width, 320);
  ASSERT_EQ(picture.height, 460);

  // The starting marker's pin head, green, stands above its coordinate.
  CGPoint head = onPicture({100, 100 - drawing::kPinHeadRise});
  const UIColor& green = drawing::kPinGreen;
  EXPECT_NEAR(channel(picture, head, 2), byte(green.red), 12);
  EXPECT_NEAR(channel(picture, head, 1), byte(green.green), 12);
  EXPECT_NEAR(channel(picture, head, 0), byte(green.blue), 12);
  CGPoint second = onPicture({220, 260 - drawing::kPinHeadRise});
  EXPECT_NEAR(channel(picture, second, 2), byte(drawing::kPinPurple.red), 12)
      << "the later marker's pin is purple";

  // Along the leg: the black line at 0.6 opacity over the sea, every channel darkened alike.
  for (double t : {0.3, 0.5, 0.7}) {
    CGPoint at =
        onPicture({static_cast<CGFloat>(100 + 120 * t), static_cast<CGFloat>(100 + 160 * t)});
    const UIColor& sea = drawing::kSea;
    EXPECT_NEAR(channel(picture, at, 2), byte(sea.red * 0.4f), 10) << t;
    EXPECT_NEAR(channel(picture, at, 1), byte(sea.green * 0.4f), 10) << t;
    EXPECT_NEAR(channel(picture, at, 0), byte(sea.blue * 0.4f), 10) << t;
  }
  CGPoint away = onPicture({280, 60});
  EXPECT_NEAR(channel(picture, away, 1), byte(drawing::kSea.green), 4) << "sea off the path";

  // The status label's white text is drawn in its slot of the toolbar, as the toolbar's
  // description places it.
  auto label = screen().statusLabel();
  ASSERT_FALSE(label->text().empty());
  auto toolbar = nav().toolbar();
  ObjectIds ids;
  DescriptionTree tree = DescriptionTree::ofKeyWindow(ids);
  const DescriptionNode* bar = tree.first("toolbar");
  ASSERT_NE(bar, nullptr);
  const auto& items = bar->list("items");
  std::vector<double> widths = drawers::barItemWidths(items, toolbar->bounds().size.width);
  double slot = drawers::kBarPadding, slotWidth = 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (!items[i]->children.empty() && items[i]->children.front()->objectAs<UIView>() == label) {
      slotWidth = widths[i];
      break;
    }
    slot += widths[i];
  }
  CGPoint origin = toolbar->convertPoint(toolbar->bounds().origin, nullptr);
  int top = static_cast<int>(origin.y - UIScreen::kStatusBarHeight);
  int white = 0;
  for (int y = top; y < top + static_cast<int>(toolbar->bounds().size.height); ++y)
    for (int x = static_cast<int>(origin.x + slot);
         x < static_cast<int>(origin.x + slot + slotWidth); ++x) {
      const std::uint8_t* px = picture.pixel(x, y);
      if (px && px[0] > 200 && px[1] > 200 && px[2] > 200) ++white;
    }
  EXPECT_GT(white, 20) << "text in the label's area";
}

TEST_F(ScreenPictureOfAppTest, TheSettingsTableShowsItsRowsTheSwitchOnAndThePickedSegments) {
  writeSettings(1, 4, 1);  // satellite map, miles, the position shown
  launch();
  ASSERT_TRUE(screen().navigationItem().leftBarButtonItem()->tap());
  RunLoop::main().runUntilIdle();
  ScreenPicture picture = ScreenRenderer::screenshot(1);
  ObjectIds ids;
  DescriptionTree tree = DescriptionTree::ofKeyWindow(ids);
  const DescriptionNode* table = tree.first("tableView");
  ASSERT_NE(table, nullptr);
  TableLayout layout = TableLayout::of(*table, table->rect("frame").origin);
  ASSERT_EQ(layout.rows().size(), 3u);
  auto at = [&](double x, double y) {
    return picture.pixel(static_cast<int>(x), static_cast<int>(y - UIScreen::kStatusBarHeight));
  };
  auto near = [](const std::uint8_t* px, const UIColor& c) {
    return px != nullptr && std::abs(px[2] - byte(c.red)) < 16 &&
           std::abs(px[1] - byte(c.green)) < 16 && std::abs(px[0] - byte(c.blue)) < 16;
  };
  int switches = 0, segmented = 0;
  for (const auto& row : layout.rows()) {
    // The row's title is drawn at its left, dark on the white row.
    int dark = 0;
    for (double y = row.frame.origin.y + 8; y < row.frame.origin.y + row.frame.size.height - 8; ++y)
      for (double x = row.frame.origin.x + 10; x < row.frame.origin.x + 120; ++x)
        if (const std::uint8_t* px = at(x, y); px && px[1] < 90) ++dark;
    EXPECT_GT(dark, 30) << row.cell->string("text");
    for (const auto& child : row.cell->children) {
      // The control's frame is in its cell's coordinates.
      CGRect f = child->rect("frame");
      double x = row.frame.origin.x + f.origin.x, y = row.frame.origin.y + f.origin.y;
      if (child->kind == "switch") {
        ++switches;
        ASSERT_TRUE(child->boolean("on"));
        EXPECT_TRUE(near(at(x + 8, y + f.size.height / 2 - 8), drawing::kSwitchOn))
            << "the on colour at the switch's left";
        EXPECT_TRUE(near(at(x + f.size.width - f.size.height / 2, y + f.size.height / 2),
                         UIColor::whiteColor()))
            << "its knob at the right";
      } else if (child->kind == "segmentedControl") {
        ++segmented;
        auto count = child->strings("segments").size();
        auto picked = static_cast<int>(child->number("selectedSegmentIndex"));
        ASSERT_GE(picked, 0);
        double w = f.size.width / static_cast<double>(count);
        // The screen tints its segmented controls.
        const auto* tint = child->value("tintColor");
        ASSERT_TRUE(tint && std::holds_alternative<UIColor>(*tint));
        for (int i = 0; i < static_cast<int>(count); ++i) {
          EXPECT_EQ(near(at(x + i * w + 6, y + 5), std::get<UIColor>(*tint)), i == picked)
              << row.cell->string("text") << " segment " << i;
        }
      }
    }
  }
  EXPECT_EQ(switches, 1);
  EXPECT_EQ(segmented, 2);
}

TEST_F(ScreenPictureOfAppTest, ATabletsSettingsSheetDimsTheMapScreenAroundIt) {
  launch(UIUserInterfaceIdiomPad);
  ScreenPicture before = ScreenRenderer::screenshot(1);
  ASSERT_TRUE(screen().navigationItem().leftBarButtonItem()->tap());
  RunLoop::main().runUntilIdle();
  ScreenPicture after = ScreenRenderer::screenshot(1);
  ObjectIds ids;
  DescriptionTree tree = DescriptionTree::ofKeyWindow(ids);
  const DescriptionNode* sheet = nullptr;
  for (const DescriptionNode* node : tree.all("navigationController"))
    if (node->string("presentation") == "formSheet") sheet = node;
  ASSERT_NE(sheet, nullptr);
  CGRect f = sheet->rect("frame");
  ASSERT_LT(f.size.width, after.width);
  auto at = [](const ScreenPicture& p, double x, double y) {
    return p.pixel(static_cast<int>(x), static_cast<int>(y - UIScreen::kStatusBarHeight));
  };
  // Beside the sheet the map shows through, darkened; inside it the sheet is not.
  double outsideX = f.origin.x - 30, y = f.origin.y + 300;
  const std::uint8_t *was = at(before, outsideX, y), *now = at(after, outsideX, y);
  ASSERT_TRUE(was && now);
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(now[c], was[c] * 0.55, 8) << c;
  const std::uint8_t* inside = at(after, f.origin.x + 5, y);
  ASSERT_NE(inside, nullptr);
  EXPECT_GT(inside[1], 150) << "the sheet itself is not dimmed";
}
