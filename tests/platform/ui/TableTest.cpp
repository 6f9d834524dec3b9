#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "platform/foundation/ObjectIds.h"
#include "platform/ui/DescriptionTree.h"
#include "platform/ui/UITableView.h"

using namespace tessaly::platform;

namespace {

// A model of named rows in sections, deletable where allowed, that records what the table asks.
class Rows : public UITableViewDataSource, public UITableViewDelegate {
 public:
  std::vector<std::vector<std::string>> sections{{"a", "b", "c"}, {"d"}};
  std::vector<std::string> headers{"First", ""};
  bool editable = true;
  bool removeOnCommit = true;
  std::vector<NSIndexPath> selected;
  int made = 0;

  int numberOfSectionsInTableView(UITableView*) override {
    return static_cast<int>(sections.size());
  }
  int tableViewNumberOfRowsInSection(UITableView*, int section) override {
    return static_cast<int>(sections.at(static_cast<std::size_t>(section)).size());
  }
  std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView* table,
                                                                  const NSIndexPath& at) override {
    auto cell = table->dequeueReusableCellWithIdentifier("row");
    if (!cell) {
      cell = std::make_shared<UITableViewCell>(UITableViewCellStyleSubtitle, "row");
      ++made;
    }
    cell->textLabel()->setText(
        sections[static_cast<std::size_t>(at.section)][static_cast<std::size_t>(at.row)]);
    return cell;
  }
  std::string tableViewTitleForHeaderInSection(UITableView*, int section) override {
    return headers.at(static_cast<std::size_t>(section));
  }
  std::string tableViewTitleForFooterInSection(UITableView*, int section) override {
    return section == 1 ? "the end" : "";
  }
  bool tableViewCanEditRowAtIndexPath(UITableView*, const NSIndexPath& at) override {
    return editable && at.section == 0;
  }
  void tableViewCommitEditingStyleForRowAtIndexPath(UITableView* table,
                                                    UITableViewCellEditingStyle style,
                                                    const NSIndexPath& at) override {
    if (style != UITableViewCellEditingStyleDelete || !removeOnCommit) return;
    auto& rows = sections[static_cast<std::size_t>(at.section)];
    rows.erase(rows.begin() + at.row);
    table->deleteRowsAtIndexPaths({at}, UITableViewRowAnimationFade);
  }
  void tableViewDidSelectRowAtIndexPath(UITableView*, const NSIndexPath& at) override {
    selected.push_back(at);
  }
};

std::string textAt(const UITableView& table, NSIndexPath at) {
  auto cell = table.cellForRowAtIndexPath(at);
  return cell ? cell->textLabel()->text() : "<none>";
}

}  // namespace

class TableTest : public testing::Test {
 protected:
  void SetUp() override {
    table.setDataSource(&rows);
    table.setDelegate(&rows);
    table.reloadData();
  }
  Rows rows;
  UITableView table{CGRectMake(0, 0, 320, 400), UITableViewStyleGrouped};
};

TEST_F(TableTest, ReloadReadsSectionsRowsTitlesAndReusesCells) {
  EXPECT_EQ(table.style(), UITableViewStyleGrouped);
  EXPECT_EQ(table.numberOfSections(), 2);
  EXPECT_EQ(table.numberOfRowsInSection(0), 3);
  EXPECT_EQ(table.numberOfRowsInSection(1), 1);
  EXPECT_EQ(table.numberOfRowsInSection(2), 0);
  EXPECT_EQ(table.numberOfRowsInSection(-1), 0);
  EXPECT_EQ(table.titleForHeaderInSection(0), "First");
  EXPECT_EQ(table.titleForFooterInSection(1), "the end");
  EXPECT_EQ(table.titleForHeaderInSection(5), "");
  EXPECT_EQ(textAt(table, {1, 0}), "d");
  EXPECT_EQ(table.cellForRowAtIndexPath({1, 1}), nullptr);
  EXPECT_EQ(table.cellForRowAtIndexPath({0, -1}), nullptr);
  ASSERT_NE(table.cellForRowAtIndexPath({0, 0})->detailTextLabel(), nullptr);

  // A second reload makes no new cells: the old ones come back through the reuse queue.
  rows.sections[0][0] = "z";
  table.reloadData();
  EXPECT_EQ(rows.made, 4);
  EXPECT_EQ(textAt(table, {0, 0}), "z");
  EXPECT_EQ(table.reloadCount(), 2);
  // Outside a reload nothing is waiting for reuse.
  EXPECT_EQ(table.dequeueReusableCellWithIdentifier("row"), nullptr);
}

TEST_F(TableTest, SelectingTellsTheDelegateAndRefusesRowsThatAreNotThere) {
  table.selectRowAtIndexPath({0, 2});
  EXPECT_EQ(rows.selected, (std::vector<NSIndexPath>{NSIndexPath{0, 2}}));
  EXPECT_EQ(table.indexPathForSelectedRow(), (NSIndexPath{0, 2}));
  EXPECT_TRUE(table.cellForRowAtIndexPath({0, 2})->isSelected());
  table.selectRowAtIndexPath({1, 0});
  EXPECT_FALSE(table.cellForRowAtIndexPath({0, 2})->isSelected());
  table.deselectRowAtIndexPath({1, 0}, true);
  EXPECT_FALSE(table.indexPathForSelectedRow().has_value());

  EXPECT_THROW(table.selectRowAtIndexPath({1, 1}), std::out_of_range);
  EXPECT_THROW(table.selectRowAtIndexPath({2, 0}), std::out_of_range);
  EXPECT_EQ(table.canSelectRowAtIndexPath({1, 1}).reason(), "section 1 has 1 row");
  EXPECT_EQ(table.canSelectRowAtIndexPath({3, 0}).reason(), "the table has 2 sections");
  EXPECT_TRUE(table.canSelectRowAtIndexPath({0, 0}).ok());
  EXPECT_EQ(rows.selected.size(), 2u);
}

TEST_F(TableTest, DeletingARowKeepsTheOtherCellsAndOnlyWhereTheDataSourceAllows) {
  auto keptCell = table.cellForRowAtIndexPath({0, 2});
  EXPECT_TRUE(table.commitDeletionOfRowAtIndexPath({0, 1}).ok());
  EXPECT_EQ(rows.sections[0], (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(table.numberOfRowsInSection(0), 2);
  EXPECT_EQ(table.cellForRowAtIndexPath({0, 1}), keptCell);  // moved up, not made again
  EXPECT_EQ(table.reloadCount(), 1);

  // Section 1 is fixed; rows that are not there are refused with the reason.
  EXPECT_EQ(table.commitDeletionOfRowAtIndexPath({1, 0}).reason(),
            "row 0 of section 1 cannot be deleted");
  EXPECT_EQ(table.commitDeletionOfRowAtIndexPath({0, 5}).reason(), "section 0 has 2 rows");
  rows.editable = false;
  EXPECT_FALSE(table.commitDeletionOfRowAtIndexPath({0, 0}).ok());
  EXPECT_EQ(rows.sections[0].size(), 2u);
}

TEST_F(TableTest, DeletingRowsTheModelStillHasIsAnInconsistency) {
  // The data source tells the table of a deletion it did not make.
  EXPECT_THROW(table.deleteRowsAtIndexPaths({{0, 0}}, UITableViewRowAnimationNone),
               std::logic_error);
  EXPECT_EQ(table.numberOfRowsInSection(0), 3);
  EXPECT_THROW(table.deleteRowsAtIndexPaths({{1, 4}}, UITableViewRowAnimationNone),
               std::out_of_range);
  // Two rows at once, named in any order and once too often, are each taken away once.
  rows.sections[0] = {"b"};
  table.deleteRowsAtIndexPaths({{0, 2}, {0, 0}, {0, 2}}, UITableViewRowAnimationNone);
  EXPECT_EQ(textAt(table, {0, 0}), "b");
}

TEST_F(TableTest, EditingModeReachesEveryCellAndCellsMadeWhileEditing) {
  table.setEditing(true, true);
  EXPECT_TRUE(table.isEditing());
  EXPECT_TRUE(table.cellForRowAtIndexPath({1, 0})->isEditing());
  table.reloadData();
  EXPECT_TRUE(table.cellForRowAtIndexPath({0, 0})->isEditing());
  table.setEditing(false, false);
  EXPECT_FALSE(table.cellForRowAtIndexPath({0, 0})->isEditing());
}

namespace {

// The same rows, the second one taller.
class SizedRows : public Rows {
 public:
  float tableViewHeightForRowAtIndexPath(UITableView*, const NSIndexPath& at) override {
    return at.section == 0 && at.row == 1 ? 60 : 0;
  }
};

}  // namespace

TEST(TableCellLayout, CellsTakeTheTablesWidthAndTheirRowsHeights) {
  SizedRows rows;
  // A grouped table's rows stand 10 points in from each side, so that what a cell lays out at
  // its right edge (a control) stays inside the section's box.
  UITableView table(CGRectMake(0, 0, 540, 600), UITableViewStyleGrouped);  // a form sheet
  table.setDataSource(&rows);
  table.setDelegate(&rows);
  table.reloadData();
  auto first = table.cellForRowAtIndexPath({0, 0});
  EXPECT_EQ(first->frame().size, (CGSize{520, 44}));
  EXPECT_EQ(table.cellForRowAtIndexPath({0, 1})->frame().size, (CGSize{520, 60}));
  // The contents are laid out at that width: the text runs to the indent at the right edge.
  EXPECT_EQ(first->textLabel()->frame().size.width, 500);
  EXPECT_EQ(first->contentView()->frame().size.width, 520);

  ObjectIds ids;
  DescriptionTree tree(ids);
  table.describe(tree);
  auto cells = tree.all("tableViewCell");
  ASSERT_EQ(cells.size(), 4u);
  EXPECT_EQ(cells[0]->rect("frame"), CGRectMake(0, 0, 520, 44));
  EXPECT_EQ(cells[1]->rect("frame"), CGRectMake(0, 0, 520, 60));

  // Resized (turned), the cells follow.
  table.setFrame(CGRectMake(0, 0, 700, 400));
  EXPECT_EQ(first->frame().size.width, 680);
  EXPECT_EQ(first->textLabel()->frame().size.width, 660);
  // After a deletion the row that moved up takes the height of its new place.
  ASSERT_TRUE(table.commitDeletionOfRowAtIndexPath({0, 1}));
  EXPECT_EQ(textAt(table, {0, 1}), "c");
  EXPECT_EQ(table.cellForRowAtIndexPath({0, 1})->frame().size, (CGSize{680, 60}));
  // A table not laid out yet leaves its cells alone.
  UITableView unsized;
  unsized.setDataSource(&rows);
  unsized.reloadData();
  EXPECT_EQ(unsized.cellForRowAtIndexPath({0, 0})->frame().size.width, 320);
  // A plain table's rows span it from edge to edge.
  UITableView plain(CGRectMake(0, 0, 390, 600), UITableViewStylePlain);
  plain.setDataSource(&rows);
  plain.reloadData();
  EXPECT_EQ(plain.cellForRowAtIndexPath({0, 0})->frame().size, (CGSize{390, 44}));
}

TEST(TableCellTest, StylesHaveTheirLabelsAndTheImageMovesTheText) {
  UITableViewCell plain(UITableViewCellStyleDefault, "p");
  EXPECT_EQ(plain.detailTextLabel(), nullptr);
  EXPECT_EQ(plain.contentView()->subviews().size(), 1u);  // no image view until asked for
  EXPECT_EQ(plain.textLabel()->frame(), CGRectMake(10, 0, 300, 44));
  plain.imageView()->setImage(std::make_shared<UIImage>("xml.png"));
  plain.layoutSubviews();
  EXPECT_EQ(plain.textLabel()->frame().origin.x, 50);
  EXPECT_EQ(plain.image()->name(), "xml.png");

  UITableViewCell value(UITableViewCellStyleValue1, "v");
  ASSERT_NE(value.detailTextLabel(), nullptr);
  EXPECT_EQ(value.detailTextLabel()->textAlignment(), NSTextAlignmentRight);
  UITableViewCell subtitle(UITableViewCellStyleSubtitle, "s");
  EXPECT_GT(subtitle.detailTextLabel()->frame().origin.y, subtitle.textLabel()->frame().origin.y);

  auto accessory = std::make_shared<UIView>(CGRectMake(0, 0, 20, 20));
  value.setAccessoryView(accessory);
  value.layoutSubviews();
  EXPECT_EQ(accessory->superview(), &value);
  EXPECT_EQ(accessory->frame(), CGRectMake(290, 12, 20, 20));
}
