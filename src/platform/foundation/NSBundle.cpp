#include "platform/foundation/NSBundle.h"

#include "platform/foundation/FileSystem.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/PropertyList.h"

namespace tessaly::platform {

NSBundle& NSBundle::mainBundle() {
  static NSBundle bundle;
  return bundle;
}

std::string NSBundle::bundlePath() const {
  std::string path = resourcesDirectory();
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::optional<std::string> NSBundle::objectForInfoDictionaryKey(const std::string& key) const {
  // Read at each question: the file is small, asked for rarely (the help page), and tests and
  // the host may point the bundle elsewhere at any time.
  auto content = readFile(bundlePath() + "/Info.plist");
  if (!content) return std::nullopt;
  auto info = PlistValue::fromXML(*content);
  const PlistValue* value = info ? info->find(key) : nullptr;
  if (value == nullptr) return std::nullopt;
  if (value->isString()) return value->string();
  if (value->isInteger()) return std::to_string(value->integer());
  return std::nullopt;
}

}  // namespace tessaly::platform
