#pragma once
// Number formatting through ICU with Unicode number patterns and the current locale.
#include <memory>
#include <string>

namespace tessaly::platform {

inline constexpr const char* NSCurrentLocaleDidChangeNotification =
    "NSCurrentLocaleDidChangeNotification";

// The current locale's name ("de_DE", "en_US"). By default taken from LC_ALL, LC_NUMERIC or
// LANG (the first one set, without its ".UTF-8" or "@..." part; "C" and "POSIX" mean
// "en_US_POSIX"); the web host sets it from the browser's language. Accepts "de-DE" as well.
std::string currentLocaleName();
// Posts NSCurrentLocaleDidChangeNotification (on the calling thread) when the name changes.
void setCurrentLocaleName(const std::string& name);
// Back to the locale of the environment.
void resetCurrentLocale();
// The language part of the current locale ("de" for "de_DE").
std::string currentLanguage();

// A formatter for the locale current when it is made (separators and digits of that locale).
class NumberFormatter {
 public:
  NumberFormatter();
  explicit NumberFormatter(const std::string& localeName);
  ~NumberFormatter();
  NumberFormatter(const NumberFormatter&) = delete;
  NumberFormatter& operator=(const NumberFormatter&) = delete;

  // A Unicode positive pattern such as "#,##0.##". False (and no change) if ICU rejects it.
  bool setPositiveFormat(const std::string& pattern);
  // Rounds half to even to the pattern's fraction digits.
  std::string stringFromNumber(double value) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> _impl;
};

}  // namespace tessaly::platform
