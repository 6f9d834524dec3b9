#include <gtest/gtest.h>

#include "platform/ui/UIApplication.h"
#include "platform/ui/UISearchBar.h"
#include "platform/ui/UIViewController.h"

using namespace tessaly::platform;

namespace {

struct Screen : UIViewController,
                UISearchBarDelegate,
                UISearchDisplayDelegate,
                UITableViewDataSource,
                UITableViewDelegate {
  std::vector<std::string> calls;
  bool reload = false;
  int rows = 2;
  bool searchBarShouldEndEditing(UISearchBar*) override {
    calls.push_back("shouldEnd");
    return true;
  }
  void searchBarSearchButtonClicked(UISearchBar* bar) override {
    calls.push_back("search " + bar->text());
  }
  void searchBarCancelButtonClicked(UISearchBar*) override { calls.push_back("cancel"); }
  bool searchDisplayControllerShouldReloadTableForSearchString(UISearchDisplayController*,
                                                               const std::string& s) override {
    calls.push_back("reload? " + s);
    return reload;
  }
  int tableViewNumberOfRowsInSection(UITableView*, int) override { return rows; }
  void tableViewDidSelectRowAtIndexPath(UITableView*, const NSIndexPath& path) override {
    calls.push_back("picked " + std::to_string(path.row));
  }
};

class SearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UIApplication::sharedApplication().reset();
    screen = std::make_shared<Screen>();
    bar = std::make_shared<UISearchBar>(CGRectMake(0, 0, 320, 44));
    screen->view()->addSubview(bar);
    bar->setDelegate(screen.get());
    display = std::make_unique<UISearchDisplayController>(bar, screen.get());
    display->setDelegate(screen.get());
    display->setSearchResultsDataSource(screen.get());
    display->setSearchResultsDelegate(screen.get());
  }
  std::shared_ptr<Screen> screen;
  std::shared_ptr<UISearchBar> bar;
  std::unique_ptr<UISearchDisplayController> display;
};

}  // namespace

TEST_F(SearchTest, ActiveDisplayShowsTheTableBelowTheBarAndFocusesIt) {
  EXPECT_EQ(screen->searchDisplayController(), display.get());
  const auto& table = display->searchResultsTableView();
  EXPECT_TRUE(table->isHidden());
  display->setActive(true, true);
  EXPECT_TRUE(display->isActive());
  EXPECT_FALSE(table->isHidden());
  EXPECT_EQ(table->superview(), screen->view().get());
  EXPECT_EQ(table->frame(), CGRectMake(0, 44, 320, 416));
  EXPECT_TRUE(bar->isFirstResponder());

  display->setActive(false, true);
  EXPECT_TRUE(table->isHidden());
  EXPECT_FALSE(bar->isFirstResponder());
  EXPECT_EQ(screen->calls, std::vector<std::string>{"shouldEnd"});
}

TEST_F(SearchTest, TypingAsksWhetherToReloadAndSearchAndCancelReachTheDelegate) {
  display->setActive(true, false);
  bar->typeText("Main St");
  EXPECT_EQ(display->searchResultsTableView()->reloadCount(), 0);
  screen->reload = true;
  bar->typeText("Main St & 5th");
  EXPECT_EQ(display->searchResultsTableView()->reloadCount(), 1);
  bar->tapSearchButton();
  bar->tapCancelButton();
  EXPECT_EQ(screen->calls, (std::vector<std::string>{"reload? Main St", "reload? Main St & 5th",
                                                     "search Main St & 5th", "cancel"}));
}

TEST_F(SearchTest, PickingARowNeedsTheRowToBeThere) {
  auto& table = display->searchResultsTableView();
  EXPECT_THROW(table->selectRowAtIndexPath({0, 0}), std::out_of_range);  // not loaded yet
  table->reloadData();
  table->selectRowAtIndexPath({0, 1});
  EXPECT_THROW(table->selectRowAtIndexPath({0, 2}), std::out_of_range);
  EXPECT_EQ(screen->calls, std::vector<std::string>{"picked 1"});
}
