#include "platform/net/NSURLRequest.h"

#include <strings.h>

namespace tessaly::platform {

void NSURLRequest::setValueForHTTPHeaderField(const std::string& value, const std::string& field) {
  // A line break in a value would let a caller write header lines of its own.
  if (field.empty() || field.find_first_of("\r\n: ") != std::string::npos ||
      value.find_first_of("\r\n") != std::string::npos)
    return;
  for (auto it = _headers.begin(); it != _headers.end(); ++it) {
    if (strcasecmp(it->first.c_str(), field.c_str()) == 0) {
      _headers.erase(it);
      break;
    }
  }
  _headers[field] = value;
}

std::string NSURLRequest::valueForHTTPHeaderField(const std::string& field) const {
  for (const auto& [name, value] : _headers)
    if (strcasecmp(name.c_str(), field.c_str()) == 0) return value;
  return {};
}

}  // namespace tessaly::platform
