// The help page: its template filled from the bundle and the device, the fallbacks when the
// template is missing or not UTF-8, tapped links handed to the system, and how the map screen's
// info button shows it on a phone and on a tablet.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/LaunchedApp.h"
#include "help/WebViewController.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/NSBundle.h"
#include "platform/foundation/UTF8Text.h"

namespace tessaly::testing {
namespace {

using namespace tessaly::platform;

const WebViewController::Facts kFacts{"/opt/tessaly/resources", "2.5", "Tablet", "17.1"};

TEST(HelpTemplate, EveryOccurrenceIsReplacedAsWrittenInOrder) {
  struct Case {
    const char* name;
    std::string page, expected;
  };
  const Case cases[] = {
      {"two versions", "v[[[VERSION]]] and v[[[VERSION]]]", "v2.5 and v2.5"},
      {"other letter cases stay", "[[[version]]] [[[Version]]] [[[CURPATH]]]",
       "[[[version]]] [[[Version]]] /opt/tessaly/resources"},
      {"device block ends with a line feed, unescaped in a link",
       "<a href=\"mailto:a@b?body=[[[MAILBODY]]]\">",
       "<a href=\"mailto:a@b?body=Tessaly: 2.5 Device: Tablet Firmware: 17.1\n\">"},
      {"no placeholders", "<p>plain & simple</p>", "<p>plain & simple</p>"},
      {"brackets around a placeholder", "[[[[VERSION]]]]", "[2.5]"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(WebViewController::fillTemplate(c.page, kFacts), c.expected) << c.name;

  // Each pass covers what the previous one left: a bundle path holding a later placeholder has
  // it replaced too, while a version holding an earlier one keeps it.
  WebViewController::Facts odd{"/b/[[[VERSION]]]", "[[[CURPATH]]]", "Phone", "1.0"};
  EXPECT_EQ(WebViewController::fillTemplate("[[[CURPATH]]]|[[[VERSION]]]", odd),
            "/b/[[[CURPATH]]]|[[[CURPATH]]]");
}

TEST(HelpTemplate, TheShippedPageIsUTF8AndFillsCompletely) {
  NSError error;
  auto page =
      stringWithContentsOfUTF8File(NSBundle::mainBundle().bundlePath() + "/help.html", &error);
  ASSERT_TRUE(page) << error.description();
  for (const char* placeholder : {"[[[CURPATH]]]", "[[[VERSION]]]", "[[[MAILBODY]]]"})
    EXPECT_NE(page->find(placeholder), std::string::npos) << placeholder;
  std::string filled = WebViewController::fillTemplate(*page, kFacts);
  EXPECT_EQ(filled.find("[[["), std::string::npos);
  EXPECT_NE(filled.find("© OpenStreetMap contributors"), std::string::npos);
  EXPECT_NE(filled.find("GeoNames"), std::string::npos);
  EXPECT_NE(filled.find("CC BY 4.0"), std::string::npos);
  // The sandboxed frame runs no scripts: the page must not need any.
  EXPECT_EQ(page->find("<script"), std::string::npos);
  EXPECT_EQ(NSBundle::mainBundle().objectForInfoDictionaryKey("CFBundleVersion"), "1.0");
}

class HelpScreenTest : public LaunchedApp {
 protected:
  void TearDown() override {
    setResourcesDirectory("");
    LaunchedApp::TearDown();
  }
  bool isPad() { return UIDevice::currentDevice().isPad(); }
  // Taps the map screen's info button and returns the help screen it opened.
  std::shared_ptr<WebViewController> openHelp() {
    EXPECT_TRUE(screen().navigationItem().rightBarButtonItem()->tap());
    RunLoop::main().runUntilIdle();
    return std::dynamic_pointer_cast<WebViewController>(shownScreen());
  }
  // A bundle of its own: the shipped resources with help.html as given (none when absent).
  void useBundleWithHelp(const std::optional<std::string>& page) {
    std::filesystem::copy(resourcesDirectory(), _bundle.path(),
                          std::filesystem::copy_options::recursive);
    std::filesystem::remove(_bundle.file("help.html"));
    if (page) std::ofstream(_bundle.file("help.html"), std::ios::binary) << *page;
    setResourcesDirectory(_bundle.path());
  }
  TempDir _bundle;
};

TEST_F(HelpScreenTest, ThePageIsFilledFromTheBundleAndTheDevice) {
  useBundleWithHelp("<p>[[[VERSION]]] at [[[CURPATH]]]</p><pre>[[[MAILBODY]]]</pre>");
  launch();
  UIDevice::currentDevice().setModel("Pixel");
  UIDevice::currentDevice().setSystemVersion("14");
  auto help = openHelp();
  ASSERT_TRUE(help);
  EXPECT_EQ(help->title(), "Information");
  EXPECT_EQ(help->webView()->html(), "<p>1.0 at " + _bundle.path() +
                                         "</p><pre>Tessaly: 1.0 Device: Pixel Firmware: 14\n"
                                         "</pre>");
  EXPECT_EQ(help->webView()->baseURL(), "");
  EXPECT_EQ(help->webView()->delegate(), help.get());
}

TEST_F(HelpScreenTest, AMissingTemplateShowsTheFallbackAndAnUnreadableOneNothing) {
  useBundleWithHelp(std::nullopt);
  launch();
  {
    LogCapture log;
    auto help = openHelp();
    ASSERT_TRUE(help);
    EXPECT_EQ(help->webView()->html(), "<br>&nbsp;<br>&nbsp;<br>&nbsp;<br>HTML not found");
    EXPECT_EQ(log.lines(), (std::vector<std::string>{_bundle.path() + "/help.html not found"}));
    ASSERT_TRUE(nav().navigationBar()->tapBackButton());
  }
  // Latin-1 bytes, not UTF-8: the page stays empty and the error is logged.
  std::ofstream(_bundle.file("help.html"), std::ios::binary) << "<p>Caf\xe9 [[[VERSION]]]</p>";
  LogCapture log;
  auto help = openHelp();
  ASSERT_TRUE(help);
  EXPECT_EQ(help->webView()->html(), "");
  EXPECT_EQ(log.lines(),
            (std::vector<std::string>{
                "viewDidLoad Error Domain=NSCocoaErrorDomain Code=261 \"The file \u201chelp.html"
                "\u201d couldn\u2019t be opened using text encoding Unicode (UTF-8).\""}));
}

TEST_F(HelpScreenTest, TappedLinksLeaveTheApplicationAndThePageStays) {
  launch();
  auto help = openHelp();
  ASSERT_TRUE(help);
  std::string page = help->webView()->html();
  ASSERT_FALSE(page.empty());
  for (const char* url : {"https://www.openstreetmap.org/copyright",
                          "mailto:help@tessaly.example?body=Tessaly: 1.0", "about:srcdoc#more"}) {
    auto followed = help->webView()->tapLink(url);
    ASSERT_TRUE(followed) << followed.reason();
    EXPECT_FALSE(*followed) << url;
    EXPECT_EQ(UIApplication::sharedApplication().openedURLs().back(), url);
    EXPECT_EQ(help->webView()->html(), page);
  }
  EXPECT_EQ(UIApplication::sharedApplication().openedURLs().size(), 3u);
  // Every other kind of navigation proceeds in the page.
  for (auto type : {UIWebViewNavigationTypeFormSubmitted, UIWebViewNavigationTypeBackForward,
                    UIWebViewNavigationTypeReload, UIWebViewNavigationTypeFormResubmitted,
                    UIWebViewNavigationTypeOther})
    EXPECT_TRUE(help->webViewShouldStartLoadWithRequest(help->webView().get(),
                                                        NSURLRequest("https://x.example/"), type));
  EXPECT_EQ(UIApplication::sharedApplication().openedURLs().size(), 3u);
}

TEST_F(HelpScreenTest, PhonePushesItBelowTheBarTabletShowsAFormSheetWithBack) {
  for (auto idiom : {UIUserInterfaceIdiomPhone, UIUserInterfaceIdiomPad}) {
    launch(idiom);
    auto help = openHelp();
    ASSERT_TRUE(help);
    if (idiom == UIUserInterfaceIdiomPad) {
      auto sheet =
          std::dynamic_pointer_cast<UINavigationController>(nav().presentedViewController());
      ASSERT_TRUE(sheet);
      EXPECT_EQ(sheet->modalPresentationStyle(), UIModalPresentationFormSheet);
      EXPECT_EQ(sheet->modalTransitionStyle(), UIModalTransitionStyleCoverVertical);
      EXPECT_EQ(help->modalPresentationStyle(), UIModalPresentationFormSheet);
      EXPECT_EQ(help->webView()->frame().origin.y, 0);
      EXPECT_TRUE(help->shouldAutorotate());
      EXPECT_EQ(help->supportedInterfaceOrientations(), UIInterfaceOrientationMaskAll);
      auto back = help->navigationItem().leftBarButtonItem();
      ASSERT_TRUE(back);
      EXPECT_EQ(back->title(), "Back");
      EXPECT_EQ(back->style(), UIBarButtonItemStyleDone);
      std::weak_ptr<WebViewController> gone = help;
      help.reset();
      sheet.reset();
      EXPECT_TRUE(back->tap());
      EXPECT_EQ(nav().presentedViewController(), nullptr);
      EXPECT_TRUE(gone.expired());
    } else {
      EXPECT_EQ(nav().viewControllers().size(), 2u);
      EXPECT_TRUE(nav().isToolbarHidden());
      EXPECT_EQ(help->navigationItem().leftBarButtonItem(), nullptr);
      // Below the bar's room, and ending where the screen does: nothing of the page is cut off.
      CGRect room = help->view()->bounds();
      EXPECT_EQ(help->webView()->frame(),
                CGRectMake(0, 44, room.size.width, room.size.height - 44));
      EXPECT_FALSE(help->shouldAutorotate());
      EXPECT_EQ(help->supportedInterfaceOrientations(), UIInterfaceOrientationMaskPortrait);
      EXPECT_FALSE(help->shouldAutorotateToInterfaceOrientation(UIInterfaceOrientationPortrait));
      EXPECT_TRUE(nav().navigationBar()->tapBackButton());
      RunLoop::main().runUntilIdle();
      EXPECT_EQ(nav().viewControllers().size(), 1u);
      EXPECT_FALSE(nav().isToolbarHidden());
    }
  }
}

}  // namespace
}  // namespace tessaly::testing
