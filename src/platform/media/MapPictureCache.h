#pragma once
// What a map costs to draw, kept from one picture to the next while it stays the same: the sea
// and the land of the map in view (thousands of outline points) as a picture, and a line's
// points projected into the view. A recorder drawing the same map forty times a second draws
// its land once.
#include <cairo.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Geometry.h"
#include "platform/media/MapProjection.h"
#include "platform/ui/UIColor.h"

namespace tessaly::platform {

class MapPictureCache {
 public:
  MapPictureCache() = default;
  MapPictureCache(const MapPictureCache&) = delete;
  MapPictureCache& operator=(const MapPictureCache&) = delete;
  ~MapPictureCache();

  // The sea and land of a map of that type ("standard", "satellite", "hybrid") in view as the
  // projection says, at scale pixels per point: drawn on the first ask, then the same picture
  // while type, view, scale and the land outline stay. Owned by the cache.
  cairo_surface_t* background(std::string_view mapType, const MapProjection& projection,
                              double scale);
  // A line's points in the view's points, less those within half a point of the one before
  // (the first and last stay); id names the line (0: not kept).
  const std::vector<CGPoint>& line(std::uint64_t id,
                                   const std::vector<CLLocationCoordinate2D>& points,
                                   const MapProjection& projection);
  // How a line is stroked.
  struct Stroke {
    UIColor color;
    double width;
    friend bool operator==(const Stroke&, const Stroke&) = default;
  };
  // The line stroked into a picture of the view's size at scale pixels per point (its
  // projection and stroke kept beside its points): a long line is stroked once while it and
  // the view stay. Null for a line without id (stroke it from line()). Owned by the cache.
  cairo_surface_t* strokedLine(std::uint64_t id, const std::vector<CLLocationCoordinate2D>& points,
                               const MapProjection& projection, double scale, const Stroke& stroke);

  // Forgets what was not asked for since the last call; called after each picture.
  void endFrame();

  // How many backgrounds and lines were drawn rather than reused (for tests of the keeping).
  std::uint64_t backgroundsDrawn() const { return _backgroundsDrawn; }
  std::uint64_t linesStroked() const { return _linesStroked; }

 private:
  struct Background {
    std::string mapType;
    MapProjection projection;
    double scale;
    std::uint64_t landGeneration;
    cairo_surface_t* surface;
    bool used;
  };
  struct Line {
    std::uint64_t id;
    std::size_t count;
    CLLocationCoordinate2D first, last;
    MapProjection projection;
    std::vector<CGPoint> points;
    bool used;
    // The stroked picture, once asked for.
    cairo_surface_t* surface = nullptr;
    double scale = 0;
    Stroke stroke{};
  };
  Line& lineEntry(std::uint64_t id, const std::vector<CLLocationCoordinate2D>& points,
                  const MapProjection& projection);

  std::vector<Background> _backgrounds;
  std::vector<Line> _lines;
  std::vector<CGPoint> _scratch;
  std::uint64_t _backgroundsDrawn = 0;
  std::uint64_t _linesStroked = 0;
};

}  // namespace tessaly::platform
