#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/foundation/Localized.h"
#include "platform/ui/UIBarButtonItem.h"
#include "platform/ui/UIButton.h"
#include "platform/ui/UIToolbar.h"

using namespace tessaly::platform;

TEST(ControlTest, TapSendsTouchUpInsideOnlyToItsTargetsAndOnlyWhenEnabled) {
  auto button = UIButton::buttonWithType(UIButtonTypeInfoLight);
  std::vector<std::string> calls;
  button->addTarget(
      [&](UIControl* sender) { calls.push_back(sender == button.get() ? "up" : "?"); },
      UIControlEventTouchUpInside);
  button->addTarget([&](UIControl*) { calls.push_back("changed"); }, UIControlEventValueChanged);

  EXPECT_TRUE(button->tap());
  button->setEnabled(false);
  EXPECT_FALSE(button->tap());
  button->setEnabled(true);
  button->setHidden(true);
  EXPECT_FALSE(button->tap());
  EXPECT_EQ(calls, std::vector<std::string>{"up"});
}

TEST(ControlTest, ButtonStatesFallBackToNormal) {
  auto button = UIButton::buttonWithType(UIButtonTypeCustom);
  auto image = std::make_shared<UIImage>("settings.png");
  button->setBackgroundImage(image, UIControlStateNormal);
  button->setTitle("Go", UIControlStateNormal);
  button->setTitle("Going", UIControlStateHighlighted);
  EXPECT_EQ(button->backgroundImageForState(UIControlStateHighlighted), image);
  EXPECT_EQ(button->titleForState(UIControlStateHighlighted), "Going");
  EXPECT_EQ(button->titleForState(UIControlStateDisabled), "Go");
  EXPECT_EQ(UIButton::buttonWithType(UIButtonTypeDetailDisclosure)->buttonType(),
            UIButtonTypeDetailDisclosure);
}

TEST(ControlTest, BarItemTapRunsItsActionUnlessDisabledOrASpace) {
  int taps = 0;
  auto item = std::make_shared<UIBarButtonItem>(UIBarButtonSystemItemTrash,
                                                [&](UIBarButtonItem*) { ++taps; });
  auto space = std::make_shared<UIBarButtonItem>(UIBarButtonSystemItemFlexibleSpace,
                                                 [&](UIBarButtonItem*) { ++taps; });
  EXPECT_TRUE(item->tap());
  item->setEnabled(false);
  EXPECT_FALSE(item->tap());
  EXPECT_FALSE(space->tap());
  EXPECT_TRUE(space->isSpace());
  EXPECT_EQ(taps, 1);
}

TEST(ControlTest, BarItemWithAControlTapsTheControl) {
  auto button = UIButton::buttonWithType(UIButtonTypeCustom);
  int taps = 0;
  button->addTarget([&](UIControl*) { ++taps; }, UIControlEventTouchUpInside);
  auto item = std::make_shared<UIBarButtonItem>(button);
  EXPECT_TRUE(item->tap());
  EXPECT_EQ(taps, 1);
}

TEST(ControlTest, ToolbarFindsItemsByTag) {
  UIToolbar toolbar;
  auto a = std::make_shared<UIBarButtonItem>(UIBarButtonSystemItemAction);
  auto b = std::make_shared<UIBarButtonItem>(UIBarButtonSystemItemSearch);
  b->setTag(6);
  toolbar.setItems({a, b});
  EXPECT_EQ(toolbar.itemWithTag(6), b);
  EXPECT_EQ(toolbar.itemWithTag(7), nullptr);
}

TEST(ControlTest, ImagesAreFoundOnlyWhenTheirFileExists) {
  auto dir =
      std::filesystem::temp_directory_path() / ("tessaly-ui-images-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir / "images");
  std::ofstream(dir / "images" / "settings.png") << "png";
  setResourcesDirectory(dir.string());
  ::unsetenv("TESSALY_RESOURCES");
  EXPECT_NE(UIImage::imageNamed("settings.png"), nullptr);
  EXPECT_EQ(UIImage::imageNamed("missing.png"), nullptr);
  EXPECT_EQ(UIImage::imageNamed("../images/settings.png"), nullptr);
  setResourcesDirectory("");
  std::filesystem::remove_all(dir);
}
