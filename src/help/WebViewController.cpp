#include "help/WebViewController.h"

#include <algorithm>
#include <filesystem>

#include "platform/foundation/Log.h"
#include "platform/foundation/NSBundle.h"
#include "platform/foundation/UTF8Text.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIDevice.h"

namespace tessaly {

namespace p = tessaly::platform;

namespace {

bool isTablet() {
  return p::UIDevice::currentDevice().userInterfaceIdiom() == p::UIUserInterfaceIdiomPad;
}

}  // namespace

void WebViewController::loadView() {
  auto view = std::make_shared<p::UIView>(p::UIScreen::mainScreen().applicationFrame());
  view->setAutoresizingMask(p::UIViewAutoresizingFlexibleWidth |
                            p::UIViewAutoresizingFlexibleHeight);
  _webView = std::make_shared<p::UIWebView>(view->bounds());
  _webView->setAutoresizingMask(p::UIViewAutoresizingFlexibleWidth |
                                p::UIViewAutoresizingFlexibleHeight);
  _webView->setDelegate(this);
  view->addSubview(_webView);
  setView(view);
}

void WebViewController::viewDidLoad() {
  setTitle(kTitle);
  if (isTablet()) {
    std::weak_ptr<p::UIViewController> weakSelf = weak_from_this();
    navigationItem().setLeftBarButtonItem(std::make_shared<p::UIBarButtonItem>(
        "Back", p::UIBarButtonItemStyleDone, [weakSelf](p::UIBarButtonItem*) {
          if (auto self = weakSelf.lock()) static_cast<WebViewController&>(*self).backButton();
        }));
  } else if (_webView) {
    // Moved down, and shorter by as much: the page's last lines stay on the screen.
    p::CGRect frame = _webView->bounds();
    frame.origin.y = kPhoneWebViewOffset;
    frame.size.height = std::max<p::CGFloat>(0, frame.size.height - kPhoneWebViewOffset);
    _webView->setFrame(frame);
  }
  if (!_webView) return;

  Facts facts = currentFacts();
  std::string path = facts.bundlePath + "/help.html";
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    p::log(path + " not found");
    _webView->loadHTMLString(kNotFoundHTML, "");
    return;
  }
  p::NSError error;
  auto page = p::stringWithContentsOfUTF8File(path, &error);
  if (!page) {
    p::logf("%s %s", __func__, error.description().c_str());
    return;
  }
  _webView->loadHTMLString(fillTemplate(std::move(*page), facts), "");
}

WebViewController::Facts WebViewController::currentFacts() {
  const p::UIDevice& device = p::UIDevice::currentDevice();
  // A bundle without a version shows none rather than failing the page.
  return Facts{p::NSBundle::mainBundle().bundlePath(),
               p::NSBundle::mainBundle().objectForInfoDictionaryKey("CFBundleVersion").value_or(""),
               device.model(), device.systemVersion()};
}

std::string WebViewController::fillTemplate(std::string page, const Facts& facts) {
  std::string mailBody = "Tessaly: " + facts.version + " Device: " + facts.model +
                         " Firmware: " + facts.systemVersion + "\n";
  p::replaceOccurrencesOfString(page, "[[[CURPATH]]]", facts.bundlePath);
  p::replaceOccurrencesOfString(page, "[[[VERSION]]]", facts.version);
  p::replaceOccurrencesOfString(page, "[[[MAILBODY]]]", mailBody);
  return page;
}

bool WebViewController::webViewShouldStartLoadWithRequest(
    p::UIWebView*, const p::NSURLRequest& request, p::UIWebViewNavigationType navigationType) {
  if (navigationType != p::UIWebViewNavigationTypeLinkClicked) return true;
  // Every tapped link leaves the application, also one to another help page; no handler for
  // it leaves the page as it is.
  p::UIApplication::sharedApplication().openURL(request.url());
  return false;
}

void WebViewController::backButton() {
  auto keepAlive = shared_from_this();
  if (p::UIViewController* presenting = presentingViewController())
    presenting->dismissViewControllerAnimated(true);
}

bool WebViewController::shouldAutorotate() {
  return isTablet();
}

unsigned WebViewController::supportedInterfaceOrientations() {
  return isTablet() ? p::UIInterfaceOrientationMaskAll : p::UIInterfaceOrientationMaskPortrait;
}

bool WebViewController::shouldAutorotateToInterfaceOrientation(int /*orientation*/) {
  return isTablet();
}

}  // namespace tessaly
