#pragma once
// The shared state of one transfer between its connection (main thread) and the transfer thread.
#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/net/NSURLRequest.h"

typedef void CURL;
struct curl_slist;

namespace tessaly::platform {

class NSURLConnection;
class NSURLConnectionDelegate;

struct HTTPTransfer : std::enable_shared_from_this<HTTPTransfer> {
  HTTPTransfer(NSURLRequest request, NSURLConnection* connection, NSURLConnectionDelegate* delegate)
      : request(std::move(request)), connection(connection), delegate(delegate) {}

  const NSURLRequest request;

  // Set on the main thread when the connection is cancelled; the transfer thread reads it too.
  std::atomic<bool> cancelled{false};

  // Main thread only.
  NSURLConnection* connection;
  NSURLConnectionDelegate* delegate;
  bool ended = false;  // the finish or the failure was delivered

  // Transfer thread only.
  CURL* easy = nullptr;
  curl_slist* headers = nullptr;
  std::size_t received = 0;
  bool responseSent = false;
  bool tooLarge = false;
};

}  // namespace tessaly::platform
