#include "platform/ui/UITableView.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "platform/ui/DescriptionSink.h"
#include "platform/ui/Touch.h"

namespace tessaly::platform {
namespace {

std::string rowName(const NSIndexPath& indexPath) {
  return "row " + std::to_string(indexPath.row) + " of section " +
         std::to_string(indexPath.section);
}

}  // namespace

CGFloat UITableView::heightForRowAtIndexPath(const NSIndexPath& indexPath) {
  float height = _delegate ? _delegate->tableViewHeightForRowAtIndexPath(this, indexPath) : 0;
  return height > 0 ? height : _rowHeight;
}

void UITableView::reloadData() {
  ++_reloadCount;
  setSelectedCell(false);
  _selected.reset();
  // The old cells are offered for reuse while the data source makes the new ones.
  for (auto& section : _sections)
    for (auto& cell : section.cells)
      if (cell) _reusableCells.push_back(std::move(cell));
  _sections.clear();
  int sections = _dataSource ? std::max(0, _dataSource->numberOfSectionsInTableView(this)) : 0;
  for (int s = 0; s < sections; ++s) {
    Section section;
    section.header = _dataSource->tableViewTitleForHeaderInSection(this, s);
    section.footer = _dataSource->tableViewTitleForFooterInSection(this, s);
    int rows = std::max(0, _dataSource->tableViewNumberOfRowsInSection(this, s));
    _sections.push_back(std::move(section));
    for (int row = 0; row < rows; ++row) {
      auto cell = _dataSource->tableViewCellForRowAtIndexPath(this, {s, row});
      if (cell) cell->setEditing(_editing, false);
      _sections.back().cells.push_back(std::move(cell));
    }
  }
  _reusableCells.clear();
  layoutCells();
}

void UITableView::setFrame(CGRect frame) {
  CGFloat width = bounds().size.width;
  UIView::setFrame(frame);
  if (bounds().size.width != width) layoutCells();
}

void UITableView::setBounds(CGRect bounds) {
  CGFloat width = this->bounds().size.width;
  UIView::setBounds(bounds);
  if (this->bounds().size.width != width) layoutCells();
}

CGFloat UITableView::rowWidth() const {
  return bounds().size.width - (_style == UITableViewStyleGrouped ? 2 * kGroupInset : 0);
}

// Cells are not subviews of the table (the page lays the rows out itself), so their layout is
// run here, as soon as their size is known. A table not laid out yet leaves them as they are.
void UITableView::layoutCells() {
  CGFloat width = rowWidth();
  if (width <= 0) return;
  for (std::size_t s = 0; s < _sections.size(); ++s) {
    auto& cells = _sections[s].cells;
    for (std::size_t row = 0; row < cells.size(); ++row) {
      if (!cells[row]) continue;
      CGFloat height = heightForRowAtIndexPath({static_cast<int>(s), static_cast<int>(row)});
      CGRect frame = cells[row]->frame();
      cells[row]->setFrame(CGRectMake(frame.origin.x, frame.origin.y, width, height));
      cells[row]->layoutIfNeeded();
    }
  }
}

std::shared_ptr<UITableViewCell> UITableView::dequeueReusableCellWithIdentifier(
    const std::string& identifier) {
  for (auto it = _reusableCells.begin(); it != _reusableCells.end(); ++it) {
    if (*it && (*it)->reuseIdentifier() == identifier) {
      auto cell = std::move(*it);
      _reusableCells.erase(it);
      cell->prepareForReuse();
      return cell;
    }
  }
  return nullptr;
}

int UITableView::numberOfRowsInSection(int section) const {
  if (section < 0 || section >= numberOfSections()) return 0;
  return static_cast<int>(_sections[static_cast<std::size_t>(section)].cells.size());
}

bool UITableView::containsIndexPath(const NSIndexPath& indexPath) const {
  return indexPath.row >= 0 && indexPath.row < numberOfRowsInSection(indexPath.section);
}

std::shared_ptr<UITableViewCell> UITableView::cellForRowAtIndexPath(
    const NSIndexPath& indexPath) const {
  if (!containsIndexPath(indexPath)) return nullptr;
  return _sections[static_cast<std::size_t>(indexPath.section)]
      .cells[static_cast<std::size_t>(indexPath.row)];
}

std::string UITableView::titleForHeaderInSection(int section) const {
  if (section < 0 || section >= numberOfSections()) return "";
  return _sections[static_cast<std::size_t>(section)].header;
}

std::string UITableView::titleForFooterInSection(int section) const {
  if (section < 0 || section >= numberOfSections()) return "";
  return _sections[static_cast<std::size_t>(section)].footer;
}

void UITableView::setEditing(bool editing, bool animated) {
  _editing = editing;
  for (auto& section : _sections)
    for (auto& cell : section.cells)
      if (cell) cell->setEditing(editing, animated);
}

bool UITableView::canEditRowAtIndexPath(const NSIndexPath& indexPath) {
  return containsIndexPath(indexPath) && _dataSource &&
         _dataSource->tableViewCanEditRowAtIndexPath(this, indexPath);
}

void UITableView::deleteRowsAtIndexPaths(const std::vector<NSIndexPath>& indexPaths,
                                         UITableViewRowAnimation /*animation*/) {
  std::vector<NSIndexPath> doomed = indexPaths;
  std::sort(doomed.begin(), doomed.end());
  doomed.erase(std::unique(doomed.begin(), doomed.end()), doomed.end());
  for (const auto& path : doomed)
    if (!containsIndexPath(path))
      throw std::out_of_range("attempt to delete " + rowName(path) + ", which is not in the table");
  // The data source has already removed the rows: each section must now hold as many rows as
  // before less those deleted from it.
  std::map<int, int> deleted;
  for (const auto& path : doomed) ++deleted[path.section];
  int sections = _dataSource ? _dataSource->numberOfSectionsInTableView(this) : 0;
  if (sections != numberOfSections())
    throw std::logic_error(
        "Invalid update: invalid number of sections. The number of sections "
        "contained in the table view after the update (" +
        std::to_string(sections) + ") must be equal to the number before (" +
        std::to_string(numberOfSections()) + ").");
  for (int s = 0; s < sections; ++s) {
    int before = numberOfRowsInSection(s);
    int after = _dataSource->tableViewNumberOfRowsInSection(this, s);
    int removed = deleted.count(s) ? deleted[s] : 0;
    if (after != before - removed)
      throw std::logic_error(
          "Invalid update: invalid number of rows in section " + std::to_string(s) +
          ". The number of rows contained in an existing section after the update (" +
          std::to_string(after) +
          ") must be equal to the number of rows contained in that section before the update (" +
          std::to_string(before) +
          "), plus or minus the number of rows inserted or deleted from that section (0 "
          "inserted, " +
          std::to_string(removed) + " deleted).");
  }
  setSelectedCell(false);
  _selected.reset();
  for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) {
    auto& cells = _sections[static_cast<std::size_t>(it->section)].cells;
    cells.erase(cells.begin() + it->row);
  }
  layoutCells();  // the rows below moved up, and their heights may follow their places
}

void UITableView::deselectRowAtIndexPath(const NSIndexPath& indexPath, bool /*animated*/) {
  if (_selected && *_selected == indexPath) {
    setSelectedCell(false);
    _selected.reset();
  }
}

void UITableView::setSelectedCell(bool selected) {
  if (!_selected) return;
  if (auto cell = cellForRowAtIndexPath(*_selected)) cell->setSelected(selected);
}

Result<> UITableView::canSelectRowAtIndexPath(const NSIndexPath& indexPath) const {
  if (!containsIndexPath(indexPath)) {
    int sections = numberOfSections();
    if (indexPath.section < 0 || indexPath.section >= sections)
      return Refusal{"the table has " + std::to_string(sections) +
                     (sections == 1 ? " section" : " sections")};
    int rows = numberOfRowsInSection(indexPath.section);
    return Refusal{"section " + std::to_string(indexPath.section) + " has " + std::to_string(rows) +
                   (rows == 1 ? " row" : " rows")};
  }
  return done();
}

void UITableView::selectRowAtIndexPath(const NSIndexPath& indexPath) {
  if (!containsIndexPath(indexPath))
    throw std::out_of_range(rowName(indexPath) + " is not in the table");
  setSelectedCell(false);
  _selected = indexPath;
  auto cell = cellForRowAtIndexPath(indexPath);
  if (cell) cell->setSelected(true);
  if (_delegate != nullptr) _delegate->tableViewDidSelectRowAtIndexPath(this, indexPath);
}

Result<> UITableView::commitDeletionOfRowAtIndexPath(const NSIndexPath& indexPath) {
  if (auto there = canSelectRowAtIndexPath(indexPath); !there) return there;
  if (!canEditRowAtIndexPath(indexPath)) return Refusal{rowName(indexPath) + " cannot be deleted"};
  if (_delegate && _delegate->tableViewEditingStyleForRowAtIndexPath(this, indexPath) !=
                       UITableViewCellEditingStyleDelete)
    return Refusal{rowName(indexPath) + " cannot be deleted"};
  _dataSource->tableViewCommitEditingStyleForRowAtIndexPath(this, UITableViewCellEditingStyleDelete,
                                                            indexPath);
  return done();
}

void UITableView::describeProperties(DescriptionSink& sink) const {
  sink.string("style", _style == UITableViewStyleGrouped ? "grouped" : "plain");
  sink.boolean("editing", _editing);
  sink.number("rowHeight", _rowHeight);
  // Every row, not only those in view: the rows are small and the page scrolls them itself.
  auto* self = const_cast<UITableView*>(this);  // the data source's questions take the table
  const UIView* space = sink.frameSpace;
  auto optional = [&](std::string_view name, const std::string& text) {
    if (text.empty())
      sink.null(name);
    else
      sink.string(name, text);
  };
  sink.beginList("sections");
  for (std::size_t s = 0; s < _sections.size(); ++s) {
    const Section& section = _sections[s];
    sink.beginRecord();
    optional("header", section.header);
    optional("footer", section.footer);
    sink.beginList("cells");
    for (std::size_t row = 0; row < section.cells.size(); ++row) {
      const auto& cell = section.cells[row];
      if (!cell) {
        // A blank row keeps the rows' indexes.
        sink.beginNode("tableViewCell", ObjectRef::none());
        sink.rect("frame", CGRectMake(0, 0, rowWidth(), _rowHeight));
        sink.boolean("hidden", false);
        sink.number("alpha", 1);
        sink.endNode();
        continue;
      }
      NSIndexPath path{static_cast<int>(s), static_cast<int>(row)};
      cell->_rowEditable =
          _dataSource != nullptr && _dataSource->tableViewCanEditRowAtIndexPath(self, path);
      sink.frameSpace = cell.get();
      cell->describe(sink);
      sink.frameSpace = space;
    }
    sink.endList();
    sink.endRecord();
  }
  sink.endList();
}

void UITableView::describeChildren(DescriptionSink& /*sink*/) const {}

Result<> UITableView::applyTouch(const Touch& touch, const DescriptionNode& target) {
  NSIndexPath path{touch.section, touch.row};
  switch (touch.kind) {
    case Touch::Kind::SelectRow:
      if (auto there = canSelectRowAtIndexPath(path); !there) return there;
      selectRowAtIndexPath(path);
      return done();
    case Touch::Kind::DeleteRow:
      return commitDeletionOfRowAtIndexPath(path);
    case Touch::Kind::SetEditing:
      setEditing(touch.editing, true);
      return done();
    default:
      return UIView::applyTouch(touch, target);
  }
}

}  // namespace tessaly::platform
