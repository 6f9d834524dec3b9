#pragma once
// The route files in the documents directory: saving a path under a typed name, listing the
// saved files with their dates and sizes, and deleting one. A save never writes outside the
// documents directory and never leaves a half-written or lost file behind.
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "files/RouteFileWriter.h"

namespace tessaly {

class RouteFileStore {
 public:
  static constexpr const char* kMissingFilename = "Missing filename!";
  static constexpr const char* kCreatingFile = "Creating file!";
  static constexpr const char* kFileSaved =
      "File saved.\n\nYou can transfer the file to your computer using iTunes file sharing.";

  struct SaveOutcome {
    bool saved = false;
    std::string message;  // the alert's text: an info alert when saved, else an error alert
    std::string path;     // the file written (or that would have been)
  };
  // Saves path as "<name>.xml" (filemode 1) or "<name>.kml" into the documents directory,
  // replacing a file of that name. The name is used as typed, but one that is empty, holds a
  // "/" or a NUL, or is "." or "..", writes nothing.
  static SaveOutcome save(const std::optional<std::string>& typedName, std::int32_t filemode,
                          const RouteFileWriter::Path& path);
  // The message of a save whose write failed after the file was opened.
  static std::string saveFailedMessage(const std::string& why);

  struct Listed {
    std::string name;
    bool isXML = false;  // else KML
    std::time_t modified = 0;
    std::int32_t size = -1;  // the low 32 bits of the size in bytes
  };
  // The XML and KML files of directory (extension compared ignoring case), in the order the
  // directory gives them; directories and anything else are left out.
  static std::vector<Listed> list(const std::string& directory);
  // "YYYY-MM-DD hh:mm:ss" in local time, followed by the size in bytes, KB, MB or GB (powers of
  // 1024; no size for -1).
  static std::string createDetails(std::time_t modified, std::int32_t size);
  // The extension of a file name after its last dot ("" for none, or for a name whose only dot
  // leads it), as typed.
  static std::string pathExtension(const std::string& name);
  static bool extensionIs(const std::string& name, const char* lowercaseExtension);
  // Removes a listed file; false when it could not be removed.
  static bool remove(const std::string& directory, const std::string& name);
};

}  // namespace tessaly
