#include "json/JsonText.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace tessaly {
namespace {

// Length of the UTF-8 sequence starting at s[i], or 0 when it is not a valid one.
std::size_t utf8Length(std::string_view s, std::size_t i) {
  auto c = static_cast<unsigned char>(s[i]);
  std::size_t n;
  unsigned min;
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0)
    n = 2, min = 0x80;
  else if ((c & 0xF0) == 0xE0)
    n = 3, min = 0x800;
  else if ((c & 0xF8) == 0xF0)
    n = 4, min = 0x10000;
  else
    return 0;
  if (i + n > s.size()) return 0;
  unsigned code = c & (0x7F >> n);
  for (std::size_t k = 1; k < n; ++k) {
    auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    code = (code << 6) | (b & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return n;
}

// A byte written as it is: printable ASCII other than the quote and the backslash.
bool isPlain(unsigned char c) {
  return c >= 0x20 && c < 0x80 && c != '"' && c != '\\';
}

// Where the run of plain bytes from i ends, looked at eight bytes at a time.
std::size_t plainEnd(std::string_view s, std::size_t i) {
  constexpr std::uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
  auto hasZero = [](std::uint64_t w) { return (w - ones) & ~w & highs; };
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t w;
    std::memcpy(&w, s.data() + i, 8);
    // A control byte, a byte of a multi-byte character, a quote or a backslash.
    if (((w - ones * 0x20) & ~w & highs) | (w & highs) | hasZero(w ^ (ones * '"')) |
        hasZero(w ^ (ones * '\\')))
      break;
  }
  while (i < s.size() && isPlain(static_cast<unsigned char>(s[i]))) ++i;
  return i;
}

}  // namespace

void JsonText::string(std::string_view s) {
  static const char* hex = "0123456789abcdef";
  _out.push_back('"');
  for (std::size_t i = 0; i < s.size();) {
    // Most of a screen's text is plain ASCII: copy such a run at once.
    std::size_t plain = plainEnd(s, i);
    if (plain > i) {
      _out.append(s.data() + i, plain - i);
      i = plain;
      if (i == s.size()) break;
    }
    auto c = static_cast<unsigned char>(s[i]);
    if (c == '"' || c == '\\') {
      _out.push_back('\\');
      _out.push_back(static_cast<char>(c));
      ++i;
    } else if (c < 0x20) {
      switch (c) {
        case '\n':
          _out.append("\\n");
          break;
        case '\r':
          _out.append("\\r");
          break;
        case '\t':
          _out.append("\\t");
          break;
        default:
          _out.append("\\u00");
          _out.push_back(hex[c >> 4]);
          _out.push_back(hex[c & 15]);
      }
      ++i;
    } else if (std::size_t n = utf8Length(s, i); n > 0) {
      _out.append(s.substr(i, n));
      i += n;
    } else {
      _out.append("\xEF\xBF\xBD");
      ++i;
    }
  }
  _out.push_back('"');
}

void JsonText::number(double v) {
  if (!std::isfinite(v)) {
    _out.append("null");
    return;
  }
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  _out.append(buffer, result.ptr);
}

}  // namespace tessaly
