// Saving the path, browsing the saved files, loading one back and deleting, as a person would
// do it on the map screen.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/LaunchedApp.h"
#include "files/LoadFileViewController.h"
#include "mapscreen/ToolbarRules.h"
#include "platform/ui/UIActionSheet.h"
#include "platform/ui/UIAlertView.h"

namespace tessaly::testing {
namespace {

using namespace tessaly::platform;

class RouteFilesScreenTest : public LaunchedApp {
 protected:
  std::shared_ptr<UIPanelView> topPanel() {
    const auto& panels = UIApplication::sharedApplication().panelsOnScreen();
    return panels.empty() ? nullptr : panels.back();
  }
  UIActionSheet& openSheet() {
    EXPECT_TRUE(tap(kToolbarFiles));
    auto* sheet = dynamic_cast<UIActionSheet*>(topPanel().get());
    if (sheet == nullptr) throw std::logic_error("no Load/Save sheet");
    return *sheet;
  }
  // Chooses a save entry and types name into the prompt.
  void save(int index, const std::string& name) {
    openSheet().pressButtonAtIndex(index);
    auto* prompt = dynamic_cast<UIAlertView*>(topPanel().get());
    ASSERT_NE(prompt, nullptr);
    prompt->pressButtonAtIndex(1, name);
  }
  // The text of the alert on screen, which is then closed.
  std::string takeAlert() {
    auto* alert = dynamic_cast<UIAlertView*>(topPanel().get());
    if (alert == nullptr) return "<no alert>";
    std::string text = alert->title() + ": " + alert->message();
    alert->pressButtonAtIndex(0);
    return text;
  }
  std::shared_ptr<LoadFileViewController> openBrowser() {
    openSheet().pressButtonAtIndex(0);
    RunLoop::main().runUntilIdle();
    auto top =
        isPad() ? std::dynamic_pointer_cast<UINavigationController>(nav().presentedViewController())
                : nullptr;
    auto shown = top ? top->viewControllers().back() : nav().viewControllers().back();
    return std::dynamic_pointer_cast<LoadFileViewController>(shown);
  }
  bool isPad() { return UIDevice::currentDevice().userInterfaceIdiom() == UIUserInterfaceIdiomPad; }
};

TEST_F(RouteFilesScreenTest, TheLoadSaveSheetAndTheNamePrompt) {
  for (auto idiom : {UIUserInterfaceIdiomPhone, UIUserInterfaceIdiomPad}) {
    launch(idiom);
    pressMap(100, 100);
    UIActionSheet& sheet = openSheet();
    EXPECT_EQ(sheet.title(), "Load/Save file");
    EXPECT_EQ(sheet.tag(), 2);
    EXPECT_EQ(sheet.actionSheetStyle(), UIActionSheetStyleBlackTranslucent);
    EXPECT_EQ(sheet.buttonTitles(),
              (std::vector<std::string>{"Load file", "Save generic XML format",
                                        "Save in KML format", "Cancel"}));
    EXPECT_EQ(sheet.cancelButtonIndex(), 3);
    if (idiom == UIUserInterfaceIdiomPad) {
      EXPECT_EQ(sheet.anchorItem(), item(kToolbarFiles));
    } else {
      EXPECT_EQ(sheet.shownInView(), screen().view().get());
    }
    sheet.pressButtonAtIndex(2);
    auto* prompt = dynamic_cast<UIAlertView*>(topPanel().get());
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(prompt->title(), "Save KML");
    EXPECT_EQ(prompt->message(), idiom == UIUserInterfaceIdiomPad ? "\n\n" : "\n");
    EXPECT_EQ(prompt->tag(), 2);
    EXPECT_EQ(prompt->buttonTitles(), (std::vector<std::string>{"Cancel", "Save"}));
    EXPECT_EQ(prompt->alertViewStyle(), UIAlertViewStylePlainTextInput);
    EXPECT_EQ(prompt->textFieldAtIndex(0)->placeholder(), "<filename>");
    EXPECT_EQ(screen().filemode(), 2);
    prompt->pressButtonAtIndex(0, "ignored");
    EXPECT_TRUE(std::filesystem::is_empty(_documents.path()) ||
                !std::filesystem::exists(_documents.file("ignored.kml")));
    Application::shutdown();
  }
}

TEST_F(RouteFilesScreenTest, SavingTellsTheUserWhatHappened) {
  launch();
  openSheet().pressButtonAtIndex(1);
  EXPECT_EQ(takeAlert(), "Info: There are no markers to be saved.");
  EXPECT_EQ(screen().filemode(), 0);
  openSheet().pressButtonAtIndex(3);
  EXPECT_EQ(topPanel(), nullptr);

  pressMap(100, 100);
  pressMap(200, 150);
  save(1, "walk");
  EXPECT_EQ(takeAlert(),
            "Info: File saved.\n\nYou can transfer the file to your computer using iTunes file "
            "sharing.");
  EXPECT_TRUE(std::filesystem::exists(_documents.file("walk.xml")));
  save(2, "");
  EXPECT_EQ(takeAlert(), "Error: Missing filename!");
  save(2, "../walk");
  EXPECT_EQ(takeAlert(), "Error: Creating file!");
  EXPECT_FALSE(std::filesystem::exists(_documents.file("../walk.kml")));
  // The path is read, never changed, by saving.
  EXPECT_EQ(screen().pathArray().size(), 2u);
}

TEST_F(RouteFilesScreenTest, SaveBrowseLoadBackAndDeleteOnPhoneAndTablet) {
  for (auto idiom : {UIUserInterfaceIdiomPhone, UIUserInterfaceIdiomPad}) {
    launch(idiom);
    for (float x : {60.f, 160.f, 260.f}) pressMap(x, 120);
    auto before = screen().pathArray();
    save(1, "trip");
    takeAlert();
    save(2, "trip");
    takeAlert();
    screen().clearAction();

    auto browser = openBrowser();
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(browser->title(), "Choose file");
    ASSERT_EQ(browser->rows().size(), 2u);
    EXPECT_EQ(browser->tableViewTitleForFooterInSection(browser->tableView().get(), 0),
              "KML files (in gray) are handled by an external app if available");
    EXPECT_EQ(browser->navigationItem().leftBarButtonItem() != nullptr,
              idiom == UIUserInterfaceIdiomPad);
    int xml = browser->rows()[0].title->getName() == "trip.xml" ? 0 : 1;
    const auto& row = browser->rows()[static_cast<std::size_t>(xml)];
    EXPECT_EQ(row.cell->tag(), 1);
    EXPECT_EQ(row.image->name(), "xml.png");
    EXPECT_EQ(row.cell->image(), row.image) << "the row shows its file's picture";
    EXPECT_EQ(browser->rows()[static_cast<std::size_t>(1 - xml)].cell->image()->name(), "kml.png");
    EXPECT_EQ(row.cell->subviewOffset(), 50);
    EXPECT_EQ(row.cell->reuseIdentifier(), "cellID");
    EXPECT_NE(row.title->details().find(" bytes)"), std::string::npos) << row.title->details();

    // The KML row: no application takes it here.
    browser->tableViewDidSelectRowAtIndexPath(browser->tableView().get(), {0, 1 - xml});
    EXPECT_EQ(takeAlert(), "Info: There is no KML handler installed.");

    browser->tableViewDidSelectRowAtIndexPath(browser->tableView().get(), {0, xml});
    RunLoop::main().runUntilIdle();
    ASSERT_EQ(screen().pathArray().size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
      EXPECT_EQ(screen().pathArray()[i]->coordinate().latitude,
                std::stod(std::to_string(before[i]->coordinate().latitude)));
    }
    EXPECT_EQ(markers().size(), 3u);
    EXPECT_EQ(nav().presentedViewController(), nullptr);
    EXPECT_EQ(nav().viewControllers().size(), 1u);

    browser = openBrowser();
    ASSERT_NE(browser, nullptr);
    browser->editButtonItem()->tap();
    EXPECT_TRUE(browser->isEditing());
    EXPECT_EQ(browser->editButtonItem()->title(), "Done");
    browser->tableViewDidSelectRowAtIndexPath(browser->tableView().get(), {0, 0});
    EXPECT_EQ(topPanel(), nullptr);  // selecting while editing does nothing
    for (int left = 2; left > 0; --left) {
      browser->tableViewCommitEditingStyleForRowAtIndexPath(
          browser->tableView().get(), UITableViewCellEditingStyleDelete, {0, 0});
    }
    EXPECT_TRUE(browser->rows().empty());
    EXPECT_FALSE(browser->isEditing());
    EXPECT_FALSE(browser->editButtonItem()->isEnabled());
    EXPECT_EQ(browser->tableViewTitleForFooterInSection(browser->tableView().get(), 0),
              "No files found.");
    EXPECT_FALSE(std::filesystem::exists(_documents.file("trip.xml")));
    EXPECT_FALSE(std::filesystem::exists(_documents.file("trip.kml")));
    Application::shutdown();
  }
}

TEST_F(RouteFilesScreenTest, BadFilesShowTheReasonAndKeepThePath) {
  launch();
  pressMap(100, 100);
  std::ofstream(_documents.file("broken.xml")) << "<route><coordinates type=\"marker\">1,2";
  std::ofstream(_documents.file("empty.XML")) << "<route/>";
  std::ofstream(_documents.file("laughs.xml"))
      << "<!DOCTYPE r [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;&a;\">]><route>&b;</route>";
  auto browser = openBrowser();
  ASSERT_NE(browser, nullptr);
  std::vector<std::string> alerts;
  for (int i = 0; i < 3; ++i) {
    browser->tableViewDidSelectRowAtIndexPath(browser->tableView().get(), {0, i});
    alerts.push_back(takeAlert());
  }
  std::sort(alerts.begin(), alerts.end());
  EXPECT_EQ(alerts[0], "Error: No data in file.");
  EXPECT_NE(alerts[1].find("declares an entity"), std::string::npos) << alerts[1];
  EXPECT_NE(alerts[2].find("not well-formed"), std::string::npos) << alerts[2];
  EXPECT_EQ(screen().pathArray().size(), 1u);
  EXPECT_EQ(nav().viewControllers().back(), browser);
}

TEST_F(RouteFilesScreenTest, ALongRouteFileIsThinnedAsARouteIs) {
  launch();
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<route>\n";
  for (int i = 0; i < 20000; ++i) {
    text += "  <coordinates type=\"" + std::string(i % 3 ? "point" : "marker") + "\">" +
            std::to_string(43.7 + i * 1e-6) + ",7.4</coordinates>\n";
  }
  std::ofstream(_documents.file("long.xml")) << text + "</route>\n";
  auto browser = openBrowser();
  ASSERT_NE(browser, nullptr);
  browser->tableViewDidSelectRowAtIndexPath(browser->tableView().get(), {0, 0});
  RunLoop::main().runUntilIdle();
  EXPECT_EQ(screen().pathArray().size(), 5750u);
  // The first 501 and the last 499 entries stay.
  EXPECT_DOUBLE_EQ(screen().pathArray()[500]->coordinate().latitude, 43.7 + 500 * 1e-6);
  EXPECT_DOUBLE_EQ(screen().pathArray().back()->coordinate().latitude, 43.7 + 19999 * 1e-6);
}

}  // namespace
}  // namespace tessaly::testing
