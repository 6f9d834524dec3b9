#pragma once
// The application's bundle: the resources directory as the program's own files, and the facts
// of its information dictionary (resources/Info.plist), such as the version.
#include <optional>
#include <string>

namespace tessaly::platform {

class NSBundle {
 public:
  static NSBundle& mainBundle();

  // The resources directory, without a trailing "/".
  std::string bundlePath() const;
  // The text of a string entry of Info.plist (an integer entry in decimal); nullopt when the
  // file or the entry is missing or of another kind.
  std::optional<std::string> objectForInfoDictionaryKey(const std::string& key) const;
};

}  // namespace tessaly::platform
