#include "service/UpstreamClient.h"

#include <curl/curl.h>

#include <thread>

namespace tessaly::service {
namespace {

constexpr std::size_t kCacheEntries = 512;
constexpr std::size_t kMaxBody = 8 << 20;

std::size_t collect(char* data, std::size_t size, std::size_t count, void* user) {
  auto* body = static_cast<std::string*>(user);
  if (body->size() + size * count > kMaxBody) return 0;
  body->append(data, size * count);
  return size * count;
}

}  // namespace

UpstreamClient::UpstreamClient(std::string base)
    : _base(std::move(base)), _throttled(isPublicServer(_base)) {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool UpstreamClient::isPublicServer(const std::string& base) {
  for (const char* host :
       {"nominatim.openstreetmap.org", "router.project-osrm.org", "routing.openstreetmap.de"})
    if (base.find(host) != std::string::npos) return true;
  return false;
}

platform::Result<UpstreamClient::Answer> UpstreamClient::get(const std::string& pathAndQuery) {
  std::string url = _base + pathAndQuery;
  {
    std::unique_lock<std::mutex> lock(_mutex);
    auto hit = _cache.find(url);
    if (hit != _cache.end()) {
      _recent.splice(_recent.begin(), _recent, hit->second);
      return Answer{200, hit->second->second};
    }
    if (_throttled) {
      // Requests to a public server wait their turn, one a second.
      auto next = _last + std::chrono::seconds(1);
      auto now = std::chrono::steady_clock::now();
      if (now < next) std::this_thread::sleep_for(next - now);
      _last = std::chrono::steady_clock::now();
    }
  }
  CURL* curl = curl_easy_init();
  if (!curl) return platform::Refusal{"no HTTP client"};
  Answer answer;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer.body);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 8000L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, 3000L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  CURLcode rc = curl_easy_perform(curl);
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &answer.status);
  curl_easy_cleanup(curl);
  if (rc != CURLE_OK) return platform::Refusal{curl_easy_strerror(rc)};
  if (!answer.ok()) return answer;
  std::lock_guard<std::mutex> lock(_mutex);
  if (!_cache.count(url)) {
    _recent.emplace_front(url, answer.body);
    _cache[url] = _recent.begin();
    if (_recent.size() > kCacheEntries) {
      _cache.erase(_recent.back().first);
      _recent.pop_back();
    }
  }
  return answer;
}

std::string UpstreamClient::problem(const platform::Result<Answer>& answer) {
  return answer ? answer->problem() : answer.reason();
}

}  // namespace tessaly::service
