#include <gtest/gtest.h>

#include "platform/ads/ADBannerView.h"
#include "platform/ui/UIApplication.h"

using namespace tessaly::platform;

namespace {

struct Listener : ADBannerViewDelegate {
  std::vector<std::string> calls;
  bool allow = true;
  void bannerViewDidLoadAd(ADBannerView*) override { calls.push_back("loaded"); }
  void bannerViewDidFailToReceiveAdWithError(ADBannerView*, const NSError& error) override {
    calls.push_back("failed " + error.localizedDescription);
  }
  bool bannerViewActionShouldBeginWillLeaveApplication(ADBannerView*, bool leave) override {
    calls.push_back(std::string("begin? ") + (leave ? "leave" : "stay"));
    return allow;
  }
  void bannerViewActionDidFinish(ADBannerView*) override { calls.push_back("finished"); }
};

class BannerTest : public ::testing::Test {
 protected:
  void SetUp() override { UIApplication::sharedApplication().reset(); }
  void TearDown() override { UIApplication::sharedApplication().reset(); }
};

}  // namespace

TEST_F(BannerTest, ContentSizesFollowTheScreen) {
  struct Case {
    UIUserInterfaceIdiom idiom;
    const std::string& identifier;
    CGSize size;
  };
  for (const auto& c :
       {Case{UIUserInterfaceIdiomPhone, ADBannerContentSizeIdentifierPortrait, {320, 50}},
        Case{UIUserInterfaceIdiomPhone, ADBannerContentSizeIdentifierLandscape, {480, 32}},
        Case{UIUserInterfaceIdiomPad, ADBannerContentSizeIdentifierPortrait, {768, 50}},
        Case{UIUserInterfaceIdiomPad, ADBannerContentSizeIdentifierLandscape, {1024, 32}},
        Case{UIUserInterfaceIdiomPad, ADBannerContentSizeIdentifier320x50, {320, 50}},
        Case{UIUserInterfaceIdiomPad, ADBannerContentSizeIdentifier480x32, {480, 32}}}) {
    UIDevice::currentDevice().reset(c.idiom);
    ADBannerView banner;
    banner.setFrame(CGRectMake(0, 416, 1, 1));
    banner.setCurrentContentSizeIdentifier(c.identifier);
    EXPECT_EQ(banner.frame(), (CGRect{{0, 416}, c.size})) << c.identifier;
    EXPECT_EQ(banner.bounds().size, c.size);
  }
}

TEST_F(BannerTest, StartsUnloadedWithThePortraitSizeAndRefusesUnknownSizes) {
  ADBannerView banner(CGRectZero);
  EXPECT_FALSE(banner.isBannerLoaded());
  EXPECT_EQ(banner.frame(), CGRectMake(0, 0, 320, 50));
  EXPECT_THROW(banner.setCurrentContentSizeIdentifier("ADBannerContentSize300x250"),
               std::invalid_argument);
  EXPECT_THROW(banner.setRequiredContentSizeIdentifiers({"nonsense"}), std::invalid_argument);
  banner.setRequiredContentSizeIdentifiers(
      {ADBannerContentSizeIdentifierPortrait, ADBannerContentSizeIdentifierLandscape});
  EXPECT_EQ(banner.requiredContentSizeIdentifiers().size(), 2u);
  EXPECT_EQ(banner.currentContentSizeIdentifier(), ADBannerContentSizeIdentifierPortrait);
}

TEST_F(BannerTest, LoadTapFinishAndFailureReachTheDelegate) {
  ADBannerView banner;
  Listener listener;
  banner.setDelegate(&listener);
  EXPECT_FALSE(banner.tap());  // nothing loaded: nothing to act on
  banner.loadAd();
  EXPECT_TRUE(banner.isBannerLoaded());
  EXPECT_TRUE(banner.tap(true));
  EXPECT_TRUE(banner.isBannerViewActionInProgress());
  EXPECT_FALSE(banner.tap());  // already in its action
  banner.finishAction();
  banner.finishAction();  // only one end per action
  banner.failToReceiveAd({"ADErrorDomain", 3, "No ad"});
  EXPECT_FALSE(banner.isBannerLoaded());
  EXPECT_EQ(listener.calls,
            (std::vector<std::string>{"loaded", "begin? leave", "finished", "failed No ad"}));
}

TEST_F(BannerTest, ADelegateThatRefusesStopsTheAction) {
  ADBannerView banner;
  Listener listener;
  listener.allow = false;
  banner.setDelegate(&listener);
  banner.loadAd();
  EXPECT_FALSE(banner.tap());
  EXPECT_FALSE(banner.isBannerViewActionInProgress());
  banner.finishAction();
  EXPECT_EQ(listener.calls, (std::vector<std::string>{"loaded", "begin? stay"}));
}

TEST_F(BannerTest, FailingDuringAnActionEndsIt) {
  ADBannerView banner;
  Listener listener;
  banner.setDelegate(&listener);
  banner.loadAd();
  banner.tap();
  banner.failToReceiveAd({"ADErrorDomain", 1, "gone"});
  EXPECT_FALSE(banner.isBannerViewActionInProgress());
  EXPECT_EQ(listener.calls,
            (std::vector<std::string>{"loaded", "begin? stay", "finished", "failed gone"}));
}
