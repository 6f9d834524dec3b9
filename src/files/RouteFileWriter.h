#pragma once
// The two documents a path is saved as: the program's own XML route file (read back by
// RouteFileReader) and a KML document for other mapping software. Both are written in the C
// locale's number format, byte for byte the same on every machine.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "measure/CoordData.h"

namespace tessaly {

class RouteFileWriter {
 public:
  using Path = std::vector<std::shared_ptr<CoordData>>;

  // The save formats as the Load/Save sheet numbers them.
  static constexpr std::int32_t kModeXML = 1;
  static constexpr std::int32_t kModeKML = 2;

  // "<route>" with one "coordinates" line per entry, latitude first.
  static std::string xmlDocument(const Path& path);
  // One placemark per marker (the first named "Start", the others by their running distance)
  // and one line through every entry, longitude first.
  static std::string kmlDocument(const Path& path);
  // The document for a file mode: 1 is the XML route file, any other value KML.
  static std::string document(std::int32_t filemode, const Path& path);
  // The file name extension for a file mode (".xml" for 1, ".kml" otherwise).
  static const char* extension(std::int32_t filemode);
  // writeFile: writes the whole document into an open stream; neither flushes nor closes it.
  // False when the stream reports a write error.
  static bool writeFile(std::FILE* stream, std::int32_t filemode, const Path& path);
};

}  // namespace tessaly
