#include "sessions/SessionCookie.h"

#include <random>

#include "web/WebHost.h"

namespace tessaly::sessions {

std::string SessionCookie::newId() {
  std::random_device device;
  static const char* hex = "0123456789abcdef";
  std::string id;
  for (int i = 0; i < 4; ++i) {
    std::uint32_t value = device();
    for (int j = 0; j < 8; ++j) id += hex[(value >> (4 * j)) & 15];
  }
  return id;
}

bool SessionCookie::isId(const std::string& text) {
  if (text.size() != 32) return false;
  for (char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

std::string SessionCookie::read(const std::string& header, const std::string& name) {
  return web::cookieValue(header, name);
}

std::string SessionCookie::idIn(const std::string& header) {
  std::string id = read(header, kName);
  return isId(id) ? id : std::string();
}

std::string SessionCookie::setting(const std::string& id) {
  return std::string(kName) + "=" + id + "; Path=/; HttpOnly; SameSite=Strict";
}

std::string SessionCookie::clearing() {
  return std::string(kName) + "=; Path=/; HttpOnly; SameSite=Strict; Max-Age=0";
}

}  // namespace tessaly::sessions
