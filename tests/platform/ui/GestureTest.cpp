#include <gtest/gtest.h>

#include "platform/ui/UIGestureRecognizer.h"

using namespace tessaly::platform;

namespace {

struct Press {
  int state;
  CGPoint inView;
  CGPoint inRoot;
};

class GestureTest : public testing::Test {
 protected:
  void SetUp() override {
    root->addSubview(map);
    recognizer = std::make_shared<UILongPressGestureRecognizer>([this](UIGestureRecognizer* r) {
      presses.push_back({r->state(), r->locationInView(map.get()), r->locationInView(nullptr)});
    });
    map->addGestureRecognizer(recognizer);
  }
  std::shared_ptr<UIView> root = std::make_shared<UIView>(CGRectMake(0, 0, 320, 480));
  std::shared_ptr<UIView> map = std::make_shared<UIView>(CGRectMake(0, 64, 320, 372));
  std::shared_ptr<UILongPressGestureRecognizer> recognizer;
  std::vector<Press> presses;
};

}  // namespace

TEST_F(GestureTest, AFullPressReportsBeganThenEndedAtThePoint) {
  EXPECT_EQ(recognizer->view(), map.get());
  EXPECT_EQ(recognizer->minimumPressDuration(), 0.5);
  ASSERT_TRUE(recognizer->press({100, 50}));
  ASSERT_EQ(presses.size(), 2u);
  EXPECT_EQ(presses[0].state, UIGestureRecognizerStateBegan);
  EXPECT_EQ(presses[1].state, UIGestureRecognizerStateEnded);
  EXPECT_EQ(presses[0].inView, (CGPoint{100, 50}));
  EXPECT_EQ(presses[0].inRoot, (CGPoint{100, 114}));
  EXPECT_EQ(recognizer->state(), UIGestureRecognizerStatePossible);
}

TEST_F(GestureTest, StatesMustFollowABegan) {
  EXPECT_FALSE(recognizer->pressAt({1, 1}, UIGestureRecognizerStateEnded));
  EXPECT_FALSE(recognizer->pressAt({1, 1}, UIGestureRecognizerStateChanged));
  EXPECT_TRUE(recognizer->pressAt({1, 1}, UIGestureRecognizerStateBegan));
  EXPECT_FALSE(recognizer->pressAt({1, 1}, UIGestureRecognizerStateBegan));
  EXPECT_TRUE(recognizer->pressAt({2, 2}, UIGestureRecognizerStateChanged));
  EXPECT_TRUE(recognizer->pressAt({2, 2}, UIGestureRecognizerStateCancelled));
  EXPECT_FALSE(recognizer->pressAt({2, 2}, UIGestureRecognizerStatePossible));
  ASSERT_EQ(presses.size(), 3u);
  EXPECT_EQ(presses[2].state, UIGestureRecognizerStateCancelled);
}

TEST_F(GestureTest, DisabledHiddenOrDetachedRecognisersIgnorePresses) {
  recognizer->setEnabled(false);
  EXPECT_FALSE(recognizer->press({1, 1}));
  recognizer->setEnabled(true);
  map->setHidden(true);
  EXPECT_FALSE(recognizer->press({1, 1}));
  map->setHidden(false);
  map->removeGestureRecognizer(recognizer.get());
  EXPECT_EQ(recognizer->view(), nullptr);
  EXPECT_FALSE(recognizer->press({1, 1}));
  EXPECT_TRUE(presses.empty());
}

TEST_F(GestureTest, AViewThatGoesAwayDetachesItsRecognisers) {
  map->removeFromSuperview();
  map.reset();
  EXPECT_EQ(recognizer->view(), nullptr);
  EXPECT_FALSE(recognizer->press({1, 1}));
}
