// The map: its sea and land by map type (kept by MapPictureCache), its lines, its pins and the
// callouts open over them, from the map view's description.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/map/MKGeometry.h"
#include "platform/media/DrawingContext.h"
#include "platform/media/MapPictureCache.h"
#include "platform/media/NodeDrawers.h"
#include "platform/media/ViewDrawing.h"

namespace tessaly::platform::drawers {
namespace {

using namespace drawing;

// The map points in view: from the described region (exact), else from the mapRect.
MKMapRect visibleRect(const DescriptionNode& map) {
  const DescriptionNode* region = map.slot("region");
  const DescriptionNode* span = region != nullptr ? region->slot("span") : nullptr;
  const auto* center =
      region != nullptr ? valueOf<CLLocationCoordinate2D>(*region, "center") : nullptr;
  if (center != nullptr && span != nullptr) {
    return mapRectForRegion(
        {*center, {span->number("latitudeDelta"), span->number("longitudeDelta")}});
  }
  CGRect r = map.rect("mapRect");
  return {{r.origin.x, r.origin.y}, {r.size.width, r.size.height}};
}

const UIColor& pinColor(const std::string& name) {
  if (name == "green") return kPinGreen;
  if (name == "purple") return kPinPurple;
  return kPinRed;
}

void drawPin(cairo_t* cr, const UIColor& color) {
  cairo_set_line_width(cr, 2);
  setColor(cr, {0.35f, 0.35f, 0.35f, 1});
  cairo_move_to(cr, 0, 0);
  cairo_line_to(cr, 0, -kPinHeadRise);
  cairo_stroke(cr);
  cairo_arc(cr, 0, -kPinHeadRise, kPinHeadRadius, 0, 2 * kPi);
  setColor(cr, color);
  cairo_fill_preserve(cr);
  setColor(cr, {0, 0, 0, 0.5f});
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
}

void drawUserLocation(cairo_t* cr) {
  cairo_arc(cr, 0, 0, 8, 0, 2 * kPi);
  setColor(cr, kWhite);
  cairo_fill(cr);
  cairo_arc(cr, 0, 0, 6, 0, 2 * kPi);
  setColor(cr, {0.1f, 0.45f, 0.95f, 1});
  cairo_fill(cr);
}

// The callout over an open annotation: its title and subtitle, its accessory at the right.
// x, tipY: where it points, in the map's points; mapOrigin: the map's top left in the window.
void drawCallout(DrawingContext& context, const DescriptionNode& annotation, double x, double tipY,
                 double mapWidth, CGPoint mapOrigin) {
  cairo_t* cr = context.cr();
  UIFont titleFont = UIFont::boldSystemFontOfSize(14), subtitleFont = UIFont::systemFontOfSize(11);
  std::string title = annotation.string("title"), subtitle = annotation.string("subtitle");
  const DescriptionNode* accessory = annotation.slot("accessory");
  double textW = std::max(textWidth(cr, title, titleFont), textWidth(cr, subtitle, subtitleFont));
  double room = accessory != nullptr ? 32 : 0;
  double w = std::min(std::max(textW + 20 + room, 80.0), std::max(mapWidth - 8, 80.0));
  double h = subtitle.empty() ? 30 : 44;
  double left = std::clamp(x - w / 2, 4.0, std::max(4.0, mapWidth - w - 4));
  double top = tipY - 8 - h;
  roundedRect(cr, left, top, w, h, 8);
  cairo_move_to(cr, x - 8, top + h);
  cairo_line_to(cr, x, tipY);
  cairo_line_to(cr, x + 8, top + h);
  setColor(cr, {0.1f, 0.1f, 0.12f, 0.88f});
  cairo_fill(cr);
  double textRight = w - 20 - room;
  if (subtitle.empty()) {
    drawText(cr, title, titleFont, kWhite, left + 10, top, textRight, h);
  } else {
    drawText(cr, title, titleFont, kWhite, left + 10, top + 4, textRight, 20);
    drawText(cr, subtitle, subtitleFont, {0.85f, 0.85f, 0.85f, 1}, left + 10, top + 23, textRight,
             16);
  }
  if (accessory != nullptr) {
    // The accessory button draws itself, centred in the callout's right end.
    CGSize own = accessory->rect("frame").size;
    if (own.width <= 0 || own.height <= 0) own = {22, 22};
    double cx = left + w - 20, cy = top + h / 2;
    context.drawPlaced(*accessory,
                       {static_cast<CGFloat>(mapOrigin.x + cx - own.width / 2),
                        static_cast<CGFloat>(mapOrigin.y + cy - own.height / 2)},
                       own);
  }
}

}  // namespace

void drawMapView(DrawingContext& context, const DescriptionNode& node, CGSize size) {
  cairo_t* cr = context.cr();
  CGPoint origin = context.origin();
  MapProjection projection{visibleRect(node), size};
  cairo_rectangle(cr, 0, 0, size.width, size.height);
  cairo_clip(cr);
  double scale = context.scale();
  cairo_surface_t* background =
      context.cache().background(node.string("mapType", "standard"), projection, scale);
  cairo_save(cr);
  cairo_scale(cr, 1 / scale, 1 / scale);
  cairo_set_source_surface(cr, background, 0, 0);
  cairo_paint(cr);
  cairo_restore(cr);

  const MapProjection* outer = context.map();
  context.setMap(&projection);
  for (const auto& overlay : node.list("overlays")) context.drawPlaced(*overlay, origin, size);

  // Pins from north to south, so a pin further down stands in front, as on the device.
  struct Placed {
    CGPoint at;
    const DescriptionNode* node;
  };
  std::vector<Placed> placed;
  for (const auto& annotation : node.list("annotations")) {
    if (annotation->isNull("view") || annotation->boolean("hidden")) continue;
    const auto* coordinate = valueOf<CLLocationCoordinate2D>(*annotation, "coordinate");
    if (coordinate == nullptr) continue;
    CGPoint at = projection.point(*coordinate);
    if (at.x < -20 || at.x > size.width + 20 || at.y < -10 ||
        at.y > size.height + kPinHeadRise + 10) {
      continue;
    }
    placed.push_back({at, annotation.get()});
  }
  std::stable_sort(placed.begin(), placed.end(),
                   [](const Placed& a, const Placed& b) { return a.at.y < b.at.y; });
  for (const auto& p : placed) context.drawPlaced(*p.node, {origin.x + p.at.x, origin.y + p.at.y});
  context.setMap(outer);
  for (const auto& p : placed) {
    if (!p.node->boolean("calloutOpen")) continue;
    bool pin = p.node->string("view") == "pin";
    context.moveTo(origin);
    drawCallout(context, *p.node, p.at.x, p.at.y - (pin ? kPinHeadRise + kPinHeadRadius : 8),
                size.width, origin);
  }
}

void drawAnnotationView(DrawingContext& context, const DescriptionNode& node, CGSize) {
  // Cairo's origin stands on the annotation's coordinate.
  std::string view = node.string("view");
  if (view == "userLocation")
    drawUserLocation(context.cr());
  else if (view == "pin")
    drawPin(context.cr(), pinColor(node.string("pinColor")));
  else if (!view.empty())
    drawPin(context.cr(), kPinRed);
}

void drawPolylineView(DrawingContext& context, const DescriptionNode& node, CGSize) {
  const MapProjection* map = context.map();
  const auto* coordinates = valueOf<std::vector<CLLocationCoordinate2D>>(node, "points");
  if (map == nullptr || coordinates == nullptr || coordinates->size() < 2) return;
  cairo_t* cr = context.cr();
  // The view's alpha is the line's opacity.
  UIColor color = colorOf(node, "strokeColor").value_or(UIColor::blackColor());
  color.alpha = static_cast<CGFloat>(color.alpha * node.number("alpha", 1));
  double width = node.number("lineWidth");
  MapPictureCache::Stroke stroke{color, width > 0 ? width : kDefaultLineWidth};
  double scale = context.scale();
  if (cairo_surface_t* stroked =
          context.cache().strokedLine(node.id, *coordinates, *map, scale, stroke)) {
    cairo_scale(cr, 1 / scale, 1 / scale);
    cairo_set_source_surface(cr, stroked, 0, 0);
    cairo_paint(cr);
    return;
  }
  const std::vector<CGPoint>& points = context.cache().line(node.id, *coordinates, *map);
  cairo_move_to(cr, points[0].x, points[0].y);
  for (std::size_t i = 1; i < points.size(); ++i) cairo_line_to(cr, points[i].x, points[i].y);
  setColor(cr, color);
  cairo_set_line_width(cr, stroke.width);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_stroke(cr);
}

}  // namespace tessaly::platform::drawers
