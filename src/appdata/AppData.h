#pragma once
// The user's three settings (map type, unit, own position shown) while the program runs, and
// their file "settings.plist" in the documents directory.
#include <cstdint>
#include <string>

namespace tessaly {

// Posted on the default notification centre after the settings were changed and saved.
inline constexpr const char* kAppSettingsNotification = "AppSettingsNotification";

class AppData {
 public:
  // The one instance of the process, made on first call (thread-safe); never destroyed.
  // It does not load the file.
  static AppData& sharedInstance();

  AppData() = default;

  // Reads the settings file. No file: logs "FILE NOT FOUND <path>" and keeps the values. A file
  // that is not a property-list dictionary changes nothing; an entry that is not a number, or
  // one that does not fit a 32-bit integer, leaves its setting as it was.
  void loadSettings();
  // Writes the three settings to the file (a temporary file renamed over the old one). A failed
  // save is logged; the values in memory stay in force.
  void saveSettings();
  // The settings file's full path: the documents directory followed by "/settings.plist".
  static std::string settingsPath();

  std::int32_t maptype() const { return _maptype; }
  void setMaptype(std::int32_t value) { _maptype = value; }
  std::int32_t unit() const { return _unit; }
  void setUnit(std::int32_t value) { _unit = value; }
  std::int32_t currentlocation() const { return _currentlocation; }
  void setCurrentlocation(std::int32_t value) { _currentlocation = value; }

  // Back to the values of a new instance (tests share the one instance).
  void reset() { _maptype = _unit = _currentlocation = 0; }

 private:
  std::int32_t _maptype = 0;
  std::int32_t _unit = 0;
  std::int32_t _currentlocation = 0;
};

}  // namespace tessaly
