#pragma once
// The settings screen: one grouped table of three rows (own position, map type, unit) whose
// controls start from the settings store. Nothing changes until Save, which stores the shown
// values, saves the file, closes the screen and posts "AppSettingsNotification"; leaving by the
// back button (a phone) or "Back" (a tablet) discards the choices.
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/UITableView.h"
#include "platform/ui/UIViewController.h"
#include "settings/CellWithControl.h"

namespace tessaly {

class SettingsViewController : public platform::UIViewController,
                               public platform::UITableViewDataSource,
                               public platform::UITableViewDelegate {
 public:
  // The rows' tags (each row's control carries the same one).
  static constexpr int kCurrentLocationTag = 11;
  static constexpr int kMapTypeTag = 5;
  static constexpr int kUnitTag = 16;
  static constexpr float kRowHeight = 37;
  static constexpr float kSwitchOffset = 190;
  static constexpr float kSwitchShrinkY = 6;
  static constexpr float kSegmentOffset = 130;
  static constexpr float kSegmentShrinkY = 4;
  // A phone's table leaves room for the navigation bar above it.
  static constexpr float kPhoneTableInset = 44;

  using Cells = std::vector<std::shared_ptr<CellWithControl>>;

  SettingsViewController();
  std::string kind() const override { return "settingsScreen"; }

  const std::shared_ptr<platform::UITableView>& tableView() const { return _tableView; }
  // The prepared rows in display order (empty until the view is made).
  const Cells& cells() const { return _cfCells0; }

  void loadView() override;
  void viewWillAppear(bool animated) override;
  bool shouldAutorotate() override;
  unsigned supportedInterfaceOrientations() override;
  bool shouldAutorotateToInterfaceOrientation(int orientation) override;

  std::shared_ptr<CellWithControl> createSwitchCell(const std::string& title, bool on, int tag);
  std::shared_ptr<CellWithControl> createSegmentCell(const std::string& title,
                                                     const std::vector<std::string>& items,
                                                     int selectedIndex, int tag);
  // A change of a control is taken over only by Save.
  void switchAction() {}
  void segmentAction() {}
  // Stores, saves, closes, then announces the settings.
  void saveButton();
  // The tablet's "Back": closes without saving.
  void backButton();

  // The index of the first prepared row with this tag, and the rows through cells when given;
  // -1 and a log line when there is none.
  int findCellIndexByTag(int tag, const Cells** cells = nullptr) const;
  // The switch's state in the row with this tag; false when there is no such row or switch.
  bool getCellSwitchByTag(int tag) const;
  // The selected segment in the row with this tag; -1 when there is none.
  int getSegSwitchByTag(int tag) const;

  // --- Table data source and delegate ---
  int numberOfSectionsInTableView(platform::UITableView*) override { return 1; }
  int tableViewNumberOfRowsInSection(platform::UITableView* tableView, int section) override;
  std::shared_ptr<platform::UITableViewCell> tableViewCellForRowAtIndexPath(
      platform::UITableView* tableView, const platform::NSIndexPath& indexPath) override;
  float tableViewHeightForRowAtIndexPath(platform::UITableView*,
                                         const platform::NSIndexPath&) override {
    return kRowHeight;
  }
  void tableViewDidSelectRowAtIndexPath(platform::UITableView*,
                                        const platform::NSIndexPath&) override {}

 private:
  std::shared_ptr<platform::UIView> controlByTag(int tag) const;

  std::shared_ptr<platform::UITableView> _tableView;
  Cells _cfCells0;
};

}  // namespace tessaly
