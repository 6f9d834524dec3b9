#include <gtest/gtest.h>

#include "platform/ui/UIView.h"

using namespace tessaly::platform;

TEST(ViewTest, ConvertsPointsThroughFramesAndScrollOffsets) {
  auto root = std::make_shared<UIView>(CGRectMake(0, 0, 320, 480));
  auto middle = std::make_shared<UIView>(CGRectMake(10, 20, 200, 200));
  auto inner = std::make_shared<UIView>(CGRectMake(5, 7, 50, 50));
  root->addSubview(middle);
  middle->addSubview(inner);
  middle->setBounds(CGRectMake(0, 100, 200, 200));  // scrolled down by 100

  EXPECT_EQ(inner->convertPoint({1, 2}, nullptr), (CGPoint{16, -71}));
  EXPECT_EQ(inner->convertPoint({1, 2}, middle.get()), (CGPoint{6, 9}));
  EXPECT_EQ(root->convertPoint({16, -71}, inner.get()), (CGPoint{1, 2}));
  EXPECT_EQ(inner->rootView(), root.get());
}

struct AutoresizingCase {
  unsigned mask;
  CGRect before;
  CGRect after;
};

class AutoresizingTest : public testing::TestWithParam<AutoresizingCase> {};

TEST_P(AutoresizingTest, SharesTheChangeAmongFlexibleParts) {
  const auto& c = GetParam();
  auto parent = std::make_shared<UIView>(CGRectMake(0, 0, 320, 460));
  auto child = std::make_shared<UIView>(c.before);
  child->setAutoresizingMask(c.mask);
  parent->addSubview(child);
  parent->setFrame(CGRectMake(0, 0, 480, 300));
  EXPECT_EQ(child->frame(), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Masks, AutoresizingTest,
    testing::Values(
        AutoresizingCase{UIViewAutoresizingNone, CGRectMake(0, 0, 320, 416),
                         CGRectMake(0, 0, 320, 416)},
        AutoresizingCase{UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight,
                         CGRectMake(0, 0, 320, 416), CGRectMake(0, 0, 480, 256)},
        // The banner's mask: flexible width, top margin and height share the height change
        // in proportion to the top margin (410) and the height (50).
        AutoresizingCase{26, CGRectMake(0, 410, 320, 50),
                         CGRectMake(0, 410 - 160 * 410.0f / 460, 480, 50 - 160 * 50.0f / 460)},
        AutoresizingCase{UIViewAutoresizingFlexibleTopMargin, CGRectMake(0, 416, 320, 44),
                         CGRectMake(0, 256, 320, 44)},
        AutoresizingCase{
            UIViewAutoresizingFlexibleLeftMargin | UIViewAutoresizingFlexibleRightMargin,
            CGRectMake(150, 0, 20, 20), CGRectMake(230, 0, 20, 20)}));

TEST(ViewTest, NoAutoresizingWhenTheSuperviewOptsOut) {
  auto parent = std::make_shared<UIView>(CGRectMake(0, 0, 320, 460));
  auto child = std::make_shared<UIView>(CGRectMake(0, 0, 320, 460));
  child->setAutoresizingMask(UIViewAutoresizingFlexibleHeight);
  parent->addSubview(child);
  parent->setAutoresizesSubviews(false);
  parent->setFrame(CGRectMake(0, 0, 320, 400));
  EXPECT_EQ(child->frame().size.height, 460);
}

TEST(ViewTest, AnimationAppliesAtOnceAndRecordsItsDuration) {
  UIView::resetAnimations();
  auto view = std::make_shared<UIView>(CGRectMake(0, 0, 10, 10));
  UIView::animateWithDuration(0.2f, [&] { view->setFrame(CGRectMake(0, 5, 10, 10)); });
  EXPECT_EQ(view->frame().origin.y, 5);
  EXPECT_EQ(UIView::lastAnimationDuration(), 0.20000000298023224);
  UIView::animateWithDuration(0, [&] {});
  EXPECT_EQ(UIView::lastAnimationDuration(), 0);
  EXPECT_EQ(UIView::animationCount(), 2);
}
