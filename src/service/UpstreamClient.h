#pragma once
// HTTP GET to an upstream server, as a polite client: an identifying User-Agent, at most one
// request a second to the public servers of the open map services (their usage policy), and
// answers kept for a while so that a repeated question is not asked again.
#include <chrono>
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/foundation/Result.h"

namespace tessaly::service {

class UpstreamClient {
 public:
  static constexpr const char* kUserAgent =
      "Tessaly-lookup/1.0 (map measuring tool; https://tessaly.example/)";

  explicit UpstreamClient(std::string base);
  struct Answer {
    long status = 0;
    std::string body;
    bool ok() const { return status == 200; }
    // Why an answer that is not ok is of no use, for a sentence: "it answered HTTP 503".
    std::string problem() const { return "it answered HTTP " + std::to_string(status); }
  };
  // GETs base + pathAndQuery: the server's answer whatever its status, or why none came.
  platform::Result<Answer> get(const std::string& pathAndQuery);
  // Why there is no usable answer: the transfer's failure or the answer's status.
  static std::string problem(const platform::Result<Answer>& answer);
  const std::string& base() const { return _base; }
  // True for the public servers whose policy allows one request a second.
  static bool isPublicServer(const std::string& base);

 private:
  std::string _base;
  bool _throttled;
  std::mutex _mutex;
  std::chrono::steady_clock::time_point _last{};
  std::list<std::pair<std::string, std::string>> _recent;  // most recent first
  std::unordered_map<std::string, std::list<std::pair<std::string, std::string>>::iterator> _cache;
};

}  // namespace tessaly::service
