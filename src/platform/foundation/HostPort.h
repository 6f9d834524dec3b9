#pragma once
// A network address as people type it: "host:port", "[v6]:port" or, where a default port
// applies, a bare host. The one reader for listen addresses and the authority of base addresses.
#include <string>
#include <string_view>

#include "platform/foundation/Result.h"

namespace tessaly::platform {

struct HostPort {
  enum class PortIs { Required, Optional };

  std::string host;  // an IPv6 address without its brackets
  int port = -1;     // 0 to 65535; -1 when the text named none (PortIs::Optional)

  // Reads text; the reason of a refusal quotes the text and says what was expected.
  static Result<HostPort> parse(std::string_view text, PortIs port = PortIs::Required);

  // The host as a URL or a message shows it: an IPv6 address in brackets.
  std::string urlHost() const;
  // host:port again (the bare host when there is no port).
  std::string text() const;
};

// An http(s) base address that paths are appended to ("http://127.0.0.1:8090", perhaps with a
// path), with its authority read as a HostPort; the trailing slashes go.
Result<std::string> checkedBaseAddress(std::string_view url);

}  // namespace tessaly::platform
