#pragma once
// Paths and golden files shared by the route file tests.
#include <memory>
#include <string>
#include <vector>

#include "files/RouteFileWriter.h"
#include "platform/foundation/FileSystem.h"

namespace tessaly::testing {

struct PathPoint {
  int type;
  double latitude;
  double longitude;
  double distance = 0;
};

inline RouteFileWriter::Path makePath(const std::vector<PathPoint>& points) {
  RouteFileWriter::Path path;
  for (const PathPoint& p : points) {
    auto entry = std::make_shared<CoordData>(p.type, p.latitude, p.longitude);
    entry->setDistance(p.distance);
    path.push_back(entry);
  }
  return path;
}

// Two markers with one route point between them, the second marker 612.345 m along.
inline RouteFileWriter::Path mixedPath() {
  return makePath({{kCoordStart, 10, 20, 0},
                   {kCoordRoute, 10.25, 20.5, 300.1},
                   {kCoordMarker, 10.5, 21, 612.345}});
}

inline std::string golden(const std::string& name) {
  auto text = platform::readFile(std::string(TESSALY_FILES_GOLDEN) + "/" + name);
  return text ? *text : "<missing golden file " + name + ">";
}

}  // namespace tessaly::testing
