#include "service/CountryNames.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace tessaly::service {

std::string CountryNames::name(std::string_view code) {
  std::string region(code);
  icu::Locale locale("", region.c_str());
  icu::UnicodeString display;
  locale.getDisplayCountry(icu::Locale::getEnglish(), display);
  std::string out;
  display.toUTF8String(out);
  // ICU answers an unknown region with the code itself.
  return out.empty() ? region : out;
}

}  // namespace tessaly::service
