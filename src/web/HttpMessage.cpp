#include "web/HttpMessage.h"

#include <charconv>

#include "platform/foundation/PercentDecoding.h"

namespace tessaly::web {
namespace {

// A query's name or value: "+" is a space; a broken escape or a NUL refuses it.
std::optional<std::string> decodeQueryText(std::string_view text) {
  return platform::PercentDecoding::decode(text, platform::PercentDecoding::Escapes::Strict,
                                           platform::PercentDecoding::Plus::Space);
}

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && asciiLower(a) == asciiLower(b);
}

}  // namespace

std::string asciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string HttpRequest::header(std::string_view name) const {
  for (const auto& [key, value] : headers)
    if (sameName(key, name)) return value;
  return {};
}

bool HttpRequest::hasHeader(std::string_view name) const {
  for (const auto& entry : headers)
    if (sameName(entry.first, name)) return true;
  return false;
}

std::string HttpRequest::param(std::string_view name) const {
  std::string_view rest = query;
  while (!rest.empty()) {
    std::size_t end = rest.find('&');
    std::string_view pair = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    std::size_t equals = pair.find('=');
    auto key = decodeQueryText(pair.substr(0, equals));
    if (!key || *key != name) continue;
    if (equals == std::string_view::npos) return {};
    if (auto value = decodeQueryText(pair.substr(equals + 1))) return *value;
  }
  return {};
}

std::optional<std::uint64_t> parseCount(std::string_view text) {
  std::uint64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  // No sign is taken for an unsigned number, and nothing may follow the digits.
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

HttpResponse emptyResponse() {
  HttpResponse response;
  response.status = 204;
  return response;
}

HttpResponse textResponse(int status, std::string_view text) {
  HttpResponse response;
  response.status = status;
  response.contentType = "text/plain; charset=utf-8";
  response.body = std::string(text) + "\n";
  return response;
}

}  // namespace tessaly::web
