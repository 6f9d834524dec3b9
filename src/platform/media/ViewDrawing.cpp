#include "platform/media/ViewDrawing.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "platform/foundation/Localized.h"

namespace tessaly::platform::drawing {
namespace {

void selectFont(cairo_t* cr, const UIFont& font) {
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                         font.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, font.pointSize > 0 ? font.pointSize : UIFont::systemFontSize());
}

// Images of the resources' images folder, loaded once each.
cairo_surface_t* imageSurface(const std::string& name) {
  static std::mutex mutex;
  // Kept for the whole run, never destroyed: a map freed at exit would strand its surfaces.
  static auto& cache = *new std::map<std::string, cairo_surface_t*>;
  std::lock_guard lock(mutex);
  auto it = cache.find(name);
  if (it != cache.end()) return it->second;
  cairo_surface_t* surface = nullptr;
  if (name.size() > 4 && name.find("..") == std::string::npos &&
      name.compare(name.size() - 4, 4, ".png") == 0) {
    std::string path = resourcesDirectory() + "/images/" + name;
    surface = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(surface);
      surface = nullptr;
    }
  }
  cache.emplace(name, surface);
  return surface;
}

}  // namespace

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  r = std::min({r, w / 2, h / 2});
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
  cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
  cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
  cairo_close_path(cr);
}

void verticalGradient(cairo_t* cr, double y, double h, const UIColor& top, const UIColor& bottom) {
  cairo_pattern_t* p = cairo_pattern_create_linear(0, y, 0, y + h);
  cairo_pattern_add_color_stop_rgba(p, 0, top.red, top.green, top.blue, top.alpha);
  cairo_pattern_add_color_stop_rgba(p, 1, bottom.red, bottom.green, bottom.blue, bottom.alpha);
  cairo_set_source(cr, p);
  cairo_pattern_destroy(p);
}

void fillBar(cairo_t* cr, double width, double height, double edgeY) {
  cairo_rectangle(cr, 0, 0, width, height);
  verticalGradient(cr, 0, height, kBarTop, kBarBottom);
  cairo_fill(cr);
  if (edgeY < 0) return;
  setColor(cr, {0.18f, 0.21f, 0.26f, 1});
  cairo_rectangle(cr, 0, edgeY, width, 1);
  cairo_fill(cr);
}

void drawEnteredText(cairo_t* cr, const std::string& text, const std::string& placeholder,
                     double fontSize, double x, double y, double width, double height) {
  bool empty = text.empty();
  drawText(cr, empty ? placeholder : text, UIFont::systemFontOfSize(static_cast<CGFloat>(fontSize)),
           empty ? kPlaceholder : kDarkText, x, y, width, height);
}

void drawImage(cairo_t* cr, const std::string& name, double x, double y, double w, double h) {
  cairo_surface_t* image = imageSurface(name);
  if (image == nullptr) return;
  double iw = cairo_image_surface_get_width(image), ih = cairo_image_surface_get_height(image);
  if (iw <= 0 || ih <= 0) return;
  double scale = std::min(w / iw, h / ih);
  cairo_save(cr);
  cairo_translate(cr, x + (w - iw * scale) / 2, y + (h - ih * scale) / 2);
  cairo_scale(cr, scale, scale);
  cairo_set_source_surface(cr, image, 0, 0);
  cairo_paint(cr);
  cairo_restore(cr);
}

void drawPanelButton(cairo_t* cr, double x, double y, double w, double h, const std::string& title,
                     const UIColor& top, const UIColor& bottom, const UIColor& text) {
  roundedRect(cr, x, y, w, h, 7);
  verticalGradient(cr, y, h, top, bottom);
  cairo_fill_preserve(cr);
  setColor(cr, {0, 0, 0, 0.4f});
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  drawText(cr, title, UIFont::boldSystemFontOfSize(16), text, x + 6, y, w - 12, h,
           NSTextAlignmentCenter);
}

void setColor(cairo_t* cr, const UIColor& c, double alphaFactor) {
  cairo_set_source_rgba(cr, c.red, c.green, c.blue, c.alpha * alphaFactor);
}

double textWidth(cairo_t* cr, const std::string& text, const UIFont& font) {
  if (text.empty()) return 0;
  selectFont(cr, font);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  return extents.x_advance;
}

void drawText(cairo_t* cr, const std::string& text, const UIFont& font, const UIColor& color,
              double x, double y, double width, double height, NSTextAlignment alignment) {
  if (text.empty() || width <= 0) return;
  selectFont(cr, font);
  std::string shown = text;
  cairo_text_extents_t extents;
  cairo_text_extents(cr, shown.c_str(), &extents);
  if (extents.x_advance > width) {
    // Cut whole UTF-8 characters off the end until the text and the ellipsis fit.
    const std::string ellipsis = "\xE2\x80\xA6";
    std::string cut = text;
    while (!cut.empty()) {
      do cut.pop_back();
      while (!cut.empty() && (static_cast<unsigned char>(cut.back()) & 0xC0) == 0x80);
      if (!cut.empty() && (static_cast<unsigned char>(cut.back()) & 0x80)) cut.pop_back();
      cairo_text_extents(cr, (cut + ellipsis).c_str(), &extents);
      if (extents.x_advance <= width) break;
    }
    shown = cut + ellipsis;
    cairo_text_extents(cr, shown.c_str(), &extents);
  }
  cairo_font_extents_t metrics;
  cairo_font_extents(cr, &metrics);
  double left = x;
  if (alignment == NSTextAlignmentCenter) left = x + (width - extents.x_advance) / 2;
  if (alignment == NSTextAlignmentRight) left = x + width - extents.x_advance;
  double baseline = y + (height + metrics.ascent - metrics.descent) / 2;
  setColor(cr, color);
  cairo_move_to(cr, left, baseline);
  cairo_show_text(cr, shown.c_str());
  cairo_new_path(cr);
}

}  // namespace tessaly::platform::drawing
