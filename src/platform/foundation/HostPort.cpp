#include "platform/foundation/HostPort.h"

#include <arpa/inet.h>

#include <charconv>

namespace tessaly::platform {

namespace {

std::string quoted(std::string_view text) {
  return "'" + std::string(text) + "'";
}

bool isHostNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '-' || c == '_';
}

Result<int> portNumber(std::string_view text, std::string_view digits) {
  int port = -1;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
  if (digits.empty() || digits.size() > 5 || ec != std::errc() ||
      end != digits.data() + digits.size() || port < 0 || port > 65535)
    return Refusal{"the port of " + quoted(text) + " is not a number from 0 to 65535"};
  return port;
}

}  // namespace

Result<HostPort> HostPort::parse(std::string_view text, PortIs portIs) {
  const std::string example = " (as in 127.0.0.1:8080 or [::1]:8080)";
  if (text.empty()) return Refusal{"the address is empty" + example};
  if (text.find("://") != std::string_view::npos)
    return Refusal{quoted(text) + " is a URL; give HOST:PORT" + example};
  HostPort result;
  std::string_view rest;  // what follows the host: "" or ":port"
  if (text.front() == '[') {
    std::size_t close = text.find(']');
    if (close == std::string_view::npos)
      return Refusal{quoted(text) + " lacks the ']' that closes its IPv6 address"};
    result.host = std::string(text.substr(1, close - 1));
    unsigned char buffer[16];
    if (inet_pton(AF_INET6, result.host.c_str(), buffer) != 1)
      return Refusal{quoted(text.substr(0, close + 1)) + " is not an IPv6 address"};
    rest = text.substr(close + 1);
    if (!rest.empty() && rest.front() != ':')
      return Refusal{quoted(text) + " has more after the ']' than ':PORT'"};
  } else {
    std::size_t colon = text.find(':');
    if (colon != std::string_view::npos && text.find(':', colon + 1) != std::string_view::npos)
      return Refusal{"the IPv6 address in " + quoted(text) + " goes in brackets" + example};
    result.host = std::string(text.substr(0, colon));
    if (result.host.empty()) return Refusal{quoted(text) + " has no host" + example};
    for (char c : result.host)
      if (!isHostNameCharacter(c))
        return Refusal{quoted(text) + " has a character no host name has"};
    if (colon != std::string_view::npos) rest = text.substr(colon);
  }
  if (rest.empty()) {
    if (portIs == PortIs::Required) return Refusal{quoted(text) + " has no port" + example};
    return result;
  }
  auto port = portNumber(text, rest.substr(1));
  if (!port) return Refusal{port.reason()};
  result.port = *port;
  return result;
}

std::string HostPort::urlHost() const {
  return host.find(':') == std::string::npos ? host : "[" + host + "]";
}

std::string HostPort::text() const {
  return port < 0 ? urlHost() : urlHost() + ":" + std::to_string(port);
}

Result<std::string> checkedBaseAddress(std::string_view url) {
  std::size_t start = url.rfind("http://", 0) == 0 ? 7 : url.rfind("https://", 0) == 0 ? 8 : 0;
  if (start == 0) return Refusal{quoted(url) + " is not an http(s) address"};
  // No query, fragment, blanks or quotes: a request path and query are appended to it.
  if (url.find_first_of("?#\"'<> \\\t\r\n") != std::string_view::npos)
    return Refusal{quoted(url) + " has a character a base address cannot have"};
  std::string_view authority = url.substr(start, url.find('/', start) - start);
  if (authority.find('@') != std::string_view::npos)
    return Refusal{quoted(url) + " carries a user name; give the address alone"};
  auto hostPort = HostPort::parse(authority, HostPort::PortIs::Optional);
  if (!hostPort) return Refusal{"in " + quoted(url) + ": " + hostPort.reason()};
  std::string base(url);
  while (base.back() == '/') base.pop_back();
  return base;
}

}  // namespace tessaly::platform
