#pragma once
// The help page: the template "help.html" of the application's bundle, filled with the bundle's
// path, the version and a short block of device data, shown in a web view. A tapped link is
// handed to the system and never followed inside the page.
#include <memory>
#include <string>

#include "platform/ui/UIViewController.h"
#include "platform/ui/UIWebView.h"

namespace tessaly {

class WebViewController : public platform::UIViewController, public platform::UIWebViewDelegate {
 public:
  static constexpr const char* kTitle = "Information";
  static constexpr const char* kNotFoundHTML = "<br>&nbsp;<br>&nbsp;<br>&nbsp;<br>HTML not found";
  // A phone's web view leaves room for the navigation bar above it.
  static constexpr float kPhoneWebViewOffset = 44;

  // What the three placeholders stand for.
  struct Facts {
    std::string bundlePath;
    std::string version;
    std::string model;
    std::string systemVersion;
  };

  WebViewController() = default;
  std::string kind() const override { return "helpScreen"; }

  const std::shared_ptr<platform::UIWebView>& webView() const { return _webView; }
  void setWebView(std::shared_ptr<platform::UIWebView> webView) { _webView = std::move(webView); }

  // Without an interface file the screen makes its web view itself, filling the screen.
  void loadView() override;
  void viewDidLoad() override;
  bool shouldAutorotate() override;
  unsigned supportedInterfaceOrientations() override;
  bool shouldAutorotateToInterfaceOrientation(int orientation) override;
  // The tablet's "Back".
  void backButton();

  bool webViewShouldStartLoadWithRequest(platform::UIWebView* webView,
                                         const platform::NSURLRequest& request,
                                         platform::UIWebViewNavigationType navigationType) override;

  // The facts of this bundle and device.
  static Facts currentFacts();
  // The template with "[[[CURPATH]]]", then "[[[VERSION]]]", then "[[[MAILBODY]]]" replaced
  // wherever they occur, as written (no escaping: the page shows it in a sandboxed frame).
  static std::string fillTemplate(std::string page, const Facts& facts);

 private:
  std::shared_ptr<platform::UIWebView> _webView;
};

}  // namespace tessaly
