#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/UIActivityIndicatorView.h"
#include "platform/ui/UISegmentedControl.h"
#include "platform/ui/UISwitch.h"
#include "platform/ui/UIWebView.h"

using namespace tessaly::platform;

TEST(SwitchTest, AFlipByAPersonSendsValueChangedButSettingFromCodeDoesNot) {
  UISwitch control(CGRectMake(5, 6, 300, 300));
  EXPECT_EQ(control.frame(), CGRectMake(5, 6, UISwitch::kWidth, UISwitch::kHeight));
  int changes = 0;
  control.addTarget([&](UIControl*) { ++changes; }, UIControlEventValueChanged);
  control.setOn(true, true);
  EXPECT_TRUE(control.isOn());
  EXPECT_EQ(changes, 0);
  EXPECT_TRUE(control.flip(true).ok());  // no change: nothing sent
  EXPECT_EQ(changes, 0);
  EXPECT_TRUE(control.flip(false).ok());
  EXPECT_FALSE(control.isOn());
  EXPECT_EQ(changes, 1);
  control.setEnabled(false);
  EXPECT_EQ(control.flip(true).reason(), "the switch is disabled");
  EXPECT_FALSE(control.isOn());
  EXPECT_EQ(changes, 1);
}

TEST(SegmentedControlTest, AnIndexThatIsNotASegmentSelectsNothing) {
  UISegmentedControl control({"Map", "Satellite", "Hybrid"});
  EXPECT_EQ(control.selectedSegmentIndex(), UISegmentedControlNoSegment);
  control.setSelectedSegmentIndex(2);
  EXPECT_EQ(control.selectedSegmentIndex(), 2);
  control.setSelectedSegmentIndex(3);
  EXPECT_EQ(control.selectedSegmentIndex(), UISegmentedControlNoSegment);
  control.setSelectedSegmentIndex(1);
  control.setSelectedSegmentIndex(-7);
  EXPECT_EQ(control.selectedSegmentIndex(), UISegmentedControlNoSegment);
  EXPECT_EQ(control.titleForSegmentAtIndex(1), "Satellite");
  EXPECT_EQ(control.titleForSegmentAtIndex(3), "");
}

TEST(SegmentedControlTest, APickSendsValueChangedOnlyWhenTheSelectionMoves) {
  UISegmentedControl control({"km", "mi"});
  std::vector<int> seen;
  control.addTarget(
      [&](UIControl* sender) {
        seen.push_back(static_cast<UISegmentedControl*>(sender)->selectedSegmentIndex());
      },
      UIControlEventValueChanged);
  EXPECT_TRUE(control.pickSegment(1).ok());
  EXPECT_TRUE(control.pickSegment(1).ok());
  EXPECT_EQ(control.pickSegment(2).reason(), "the segmented control has 2 segments");
  EXPECT_FALSE(control.pickSegment(-1).ok());
  EXPECT_EQ(seen, std::vector<int>{1});
  EXPECT_EQ(control.selectedSegmentIndex(), 1);

  // A momentary control reports every pick and shows no selection afterwards.
  control.setMomentary(true);
  EXPECT_TRUE(control.pickSegment(1).ok());
  EXPECT_EQ(seen, (std::vector<int>{1, 1}));
  EXPECT_EQ(control.selectedSegmentIndex(), UISegmentedControlNoSegment);
}

TEST(SegmentedControlTest, InsertingAndRemovingKeepsTheSelectedSegment) {
  UISegmentedControl control({"a", "b", "c"});
  control.setSelectedSegmentIndex(1);
  control.insertSegmentWithTitle("first", 0, false);
  EXPECT_EQ(control.selectedSegmentIndex(), 2);
  control.insertSegmentWithTitle("last", 99, false);
  EXPECT_EQ(control.titleForSegmentAtIndex(4), "last");
  control.removeSegmentAtIndex(0, false);
  EXPECT_EQ(control.selectedSegmentIndex(), 1);
  control.removeSegmentAtIndex(1, false);
  EXPECT_EQ(control.selectedSegmentIndex(), UISegmentedControlNoSegment);
}

TEST(ActivityIndicatorTest, HiddenWhileStoppedUnlessToldOtherwise) {
  UIActivityIndicatorView spinner(UIActivityIndicatorViewStyleGray);
  EXPECT_TRUE(spinner.isHidden());
  spinner.startAnimating();
  EXPECT_TRUE(spinner.isAnimating());
  EXPECT_FALSE(spinner.isHidden());
  spinner.stopAnimating();
  EXPECT_TRUE(spinner.isHidden());
  spinner.setHidesWhenStopped(false);
  EXPECT_FALSE(spinner.isHidden());
}

namespace {

// Lets the web view follow http links only and records what it was asked.
class LinkPolicy : public UIWebViewDelegate {
 public:
  std::vector<std::string> asked;
  int finished = 0;
  bool webViewShouldStartLoadWithRequest(UIWebView*, const NSURLRequest& request,
                                         UIWebViewNavigationType type) override {
    asked.push_back(std::to_string(type) + " " + request.url());
    return request.url().rfind("mailto:", 0) != 0;
  }
  void webViewDidFinishLoad(UIWebView*) override { ++finished; }
};

}  // namespace

TEST(WebViewTest, TheDelegateDecidesWhichLinksAreFollowed) {
  UIWebView web;
  LinkPolicy policy;
  web.setDelegate(&policy);
  web.loadHTMLString("<p>Help</p>", "file:///res/");
  EXPECT_EQ(web.html(), "<p>Help</p>");
  EXPECT_EQ(web.url(), "file:///res/");
  EXPECT_EQ(policy.finished, 1);

  auto kept = web.tapLink("mailto:someone@example.org");
  ASSERT_TRUE(kept.ok());
  EXPECT_FALSE(kept.value());
  EXPECT_EQ(web.html(), "<p>Help</p>");  // still on the help page

  auto followed = web.tapLink("https://example.org/about");
  ASSERT_TRUE(followed.ok());
  EXPECT_TRUE(followed.value());
  EXPECT_EQ(web.url(), "https://example.org/about");
  EXPECT_EQ(web.html(), "");

  EXPECT_FALSE(web.tapLink("about").ok());
  EXPECT_FALSE(web.tapLink("1http://x").ok());
  EXPECT_EQ(policy.asked,
            (std::vector<std::string>{"5 file:///res/", "0 mailto:someone@example.org",
                                      "0 https://example.org/about"}));
}
