#pragma once
// A failure reported to a delegate: a domain, a code and a text for people.
#include <string>

namespace tessaly::platform {

struct NSError {
  std::string domain;
  long code = 0;
  std::string localizedDescription;

  // The error as a log line shows it: Error Domain=D Code=N "text".
  std::string description() const {
    return "Error Domain=" + domain + " Code=" + std::to_string(code) + " \"" +
           localizedDescription + "\"";
  }
};

}  // namespace tessaly::platform
