#pragma once
// English country names from their two-letter codes, as ICU knows them.
#include <string>
#include <string_view>

namespace tessaly::service {

class CountryNames {
 public:
  // "MC" gives "Monaco"; a code ICU does not know comes back as it is.
  static std::string name(std::string_view code);
};

}  // namespace tessaly::service
