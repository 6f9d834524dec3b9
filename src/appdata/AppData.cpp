#include "appdata/AppData.h"

#include <cmath>
#include <limits>
#include <optional>

#include "platform/foundation/FileSystem.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"

namespace tessaly {
namespace {

using platform::PlistValue;

// The integer value of a stored number, as the file's numbers are read: integers, reals cut
// toward zero, booleans as 0 or 1. Anything else, or a value beyond 32 bits, is unreadable.
std::optional<std::int32_t> intValue(const PlistValue& value) {
  constexpr auto lo = std::numeric_limits<std::int32_t>::min();
  constexpr auto hi = std::numeric_limits<std::int32_t>::max();
  if (value.isInteger()) {
    std::int64_t v = value.integer();
    if (v < lo || v > hi) return std::nullopt;
    return static_cast<std::int32_t>(v);
  }
  if (value.isReal()) {
    double v = std::trunc(value.real());
    if (!std::isfinite(v) || v < lo || v > hi) return std::nullopt;
    return static_cast<std::int32_t>(v);
  }
  if (value.isBoolean()) return value.boolean() ? 1 : 0;
  return std::nullopt;
}

void refuse(const std::string& path, const std::string& reason) {
  platform::log("loadSettings: " + path + " refused (" + reason +
                "); the settings keep their values and the file is left as it is");
}

}  // namespace

AppData& AppData::sharedInstance() {
  // A function-local static is made once even when threads ask at the same time.
  static AppData* instance = new AppData();
  return *instance;
}

std::string AppData::settingsPath() {
  return platform::documentsDirectory() + "/settings.plist";
}

void AppData::loadSettings() {
  std::string path = settingsPath();
  std::optional<std::string> content;
  bool readable = platform::isReadableFile(path);
  // A file too large to be settings is not even read; the library's limits refuse the rest.
  auto size = readable ? platform::fileSize(path) : std::nullopt;
  if (size && *size > PlistValue::kMaxXMLBytes) {
    refuse(path, "larger than " + std::to_string(PlistValue::kMaxXMLBytes) + " bytes");
    return;
  }
  if (readable) content = platform::readFile(path);
  if (!content) {
    platform::log("FILE NOT FOUND " + path);
    return;
  }
  // Beyond the limits the file is left as it is and the settings keep their values; a file that
  // simply is no property list changes nothing, silently.
  if (auto refusal = PlistValue::xmlLimitRefusal(*content)) {
    refuse(path, *refusal);
    return;
  }
  auto root = PlistValue::fromXML(*content);
  if (!root || !root->isDictionary()) return;
  for (const auto& [key, value] : root->dictionary()) {
    std::int32_t* target = key == "MapType"           ? &_maptype
                           : key == "Unit"            ? &_unit
                           : key == "CurrentLocation" ? &_currentlocation
                                                      : nullptr;
    if (target == nullptr) continue;
    if (auto v = intValue(value)) *target = *v;
  }
}

void AppData::saveSettings() {
  PlistValue::Dictionary dict{{"MapType", PlistValue(_maptype)},
                              {"Unit", PlistValue(_unit)},
                              {"CurrentLocation", PlistValue(_currentlocation)}};
  std::string path = settingsPath();
  if (!platform::writeFileAtomically(path, PlistValue(std::move(dict)).toXML()))
    platform::log("saving " + path + " failed");
}

}  // namespace tessaly
