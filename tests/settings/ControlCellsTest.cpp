#include <gtest/gtest.h>

#include "platform/ui/UIControl.h"
#include "settings/CellWithControl.h"
#include "settings/TView.h"

using namespace tessaly;
using namespace tessaly::platform;

namespace {

// A cell whose content view is width x height, hosting a fresh view.
std::shared_ptr<CellWithControl> hostedCell(float width, float height, float offset, float shrinkX,
                                            float shrinkY) {
  auto cell = std::make_shared<CellWithControl>(UITableViewCellStyleDefault, kCellWithControl_ID);
  cell->setFrame(CGRectMake(0, 0, width, height));
  cell->setSubviewOffset(offset);
  cell->setShrinkX(shrinkX);
  cell->setShrinkY(shrinkY);
  cell->setView(std::make_shared<UIControl>());
  return cell;
}

}  // namespace

struct PlacementCase {
  const char* name;
  float width, height, offset, shrinkX, shrinkY;
  CGRect expected;
};

class CellPlacementTest : public testing::TestWithParam<PlacementCase> {};

TEST_P(CellPlacementTest, PlacesTheHostedViewByTheRule) {
  const auto& c = GetParam();
  auto cell = hostedCell(c.width, c.height, c.offset, c.shrinkX, c.shrinkY);
  EXPECT_EQ(cell->view()->frame(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CellPlacementTest,
    testing::Values(
        // The settings segment row of a 300-point grouped cell.
        PlacementCase{"SegmentRow", 300, 37, 130, 0, 4, CGRectMake(138, 4, 154, 29)},
        PlacementCase{"SwitchRow", 300, 37, 190, 0, 6, CGRectMake(198, 6, 94, 25)},
        PlacementCase{"FileRow", 300, 44, 50, 0, 0, CGRectMake(58, 0, 234, 44)},
        PlacementCase{"NoOffsetNoInsets", 320, 44, 0, 0, 0, CGRectMake(8, 0, 304, 44)},
        PlacementCase{"HorizontalInset", 320, 44, 0, 10, 0, CGRectMake(18, 0, 284, 44)},
        // Nothing is clamped: an offset beyond the usable width leaves a negative width.
        PlacementCase{"OffsetBeyondWidth", 100, 37, 190, 0, 6, CGRectMake(198, 6, -106, 25)},
        // The sums are formed in double precision before they are stored.
        PlacementCase{"FractionalOffset", 300, 37, 0.1f, 0, 0,
                      CGRectMake(static_cast<float>(8 + double(0.1f)), 0,
                                 static_cast<float>(284 - double(0.1f)), 37)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CellWithControlTest, StartsWithoutOffsetsAndWithoutSelectionHighlight) {
  CellWithControl cell(UITableViewCellStyleDefault, "cellID");
  EXPECT_EQ(cell.subviewOffset(), 0);
  EXPECT_EQ(cell.shrinkX(), 0);
  EXPECT_EQ(cell.shrinkY(), 0);
  EXPECT_EQ(cell.selectionStyle(), UITableViewCellSelectionStyleNone);
  EXPECT_EQ(cell.reuseIdentifier(), "cellID");
  EXPECT_EQ(cell.view(), nullptr);
}

TEST(CellWithControlTest, HostsTheViewInsideTheContentView) {
  auto cell = hostedCell(300, 37, 130, 0, 4);
  EXPECT_EQ(cell->view()->superview(), cell->contentView().get());
  // A second view replaces the first one in the content view.
  auto first = cell->view();
  cell->setView(std::make_shared<UIControl>());
  EXPECT_EQ(first->superview(), nullptr);
  EXPECT_EQ(cell->contentView()->subviews().size(), 2u);  // the text label and the new view
}

TEST(CellWithControlTest, ChangedInsetsWaitForTheNextLayoutPass) {
  auto cell = hostedCell(300, 37, 130, 0, 4);
  cell->layoutIfNeeded();
  cell->setShrinkY(6);
  EXPECT_EQ(cell->view()->frame(), CGRectMake(138, 4, 154, 29));
  cell->setNeedsLayout();
  cell->layoutIfNeeded();
  EXPECT_EQ(cell->view()->frame(), CGRectMake(138, 6, 154, 25));
}

TEST(CellWithControlTest, FollowsTheCellWhenItIsResized) {
  auto cell = hostedCell(300, 37, 130, 0, 4);
  cell->setFrame(CGRectMake(0, 0, 460, 37));
  cell->layoutIfNeeded();
  EXPECT_EQ(cell->view()->frame(), CGRectMake(138, 4, 314, 29));
}

struct TitleCase {
  float width, height;
  CGRect name, details;
};

class TitleViewTest : public testing::TestWithParam<TitleCase> {};

TEST_P(TitleViewTest, SplitsIntoThirdsWithTheDetailsRaised) {
  const auto& c = GetParam();
  TView title(CGRectMake(50, 7, c.width, c.height));
  title.layoutSubviews();
  EXPECT_EQ(title.nameLabel()->frame(), c.name);
  EXPECT_EQ(title.detailsLabel()->frame(), c.details);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, TitleViewTest,
    testing::Values(TitleCase{234, 30, CGRectMake(0, 0, 234, 20), CGRectMake(0, 18, 234, 10)},
                    // Thirds that do not come out even are rounded only when stored.
                    TitleCase{100, 10, CGRectMake(0, 0, 100, static_cast<float>(10.0 / 3 * 2)),
                              CGRectMake(0, static_cast<float>(10.0 / 3 * 2 - 2), 100,
                                         static_cast<float>(10.0 / 3))}));

TEST(TitleViewTest, NameAndDetailsLinesKeepTheirTextsAndStyles) {
  TView title(CGRectMake(0, 0, 234, 30));
  title.setName("walk.xml");
  title.setDetails("1.2 KB");
  title.setNameColor(UIColor::whiteColor());
  EXPECT_EQ(title.getName(), "walk.xml");
  EXPECT_EQ(title.detailsLabel()->text(), "1.2 KB");
  EXPECT_EQ(title.nameLabel()->textColor(), UIColor::whiteColor());
  EXPECT_TRUE(title.nameLabel()->font().bold);
  EXPECT_EQ(title.nameLabel()->font().pointSize, UIFont::labelFontSize());
  EXPECT_EQ(title.detailsLabel()->font(), UIFont::systemFontOfSize(12));
  EXPECT_EQ(title.subviews().size(), 2u);
}
