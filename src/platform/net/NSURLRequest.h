#pragma once
// What one HTTP GET asks for: the address, how long it may take, and the header fields sent.
#include <map>
#include <string>
#include <utility>

namespace tessaly::platform {

enum NSURLRequestCachePolicy {
  NSURLRequestUseProtocolCachePolicy = 0,
};

class NSURLRequest {
 public:
  static constexpr double kDefaultTimeoutInterval = 60;

  explicit NSURLRequest(std::string url,
                        NSURLRequestCachePolicy cachePolicy = NSURLRequestUseProtocolCachePolicy,
                        double timeoutInterval = kDefaultTimeoutInterval)
      : _url(std::move(url)), _cachePolicy(cachePolicy), _timeoutInterval(timeoutInterval) {}

  const std::string& url() const { return _url; }
  NSURLRequestCachePolicy cachePolicy() const { return _cachePolicy; }
  // Seconds from the start to the last byte; the transfer fails when they run out.
  double timeoutInterval() const { return _timeoutInterval; }
  void setTimeoutInterval(double seconds) { _timeoutInterval = seconds; }

  // setValue:forHTTPHeaderField:. Field names are matched without regard to case.
  void setValueForHTTPHeaderField(const std::string& value, const std::string& field);
  // The value of a header field, or "" when it is not set.
  std::string valueForHTTPHeaderField(const std::string& field) const;
  const std::map<std::string, std::string>& allHTTPHeaderFields() const { return _headers; }

 private:
  std::string _url;
  NSURLRequestCachePolicy _cachePolicy;
  double _timeoutInterval;
  std::map<std::string, std::string> _headers;  // one entry per name, whatever its case
};

// The answer's head: the status code, the address it finally came from (after redirects) and
// the expected length of the body (-1 when the server did not say).
struct NSHTTPURLResponse {
  long statusCode = 0;
  std::string url;
  std::string mimeType;
  long long expectedContentLength = -1;
};

}  // namespace tessaly::platform
