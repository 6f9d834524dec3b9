#pragma once
// Walks a command's arguments one option at a time, and words every refusal the same way:
// "tessaly lookup: --listen needs a value".
#include <iosfwd>
#include <string>
#include <string_view>

#include "platform/foundation/HostPort.h"
#include "platform/foundation/Result.h"

namespace tessaly::cli {

class OptionReader {
 public:
  // command as the messages name it ("tessaly serve").
  OptionReader(std::string command, int argc, char** argv);

  // Moves to the next argument; false after the last.
  bool next();
  const std::string& option() const { return _option; }
  // Where the reader stands in argv: the option, or the last value it took.
  int index() const { return _index; }
  bool is(std::string_view name) const { return _option == name; }
  bool isHelp() const { return is("--help") || is("-h"); }

  // The argument after the option, which it takes.
  platform::Result<std::string> value();
  // The value read as HOST:PORT (an IPv6 address in brackets).
  platform::Result<platform::HostPort> hostPort();
  // The value as an http(s) base address, without trailing slashes.
  platform::Result<std::string> baseAddress();

  // "tessaly serve: --device <reason>": a refusal of the option's value.
  platform::Refusal refuse(const std::string& reason) const;
  // "tessaly serve: unknown option '--x'".
  std::string unknown() const;

 private:
  std::string _command;
  int _argc;
  char** _argv;
  int _index = -1;
  std::string _option;
};

// Says why an option was refused and gives the exit status for it (2).
int badOption(std::ostream& err, const std::string& reason);

}  // namespace tessaly::cli
