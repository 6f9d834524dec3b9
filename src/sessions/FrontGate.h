#pragma once
// The session front's access checks, the same rules as the single host's: the Host header must
// name this server, a request from another origin is refused, and beyond loopback every request
// needs the access token (the printed link sets it as a cookie and moves on to the page).
#include <optional>
#include <string>

#include "web/HttpMessage.h"

namespace tessaly::sessions {

class FrontGate {
 public:
  // address as listened on; token "" picks a random one when the address is beyond loopback.
  FrontGate(std::string address, std::string token);
  void setPort(int port) { _port = port; }

  bool needsToken() const { return !_token.empty(); }
  const std::string& token() const { return _token; }
  // A refusal (or the token link's redirect), or nothing when the request may go on.
  // exempt: a loopback caller needs no token (the applications' own lookups).
  std::optional<web::HttpResponse> refusal(const web::HttpRequest& request, bool exempt) const;

 private:
  bool hostAllowed(const std::string& host) const;

  std::string _address;
  std::string _token;
  int _port = 0;
};

}  // namespace tessaly::sessions
