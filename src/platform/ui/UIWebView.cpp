#include "platform/ui/UIWebView.h"

#include <cctype>

#include "platform/ui/DescriptionSink.h"
#include "platform/ui/Touch.h"

namespace tessaly::platform {
namespace {

// "scheme:" with a letter first and then letters, digits, "+", "-" or ".".
bool hasScheme(const std::string& url) {
  auto colon = url.find(':');
  if (colon == std::string::npos || colon == 0) return false;
  if (!std::isalpha(static_cast<unsigned char>(url[0]))) return false;
  for (std::size_t i = 1; i < colon; ++i) {
    unsigned char c = static_cast<unsigned char>(url[i]);
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
  }
  return true;
}

}  // namespace

bool UIWebView::shouldStart(const NSURLRequest& request, UIWebViewNavigationType type) {
  return _delegate == nullptr || _delegate->webViewShouldStartLoadWithRequest(this, request, type);
}

void UIWebView::finishLoad() {
  if (_delegate == nullptr) return;
  _delegate->webViewDidStartLoad(this);
  _delegate->webViewDidFinishLoad(this);
}

void UIWebView::loadHTMLString(const std::string& html, const std::string& baseURL) {
  if (!shouldStart(NSURLRequest(baseURL.empty() ? "about:blank" : baseURL),
                   UIWebViewNavigationTypeOther))
    return;
  _html = html;
  _baseURL = baseURL;
  _url = baseURL;
  finishLoad();
}

void UIWebView::loadRequest(const NSURLRequest& request) {
  if (!shouldStart(request, UIWebViewNavigationTypeOther)) return;
  _html.clear();
  _baseURL.clear();
  _url = request.url();
  finishLoad();
}

Result<bool> UIWebView::tapLink(const std::string& url) {
  if (!hasScheme(url)) return Refusal{"a link must be an absolute address with a scheme"};
  if (isHidden()) return Refusal{"the web view is hidden"};
  NSURLRequest request(url);
  if (!shouldStart(request, UIWebViewNavigationTypeLinkClicked)) return false;
  _html.clear();
  _baseURL.clear();
  _url = url;
  finishLoad();
  return true;
}

void UIWebView::describeProperties(DescriptionSink& sink) const {
  sink.string("html", _html);
  sink.string("baseURL", _baseURL);
  if (_url.empty())
    sink.null("url");
  else
    sink.string("url", _url);
}

Result<> UIWebView::applyTouch(const Touch& touch, const DescriptionNode& target) {
  if (touch.kind != Touch::Kind::TapLink) return UIView::applyTouch(touch, target);
  auto followed = tapLink(touch.url);
  if (!followed) return Refusal{followed.reason()};
  return done();
}

}  // namespace tessaly::platform
