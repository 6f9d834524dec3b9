#include "platform/foundation/HostPort.h"

#include <gtest/gtest.h>

#include <string>

namespace p = tessaly::platform;
using PortIs = p::HostPort::PortIs;

namespace {

struct Read {
  const char* text;
  const char* host;
  int port;
};

}  // namespace

TEST(HostPort, ReadsNamesAddressesAndBracketedIPv6) {
  for (const Read& read :
       {Read{"127.0.0.1:8080", "127.0.0.1", 8080}, Read{"localhost:0", "localhost", 0},
        Read{"[::1]:8080", "::1", 8080}, Read{"[::]:65535", "::", 65535},
        Read{"map-host.example:80", "map-host.example", 80}}) {
    auto parsed = p::HostPort::parse(read.text);
    ASSERT_TRUE(parsed) << read.text << ": " << parsed.reason();
    EXPECT_EQ(parsed->host, read.host) << read.text;
    EXPECT_EQ(parsed->port, read.port) << read.text;
    EXPECT_EQ(parsed->text(), read.text);
  }
}

TEST(HostPort, ABareHostOnlyWhereTheCallerHasADefaultPort) {
  auto bare = p::HostPort::parse("[::1]", PortIs::Optional);
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->host, "::1");
  EXPECT_EQ(bare->port, -1);
  EXPECT_EQ(bare->urlHost(), "[::1]");
  EXPECT_TRUE(p::HostPort::parse("example.org", PortIs::Optional));
  EXPECT_EQ(p::HostPort::parse("example.org").reason(),
            "'example.org' has no port (as in 127.0.0.1:8080 or [::1]:8080)");
  EXPECT_EQ(p::HostPort::parse("example.org:").reason(),
            "the port of 'example.org:' is not a number from 0 to 65535");
}

TEST(HostPort, RefusesWithAReasonThatQuotesTheText) {
  struct Refused {
    const char* text;
    const char* reason;
  };
  for (const Refused& refused : {
           Refused{"", "the address is empty (as in 127.0.0.1:8080 or [::1]:8080)"},
           Refused{"host:65536", "the port of 'host:65536' is not a number from 0 to 65535"},
           Refused{"host:-1", "the port of 'host:-1' is not a number from 0 to 65535"},
           Refused{"host:80x", "the port of 'host:80x' is not a number from 0 to 65535"},
           Refused{"host:0000080", "the port of 'host:0000080' is not a number from 0 to 65535"},
           Refused{"host: 80", "the port of 'host: 80' is not a number from 0 to 65535"},
           Refused{":8080", "':8080' has no host (as in 127.0.0.1:8080 or [::1]:8080)"},
           Refused{"::1:8080",
                   "the IPv6 address in '::1:8080' goes in brackets (as in 127.0.0.1:8080 or "
                   "[::1]:8080)"},
           Refused{"[::1:8080", "'[::1:8080' lacks the ']' that closes its IPv6 address"},
           Refused{"[::1]8080", "'[::1]8080' has more after the ']' than ':PORT'"},
           Refused{"[example.org]:80", "'[example.org]' is not an IPv6 address"},
           Refused{"http://host:80",
                   "'http://host:80' is a URL; give HOST:PORT (as in "
                   "127.0.0.1:8080 or [::1]:8080)"},
           Refused{"ho st:80", "'ho st:80' has a character no host name has"},
           Refused{"user@host:80", "'user@host:80' has a character no host name has"},
       }) {
    auto parsed = p::HostPort::parse(refused.text, PortIs::Optional);
    EXPECT_FALSE(parsed) << refused.text;
    EXPECT_EQ(parsed.reason(), refused.reason) << refused.text;
  }
}

TEST(BaseAddress, KeepsHttpAddressesWithoutTheirTrailingSlashes) {
  EXPECT_EQ(p::checkedBaseAddress("http://127.0.0.1:8090/").value(), "http://127.0.0.1:8090");
  EXPECT_EQ(p::checkedBaseAddress("https://[::1]:8443/lookup").value(),
            "https://[::1]:8443/lookup");
  EXPECT_EQ(p::checkedBaseAddress("http://example.org").value(), "http://example.org");
  EXPECT_EQ(p::checkedBaseAddress("ftp://example.org").reason(),
            "'ftp://example.org' is not an http(s) address");
  EXPECT_EQ(p::checkedBaseAddress("http://example.org/?q=1").reason(),
            "'http://example.org/?q=1' has a character a base address cannot have");
  EXPECT_EQ(p::checkedBaseAddress("http://me@example.org").reason(),
            "'http://me@example.org' carries a user name; give the address alone");
  EXPECT_EQ(p::checkedBaseAddress("http://host:99999/").reason(),
            "in 'http://host:99999/': the port of 'host:99999' is not a number from 0 to 65535");
  EXPECT_EQ(p::checkedBaseAddress("http://::1:80/").reason(),
            "in 'http://::1:80/': the IPv6 address in '::1:80' goes in brackets (as in "
            "127.0.0.1:8080 or [::1]:8080)");
  EXPECT_FALSE(p::checkedBaseAddress("http://"));
  EXPECT_FALSE(p::checkedBaseAddress("http:///maps"));
}
