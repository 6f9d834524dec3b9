#include <gtest/gtest.h>

#include "ScreenLog.h"
#include "platform/foundation/RunLoop.h"

using namespace tessaly::platform;
using tessaly::platform::testing::launch;
using tessaly::platform::testing::Log;
using tessaly::platform::testing::LoggingScreen;
using NavigationTest = tessaly::platform::testing::ApplicationTest;

TEST_F(NavigationTest, LaunchLoadsAndShowsTheRootScreenBelowTheBar) {
  auto root = std::make_shared<LoggingScreen>("map", log);
  auto app = launch(root);
  EXPECT_EQ(log, (Log{"map load", "map willAppear", "map didAppear"}));
  EXPECT_EQ(UIApplication::sharedApplication().keyWindow(), app.window);
  EXPECT_EQ(app.navigation->view()->frame(), CGRectMake(0, 0, 320, 480));
  EXPECT_EQ(app.navigation->navigationBar()->frame(), CGRectMake(0, 20, 320, 44));
  EXPECT_EQ(root->view()->frame(), CGRectMake(0, 64, 320, 416));
  EXPECT_EQ(root->view()->convertPoint({0, 0}, nullptr), (CGPoint{0, 64}));
  EXPECT_TRUE(app.navigation->isToolbarHidden());
  EXPECT_TRUE(root->isVisible());

  // The toolbar lies over the screen's view; hiding the bar gives the screen the whole height.
  app.navigation->setToolbarHidden(false, false);
  EXPECT_FALSE(app.navigation->toolbar()->isHidden());
  EXPECT_EQ(app.navigation->toolbar()->frame(), CGRectMake(0, 436, 320, 44));
  EXPECT_EQ(root->view()->frame().size.height, 416);
  app.navigation->setNavigationBarHidden(true, false);
  EXPECT_TRUE(app.navigation->navigationBar()->isHidden());
  EXPECT_EQ(root->view()->frame(), CGRectMake(0, 20, 320, 460));
}

TEST_F(NavigationTest, PushAndPopMoveAppearanceToolbarItemsAndTheBackButton) {
  auto root = std::make_shared<LoggingScreen>("map", log);
  auto app = launch(root);
  auto tool = std::make_shared<UIBarButtonItem>(UIBarButtonSystemItemTrash);
  root->setToolbarItems({tool});
  EXPECT_EQ(app.navigation->toolbar()->items(), UIBarButtonItems{tool});
  root->navigationItem().setBackBarButtonItem(
      std::make_shared<UIBarButtonItem>("Back", UIBarButtonItemStylePlain));

  auto settings = std::make_shared<LoggingScreen>("settings", log);
  settings->setTitle("Settings");
  log.clear();
  app.navigation->pushViewController(settings, true);
  EXPECT_EQ(log, (Log{"map willDisappear", "settings load", "settings willAppear",
                      "map didDisappear", "settings didAppear"}));
  EXPECT_EQ(app.navigation->topViewController(), settings.get());
  EXPECT_EQ(settings->navigationController(), app.navigation.get());
  EXPECT_TRUE(app.navigation->toolbar()->items().empty());
  EXPECT_EQ(app.navigation->navigationBar()->topItem()->title(), "Settings");
  EXPECT_EQ(app.navigation->navigationBar()->backButtonTitle(), "Back");
  EXPECT_EQ(root->view()->superview(), nullptr);
  EXPECT_THROW(app.navigation->pushViewController(settings, false), std::invalid_argument);

  log.clear();
  EXPECT_TRUE(app.navigation->navigationBar()->tapBackButton());
  EXPECT_EQ(log, (Log{"settings willDisappear", "map willAppear", "settings didDisappear",
                      "map didAppear"}));
  EXPECT_EQ(settings->navigationController(), nullptr);
  EXPECT_EQ(app.navigation->toolbar()->items(), UIBarButtonItems{tool});
  EXPECT_FALSE(app.navigation->navigationBar()->tapBackButton());  // nothing below the root
  EXPECT_EQ(app.navigation->popViewControllerAnimated(true), nullptr);
}

TEST_F(NavigationTest, TabletFormSheetFloatsOverTheScreenThatStaysVisible) {
  UIDevice::currentDevice().reset(UIUserInterfaceIdiomPad);
  auto root = std::make_shared<LoggingScreen>("map", log);
  auto app = launch(root);
  auto settings = std::make_shared<LoggingScreen>("settings", log);
  auto wrapper = std::make_shared<UINavigationController>(settings);
  wrapper->setModalPresentationStyle(UIModalPresentationFormSheet);
  settings->setModalPresentationStyle(UIModalPresentationFormSheet);
  log.clear();

  root->presentViewController(wrapper, true);
  EXPECT_EQ(log, (Log{"settings load", "settings willAppear", "settings didAppear"}));
  // The presentation belongs to the outermost container.
  EXPECT_EQ(app.navigation->presentedViewController(), wrapper);
  EXPECT_EQ(settings->presentingViewController(), app.navigation.get());
  EXPECT_EQ(app.navigation->visibleViewController(), settings.get());
  EXPECT_EQ(wrapper->view()->frame(), CGRectMake(114, 202, 540, 620));
  // A sheet has no status bar above its navigation bar.
  EXPECT_EQ(wrapper->navigationBar()->frame(), CGRectMake(0, 0, 540, 44));
  EXPECT_EQ(settings->view()->frame(), CGRectMake(0, 44, 540, 576));
  EXPECT_EQ(wrapper->view()->superview(), app.window.get());
  EXPECT_TRUE(root->isVisible());

  log.clear();
  settings->dismissViewControllerAnimated(true);  // the "Back" button of the sheet
  EXPECT_EQ(log, (Log{"settings willDisappear", "settings didDisappear"}));
  EXPECT_EQ(app.navigation->presentedViewController(), nullptr);
  EXPECT_EQ(wrapper->view()->superview(), nullptr);
}

TEST_F(NavigationTest, OnAPhoneEveryPresentationCoversTheScreen) {
  auto root = std::make_shared<LoggingScreen>("map", log);
  auto app = launch(root);
  auto help = std::make_shared<LoggingScreen>("help", log);
  help->setModalPresentationStyle(UIModalPresentationFormSheet);
  log.clear();
  root->presentViewController(help, false);
  EXPECT_EQ(help->view()->frame(), CGRectMake(0, 0, 320, 480));
  EXPECT_EQ(log, (Log{"help load", "map willDisappear", "help willAppear", "map didDisappear",
                      "help didAppear"}));
  auto other = std::make_shared<LoggingScreen>("other", log);
  root->presentViewController(other, false);  // already presenting: refused
  EXPECT_EQ(app.navigation->presentedViewController(), help);
  log.clear();
  app.navigation->dismissViewControllerAnimated(false);
  EXPECT_EQ(log,
            (Log{"help willDisappear", "map willAppear", "help didDisappear", "map didAppear"}));
}

TEST_F(NavigationTest, ApplicationFactsAndURLs) {
  auto& app = UIApplication::sharedApplication();
  EXPECT_FALSE(app.isIdleTimerDisabled());
  app.setIdleTimerDisabled(true);
  app.setNetworkActivityIndicatorVisible(true);
  EXPECT_TRUE(app.openURL("mailto:someone@example.org"));
  EXPECT_FALSE(app.openURL("no scheme here"));
  EXPECT_FALSE(app.openURL(":nothing"));
  EXPECT_FALSE(app.openURL("1http://x"));
  EXPECT_FALSE(app.openURL("ht tp://x"));
  EXPECT_EQ(app.openedURLs(), std::vector<std::string>{"mailto:someone@example.org"});
  app.reset();
  EXPECT_FALSE(app.isIdleTimerDisabled());
  EXPECT_FALSE(app.isNetworkActivityIndicatorVisible());
  EXPECT_TRUE(app.openedURLs().empty());
}

TEST_F(NavigationTest, LaunchCallsTheDelegateOnce) {
  struct Delegate : UIApplicationDelegate {
    int launches = 0;
    void applicationDidFinishLaunching(UIApplication* app) override {
      ++launches;
      EXPECT_EQ(app, &UIApplication::sharedApplication());
    }
  };
  auto delegate = std::make_shared<Delegate>();
  UIApplication::sharedApplication().launch(delegate);
  EXPECT_EQ(delegate->launches, 1);
  EXPECT_EQ(UIApplication::sharedApplication().delegate(), delegate.get());
  EXPECT_TRUE(UIApplication::sharedApplication().isLaunched());
}

TEST_F(NavigationTest, TheEntryLaunchesRunsTheMainLoopAndEnds) {
  struct Delegate : UIApplicationDelegate {
    std::vector<std::string> calls;
    void applicationDidFinishLaunching(UIApplication*) override {
      calls.push_back("launched");
      RunLoop::main().post([this] {
        calls.push_back("first turn");
        RunLoop::main().stop();
      });
    }
    void applicationWillTerminate(UIApplication*) override { calls.push_back("terminate"); }
  };
  auto delegate = std::make_shared<Delegate>();
  char name[] = "tessaly";
  char* argv[] = {name, nullptr};
  EXPECT_EQ(UIApplicationMain(1, argv, delegate), 0);
  EXPECT_EQ(delegate->calls, (std::vector<std::string>{"launched", "first turn", "terminate"}));
  RunLoop::main().reset();
}
