#include "platform/media/MapPictureCache.h"

#include <algorithm>
#include <cmath>

#include "platform/media/LandOutline.h"
#include "platform/media/ViewDrawing.h"

namespace tessaly::platform {
namespace {

// The world copies (in map points) that fall into the visible rectangle.
std::vector<double> worldShifts(const MKMapRect& visible) {
  std::vector<double> shifts;
  double w = MKMapWorldWidth;
  for (int k = -2; k <= 2; ++k) {
    double lo = k * w - w, hi = k * w + 2 * w;  // rings run up to a world past either edge
    if (hi >= visible.origin.x && lo <= visible.origin.x + visible.size.width)
      shifts.push_back(k * w);
  }
  return shifts;
}

void drawLand(cairo_t* cr, const LandOutline& land, const MapProjection& p, const UIColor& fill,
              const UIColor* edge) {
  if (land.isEmpty()) return;
  const MKMapRect& v = p.visible;
  // Points closer than about half a point on screen add nothing; skip them.
  double minStep = p.sx() > 0 ? 0.5 / p.sx() : 0;
  for (double shift : worldShifts(v)) {
    for (const auto& ring : land.rings()) {
      const MKMapRect& b = ring.bounds;
      if (b.origin.x + shift > v.origin.x + v.size.width ||
          b.origin.x + b.size.width + shift < v.origin.x ||
          b.origin.y > v.origin.y + v.size.height || b.origin.y + b.size.height < v.origin.y) {
        continue;
      }
      const auto& pts = ring.points;
      cairo_move_to(cr, p.px(pts[0].x + shift), p.py(pts[0].y));
      MKMapPoint last = pts[0];
      for (std::size_t i = 1; i < pts.size(); ++i) {
        if (std::fabs(pts[i].x - last.x) < minStep && std::fabs(pts[i].y - last.y) < minStep &&
            i + 1 < pts.size()) {
          continue;
        }
        last = pts[i];
        cairo_line_to(cr, p.px(pts[i].x + shift), p.py(pts[i].y));
      }
      cairo_close_path(cr);
    }
  }
  drawing::setColor(cr, fill);
  if (edge == nullptr) {
    cairo_fill(cr);
    return;
  }
  cairo_fill_preserve(cr);
  drawing::setColor(cr, *edge);
  cairo_set_line_width(cr, 0.8);
  cairo_stroke(cr);
}

bool sameCoordinate(const CLLocationCoordinate2D& a, const CLLocationCoordinate2D& b) {
  return a.latitude == b.latitude && a.longitude == b.longitude;
}

}  // namespace

MapPictureCache::~MapPictureCache() {
  for (auto& background : _backgrounds) cairo_surface_destroy(background.surface);
  for (auto& line : _lines)
    if (line.surface != nullptr) cairo_surface_destroy(line.surface);
}

cairo_surface_t* MapPictureCache::background(std::string_view mapType,
                                             const MapProjection& projection, double scale) {
  std::uint64_t generation = LandOutline::sharedGeneration();
  for (auto& kept : _backgrounds) {
    if (kept.mapType == mapType && kept.projection == projection && kept.scale == scale &&
        kept.landGeneration == generation) {
      kept.used = true;
      return kept.surface;
    }
  }
  int width = std::max(1, static_cast<int>(std::ceil(projection.size.width * scale)));
  int height = std::max(1, static_cast<int>(std::ceil(projection.size.height * scale)));
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, scale, scale);
  bool imagery = mapType == "satellite" || mapType == "hybrid";
  drawing::setColor(cr, imagery ? drawing::kImagerySea : drawing::kSea);
  cairo_paint(cr);
  const LandOutline& land = LandOutline::shared();
  if (imagery) {
    drawLand(cr, land, projection, drawing::kImageryLand,
             mapType == "hybrid" ? &drawing::kHybridOutline : nullptr);
  } else {
    drawLand(cr, land, projection, drawing::kLand, &drawing::kLandEdge);
  }
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  ++_backgroundsDrawn;
  _backgrounds.push_back({std::string(mapType), projection, scale, generation, surface, true});
  return surface;
}

namespace {

void project(std::vector<CGPoint>& out, const std::vector<CLLocationCoordinate2D>& points,
             const MapProjection& projection) {
  out.clear();
  out.reserve(points.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    MKMapPoint m = MKMapPointForCoordinate(points[i]);
    CGPoint p{static_cast<CGFloat>(projection.px(m.x)), static_cast<CGFloat>(projection.py(m.y))};
    // A point within half a point of the last one kept adds nothing to the stroke but its
    // cost; the last point always stays, so the line ends where it ends.
    if (!out.empty() && i + 1 < points.size() && std::fabs(p.x - out.back().x) < 0.5f &&
        std::fabs(p.y - out.back().y) < 0.5f) {
      continue;
    }
    out.push_back(p);
  }
}

}  // namespace

MapPictureCache::Line& MapPictureCache::lineEntry(std::uint64_t id,
                                                  const std::vector<CLLocationCoordinate2D>& points,
                                                  const MapProjection& projection) {
  for (auto& kept : _lines) {
    if (kept.id == id && kept.count == points.size() &&
        sameCoordinate(kept.first, points.front()) && sameCoordinate(kept.last, points.back()) &&
        kept.projection == projection) {
      kept.used = true;
      return kept;
    }
  }
  Line line{id, points.size(), points.front(), points.back(), projection, {}, true};
  project(line.points, points, projection);
  _lines.push_back(std::move(line));
  return _lines.back();
}

const std::vector<CGPoint>& MapPictureCache::line(std::uint64_t id,
                                                  const std::vector<CLLocationCoordinate2D>& points,
                                                  const MapProjection& projection) {
  if (id == 0 || points.empty()) {
    project(_scratch, points, projection);
    return _scratch;
  }
  return lineEntry(id, points, projection).points;
}

cairo_surface_t* MapPictureCache::strokedLine(std::uint64_t id,
                                              const std::vector<CLLocationCoordinate2D>& points,
                                              const MapProjection& projection, double scale,
                                              const Stroke& stroke) {
  if (id == 0 || points.size() < 2) return nullptr;
  Line& line = lineEntry(id, points, projection);
  if (line.surface != nullptr && line.scale == scale && line.stroke == stroke) return line.surface;
  if (line.surface != nullptr) cairo_surface_destroy(line.surface);
  int width = std::max(1, static_cast<int>(std::ceil(projection.size.width * scale)));
  int height = std::max(1, static_cast<int>(std::ceil(projection.size.height * scale)));
  line.surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  line.scale = scale;
  line.stroke = stroke;
  cairo_t* cr = cairo_create(line.surface);
  cairo_scale(cr, scale, scale);
  cairo_move_to(cr, line.points[0].x, line.points[0].y);
  for (std::size_t i = 1; i < line.points.size(); ++i)
    cairo_line_to(cr, line.points[i].x, line.points[i].y);
  drawing::setColor(cr, stroke.color);
  cairo_set_line_width(cr, stroke.width);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_stroke(cr);
  cairo_destroy(cr);
  cairo_surface_flush(line.surface);
  ++_linesStroked;
  return line.surface;
}

void MapPictureCache::endFrame() {
  for (auto& background : _backgrounds)
    if (!background.used) cairo_surface_destroy(background.surface);
  std::erase_if(_backgrounds, [](const Background& b) { return !b.used; });
  for (auto& background : _backgrounds) background.used = false;
  for (auto& line : _lines)
    if (!line.used && line.surface != nullptr) cairo_surface_destroy(line.surface);
  std::erase_if(_lines, [](const Line& l) { return !l.used; });
  for (auto& line : _lines) line.used = false;
}

}  // namespace tessaly::platform
