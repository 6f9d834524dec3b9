#include "sessions/FrontGate.h"

#include "sessions/SessionCookie.h"
#include "web/WebHost.h"

namespace tessaly::sessions {
namespace {

constexpr const char* kTokenCookie = "tessaly_token";

}  // namespace

FrontGate::FrontGate(std::string address, std::string token) : _address(std::move(address)) {
  if (!web::isLoopbackAddress(_address))
    _token = token.empty() ? SessionCookie::newId() + SessionCookie::newId() : std::move(token);
}

bool FrontGate::hostAllowed(const std::string& header) const {
  return web::hostNamesServer(header, _address, _port);
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
  if (!fromQuery) given = web::cookieValue(req.header("Cookie"), kTokenCookie);
  if (given.empty()) {
    std::string auth = req.header("Authorization");
    if (auth.rfind("Bearer ", 0) == 0) given = auth.substr(7);
  }
  if (given.empty() || !web::sameSecret(given, _token))
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
