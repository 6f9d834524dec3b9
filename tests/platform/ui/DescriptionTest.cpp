#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>

#include "platform/ui/ScreenFixture.h"

using namespace tessaly::platform;
using namespace tessaly::platform::testing;

namespace {

// The kinds the vocabulary lists: the first column of the table under "### Kinds".
std::vector<std::string> vocabularyKinds() {
  const char* root = std::getenv("TESSALY_SOURCE_DIR");
  std::ifstream in(std::string(root != nullptr ? root : ".") + "/docs/screens.md");
  std::vector<std::string> kinds;
  std::string line;
  bool inKinds = false;
  while (std::getline(in, line)) {
    if (line.rfind("### ", 0) == 0) inKinds = line == "### Kinds";
    auto close = line.find("` |", 3);
    if (inKinds && line.rfind("| `", 0) == 0 && close != std::string::npos)
      kinds.push_back(line.substr(3, close - 3));
  }
  return kinds;
}

bool sameRect(const CGRect& a, const CGRect& b) {
  return a.origin.x == b.origin.x && a.origin.y == b.origin.y && a.size.width == b.size.width &&
         a.size.height == b.size.height;
}

}  // namespace

TEST_F(ScreenTest, EveryKindOfTheVocabularyIsWrittenByARealObject) {
  auto alert =
      std::make_shared<UIAlertView>("Name", "", &model, "Cancel", std::vector<std::string>{"OK"});
  alert->show();
  auto sheet =
      std::make_shared<UIActionSheet>("", &model, "Cancel", "Clear", std::vector<std::string>{});
  sheet->showInView(screen->view().get());
  auto tree = describe();
  auto kinds = vocabularyKinds();
  ASSERT_GE(kinds.size(), 20u) << "the kinds table of docs/screens.md was not found";
  for (const auto& kind : kinds) EXPECT_NE(tree.first(kind), nullptr) << kind;
  // And nothing outside the vocabulary.
  tree.root()->forEach([&](const DescriptionNode& node) {
    if (!node.isRecord()) {
      EXPECT_NE(std::find(kinds.begin(), kinds.end(), node.kind), kinds.end()) << node.kind;
    }
  });
}

TEST_F(ScreenTest, TheWindowHoldsStatusBarRootScreenAndPanelsLast) {
  UIApplication::sharedApplication().setNetworkActivityIndicatorVisible(true);
  auto alert = std::make_shared<UIAlertView>("Save", "As what?", &model, "Cancel",
                                             std::vector<std::string>{"Save"});
  alert->setAlertViewStyle(UIAlertViewStyleSecureTextInput);
  alert->show();
  auto tree = describe();
  const DescriptionNode* root = tree.root();
  ASSERT_EQ(root->kind, "window");
  EXPECT_EQ(root->id, idOf(std::static_pointer_cast<UIView>(window)));
  ASSERT_EQ(root->children.size(), 3u);
  EXPECT_EQ(root->children[0]->kind, "statusBar");
  EXPECT_EQ(root->children[0]->id, 0u);
  EXPECT_TRUE(root->children[0]->boolean("networkActivityIndicatorVisible"));
  EXPECT_TRUE(sameRect(root->children[0]->rect("frame"), CGRectMake(0, 0, 320, 20)));
  EXPECT_EQ(root->children[1]->kind, "navigationController");
  EXPECT_FALSE(root->children[1]->has("presentation"));
  const DescriptionNode& shown = *root->children[2];
  EXPECT_EQ(shown.kind, "alert");
  EXPECT_EQ(shown.string("message"), "As what?");
  EXPECT_EQ(shown.strings("buttons"), (std::vector<std::string>{"Cancel", "Save"}));
  EXPECT_EQ(shown.number("cancelButtonIndex"), 0);
  EXPECT_EQ(shown.number("firstOtherButtonIndex"), 1);
  ASSERT_EQ(shown.list("textFields").size(), 1u);
  EXPECT_TRUE(shown.list("textFields").front()->boolean("secure"));
}

TEST_F(ScreenTest, ALoginAlertDescribesBothItsFieldsAndAPlainAlertNone) {
  auto alert =
      std::make_shared<UIAlertView>("Log in", "", &model, "Cancel", std::vector<std::string>{"OK"});
  alert->setAlertViewStyle(UIAlertViewStyleLoginAndPasswordInput);
  alert->textFieldAtIndex(0)->setText("ann");
  alert->show();
  auto tree = describe();
  const DescriptionNode* shown = tree.first("alert");
  ASSERT_NE(shown, nullptr);
  const auto& fields = shown->list("textFields");
  ASSERT_EQ(fields.size(), 2u);
  EXPECT_EQ(fields[0]->string("text"), "ann");
  EXPECT_FALSE(fields[0]->boolean("secure"));
  EXPECT_TRUE(fields[1]->boolean("secure"));
  EXPECT_NE(fields[0]->id, fields[1]->id);
  alert->setAlertViewStyle(UIAlertViewStyleDefault);
  auto plain = describe();
  EXPECT_TRUE(plain.first("alert")->list("textFields").empty());
}

TEST_F(ScreenTest, NavigationControllerWritesStackBarTopScreenAndToolbar) {
  auto tree = describe();
  const DescriptionNode* nav = tree.first("navigationController");
  ASSERT_NE(nav, nullptr);
  EXPECT_EQ(nav->string("name"), "navigationController");
  const auto& stack = nav->list("stack");
  ASSERT_EQ(stack.size(), 2u);
  EXPECT_EQ(stack[0]->number("id"), idOf(home));
  EXPECT_EQ(stack[1]->string("name"), "fixtureScreen");
  EXPECT_EQ(stack[1]->string("title"), "Fixture");
  ASSERT_EQ(nav->children.size(), 3u);
  const DescriptionNode& bar = *nav->children[0];
  EXPECT_EQ(bar.kind, "navigationBar");
  EXPECT_TRUE(sameRect(bar.rect("frame"), CGRectMake(0, 20, 320, 44)));
  EXPECT_EQ(bar.string("title"), "Fixture");
  EXPECT_TRUE(bar.isNull("left"));
  ASSERT_NE(bar.slot("right"), nullptr);
  EXPECT_EQ(bar.slot("right")->string("systemItem"), "done");
  EXPECT_EQ(bar.slot("right")->id, idOf(screen->done));
  EXPECT_FALSE(bar.slot("right")->has("frame"));
  ASSERT_NE(bar.slot("back"), nullptr);
  EXPECT_EQ(bar.slot("back")->string("title"), "Home");
  const DescriptionNode& top = *nav->children[1];
  EXPECT_EQ(top.kind, "viewController");
  EXPECT_EQ(top.id, idOf(std::static_pointer_cast<UIViewController>(screen)));
  EXPECT_TRUE(sameRect(top.rect("frame"), CGRectMake(0, 64, 320, 416)));
  const DescriptionNode& toolbar = *nav->children[2];
  EXPECT_EQ(toolbar.kind, "toolbar");
  EXPECT_FALSE(toolbar.boolean("hidden", true));
  const auto& items = toolbar.list("items");
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0]->string("systemItem"), "flexibleSpace");
  EXPECT_TRUE(items[1]->isNull("systemItem"));
  ASSERT_EQ(items[1]->children.size(), 1u);
  EXPECT_EQ(items[1]->children[0]->kind, "label");
}

TEST_F(ScreenTest, ViewsWriteTheirOwnPropertiesWithFramesInTheWindow) {
  screen->button->setEnabled(false);
  screen->toggle->setOn(true);
  screen->label->setBackgroundColor(UIColor::whiteColor());
  auto tree = describe();
  const DescriptionNode* label = tree.find(idOf(std::static_pointer_cast<UIView>(screen->label)));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->kind, "label");
  EXPECT_TRUE(sameRect(label->rect("frame"), CGRectMake(10, 74, 100, 20)));
  EXPECT_EQ(label->string("text"), "Distance");
  EXPECT_EQ(label->string("alignment"), "left");
  ASSERT_NE(label->slot("font"), nullptr);
  EXPECT_EQ(label->slot("font")->number("size"), 17);
  EXPECT_TRUE(label->has("backgroundColor"));
  const DescriptionNode* button = tree.first("button");
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->string("buttonType"), "roundedRect");
  EXPECT_EQ(button->string("title"), "Go");
  EXPECT_FALSE(button->boolean("enabled", true));
  EXPECT_EQ(button->number("tag"), 7);
  EXPECT_FALSE(button->has("backgroundColor"));
  EXPECT_TRUE(tree.first("switch")->boolean("on"));
  EXPECT_EQ(tree.first("imageView")->string("image"), "pin.png");
  const DescriptionNode* segments =
      tree.find(idOf(std::static_pointer_cast<UIView>(screen->segments)));
  EXPECT_EQ(segments->strings("segments"), (std::vector<std::string>{"Map", "Satellite"}));
  EXPECT_EQ(segments->number("selectedSegmentIndex"), 0);
  EXPECT_TRUE(tree.first("activityIndicator")->boolean("animating"));
  EXPECT_EQ(tree.first("activityIndicator")->string("style"), "gray");
  EXPECT_TRUE(tree.first("searchBar")->boolean("showsCancelButton"));
  EXPECT_FALSE(tree.first("searchBar")->boolean("displayActive", true));
  EXPECT_EQ(tree.first("webView")->string("html"), "<p>Help</p>");
  EXPECT_EQ(tree.first("banner")->string("contentSize"), "ADBannerContentSizePortrait");
}

TEST_F(ScreenTest, TableWritesSectionsCellsInTheirOwnSpaceAndAccessoryViews) {
  auto tree = describe();
  const DescriptionNode* table = tree.first("tableView");
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->string("style"), "grouped");
  EXPECT_EQ(table->number("rowHeight"), 44);
  EXPECT_TRUE(table->children.empty());
  const auto& sections = table->list("sections");
  ASSERT_EQ(sections.size(), 2u);
  EXPECT_EQ(sections[0]->string("header"), "Travel");
  EXPECT_TRUE(sections[0]->isNull("footer"));
  EXPECT_TRUE(sections[1]->isNull("header"));
  EXPECT_EQ(sections[1]->string("footer"), "More");
  const auto& cells = sections[0]->list("cells");
  ASSERT_EQ(cells.size(), 2u);
  const DescriptionNode& walk = *cells[0];
  EXPECT_EQ(walk.kind, "tableViewCell");
  // A grouped table 320 wide: its rows stand 10 in from each side.
  EXPECT_TRUE(sameRect(walk.rect("frame"), CGRectMake(0, 0, 300, 44)));
  EXPECT_EQ(walk.string("text"), "Walk");
  EXPECT_TRUE(walk.isNull("detail"));
  EXPECT_TRUE(walk.boolean("editable"));
  // The labels are the cell's own properties, not children.
  EXPECT_TRUE(walk.children.empty());
  const DescriptionNode* accessory = walk.slot("accessoryView");
  ASSERT_NE(accessory, nullptr);
  EXPECT_EQ(accessory->kind, "switch");
  EXPECT_EQ(accessory->id, idOf(std::static_pointer_cast<UIView>(model.rowSwitch)));
  // In the cell's own coordinates, not the window's.
  EXPECT_TRUE(sameRect(accessory->rect("frame"), model.rowSwitch->frame()));
  const DescriptionNode& ride = *cells[1];
  EXPECT_TRUE(ride.isNull("accessoryView"));
  ASSERT_EQ(ride.children.size(), 1u);
  EXPECT_EQ(ride.children[0]->kind, "segmentedControl");
  EXPECT_TRUE(sameRect(ride.children[0]->rect("frame"), CGRectMake(150, 6, 100, 32)));
  const DescriptionNode& help = *sections[1]->list("cells")[0];
  EXPECT_EQ(help.string("style"), "value1");
  EXPECT_EQ(help.string("detail"), "read");
  EXPECT_EQ(help.string("accessory"), "disclosureIndicator");
  EXPECT_FALSE(help.boolean("editable", true));
}

TEST_F(ScreenTest, MapWritesRegionAnnotationsAndOverlays) {
  auto tree = describe();
  const DescriptionNode* map = tree.first("mapView");
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->string("mapType"), "standard");
  ASSERT_NE(map->slot("region"), nullptr);
  EXPECT_TRUE(map->isNull("userLocation"));
  const auto& annotations = map->list("annotations");
  ASSERT_EQ(annotations.size(), 1u);
  const DescriptionNode& pin = *annotations[0];
  EXPECT_EQ(pin.id, idOf(std::static_pointer_cast<MKAnnotation>(screen->marker)));
  EXPECT_EQ(pin.string("view"), "pin");
  EXPECT_EQ(pin.string("pinColor"), "green");
  EXPECT_EQ(pin.string("title"), "Marker");
  EXPECT_FALSE(pin.boolean("calloutOpen", true));
  ASSERT_NE(pin.slot("accessory"), nullptr);
  EXPECT_EQ(pin.slot("accessory")->string("buttonType"), "detailDisclosure");
  EXPECT_FALSE(pin.has("frame"));
  const auto& overlays = map->list("overlays");
  ASSERT_EQ(overlays.size(), 2u);
  EXPECT_EQ(overlays[0]->kind, "polylineView");
  EXPECT_EQ(overlays[0]->id, idOf(std::static_pointer_cast<MKOverlay>(screen->line)));
  EXPECT_TRUE(overlays[0]->isNull("lineWidth"));
  EXPECT_EQ(overlays[1]->kind, "overlayView");
}

TEST_F(ScreenTest, IdsStayWhileObjectsLiveAndAreNeverGivenAgain) {
  auto first = describe().ids();
  auto again = describe().ids();
  EXPECT_EQ(first, again);
  EXPECT_EQ(std::set<std::uint64_t>(first.begin(), first.end()).size(), first.size());
  std::uint64_t buttonId = idOf(std::static_pointer_cast<UIView>(screen->button));
  screen->button->removeFromSuperview();
  screen->button.reset();
  auto replacement = UIButton::buttonWithType(UIButtonTypeCustom);
  screen->view()->addSubview(replacement);
  auto tree = describe();
  EXPECT_EQ(tree.find(buttonId), nullptr);
  std::uint64_t newId = idOf(std::static_pointer_cast<UIView>(replacement));
  EXPECT_NE(tree.find(newId), nullptr);
  EXPECT_EQ(std::find(first.begin(), first.end(), newId), first.end());
  // The label kept its id.
  EXPECT_NE(tree.find(idOf(std::static_pointer_cast<UIView>(screen->label))), nullptr);
}

TEST_F(ScreenTest, FormSheetOnATabletIsCentredOverTheScreenBelow) {
  UIApplication::sharedApplication().reset();
  UIDevice::currentDevice().reset(UIUserInterfaceIdiomPad);
  SetUp();  // the fixture again, on the tablet
  UIDevice::currentDevice().reset(UIUserInterfaceIdiomPad);
  auto sheet = std::make_shared<UINavigationController>(std::make_shared<UIViewController>());
  sheet->setModalPresentationStyle(UIModalPresentationFormSheet);
  screen->presentViewController(sheet, false);
  auto tree = describe();
  const auto& children = tree.root()->children;
  ASSERT_EQ(children.size(), 3u);
  EXPECT_EQ(children[1]->kind, "navigationController");
  const DescriptionNode& presented = *children[2];
  EXPECT_EQ(presented.id, idOf(std::static_pointer_cast<UIViewController>(sheet)));
  EXPECT_EQ(presented.string("presentation"), "formSheet");
  EXPECT_TRUE(sameRect(presented.rect("frame"), CGRectMake(114, 202, 540, 620)));
  // Its bar lies at the sheet's top: a sheet has no status bar strip.
  EXPECT_TRUE(sameRect(presented.children[0]->rect("frame"), CGRectMake(114, 202, 540, 44)));
}

TEST_F(ScreenTest, ActionSheetFromABarItemNamesItsAnchor) {
  auto sheet = std::make_shared<UIActionSheet>("Clear?", &model, "Cancel", "Clear",
                                               std::vector<std::string>{"Keep"});
  sheet->showFromBarButtonItem(screen->done, true);
  auto tree = describe();
  const DescriptionNode* node = tree.first("actionSheet");
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->number("anchor"), idOf(screen->done));
  EXPECT_EQ(node->number("destructiveButtonIndex"), 0);
  EXPECT_EQ(node->number("cancelButtonIndex"), 2);
  sheet->pressButtonAtIndex(1);
  sheet->showInView(screen->view().get());
  EXPECT_TRUE(describe().first("actionSheet")->isNull("anchor"));
}
