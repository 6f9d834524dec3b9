#include "platform/net/NSURLConnection.h"

#include <curl/curl.h>
#include <strings.h>

#include "platform/net/HTTPTransferEngine.h"

namespace tessaly::platform {
namespace {

// Only well-formed http and https addresses with a host are fetched.
bool fetchable(const std::string& url) {
  CURLU* parts = curl_url();
  bool ok = false;
  if (curl_url_set(parts, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK) {
    char* scheme = nullptr;
    char* host = nullptr;
    if (curl_url_get(parts, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
        curl_url_get(parts, CURLUPART_HOST, &host, 0) == CURLUE_OK)
      ok = (strcasecmp(scheme, "http") == 0 || strcasecmp(scheme, "https") == 0) && *host != 0;
    curl_free(scheme);
    curl_free(host);
  }
  curl_url_cleanup(parts);
  return ok;
}

}  // namespace

std::unique_ptr<NSURLConnection> NSURLConnection::connectionWithRequest(
    const NSURLRequest& request, NSURLConnectionDelegate* delegate) {
  if (delegate == nullptr || !fetchable(request.url())) return nullptr;
  return std::unique_ptr<NSURLConnection>(new NSURLConnection(request, delegate));
}

NSURLConnection::NSURLConnection(const NSURLRequest& request, NSURLConnectionDelegate* delegate)
    : _request(request), _transfer(std::make_shared<HTTPTransfer>(request, this, delegate)) {
  HTTPTransferEngine::shared().start(_transfer);
}

NSURLConnection::~NSURLConnection() {
  cancel();
}

void NSURLConnection::cancel() {
  if (!_transfer || _transfer->cancelled.load()) return;
  HTTPTransferEngine::shared().cancel(_transfer);
}

}  // namespace tessaly::platform
