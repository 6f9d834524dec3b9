#pragma once
// Percent-escapes a query component: everything but letters, digits and "-._~".
#include <string>
#include <string_view>

namespace tessaly::service {

class UrlEscape {
 public:
  static std::string component(std::string_view text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
      if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
          c == '.' || c == '_' || c == '~') {
        out.push_back(static_cast<char>(c));
      } else {
        out.push_back('%');
        out.push_back(hex[c >> 4]);
        out.push_back(hex[c & 15]);
      }
    }
    return out;
  }
};

}  // namespace tessaly::service
