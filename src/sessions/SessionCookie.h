#pragma once
// The cookie that names a browser's session: a random 128-bit id, HttpOnly and SameSite=Strict
// so that neither the page's scripts nor other sites can use it.
#include <string>

namespace tessaly::sessions {

class SessionCookie {
 public:
  static constexpr const char* kName = "tessaly_session";

  // 32 lower-case hex digits from the system's random source.
  static std::string newId();
  // True for text shaped like an id (so that nothing else is ever looked up).
  static bool isId(const std::string& text);
  // The value of the named cookie in a Cookie header, "" when it is absent.
  static std::string read(const std::string& cookieHeader, const std::string& name);
  // The id the request's Cookie header carries, "" when none (or a malformed one).
  static std::string idIn(const std::string& cookieHeader);
  // Set-Cookie values that give or take away the session.
  static std::string setting(const std::string& id);
  static std::string clearing();
};

}  // namespace tessaly::sessions
