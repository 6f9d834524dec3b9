#include "platform/net/HTTPTransferEngine.h"

#include <curl/curl.h>

#include <functional>
#include <string>

#include "platform/foundation/NSError.h"
#include "platform/foundation/RunLoop.h"
#include "platform/net/NSURLConnection.h"

namespace tessaly::platform {
namespace {

using Delivery = std::function<void(HTTPTransfer&)>;

// Hands an event to the main loop; it is dropped there if the connection was cancelled or has
// already ended by then.
void deliver(HTTPTransfer& transfer, Delivery delivery) {
  RunLoop::main().post([transfer = transfer.shared_from_this(), delivery = std::move(delivery)] {
    if (transfer->cancelled.load() || transfer->ended) return;
    delivery(*transfer);
  });
}

NSHTTPURLResponse responseOf(CURL* easy) {
  NSHTTPURLResponse response;
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &response.statusCode);
  char* url = nullptr;
  if (curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &url) == CURLE_OK && url != nullptr)
    response.url = url;
  char* type = nullptr;
  if (curl_easy_getinfo(easy, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type != nullptr) {
    response.mimeType = type;
    response.mimeType = response.mimeType.substr(0, response.mimeType.find(';'));
  }
  curl_off_t length = -1;
  if (curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK)
    response.expectedContentLength = length;
  return response;
}

void deliverResponseOnce(HTTPTransfer& transfer) {
  if (transfer.responseSent) return;
  transfer.responseSent = true;
  NSHTTPURLResponse response = responseOf(transfer.easy);
  deliver(transfer, [response](HTTPTransfer& t) {
    t.delegate->connectionDidReceiveResponse(t.connection, response);
  });
}

// What a person is told when a transfer fails.
NSError transferError(CURLcode code, bool tooLarge) {
  auto error = [](NSURLErrorCode c, const char* text) {
    return NSError{NSURLErrorDomain, c, text};
  };
  if (tooLarge || code == CURLE_FILESIZE_EXCEEDED)
    return error(NSURLErrorDataLengthExceedsMaximum, "The server's answer is too large.");
  switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
      return error(NSURLErrorTimedOut, "The request timed out.");
    case CURLE_COULDNT_CONNECT:
      return error(NSURLErrorCannotConnectToHost, "Could not connect to the server.");
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return error(NSURLErrorCannotFindHost,
                   "A server with the specified hostname could not be found.");
    case CURLE_TOO_MANY_REDIRECTS:
      return error(NSURLErrorHTTPTooManyRedirects, "There were too many redirects.");
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
      return error(NSURLErrorUnsupportedURL, "The address is not supported.");
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
      return error(NSURLErrorNetworkConnectionLost, "The network connection was lost.");
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
      return error(NSURLErrorBadServerResponse, "The server's answer could not be read.");
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
      return error(NSURLErrorSecureConnectionFailed,
                   "A secure connection to the server could not be made.");
    default:
      return error(NSURLErrorUnknown, "The request could not be completed.");
  }
}

size_t onBody(char* data, size_t size, size_t count, void* user) {
  auto& transfer = *static_cast<HTTPTransfer*>(user);
  std::size_t length = size * count;
  if (transfer.cancelled.load()) return 0;
  if (!transfer.responseSent) {
    // An announced length over the limit fails before any of the body is handed on.
    curl_off_t announced = -1;
    curl_easy_getinfo(transfer.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
    if (announced > static_cast<curl_off_t>(NSURLConnection::kMaximumBodyLength)) {
      transfer.tooLarge = true;
      return 0;
    }
  }
  if (length > NSURLConnection::kMaximumBodyLength - transfer.received) {
    transfer.tooLarge = true;
    return 0;
  }
  deliverResponseOnce(transfer);
  transfer.received += length;
  deliver(transfer, [piece = std::string(data, length)](HTTPTransfer& t) {
    t.delegate->connectionDidReceiveData(t.connection, piece);
  });
  return length;
}

}  // namespace

HTTPTransferEngine& HTTPTransferEngine::shared() {
  // The main loop is made first so that it outlives the thread that posts to it.
  RunLoop::main();
  static HTTPTransferEngine engine;
  return engine;
}

HTTPTransferEngine::HTTPTransferEngine() {
  curl_global_init(CURL_GLOBAL_DEFAULT);
  _multi = curl_multi_init();
  _thread = std::thread([this] { run(); });
}

HTTPTransferEngine::~HTTPTransferEngine() {
  {
    std::lock_guard<std::mutex> lock(_mutex);
    _stopping = true;
  }
  curl_multi_wakeup(_multi);
  _thread.join();
  for (const auto& transfer : std::vector(_running)) end(transfer);
  curl_multi_cleanup(_multi);
  curl_global_cleanup();
}

void HTTPTransferEngine::start(const std::shared_ptr<HTTPTransfer>& transfer) {
  {
    std::lock_guard<std::mutex> lock(_mutex);
    _toStart.push_back(transfer);
    ++_active;
  }
  curl_multi_wakeup(_multi);
}

void HTTPTransferEngine::cancel(const std::shared_ptr<HTTPTransfer>& transfer) {
  transfer->cancelled.store(true);
  {
    std::lock_guard<std::mutex> lock(_mutex);
    _toCancel.push_back(transfer);
  }
  curl_multi_wakeup(_multi);
}

std::size_t HTTPTransferEngine::activeTransfers() const {
  std::lock_guard<std::mutex> lock(_mutex);
  return _active;
}

void HTTPTransferEngine::run() {
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(_mutex);
      if (_stopping) return;
    }
    applyRequests();
    int stillRunning = 0;
    curl_multi_perform(_multi, &stillRunning);
    collectFinished();
    curl_multi_poll(_multi, nullptr, 0, 1000, nullptr);
  }
}

void HTTPTransferEngine::applyRequests() {
  std::vector<std::shared_ptr<HTTPTransfer>> starting;
  std::vector<std::shared_ptr<HTTPTransfer>> cancelling;
  {
    std::lock_guard<std::mutex> lock(_mutex);
    starting.swap(_toStart);
    cancelling.swap(_toCancel);
  }
  for (const auto& transfer : starting) begin(transfer);
  for (const auto& transfer : cancelling) end(transfer);
}

void HTTPTransferEngine::begin(const std::shared_ptr<HTTPTransfer>& transfer) {
  if (transfer->cancelled.load()) {  // cancelled before it began: it never runs
    std::lock_guard<std::mutex> lock(_mutex);
    --_active;
    return;
  }
  CURL* easy = curl_easy_init();
  transfer->easy = easy;
  const NSURLRequest& request = transfer->request;
  long timeoutMs = static_cast<long>(request.timeoutInterval() * 1000);
  if (timeoutMs <= 0) timeoutMs = static_cast<long>(NSURLRequest::kDefaultTimeoutInterval * 1000);
  curl_easy_setopt(easy, CURLOPT_URL, request.url().c_str());
  curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, NSURLConnection::kMaximumRedirects);
  curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, timeoutMs);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
  curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE,
                   static_cast<curl_off_t>(NSURLConnection::kMaximumBodyLength));
  curl_easy_setopt(easy, CURLOPT_USERAGENT, "Tessaly");
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, onBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, transfer.get());
  curl_easy_setopt(easy, CURLOPT_PRIVATE, transfer.get());
  for (const auto& [field, value] : request.allHTTPHeaderFields())
    transfer->headers = curl_slist_append(transfer->headers, (field + ": " + value).c_str());
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, transfer->headers);
  curl_multi_add_handle(_multi, easy);
  _running.push_back(transfer);
}

void HTTPTransferEngine::end(const std::shared_ptr<HTTPTransfer>& transfer) {
  if (transfer->easy == nullptr) return;
  curl_multi_remove_handle(_multi, transfer->easy);
  curl_easy_cleanup(transfer->easy);
  curl_slist_free_all(transfer->headers);
  transfer->easy = nullptr;
  transfer->headers = nullptr;
  std::erase(_running, transfer);
  std::lock_guard<std::mutex> lock(_mutex);
  --_active;
}

void HTTPTransferEngine::collectFinished() {
  int left = 0;
  while (CURLMsg* message = curl_multi_info_read(_multi, &left)) {
    if (message->msg != CURLMSG_DONE) continue;
    HTTPTransfer* raw = nullptr;
    curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &raw);
    if (raw == nullptr) continue;
    std::shared_ptr<HTTPTransfer> transfer = raw->shared_from_this();
    CURLcode result = message->data.result;
    if (result == CURLE_OK) {
      deliverResponseOnce(*transfer);
      deliver(*transfer, [](HTTPTransfer& t) {
        t.ended = true;
        t.delegate->connectionDidFinishLoading(t.connection);
      });
    } else {
      NSError error = transferError(result, transfer->tooLarge);
      deliver(*transfer, [error](HTTPTransfer& t) {
        t.ended = true;
        t.delegate->connectionDidFailWithError(t.connection, error);
      });
    }
    end(transfer);
  }
}

}  // namespace tessaly::platform
