// The settings screen as a person meets it: opened from the map screen's settings button on a
// phone and on a tablet, its rows starting from the stored values, Save and leaving without it.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/LaunchedApp.h"
#include "measure/Units.h"
#include "platform/foundation/PropertyList.h"
#include "platform/ui/UINavigationBar.h"
#include "platform/ui/UISegmentedControl.h"
#include "platform/ui/UISwitch.h"
#include "settings/SettingsViewController.h"

namespace tessaly::testing {
namespace {

using namespace tessaly::platform;

constexpr UIUserInterfaceIdiom kIdioms[] = {UIUserInterfaceIdiomPhone, UIUserInterfaceIdiomPad};

class SettingsScreenTest : public LaunchedApp {
 protected:
  bool isPad() { return UIDevice::currentDevice().isPad(); }
  // Taps the map screen's settings button and returns the screen it opened.
  std::shared_ptr<SettingsViewController> openSettings() {
    EXPECT_TRUE(screen().navigationItem().leftBarButtonItem()->tap());
    RunLoop::main().runUntilIdle();
    return std::dynamic_pointer_cast<SettingsViewController>(shownScreen());
  }
  UISwitch& positionSwitch(SettingsViewController& s) {
    return dynamic_cast<UISwitch&>(*s.cells()[0]->view());
  }
  UISegmentedControl& segments(SettingsViewController& s, std::size_t row) {
    return dynamic_cast<UISegmentedControl&>(*s.cells()[row]->view());
  }
  // The settings screen is gone: nothing presented, only the map screen on the stack.
  bool closed() {
    return nav().presentedViewController() == nullptr && nav().viewControllers().size() == 1;
  }
  // Counts the notifications posted while alive.
  struct NotificationCounter {
    NotificationCounter() {
      NotificationCenter::defaultCenter().addObserver(this, kAppSettingsNotification,
                                                      [this](const Notification&) { ++count; });
    }
    ~NotificationCounter() { NotificationCenter::defaultCenter().removeObserver(this); }
    int count = 0;
  };
  std::optional<PlistValue> storedFile() {
    auto content = readFile(_documents.file("settings.plist"));
    return content ? PlistValue::fromXML(*content) : std::nullopt;
  }
};

TEST_F(SettingsScreenTest, TheThreeRowsWithTheirTitlesControlsAndTags) {
  writeSettings(1, 4, 1);
  launch();
  auto settings = openSettings();
  ASSERT_TRUE(settings);
  EXPECT_EQ(settings->title(), "Settings");
  ASSERT_EQ(settings->cells().size(), 3u);
  const char* titles[] = {"Current position", "Map type", "Unit"};
  const int tags[] = {11, 5, 16};
  for (std::size_t i = 0; i < 3; ++i) {
    const auto& cell = *settings->cells()[i];
    EXPECT_EQ(cell.textLabel()->text(), titles[i]);
    EXPECT_EQ(cell.tag(), tags[i]);
    EXPECT_EQ(cell.view()->tag(), tags[i]);
    EXPECT_EQ(cell.reuseIdentifier(), kCellWithControl_ID);
    EXPECT_EQ(cell.textLabel()->font(), UIFont::systemFontOfSize(UIFont::labelFontSize()));
  }
  EXPECT_EQ(settings->cells()[0]->subviewOffset(), 190);
  EXPECT_EQ(settings->cells()[0]->shrinkY(), 6);
  EXPECT_EQ(settings->cells()[1]->subviewOffset(), 130);
  EXPECT_EQ(settings->cells()[2]->shrinkY(), 4);
  EXPECT_TRUE(positionSwitch(*settings).isOn());
  EXPECT_EQ(segments(*settings, 1).segmentTitles(),
            (std::vector<std::string>{"Map", "Satelite", "Hybrid"}));
  EXPECT_EQ(segments(*settings, 2).segmentTitles(),
            (std::vector<std::string>{"km", "mi", "m", "yd", "nm"}));
  EXPECT_EQ(segments(*settings, 1).selectedSegmentIndex(), 1);
  EXPECT_EQ(segments(*settings, 2).selectedSegmentIndex(), 4);
  EXPECT_EQ(segments(*settings, 2).segmentedControlStyle(), UISegmentedControlStyleBar);
  EXPECT_EQ(segments(*settings, 2).tintColor(),
            UIColor::colorWithRedGreenBlueAlpha(74 / 255.0f, 172 / 255.0f, 244 / 255.0f, 1));

  // The table shows exactly the prepared rows, 37 points high, in one section.
  auto& table = *settings->tableView();
  EXPECT_EQ(table.style(), UITableViewStyleGrouped);
  EXPECT_EQ(table.numberOfSections(), 1);
  EXPECT_EQ(table.numberOfRowsInSection(0), 3);
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(table.cellForRowAtIndexPath({0, row}), settings->cells()[std::size_t(row)]);
    EXPECT_EQ(table.heightForRowAtIndexPath({0, row}), 37);
  }
  EXPECT_EQ(table.titleForHeaderInSection(0), "");
  EXPECT_EQ(settings->tableViewNumberOfRowsInSection(&table, 1), 0);
}

TEST_F(SettingsScreenTest, StoredCodesOutsideTheControlsSelectNothing) {
  struct Case {
    int maptype, unit, currentLocation;
    int shownMap, shownUnit;
    bool shownOn;
  };
  // The switch reads the low 8 bits of the stored value, as the platform's flag type holds it.
  for (const Case& c : {Case{5, -1, 5, -1, -1, true}, Case{-3, 7, 256, -1, -1, false},
                        Case{2, 3, 0, 2, 3, false}, Case{0, 0, -1, 0, 0, true}}) {
    writeSettings(c.maptype, c.unit, c.currentLocation);
    launch();
    auto settings = openSettings();
    ASSERT_TRUE(settings);
    EXPECT_EQ(segments(*settings, 1).selectedSegmentIndex(), c.shownMap) << c.maptype;
    EXPECT_EQ(segments(*settings, 2).selectedSegmentIndex(), c.shownUnit) << c.unit;
    EXPECT_EQ(positionSwitch(*settings).isOn(), c.shownOn) << c.currentLocation;
  }
}

TEST_F(SettingsScreenTest, SaveStoresExactlyTheShownValuesClosesAndNotifies) {
  for (auto idiom : kIdioms) {
    writeSettings(0, 0, 5);
    launch(idiom);
    pressMap(100, 100);
    pressMap(200, 150);
    auto settings = openSettings();
    ASSERT_TRUE(settings);
    ASSERT_TRUE(segments(*settings, 2).pickSegment(4));
    ASSERT_TRUE(segments(*settings, 1).pickSegment(1));
    NotificationCounter heard;
    std::weak_ptr<SettingsViewController> gone = settings;
    EXPECT_TRUE(settings->navigationItem().rightBarButtonItem()->tap());
    settings.reset();
    RunLoop::main().runUntilIdle();
    EXPECT_EQ(heard.count, 1);
    EXPECT_TRUE(closed());
    EXPECT_TRUE(gone.expired()) << "a closed screen is let go";
    EXPECT_EQ(AppData::sharedInstance().maptype(), 1);
    EXPECT_EQ(AppData::sharedInstance().unit(), kUnitNm);
    EXPECT_EQ(AppData::sharedInstance().currentlocation(), 1);  // 5 shown as on, stored as 1
    auto file = storedFile();
    ASSERT_TRUE(file);
    EXPECT_EQ(file->find("MapType")->integer(), 1);
    EXPECT_EQ(file->find("Unit")->integer(), 4);
    EXPECT_EQ(file->find("CurrentLocation")->integer(), 1);
    // The map screen followed: imagery, nautical miles, the user's position shown.
    EXPECT_EQ(map().mapType(), MKMapTypeSatellite);
    EXPECT_TRUE(map().showsUserLocation());
    std::string number = formatLength(screen().pathArray().back()->distance(), 0, 0);
    EXPECT_EQ(screen().statusLabel()->text(),
              idiom == UIUserInterfaceIdiomPad ? number + " nm" : number);
    if (idiom == UIUserInterfaceIdiomPhone) {
      EXPECT_FALSE(nav().isToolbarHidden());
    }
  }
}

TEST_F(SettingsScreenTest, SaveWithUnchangedControlsStillWritesAndNotifies) {
  launch();
  ASSERT_FALSE(std::filesystem::exists(_documents.file("settings.plist")));
  auto settings = openSettings();
  ASSERT_TRUE(settings);
  NotificationCounter heard;
  settings->saveButton();
  EXPECT_EQ(heard.count, 1);
  auto file = storedFile();
  ASSERT_TRUE(file);
  EXPECT_EQ(file->find("MapType")->integer(), 0);
  EXPECT_EQ(file->find("Unit")->integer(), 0);
  EXPECT_EQ(file->find("CurrentLocation")->integer(), 0);
}

TEST_F(SettingsScreenTest, LeavingWithoutSaveChangesNothing) {
  for (auto idiom : kIdioms) {
    writeSettings(2, 1, 0);
    launch(idiom);
    pressMap(100, 100);
    pressMap(200, 150);
    std::string status = screen().statusLabel()->text();
    auto before = readFile(_documents.file("settings.plist"));
    auto settings = openSettings();
    ASSERT_TRUE(settings);
    ASSERT_TRUE(segments(*settings, 1).pickSegment(0));
    ASSERT_TRUE(segments(*settings, 2).pickSegment(4));
    ASSERT_TRUE(positionSwitch(*settings).flip(true));
    NotificationCounter heard;
    if (idiom == UIUserInterfaceIdiomPad) {
      auto back = settings->navigationItem().leftBarButtonItem();
      ASSERT_TRUE(back);
      EXPECT_EQ(back->title(), "Back");
      EXPECT_EQ(back->style(), UIBarButtonItemStyleDone);
      EXPECT_TRUE(back->tap());
    } else {
      EXPECT_EQ(settings->navigationItem().leftBarButtonItem(), nullptr);
      EXPECT_TRUE(nav().navigationBar()->tapBackButton());
    }
    RunLoop::main().runUntilIdle();
    EXPECT_TRUE(closed());
    EXPECT_EQ(heard.count, 0);
    EXPECT_EQ(AppData::sharedInstance().maptype(), 2);
    EXPECT_EQ(AppData::sharedInstance().unit(), 1);
    EXPECT_EQ(AppData::sharedInstance().currentlocation(), 0);
    EXPECT_EQ(readFile(_documents.file("settings.plist")), before);
    EXPECT_EQ(map().mapType(), MKMapTypeHybrid);
    EXPECT_FALSE(map().showsUserLocation());
    EXPECT_EQ(screen().statusLabel()->text(), status);
  }
}

TEST_F(SettingsScreenTest, PhonePushesUnderTheBarTabletShowsAFormSheet) {
  for (auto idiom : kIdioms) {
    launch(idiom);
    auto settings = openSettings();
    ASSERT_TRUE(settings);
    auto save = settings->navigationItem().rightBarButtonItem();
    ASSERT_TRUE(save);
    EXPECT_EQ(save->systemItem(), UIBarButtonSystemItemSave);
    // The table follows its view's size; only its top stays put.
    CGRect frame = settings->view()->bounds();
    CGRect table = settings->tableView()->frame();
    if (idiom == UIUserInterfaceIdiomPad) {
      auto sheet =
          std::dynamic_pointer_cast<UINavigationController>(nav().presentedViewController());
      ASSERT_TRUE(sheet);
      EXPECT_EQ(sheet->modalPresentationStyle(), UIModalPresentationFormSheet);
      EXPECT_EQ(sheet->modalTransitionStyle(), UIModalTransitionStyleCoverVertical);
      EXPECT_EQ(settings->modalPresentationStyle(), UIModalPresentationFormSheet);
      EXPECT_EQ(table, CGRectMake(0, 0, frame.size.width, frame.size.height));
      EXPECT_TRUE(settings->shouldAutorotate());
      EXPECT_EQ(settings->supportedInterfaceOrientations(), UIInterfaceOrientationMaskAll);
      EXPECT_TRUE(
          settings->shouldAutorotateToInterfaceOrientation(UIInterfaceOrientationLandscapeLeft));
    } else {
      EXPECT_EQ(nav().viewControllers().size(), 2u);
      EXPECT_TRUE(nav().isToolbarHidden());
      EXPECT_EQ(table, CGRectMake(0, 44, frame.size.width, frame.size.height - 44));
      EXPECT_FALSE(settings->shouldAutorotate());
      EXPECT_EQ(settings->supportedInterfaceOrientations(), UIInterfaceOrientationMaskPortrait);
      EXPECT_FALSE(
          settings->shouldAutorotateToInterfaceOrientation(UIInterfaceOrientationPortrait));
    }
  }
}

TEST_F(SettingsScreenTest, RowsAreFoundByTagAndAMissingTagIsLogged) {
  launch();
  auto settings = openSettings();
  ASSERT_TRUE(settings);
  const SettingsViewController::Cells* rows = nullptr;
  EXPECT_EQ(settings->findCellIndexByTag(16, &rows), 2);
  EXPECT_EQ(rows, &settings->cells());
  EXPECT_EQ(settings->findCellIndexByTag(11), 0);
  LogCapture log;
  EXPECT_EQ(settings->findCellIndexByTag(42), -1);
  EXPECT_EQ(log.lines(), (std::vector<std::string>{"findCellIndexByTag 42 NOT FOUND"}));
  EXPECT_FALSE(settings->getCellSwitchByTag(42));
  EXPECT_EQ(settings->getSegSwitchByTag(42), -1);
  // A tag whose row holds another kind of control answers as a missing one.
  EXPECT_EQ(settings->getSegSwitchByTag(11), -1);
  EXPECT_FALSE(settings->getCellSwitchByTag(5));
}

}  // namespace
}  // namespace tessaly::testing
