#pragma once
// A failure reported to a delegate: a domain, a code and a text for people.
#include <string>

namespace tessaly::platform {

struct NSError {
  std::string domain;
  long code = 0;
  std::string localizedDescription;
};

}  // namespace tessaly::platform
