#include "measure/Units.h"

#include <bit>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "appdata/AppData.h"
#include "platform/foundation/NumberFormatter.h"

namespace tessaly {
namespace {

struct UnitRow {
  const char* length;
  double metersPerLength;
  const char* area;
  double squareMetersPerArea;
};

// Nautical miles show areas in square statute miles: there is no square nautical mile here.
constexpr UnitRow kUnits[] = {
    {"km", 1000.0, "km²", 1000000.0},  {"mi", 1609.344, "mi²", 2589988.1103}, {"m", 1.0, "m²", 1.0},
    {"yd", 0.9144, "yd²", 0.83612736}, {"nm", 1852.0, "mi²", 2589988.1103},
};

const UnitRow& row(std::int32_t code) {
  return code >= 0 && code <= 4 ? kUnits[code] : kUnits[0];
}

std::int32_t currentCode() {
  return AppData::sharedInstance().unit();
}

// Making an ICU formatter costs far more than using one, and the status line formats on every
// added point: keep one per locale and pattern. The caller holds formatterMutex().
std::mutex& formatterMutex() {
  static std::mutex m;
  return m;
}

// Locales come from browsers: a client that sends thousands of them must not grow the cache
// without end. A person uses one or two; past the bound the cache starts afresh.
constexpr std::size_t kMaxCachedFormatters = 32;
// Every state the screen shows formats the length of every marker of the path again: the texts
// are kept by value, up to a bound past which they start afresh.
constexpr std::size_t kMaxCachedTexts = 1 << 16;

struct CachedFormatter {
  std::unique_ptr<platform::NumberFormatter> formatter;
  std::unordered_map<std::uint32_t, std::string> texts;  // by the float's bits
};

std::map<std::pair<std::string, std::string>, CachedFormatter>& formatterCache() {
  static std::map<std::pair<std::string, std::string>, CachedFormatter> cache;
  return cache;
}

CachedFormatter& formatterFor(const std::string& pattern) {
  auto& cache = formatterCache();
  std::string locale = platform::currentLocaleName();
  if (cache.size() >= kMaxCachedFormatters && !cache.count({locale, pattern})) cache.clear();
  auto& slot = cache[{locale, pattern}];
  if (!slot.formatter) {
    slot.formatter = std::make_unique<platform::NumberFormatter>(locale);
    slot.formatter->setPositiveFormat(pattern);
  }
  return slot;
}

std::string withLabel(std::string number, int unit, const char* label) {
  if (unit != 1) return number;
  return number + " " + label;
}

}  // namespace

std::string lengthUnitLabel(std::int32_t code) {
  return row(code).length;
}
std::string areaUnitLabel(std::int32_t code) {
  return row(code).area;
}
double metersPerLengthUnit(std::int32_t code) {
  return row(code).metersPerLength;
}
double squareMetersPerAreaUnit(std::int32_t code) {
  return row(code).squareMetersPerArea;
}

std::string lengthUnitLabel() {
  return lengthUnitLabel(currentCode());
}
std::string areaUnitLabel() {
  return areaUnitLabel(currentCode());
}
double metersPerLengthUnit() {
  return metersPerLengthUnit(currentCode());
}
double squareMetersPerAreaUnit() {
  return squareMetersPerAreaUnit(currentCode());
}

std::int32_t unitCodeForLabel(const std::string& label) {
  for (std::int32_t code = 0; code <= 4; ++code)
    if (label == kUnits[code].length) return code;
  return -1;
}

std::string formatUnitValue(double value, int grouping) {
  // Only about seven significant digits are shown: the value passes through a float.
  float single = static_cast<float>(value);
  std::lock_guard lock(formatterMutex());
  CachedFormatter& cached = formatterFor(grouping == 1 ? "#,##0.##" : "###0.##");
  auto key = std::bit_cast<std::uint32_t>(single);
  if (auto found = cached.texts.find(key); found != cached.texts.end()) return found->second;
  if (cached.texts.size() >= kMaxCachedTexts) cached.texts.clear();
  return cached.texts.emplace(key, cached.formatter->stringFromNumber(static_cast<double>(single)))
      .first->second;
}

std::string formatLength(double meters, int grouping, int unit) {
  const UnitRow& r = row(currentCode());
  return withLabel(formatUnitValue(meters / r.metersPerLength, grouping), unit, r.length);
}

std::string formatArea(double squareMeters, int grouping, int unit) {
  const UnitRow& r = row(currentCode());
  return withLabel(formatUnitValue(squareMeters / r.squareMetersPerArea, grouping), unit, r.area);
}

std::size_t cachedFormatterCount() {
  std::lock_guard lock(formatterMutex());
  return formatterCache().size();
}

}  // namespace tessaly
