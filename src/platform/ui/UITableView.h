#pragma once
// A list of rows in sections, each section with an optional header and footer title. The data
// source gives the sections, rows and cells, asked again on reloadData; cells of the last
// reload are kept for reuse. Rows the data source allows can be deleted, by swipe or in editing
// mode; the data source removes the row from its model and tells the table.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Result.h"
#include "platform/ui/UITableViewCell.h"
#include "platform/ui/UIView.h"

namespace tessaly::platform {

class UITableView;

struct NSIndexPath {
  int section = 0;
  int row = 0;
  friend bool operator==(const NSIndexPath&, const NSIndexPath&) = default;
  friend auto operator<=>(const NSIndexPath&, const NSIndexPath&) = default;
};

enum UITableViewStyle {
  UITableViewStylePlain = 0,
  UITableViewStyleGrouped = 1,
};

enum UITableViewCellEditingStyle {
  UITableViewCellEditingStyleNone = 0,
  UITableViewCellEditingStyleDelete = 1,
  UITableViewCellEditingStyleInsert = 2,
};

enum UITableViewRowAnimation {
  UITableViewRowAnimationFade = 0,
  UITableViewRowAnimationRight = 1,
  UITableViewRowAnimationLeft = 2,
  UITableViewRowAnimationTop = 3,
  UITableViewRowAnimationBottom = 4,
  UITableViewRowAnimationNone = 5,
};

class UITableViewDataSource {
 public:
  virtual ~UITableViewDataSource() = default;
  virtual int numberOfSectionsInTableView(UITableView* /*tableView*/) { return 1; }
  virtual int tableViewNumberOfRowsInSection(UITableView* /*tableView*/, int /*section*/) {
    return 0;
  }
  // The cell that shows a row; a null cell leaves the row blank.
  virtual std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(
      UITableView* /*tableView*/, const NSIndexPath& /*indexPath*/) {
    return nullptr;
  }
  // "" shows no header or footer.
  virtual std::string tableViewTitleForHeaderInSection(UITableView* /*tableView*/,
                                                       int /*section*/) {
    return "";
  }
  virtual std::string tableViewTitleForFooterInSection(UITableView* /*tableView*/,
                                                       int /*section*/) {
    return "";
  }
  // Rows are fixed unless the data source lets them be deleted.
  virtual bool tableViewCanEditRowAtIndexPath(UITableView* /*tableView*/,
                                              const NSIndexPath& /*indexPath*/) {
    return false;
  }
  // The user confirmed the deletion of a row (swipe or editing mode): the data source removes
  // it from its model and calls deleteRowsAtIndexPaths (or reloadData).
  virtual void tableViewCommitEditingStyleForRowAtIndexPath(UITableView* /*tableView*/,
                                                            UITableViewCellEditingStyle /*style*/,
                                                            const NSIndexPath& /*indexPath*/) {}
};

class UITableViewDelegate {
 public:
  virtual ~UITableViewDelegate() = default;
  virtual void tableViewDidSelectRowAtIndexPath(UITableView* /*tableView*/,
                                                const NSIndexPath& /*indexPath*/) {}
  // 0 uses the table's rowHeight.
  virtual float tableViewHeightForRowAtIndexPath(UITableView* /*tableView*/,
                                                 const NSIndexPath& /*indexPath*/) {
    return 0;
  }
  virtual UITableViewCellEditingStyle tableViewEditingStyleForRowAtIndexPath(
      UITableView* /*tableView*/, const NSIndexPath& /*indexPath*/) {
    return UITableViewCellEditingStyleDelete;
  }
};

class UITableView : public UIView {
 public:
  static constexpr CGFloat kDefaultRowHeight = 44;
  // A grouped table's sections stand this far in from each side; their rows are that much
  // narrower than the table.
  static constexpr CGFloat kGroupInset = 10;

  explicit UITableView(CGRect frame = CGRectZero, UITableViewStyle style = UITableViewStylePlain)
      : UIView(frame), _style(style) {}
  std::string kind() const override { return "table"; }
  std::string_view descriptionKind() const override { return "tableView"; }

  // The cells take the table's width (less the group insets of a grouped table) and their rows'
  // heights, now and whenever it is resized.
  void setFrame(CGRect frame) override;
  void setBounds(CGRect bounds) override;

  UITableViewStyle style() const { return _style; }
  UITableViewDataSource* dataSource() const { return _dataSource; }
  void setDataSource(UITableViewDataSource* dataSource) { _dataSource = dataSource; }
  UITableViewDelegate* delegate() const { return _delegate; }
  void setDelegate(UITableViewDelegate* delegate) { _delegate = delegate; }
  CGFloat rowHeight() const { return _rowHeight; }
  void setRowHeight(CGFloat height) { _rowHeight = height; }
  // The height of one row: the delegate's answer, else rowHeight.
  CGFloat heightForRowAtIndexPath(const NSIndexPath& indexPath);

  // Asks the data source again for the sections, rows, titles and cells; counts the reloads.
  void reloadData();
  int reloadCount() const { return _reloadCount; }
  // A cell of the last reload (or of a deleted row) with this identifier, handed out once;
  // null if none.
  std::shared_ptr<UITableViewCell> dequeueReusableCellWithIdentifier(const std::string& identifier);
  // The cell the data source gave for a row; null outside the table.
  std::shared_ptr<UITableViewCell> cellForRowAtIndexPath(const NSIndexPath& indexPath) const;
  int numberOfSections() const { return static_cast<int>(_sections.size()); }
  int numberOfRowsInSection(int section) const;
  bool containsIndexPath(const NSIndexPath& indexPath) const;
  // As the data source gave them at the last reload; "" for none.
  std::string titleForHeaderInSection(int section) const;
  std::string titleForFooterInSection(int section) const;

  // Editing mode: every row the data source lets go shows its delete control.
  bool isEditing() const { return _editing; }
  virtual void setEditing(bool editing, bool animated);
  // May the row be deleted (it is there and the data source allows it)?
  bool canEditRowAtIndexPath(const NSIndexPath& indexPath);
  // The data source removed these rows from its model: the table takes them away, keeps the
  // other rows' cells, and checks that the counts now agree. Throws std::logic_error ("Invalid
  // update: ...") when they do not, std::out_of_range for a row that is not there.
  void deleteRowsAtIndexPaths(const std::vector<NSIndexPath>& indexPaths,
                              UITableViewRowAnimation animation);

  // The selected row, if any; the selection stays until deselected or the table reloads.
  std::optional<NSIndexPath> indexPathForSelectedRow() const { return _selected; }
  void deselectRowAtIndexPath(const NSIndexPath& indexPath, bool animated);

  // Input: a tap on a row: selects it, then the delegate hears didSelectRowAtIndexPath.
  // Throws std::out_of_range for a row that is not there.
  void selectRowAtIndexPath(const NSIndexPath& indexPath);
  // Input: the user deletes a row (the swipe's or the editing mode's delete button): the data
  // source commits the deletion. Refused for a row that is not there or may not be deleted.
  Result<> commitDeletionOfRowAtIndexPath(const NSIndexPath& indexPath);
  // Checks a tap on a row without making it.
  Result<> canSelectRowAtIndexPath(const NSIndexPath& indexPath) const;

 protected:
  void describeProperties(DescriptionSink& sink) const override;
  void describeChildren(DescriptionSink& sink) const override;
  Result<> applyTouch(const Touch& touch, const DescriptionNode& target) override;

 private:
  CGFloat rowWidth() const;
  struct Section {
    std::string header;
    std::string footer;
    std::vector<std::shared_ptr<UITableViewCell>> cells;
  };
  void setSelectedCell(bool selected);
  void layoutCells();

  UITableViewStyle _style;
  UITableViewDataSource* _dataSource = nullptr;
  UITableViewDelegate* _delegate = nullptr;
  CGFloat _rowHeight = kDefaultRowHeight;
  int _reloadCount = 0;
  bool _editing = false;
  std::vector<Section> _sections;
  std::vector<std::shared_ptr<UITableViewCell>> _reusableCells;
  std::optional<NSIndexPath> _selected;
};

}  // namespace tessaly::platform
