#include "sessions/SessionCookie.h"

#include <random>

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
  std::size_t pos = 0;
  while (pos < header.size()) {
    std::size_t end = header.find(';', pos);
    if (end == std::string::npos) end = header.size();
    std::string part = header.substr(pos, end - pos);
    std::size_t first = part.find_first_not_of(' ');
    if (first != std::string::npos) part = part.substr(first);
    if (part.compare(0, name.size() + 1, name + "=") == 0) return part.substr(name.size() + 1);
    pos = end + 1;
  }
  return {};
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
