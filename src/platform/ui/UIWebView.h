#pragma once
// A view that shows a web page made from an HTML text. The page's links reach the delegate
// first: it decides whether the view follows one (the help page hands mail links to the
// system instead). The page itself is drawn by the renderer (a sandboxed frame in a browser).
#include <string>

#include "platform/foundation/NSError.h"
#include "platform/foundation/Result.h"
#include "platform/net/NSURLRequest.h"
#include "platform/ui/UIView.h"

namespace tessaly::platform {

class UIWebView;

enum UIWebViewNavigationType {
  UIWebViewNavigationTypeLinkClicked = 0,
  UIWebViewNavigationTypeFormSubmitted = 1,
  UIWebViewNavigationTypeBackForward = 2,
  UIWebViewNavigationTypeReload = 3,
  UIWebViewNavigationTypeFormResubmitted = 4,
  UIWebViewNavigationTypeOther = 5,
};

class UIWebViewDelegate {
 public:
  virtual ~UIWebViewDelegate() = default;
  // Answers whether the view loads the request.
  virtual bool webViewShouldStartLoadWithRequest(UIWebView* /*webView*/,
                                                 const NSURLRequest& /*request*/,
                                                 UIWebViewNavigationType /*navigationType*/) {
    return true;
  }
  virtual void webViewDidStartLoad(UIWebView* /*webView*/) {}
  virtual void webViewDidFinishLoad(UIWebView* /*webView*/) {}
  virtual void webViewDidFailLoadWithError(UIWebView* /*webView*/, const NSError& /*error*/) {}
};

class UIWebView : public UIView {
 public:
  using UIView::UIView;
  std::string kind() const override { return "webView"; }
  std::string_view descriptionKind() const override { return "webView"; }

  UIWebViewDelegate* delegate() const { return _delegate; }
  void setDelegate(UIWebViewDelegate* delegate) { _delegate = delegate; }

  // Shows the HTML text; relative links resolve against baseURL. The delegate is asked about
  // the base address (navigation type other) and hears the load start and finish.
  void loadHTMLString(const std::string& html, const std::string& baseURL);
  // Loads the address the request names (the renderer fetches it).
  void loadRequest(const NSURLRequest& request);
  const std::string& html() const { return _html; }
  const std::string& baseURL() const { return _baseURL; }
  // The address of the page shown: the base URL of an HTML text, else the request's.
  const std::string& url() const { return _url; }
  bool scalesPageToFit() const { return _scalesPageToFit; }
  void setScalesPageToFit(bool scales) { _scalesPageToFit = scales; }

  // Input: a tap on a link of the page. Refused when the address is not absolute; returns
  // whether the view followed it (false when the delegate kept it from loading).
  Result<bool> tapLink(const std::string& url);

 protected:
  void describeProperties(DescriptionSink& sink) const override;
  Result<> applyTouch(const Touch& touch, const DescriptionNode& target) override;

 private:
  bool shouldStart(const NSURLRequest& request, UIWebViewNavigationType type);
  void finishLoad();

  UIWebViewDelegate* _delegate = nullptr;
  std::string _html;
  std::string _baseURL;
  std::string _url;
  bool _scalesPageToFit = false;
};

}  // namespace tessaly::platform
