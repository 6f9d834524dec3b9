#pragma once
// The file browser: the XML and KML route files of the documents directory, one row each with
// its date and size. Selecting an XML file loads it as the path (through the map screen's
// route-result handler); selecting a KML file offers it to another application. Rows are
// deleted by swipe or in editing mode.
#include <memory>
#include <string>
#include <vector>

#include "files/RouteFileReader.h"
#include "platform/ui/UIBarButtonItem.h"
#include "platform/ui/UIDocumentInteractionController.h"
#include "platform/ui/UITableView.h"
#include "platform/ui/UIViewController.h"
#include "settings/CellWithControl.h"
#include "settings/TView.h"

namespace tessaly {

// What the browser tells the screen that opened it (the map screen).
class LoadFileViewControllerDelegate {
 public:
  virtual ~LoadFileViewControllerDelegate() = default;
  // The route-result handler: replaces the path with the loaded entries.
  virtual void didLoadRouteFile(const RouteFileReader::Entries& entries) = 0;
  virtual void showError(const std::string& message) = 0;
  virtual void showInfo(const std::string& message) = 0;
};

class LoadFileViewController : public platform::UIViewController,
                               public platform::UITableViewDataSource,
                               public platform::UITableViewDelegate {
 public:
  static constexpr const char* kCellID = "cellID";
  static constexpr const char* kNoKMLHandler = "There is no KML handler installed.";
  static constexpr float kRowHeight = 40;
  static constexpr float kSubviewOffset = 50;
  static constexpr int kXMLRowTag = 1;
  static constexpr int kKMLRowTag = 0;

  // One prepared row: the cell with its title view and image.
  struct FileRow {
    std::shared_ptr<CellWithControl> cell;
    std::shared_ptr<TView> title;
    std::shared_ptr<platform::UIImage> image;
  };

  LoadFileViewController();
  std::string kind() const override { return "loadFileScreen"; }

  LoadFileViewControllerDelegate* delegate() const { return _delegate; }
  void setDelegate(LoadFileViewControllerDelegate* delegate) { _delegate = delegate; }
  const std::shared_ptr<platform::UITableView>& tableView() const { return _tableView; }
  const std::vector<FileRow>& rows() const { return _cfCells0; }
  const std::shared_ptr<platform::UIBarButtonItem>& editButtonItem() const { return _editButton; }
  bool isEditing() const { return _editing; }

  void loadView() override;
  void viewDidLoad() override;
  bool shouldAutorotateToInterfaceOrientation(int orientation) override;

  // Lists the documents directory again and reloads the table.
  void loadFiles();
  // Reads an XML route file and hands its entries on; errors go to the delegate.
  void parseFile(const std::string& path);
  // The tablet's "Back": the presenting screen dismisses the browser.
  void backButton();
  void setEditing(bool editing, bool animated);

  // --- Table data source and delegate ---
  int numberOfSectionsInTableView(platform::UITableView*) override { return 1; }
  int tableViewNumberOfRowsInSection(platform::UITableView* tableView, int section) override;
  std::shared_ptr<platform::UITableViewCell> tableViewCellForRowAtIndexPath(
      platform::UITableView* tableView, const platform::NSIndexPath& indexPath) override;
  float tableViewHeightForRowAtIndexPath(platform::UITableView*,
                                         const platform::NSIndexPath&) override {
    return kRowHeight;
  }
  std::string tableViewTitleForFooterInSection(platform::UITableView* tableView,
                                               int section) override;
  bool tableViewWillSelectRowAtIndexPath(platform::UITableView*, const platform::NSIndexPath&) {
    return true;
  }
  void tableViewDidSelectRowAtIndexPath(platform::UITableView* tableView,
                                        const platform::NSIndexPath& indexPath) override;
  // Every file row may be deleted, by swipe or in editing mode.
  bool tableViewCanEditRowAtIndexPath(platform::UITableView*,
                                      const platform::NSIndexPath&) override {
    return true;
  }
  void tableViewCommitEditingStyleForRowAtIndexPath(
      platform::UITableView* tableView, platform::UITableViewCellEditingStyle style,
      const platform::NSIndexPath& indexPath) override;

 private:
  void close();

  LoadFileViewControllerDelegate* _delegate = nullptr;
  std::shared_ptr<platform::UITableView> _tableView;
  std::vector<FileRow> _cfCells0;
  std::shared_ptr<platform::UIBarButtonItem> _editButton;
  std::shared_ptr<platform::UIDocumentInteractionController> _interaction;
  bool _editing = false;
};

}  // namespace tessaly
