#include "platform/foundation/NumberFormatter.h"

#include "platform/foundation/LocaleSnapshot.h"
#include "platform/foundation/NotificationCenter.h"

#include <unicode/dcfmtsym.h>
#include <unicode/decimfmt.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <cstdlib>
#include <mutex>

namespace tessaly::platform {
namespace {

std::mutex& localeMutex() {
  static std::mutex m;
  return m;
}
std::string& configuredLocale() {
  static std::string name;
  return name;
}

std::string localeFromEnvironment() {
  for (const char* variable : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value == nullptr || value[0] == '\0') continue;
    std::string name = value;
    name = name.substr(0, name.find_first_of(".@"));
    if (name.empty() || name == "C" || name == "POSIX") return "en_US_POSIX";
    return name;
  }
  return "en_US_POSIX";
}

icu::Locale icuLocale(const std::string& name) {
  if (name.find('-') != std::string::npos) {
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale locale = icu::Locale::forLanguageTag(name, status);
    if (U_SUCCESS(status) && !locale.isBogus()) return locale;
  }
  icu::Locale locale(name.c_str());
  return locale.isBogus() ? icu::Locale("en_US_POSIX") : locale;
}

}  // namespace

std::string currentLocaleName() {
  if (const auto& held = LocaleSnapshot::held()) return *held;
  std::lock_guard lock(localeMutex());
  return configuredLocale().empty() ? localeFromEnvironment() : configuredLocale();
}

void setCurrentLocaleName(const std::string& name) {
  {
    std::lock_guard lock(localeMutex());
    if (configuredLocale() == name) return;
    configuredLocale() = name;
  }
  if (auto& held = LocaleSnapshot::held()) {
    held.reset();
    held = currentLocaleName();
  }
  // Texts that were formatted and kept (a status line) must follow at once.
  NotificationCenter::defaultCenter().postNotificationName(NSCurrentLocaleDidChangeNotification);
}

void resetCurrentLocale() {
  setCurrentLocaleName("");
}

std::string currentLanguage() {
  return icuLocale(currentLocaleName()).getLanguage();
}

struct NumberFormatter::Impl {
  std::unique_ptr<icu::DecimalFormat> format;
};

NumberFormatter::NumberFormatter() : NumberFormatter(currentLocaleName()) {}

NumberFormatter::NumberFormatter(const std::string& localeName) : _impl(std::make_unique<Impl>()) {
  UErrorCode status = U_ZERO_ERROR;
  auto* symbols = new icu::DecimalFormatSymbols(icuLocale(localeName), status);
  if (U_FAILURE(status)) {
    delete symbols;
    status = U_ZERO_ERROR;
    symbols = new icu::DecimalFormatSymbols(icu::Locale::getRoot(), status);
  }
  // The format takes ownership of the symbols, even when it fails.
  _impl->format = std::make_unique<icu::DecimalFormat>(u"#,##0.###", symbols, status);
  _impl->format->setRoundingMode(icu::DecimalFormat::kRoundHalfEven);
}

NumberFormatter::~NumberFormatter() = default;

bool NumberFormatter::setPositiveFormat(const std::string& pattern) {
  UErrorCode status = U_ZERO_ERROR;
  icu::DecimalFormat trial(*_impl->format);
  trial.applyPattern(icu::UnicodeString::fromUTF8(pattern), status);
  if (U_FAILURE(status)) return false;
  *_impl->format = trial;
  return true;
}

std::string NumberFormatter::stringFromNumber(double value) const {
  icu::UnicodeString text;
  _impl->format->format(value, text);
  std::string result;
  text.toUTF8String(result);
  return result;
}

}  // namespace tessaly::platform
