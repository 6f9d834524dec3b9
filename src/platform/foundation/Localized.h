#pragma once
// Localized texts and the application's resources directory.
#include <string>

namespace tessaly::platform {

// The resources directory: the one set by setResourcesDirectory, else TESSALY_RESOURCES if set,
// else "../resources" beside the running program (build/tessaly -> resources/), else
// $TESSALY_SOURCE_DIR/resources (test programs run by ctest).
std::string resourcesDirectory();
void setResourcesDirectory(const std::string& path);

// The text for key in the table of the current language (resources/strings/<lang>.strings),
// then in the English table, else defaultText. Tables are read once per language.
std::string NSLocalizedString(const std::string& key, const std::string& defaultText);
// Forgets the tables read so far (after the resources directory or the language changed).
void reloadLocalizedStrings();

}  // namespace tessaly::platform
