#pragma once
// One HTTP request as the server has read and checked it, and the answer a handler gives.
// Plain data: handlers see no socket and no server library.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessaly::web {

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

struct HttpRequest {
  std::string method;  // "GET", "POST", ...
  std::string path;    // percent-decoded, without the query; never holds a NUL byte
  std::string query;   // as sent, after the '?'
  HttpHeaders headers;
  std::string body;  // as the client meant it: chunks joined, gzip or deflate undone
  std::string remoteAddress;

  // The first header of that name (names compare without case), "" when there is none.
  std::string header(std::string_view name) const;
  bool hasHeader(std::string_view name) const;
  // A query parameter, decoded ("+" is a space), "" when absent.
  std::string param(std::string_view name) const;
};

struct HttpResponse {
  int status = 200;
  std::string contentType;
  std::string body;
  HttpHeaders headers;  // besides Content-Type and Content-Length
};

// An answer with no body (204): nothing to say, and nothing wrong.
HttpResponse emptyResponse();

// A plain-text answer: the reason on one line.
HttpResponse textResponse(int status, std::string_view text);

// A whole number written in decimal digits alone (no sign, no spaces); nullopt for anything
// else or one too big.
std::optional<std::uint64_t> parseCount(std::string_view text);

// Lower-case ASCII copy.
std::string asciiLower(std::string_view text);

}  // namespace tessaly::web
