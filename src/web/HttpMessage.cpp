#include "web/HttpMessage.h"

namespace tessaly::web {
namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
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

bool percentDecode(std::string_view text, std::string& out, bool plusIsSpace) {
  out.clear();
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '%') {
      if (i + 2 >= text.size()) return false;
      int high = hexValue(text[i + 1]);
      int low = hexValue(text[i + 2]);
      if (high < 0 || low < 0) return false;
      c = static_cast<char>(high * 16 + low);
      i += 2;
    } else if (c == '+' && plusIsSpace) {
      c = ' ';
    }
    if (c == '\0') return false;
    out.push_back(c);
  }
  return true;
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
    std::string key, value;
    if (!percentDecode(pair.substr(0, equals), key, true) || key != name) continue;
    if (equals == std::string_view::npos) return {};
    if (percentDecode(pair.substr(equals + 1), value, true)) return value;
  }
  return {};
}

HttpResponse textResponse(int status, std::string_view text) {
  HttpResponse response;
  response.status = status;
  response.contentType = "text/plain; charset=utf-8";
  response.body = std::string(text) + "\n";
  return response;
}

}  // namespace tessaly::web
