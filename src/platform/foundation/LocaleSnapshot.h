#pragma once
// While one lives, currentLocaleName() on its thread answers the name it had when the first of
// them began, without reading the settings and the environment again: one state of the screen
// formats thousands of numbers, all in one locale. A locale set on that thread meanwhile is
// still seen at once.
#include <optional>
#include <string>

namespace tessaly::platform {

class LocaleSnapshot {
 public:
  LocaleSnapshot();
  ~LocaleSnapshot();
  LocaleSnapshot(const LocaleSnapshot&) = delete;
  LocaleSnapshot& operator=(const LocaleSnapshot&) = delete;

  // The name held on this thread, or nullopt outside any snapshot.
  static std::optional<std::string>& held();

 private:
  bool _outermost;
};

}  // namespace tessaly::platform
