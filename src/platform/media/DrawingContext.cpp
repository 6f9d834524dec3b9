#include "platform/media/DrawingContext.h"

#include "platform/media/KindDrawers.h"
#include "platform/media/ViewDrawing.h"
#include "platform/ui/UIDevice.h"

namespace tessaly::platform {

DrawingContext::DrawingContext(cairo_t* cr, double scale, CGSize screen, MapPictureCache& cache)
    : _cr(cr), _scale(scale), _screen(screen), _cache(cache) {}

void DrawingContext::moveTo(CGPoint windowPoint) const {
  cairo_identity_matrix(_cr);
  cairo_scale(_cr, _scale, _scale);
  // The status bar's strip is not part of the picture.
  cairo_translate(_cr, windowPoint.x, windowPoint.y - UIScreen::kStatusBarHeight);
}

void DrawingContext::drawNode(const DescriptionNode& node) {
  CGRect frame = node.rect("frame");
  drawAt(node, {_space.x + frame.origin.x, _space.y + frame.origin.y}, frame.size);
}

void DrawingContext::drawPlaced(const DescriptionNode& node, CGPoint origin,
                                std::optional<CGSize> size) {
  CGRect frame = node.rect("frame");
  CGPoint space = _space;
  _space = {origin.x - frame.origin.x, origin.y - frame.origin.y};
  drawAt(node, origin, size.value_or(frame.size));
  _space = space;
}

void DrawingContext::drawAt(const DescriptionNode& node, CGPoint origin, CGSize size) {
  double alpha = node.number("alpha", 1);
  if (node.boolean("hidden") || alpha <= 0.001) return;
  CGPoint outer = _origin;
  _origin = origin;
  const KindDrawer* drawer = drawerForKind(node.kind);
  cairo_save(_cr);
  moveTo(origin);
  bool translucent = alpha < 0.999 && !(drawer != nullptr && drawer->appliesItsAlpha);
  if (translucent) cairo_push_group(_cr);
  if (const auto* background = node.value("backgroundColor")) {
    if (const auto* color = std::get_if<UIColor>(background)) {
      drawing::setColor(_cr, *color);
      cairo_rectangle(_cr, 0, 0, size.width, size.height);
      cairo_fill(_cr);
    }
  }
  if (drawer != nullptr) {
    cairo_save(_cr);
    drawer->draw(*this, node, size);
    cairo_restore(_cr);
  }
  if (drawer == nullptr || !drawer->drawsItsChildren) {
    for (const auto& child : node.children) drawNode(*child);
  }
  if (translucent) {
    cairo_pop_group_to_source(_cr);
    cairo_paint_with_alpha(_cr, alpha);
  }
  cairo_restore(_cr);
  _origin = outer;
}

void DrawingContext::placeItem(std::uint64_t id, CGRect frame) {
  if (id != 0) _items[id] = frame;
}

const CGRect* DrawingContext::itemFrame(std::uint64_t id) const {
  auto it = _items.find(id);
  return it == _items.end() ? nullptr : &it->second;
}

}  // namespace tessaly::platform
