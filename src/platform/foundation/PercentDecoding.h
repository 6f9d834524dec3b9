#pragma once
// %XX escapes of URL paths and query texts decoded: the one decoder of the web host and the
// lookup service.
#include <optional>
#include <string>
#include <string_view>

namespace tessaly::platform {

struct PercentDecoding {
  // Strict: a broken escape ("%", "%4", "%zz") or a NUL byte, written or decoded, refuses the
  // whole text, so that a path or a name never means something other than it shows. Lenient: a
  // broken escape stays as it is written and every byte is kept, as forms are read.
  enum class Escapes { Strict, Lenient };
  // Whether "+" stands for a space (a query text) or for itself (a path).
  enum class Plus { Literal, Space };

  // The decoded text; nullopt only for a strict decoding refused.
  static std::optional<std::string> decode(std::string_view text, Escapes escapes, Plus plus);
};

}  // namespace tessaly::platform
