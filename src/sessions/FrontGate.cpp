#include "sessions/FrontGate.h"

#include <arpa/inet.h>

#include "sessions/SessionCookie.h"
#include "web/WebHost.h"

namespace tessaly::sessions {
namespace {

constexpr const char* kTokenCookie = "tessaly_token";

// Splits "host:port", "[v6]:port" or a bare host; port is -1 when absent or malformed.
void splitHostPort(const std::string& text, std::string& host, int& port) {
  host = text;
  port = -1;
  std::size_t colon = std::string::npos;
  if (!text.empty() && text[0] == '[') {
    std::size_t close = text.find(']');
    if (close == std::string::npos) return;
    host = text.substr(1, close - 1);
    if (close + 1 < text.size() && text[close + 1] == ':')
      colon = close + 1;
    else if (close + 1 != text.size())
      return;
  } else {
    colon = text.rfind(':');
    if (colon != std::string::npos && text.find(':') != colon) return;
    if (colon != std::string::npos) host = text.substr(0, colon);
  }
  if (colon == std::string::npos) return;
  std::string digits = text.substr(colon + 1);
  if (digits.empty() || digits.size() > 5) return;
  for (char c : digits)
    if (c < '0' || c > '9') return;
  port = std::stoi(digits);
}

bool isIpLiteral(const std::string& host) {
  unsigned char buffer[16];
  return inet_pton(AF_INET, host.c_str(), buffer) == 1 ||
         inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

// Compares without leaking, through timing, how much of the token was right.
bool sameSecret(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  unsigned char diff = 0;
  for (std::size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
  return diff == 0;
}

}  // namespace

FrontGate::FrontGate(std::string address, std::string token) : _address(std::move(address)) {
  if (!web::isLoopbackAddress(_address))
    _token = token.empty() ? SessionCookie::newId() + SessionCookie::newId() : std::move(token);
}

bool FrontGate::hostAllowed(const std::string& header) const {
  std::string host;
  int port;
  splitHostPort(web::asciiLower(header), host, port);
  bool noPort = !header.empty() && header.front() == '[' ? header.back() == ']'
                                                         : header.find(':') == std::string::npos;
  if (port == -1 && noPort && !host.empty()) port = 80;
  if (port != _port) return false;
  std::string listening = web::asciiLower(_address);
  if (listening.size() > 2 && listening.front() == '[')
    listening = listening.substr(1, listening.size() - 2);
  if (host == listening) return true;
  if (web::isLoopbackAddress(listening)) return web::isLoopbackAddress(host);
  // On every interface names are refused, so that a rebound DNS name cannot talk to us.
  if (listening == "0.0.0.0" || listening == "::") return isIpLiteral(host) || host == "localhost";
  return false;
}

std::optional<web::HttpResponse> FrontGate::refusal(const web::HttpRequest& req,
                                                    bool exempt) const {
  std::string host = req.header("Host");
  if (!hostAllowed(host))
    return web::textResponse(403, "refused: the Host header does not name this server");
  if (req.hasHeader("Origin") &&
      web::asciiLower(req.header("Origin")) != "http://" + web::asciiLower(host))
    return web::textResponse(403, "refused: requests from another origin are not accepted");
  if (!needsToken() || (exempt && web::isLoopbackAddress(req.remoteAddress))) return std::nullopt;
  std::string given = req.param("token");
  bool fromQuery = !given.empty();
  if (!fromQuery) given = SessionCookie::read(req.header("Cookie"), kTokenCookie);
  if (given.empty()) {
    std::string auth = req.header("Authorization");
    if (auth.rfind("Bearer ", 0) == 0) given = auth.substr(7);
  }
  if (given.empty() || !sameSecret(given, _token))
    return web::textResponse(
        401, "refused: this server needs its access token (open the link it printed at start)");
  if (fromQuery && (req.method == "GET" || req.method == "HEAD")) {
    web::HttpResponse redirect = web::textResponse(302, "found");
    redirect.headers = {{"Set-Cookie", std::string(kTokenCookie) + "=" + _token +
                                           "; Path=/; HttpOnly; SameSite=Strict"},
                        {"Location", "/"}};
    return redirect;
  }
  return std::nullopt;
}

}  // namespace tessaly::sessions
