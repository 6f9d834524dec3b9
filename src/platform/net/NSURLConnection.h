#pragma once
// One HTTP GET in flight. It starts when it is made; its events arrive on the main run loop, one
// at a time and in order: the response, the body in pieces, then either the finish or a failure.
// After cancel() (or the connection's end) no further event arrives.
#include <cstddef>
#include <memory>
#include <string_view>

#include "platform/foundation/NSError.h"
#include "platform/net/NSURLRequest.h"

namespace tessaly::platform {

class NSURLConnection;
struct HTTPTransfer;

class NSURLConnectionDelegate {
 public:
  virtual ~NSURLConnectionDelegate() = default;
  virtual void connectionDidReceiveResponse(NSURLConnection* /*connection*/,
                                            const NSHTTPURLResponse& /*response*/) {}
  virtual void connectionDidReceiveData(NSURLConnection* /*connection*/,
                                        std::string_view /*data*/) {}
  virtual void connectionDidFailWithError(NSURLConnection* /*connection*/,
                                          const NSError& /*error*/) {}
  virtual void connectionDidFinishLoading(NSURLConnection* /*connection*/) {}
};

// Error domain and codes of failed transfers.
inline constexpr const char* NSURLErrorDomain = "NSURLErrorDomain";
enum NSURLErrorCode : long {
  NSURLErrorUnknown = -1,
  NSURLErrorTimedOut = -1001,
  NSURLErrorUnsupportedURL = -1002,
  NSURLErrorCannotFindHost = -1003,
  NSURLErrorCannotConnectToHost = -1004,
  NSURLErrorNetworkConnectionLost = -1005,
  NSURLErrorHTTPTooManyRedirects = -1007,
  NSURLErrorBadServerResponse = -1011,
  NSURLErrorDataLengthExceedsMaximum = -1103,
  NSURLErrorSecureConnectionFailed = -1200,
};

class NSURLConnection {
 public:
  // A body longer than this fails the transfer; nothing of it is kept.
  static constexpr std::size_t kMaximumBodyLength = std::size_t{32} << 20;
  // Redirects followed before the transfer fails.
  static constexpr long kMaximumRedirects = 5;

  // connectionWithRequest:delegate:, started at once. Null when the request cannot be made: an
  // address that is malformed or not http or https. The delegate is not owned and must stay
  // until the connection finishes, fails, is cancelled or goes away.
  static std::unique_ptr<NSURLConnection> connectionWithRequest(const NSURLRequest& request,
                                                                NSURLConnectionDelegate* delegate);
  ~NSURLConnection();
  NSURLConnection(const NSURLConnection&) = delete;
  NSURLConnection& operator=(const NSURLConnection&) = delete;

  const NSURLRequest& originalRequest() const { return _request; }
  // Stops the transfer; the delegate hears nothing more from it.
  void cancel();

 private:
  NSURLConnection(const NSURLRequest& request, NSURLConnectionDelegate* delegate);

  NSURLRequest _request;
  std::shared_ptr<HTTPTransfer> _transfer;
};

}  // namespace tessaly::platform
