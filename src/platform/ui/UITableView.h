#pragma once
// A list of rows. So far only what the search display needs: a view whose rows and cells its
// data source gives, reloaded on request, with cells kept for reuse.
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/UITableViewCell.h"
#include "platform/ui/UIView.h"

namespace tessaly::platform {

class UITableView;

struct NSIndexPath {
  int section = 0;
  int row = 0;
  friend bool operator==(const NSIndexPath&, const NSIndexPath&) = default;
};

class UITableViewDataSource {
 public:
  virtual ~UITableViewDataSource() = default;
  virtual int tableViewNumberOfRowsInSection(UITableView* /*tableView*/, int /*section*/) {
    return 0;
  }
  // The cell that shows a row; a null cell leaves the row blank.
  virtual std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(
      UITableView* /*tableView*/, const NSIndexPath& /*indexPath*/) {
    return nullptr;
  }
};

class UITableViewDelegate {
 public:
  virtual ~UITableViewDelegate() = default;
  virtual void tableViewDidSelectRowAtIndexPath(UITableView* /*tableView*/,
                                                const NSIndexPath& /*indexPath*/) {}
};

class UITableView : public UIView {
 public:
  using UIView::UIView;
  std::string kind() const override { return "table"; }

  UITableViewDataSource* dataSource() const { return _dataSource; }
  void setDataSource(UITableViewDataSource* dataSource) { _dataSource = dataSource; }
  UITableViewDelegate* delegate() const { return _delegate; }
  void setDelegate(UITableViewDelegate* delegate) { _delegate = delegate; }

  // Asks the data source again for the rows and their cells; counts the reloads.
  void reloadData();
  // A cell of the last reload with this identifier, handed out once per reload; null if none.
  std::shared_ptr<UITableViewCell> dequeueReusableCellWithIdentifier(const std::string& identifier);
  // The cell the data source gave for a row at the last reload; null outside the table.
  std::shared_ptr<UITableViewCell> cellForRowAtIndexPath(const NSIndexPath& indexPath) const;
  int reloadCount() const { return _reloadCount; }
  int numberOfRowsInSection(int section) const { return section == 0 ? _rows : 0; }

  // Input: a tap on a row. Throws std::out_of_range for a row that is not there.
  void selectRowAtIndexPath(const NSIndexPath& indexPath);

 private:
  UITableViewDataSource* _dataSource = nullptr;
  UITableViewDelegate* _delegate = nullptr;
  int _reloadCount = 0;
  int _rows = 0;
  std::vector<std::shared_ptr<UITableViewCell>> _cells;
  std::vector<std::shared_ptr<UITableViewCell>> _reusableCells;
};

}  // namespace tessaly::platform
