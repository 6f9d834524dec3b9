#include "cli/OptionReader.h"

#include <ostream>
#include <utility>

namespace tessaly::cli {

namespace p = tessaly::platform;

OptionReader::OptionReader(std::string command, int argc, char** argv)
    : _command(std::move(command)), _argc(argc), _argv(argv) {}

bool OptionReader::next() {
  if (_index + 1 >= _argc) return false;
  _option = _argv[++_index];
  return true;
}

p::Result<std::string> OptionReader::value() {
  if (_index + 1 >= _argc) return p::Refusal{_command + ": " + _option + " needs a value"};
  return std::string(_argv[++_index]);
}

p::Result<p::HostPort> OptionReader::hostPort() {
  auto text = value();
  if (!text) return p::Refusal{text.reason()};
  auto address = p::HostPort::parse(*text);
  if (!address) return refuse("wants HOST:PORT: " + address.reason());
  return address;
}

p::Result<std::string> OptionReader::baseAddress() {
  auto text = value();
  if (!text) return p::Refusal{text.reason()};
  auto base = p::checkedBaseAddress(*text);
  if (!base) return refuse("wants an http(s) base address: " + base.reason());
  return base;
}

p::Refusal OptionReader::refuse(const std::string& reason) const {
  return p::Refusal{_command + ": " + _option + " " + reason};
}

std::string OptionReader::unknown() const {
  return _command + ": unknown option '" + _option + "'";
}

int badOption(std::ostream& err, const std::string& reason) {
  err << reason << "\n";
  return 2;
}

}  // namespace tessaly::cli
