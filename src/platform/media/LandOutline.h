#pragma once
// The outline of the world's land, read from the same TopoJSON file the web page draws
// (world-atlas "land-50m.json"), as rings of map points ready to draw.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/map/MKGeometry.h"

namespace tessaly::platform {

class LandOutline {
 public:
  struct Ring {
    std::vector<MKMapPoint> points;
    MKMapRect bounds;
  };

  // The outline of the file found beside the resources (node_modules/world-atlas), loaded on
  // first use and kept; an empty outline when the file is missing or unreadable.
  static const LandOutline& shared();
  // Reads TopoJSON text; an empty outline (and error set) for text that is not a topology with
  // a "land" object.
  static LandOutline fromTopoJSON(const std::string& text, std::string* error = nullptr);
  // Where shared() reads from; a path set here wins (the empty path: back to the search).
  static void setSharedPath(const std::string& path);
  static std::string sharedPath();
  // Counts the changes of the shared path: what was drawn from the shared outline is stale once
  // this has moved on.
  static std::uint64_t sharedGeneration();

  const std::vector<Ring>& rings() const { return _rings; }
  std::size_t pointCount() const;
  bool isEmpty() const { return _rings.empty(); }

 private:
  std::vector<Ring> _rings;
};

}  // namespace tessaly::platform
