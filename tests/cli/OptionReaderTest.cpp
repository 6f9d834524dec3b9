#include "cli/OptionReader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using tessaly::cli::OptionReader;

namespace {

// Arguments as main hands them over, kept alive for the reader.
struct Arguments {
  explicit Arguments(std::vector<std::string> words) : words(std::move(words)) {
    for (auto& word : this->words) pointers.push_back(word.data());
  }
  int argc() const { return static_cast<int>(pointers.size()); }
  char** argv() { return pointers.data(); }
  std::vector<std::string> words;
  std::vector<char*> pointers;
};

}  // namespace

TEST(OptionReader, WalksOptionsAndTheirValues) {
  Arguments args({"--listen", "[::1]:8080", "--geocoder", "http://127.0.0.1:8090/", "-h", "--x"});
  OptionReader reader("tessaly serve", args.argc(), args.argv());
  ASSERT_TRUE(reader.next());
  auto listen = reader.hostPort();
  ASSERT_TRUE(listen) << listen.reason();
  EXPECT_EQ(listen->host, "::1");
  EXPECT_EQ(listen->port, 8080);
  ASSERT_TRUE(reader.next());
  EXPECT_TRUE(reader.is("--geocoder"));
  EXPECT_EQ(reader.baseAddress().value(), "http://127.0.0.1:8090");
  ASSERT_TRUE(reader.next());
  EXPECT_TRUE(reader.isHelp());
  ASSERT_TRUE(reader.next());
  EXPECT_EQ(reader.unknown(), "tessaly serve: unknown option '--x'");
  EXPECT_FALSE(reader.next());
}

TEST(OptionReader, RefusalsNameTheCommandAndTheOption) {
  Arguments args(
      {"--listen", "localhost", "--listen", "[::1:80", "--geocoder", "ftp://x", "--listen"});
  OptionReader reader("tessaly lookup", args.argc(), args.argv());
  ASSERT_TRUE(reader.next());
  EXPECT_EQ(reader.hostPort().reason(),
            "tessaly lookup: --listen wants HOST:PORT: 'localhost' has no port (as in "
            "127.0.0.1:8080 or [::1]:8080)");
  ASSERT_TRUE(reader.next());
  EXPECT_EQ(reader.hostPort().reason(),
            "tessaly lookup: --listen wants HOST:PORT: '[::1:80' lacks the ']' that closes its "
            "IPv6 address");
  ASSERT_TRUE(reader.next());
  EXPECT_EQ(reader.baseAddress().reason(),
            "tessaly lookup: --geocoder wants an http(s) base address: 'ftp://x' is not an "
            "http(s) address");
  // An option without its value does not take the next option for one.
  ASSERT_TRUE(reader.next());
  EXPECT_EQ(reader.value().reason(), "tessaly lookup: --listen needs a value");
  EXPECT_FALSE(reader.next());
  std::ostringstream err;
  EXPECT_EQ(tessaly::cli::badOption(err, "tessaly lookup: no"), 2);
  EXPECT_EQ(err.str(), "tessaly lookup: no\n");
}
