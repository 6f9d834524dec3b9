#include "platform/foundation/PercentDecoding.h"

namespace tessaly::platform {
namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::string> PercentDecoding::decode(std::string_view text, Escapes escapes,
                                                   Plus plus) {
  const bool strict = escapes == Escapes::Strict;
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '%') {
      int high = i + 2 < text.size() ? hexValue(text[i + 1]) : -1;
      int low = i + 2 < text.size() ? hexValue(text[i + 2]) : -1;
      if (high >= 0 && low >= 0) {
        c = static_cast<char>(high * 16 + low);
        i += 2;
      } else if (strict) {
        return std::nullopt;
      }
    } else if (c == '+' && plus == Plus::Space) {
      c = ' ';
    }
    if (c == '\0' && strict) return std::nullopt;
    out.push_back(c);
  }
  return out;
}

}  // namespace tessaly::platform
