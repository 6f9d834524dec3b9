#pragma once
// Where the kinds' drawers draw: the Cairo context over the picture, and the walk that draws a
// described node at its frame: its background, its kind's own content, then its children.
#include <cairo.h>

#include <cstdint>
#include <map>
#include <optional>

#include "platform/foundation/Geometry.h"
#include "platform/media/MapProjection.h"
#include "platform/ui/DescriptionNode.h"

namespace tessaly::platform {

class MapPictureCache;

class DrawingContext {
 public:
  // cr draws into a picture of the screen below the status bar (screen: its size in points) at
  // scale pixels per point.
  DrawingContext(cairo_t* cr, double scale, CGSize screen, MapPictureCache& cache);

  cairo_t* cr() const { return _cr; }
  double scale() const { return _scale; }
  CGSize screenSize() const { return _screen; }
  MapPictureCache& cache() const { return _cache; }

  // A node and what it holds, at its frame (in the window's coordinates, or in the space of the
  // placed node around it). Hidden or transparent nodes draw nothing.
  void drawNode(const DescriptionNode& node);
  // A node its container places (a bar's item, a table's cell, a callout's button): its top
  // left corner at origin in window points, the nodes inside it kept where they stand relative
  // to it; size, when given, replaces its frame's size.
  void drawPlaced(const DescriptionNode& node, CGPoint origin, std::optional<CGSize> size = {});
  // Moves Cairo's origin to a point of the window (its top left, above the status bar, is 0, 0).
  void moveTo(CGPoint windowPoint) const;
  // Where the node being drawn stands in the window.
  CGPoint origin() const { return _origin; }

  // Where a bar drew an item (window points), for a popover that points at it.
  void placeItem(std::uint64_t id, CGRect frame);
  const CGRect* itemFrame(std::uint64_t id) const;

  // The map whose annotations and overlays are being drawn, or null outside a map.
  const MapProjection* map() const { return _map; }
  void setMap(const MapProjection* map) { _map = map; }

 private:
  void drawAt(const DescriptionNode& node, CGPoint origin, CGSize size);

  cairo_t* _cr;
  double _scale;
  CGSize _screen;
  MapPictureCache& _cache;
  CGPoint _space{};   // where the current frames are measured from, in window points
  CGPoint _origin{};  // the node being drawn
  std::map<std::uint64_t, CGRect> _items;
  const MapProjection* _map = nullptr;
};

}  // namespace tessaly::platform
