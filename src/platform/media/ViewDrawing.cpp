#include "platform/media/ViewDrawing.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>

#include "platform/ads/ADBannerView.h"
#include "platform/foundation/Localized.h"
#include "platform/map/MKMapView.h"
#include "platform/media/LandOutline.h"
#include "platform/ui/UIActionSheet.h"
#include "platform/ui/UIAlertView.h"
#include "platform/ui/UIButton.h"
#include "platform/ui/UINavigationBar.h"
#include "platform/ui/UISearchBar.h"
#include "platform/ui/UISegmentedControl.h"
#include "platform/ui/UISwitch.h"
#include "platform/ui/UITableView.h"
#include "platform/ui/UITextField.h"
#include "platform/ui/UIToolbar.h"

namespace tessaly::platform::drawing {
namespace {

constexpr double kPi = 3.14159265358979323846;
const UIColor kWhite = UIColor::whiteColor();
const UIColor kDarkText = {0.1f, 0.1f, 0.1f, 1};
const UIColor kPlaceholder = {0.6f, 0.6f, 0.6f, 1};

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

// The bars' blue-grey gradient over the whole bar, with a dark edge line at edgeY (or none).
void fillBar(cairo_t* cr, double width, double height, double edgeY) {
  cairo_rectangle(cr, 0, 0, width, height);
  verticalGradient(cr, 0, height, kBarTop, kBarBottom);
  cairo_fill(cr);
  if (edgeY < 0) return;
  setColor(cr, {0.18f, 0.21f, 0.26f, 1});
  cairo_rectangle(cr, 0, edgeY, width, 1);
  cairo_fill(cr);
}

// What was typed into a field, or its placeholder in grey while it is empty.
void drawEnteredText(cairo_t* cr, const std::string& text, const std::string& placeholder,
                     double fontSize, double x, double y, double width, double height) {
  bool empty = text.empty();
  drawText(cr, empty ? placeholder : text, UIFont::systemFontOfSize(fontSize),
           empty ? kPlaceholder : kDarkText, x, y, width, height);
}

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

// The drawn glyph of a system item, white, in a 20-point box centred on (cx, cy).
void drawSystemGlyph(cairo_t* cr, UIBarButtonSystemItem item, double cx, double cy) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_set_line_width(cr, 2);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  setColor(cr, kWhite);
  switch (item) {
    case UIBarButtonSystemItemSearch:
      cairo_arc(cr, -2, -2, 6, 0, 2 * kPi);
      cairo_move_to(cr, 2.5, 2.5);
      cairo_line_to(cr, 8, 8);
      cairo_stroke(cr);
      break;
    case UIBarButtonSystemItemTrash:
      cairo_rectangle(cr, -6, -5, 12, 13);
      cairo_move_to(cr, -8, -7);
      cairo_line_to(cr, 8, -7);
      cairo_move_to(cr, -2, -9);
      cairo_line_to(cr, 2, -9);
      cairo_move_to(cr, -2, -2);
      cairo_line_to(cr, -2, 5);
      cairo_move_to(cr, 2, -2);
      cairo_line_to(cr, 2, 5);
      cairo_stroke(cr);
      break;
    case UIBarButtonSystemItemUndo:
    case UIBarButtonSystemItemReply:
    case UIBarButtonSystemItemRewind:
      cairo_arc(cr, 1, 2, 6, -kPi / 2, kPi / 2);
      cairo_stroke(cr);
      cairo_move_to(cr, 1, -8);
      cairo_line_to(cr, -7, -4);
      cairo_line_to(cr, 1, 0);
      cairo_close_path(cr);
      cairo_fill(cr);
      break;
    case UIBarButtonSystemItemRedo:
    case UIBarButtonSystemItemFastForward:
      cairo_arc_negative(cr, -1, 2, 6, -kPi / 2, kPi / 2);
      cairo_stroke(cr);
      cairo_move_to(cr, -1, -8);
      cairo_line_to(cr, 7, -4);
      cairo_line_to(cr, -1, 0);
      cairo_close_path(cr);
      cairo_fill(cr);
      break;
    case UIBarButtonSystemItemOrganize:
    case UIBarButtonSystemItemBookmarks:
      cairo_move_to(cr, -9, -6);
      cairo_line_to(cr, -3, -6);
      cairo_line_to(cr, -1, -4);
      cairo_line_to(cr, 9, -4);
      cairo_line_to(cr, 9, 7);
      cairo_line_to(cr, -9, 7);
      cairo_close_path(cr);
      cairo_stroke(cr);
      break;
    case UIBarButtonSystemItemAdd:
      cairo_move_to(cr, -7, 0);
      cairo_line_to(cr, 7, 0);
      cairo_move_to(cr, 0, -7);
      cairo_line_to(cr, 0, 7);
      cairo_stroke(cr);
      break;
    case UIBarButtonSystemItemAction:
    case UIBarButtonSystemItemCompose:
      cairo_rectangle(cr, -7, -3, 14, 11);
      cairo_move_to(cr, 0, 3);
      cairo_line_to(cr, 0, -9);
      cairo_move_to(cr, -4, -5);
      cairo_line_to(cr, 0, -9);
      cairo_line_to(cr, 4, -5);
      cairo_stroke(cr);
      break;
    case UIBarButtonSystemItemRefresh:
      cairo_arc(cr, 0, 0, 7, -kPi / 3, 1.6 * kPi);
      cairo_stroke(cr);
      cairo_move_to(cr, 3, -9);
      cairo_line_to(cr, 8, -6);
      cairo_line_to(cr, 3, -2);
      cairo_close_path(cr);
      cairo_fill(cr);
      break;
    case UIBarButtonSystemItemStop:
      cairo_move_to(cr, -6, -6);
      cairo_line_to(cr, 6, 6);
      cairo_move_to(cr, 6, -6);
      cairo_line_to(cr, -6, 6);
      cairo_stroke(cr);
      break;
    case UIBarButtonSystemItemPlay:
      cairo_move_to(cr, -5, -7);
      cairo_line_to(cr, 7, 0);
      cairo_line_to(cr, -5, 7);
      cairo_close_path(cr);
      cairo_fill(cr);
      break;
    case UIBarButtonSystemItemPause:
      cairo_rectangle(cr, -6, -7, 4, 14);
      cairo_rectangle(cr, 2, -7, 4, 14);
      cairo_fill(cr);
      break;
    case UIBarButtonSystemItemCamera:
      roundedRect(cr, -9, -5, 18, 13, 2);
      cairo_stroke(cr);
      cairo_arc(cr, 0, 1.5, 4, 0, 2 * kPi);
      cairo_stroke(cr);
      break;
    default:  // the page curl and anything unknown: a plain dot
      cairo_arc(cr, 0, 0, 3, 0, 2 * kPi);
      cairo_fill(cr);
      break;
  }
  cairo_restore(cr);
}

// The titles the text-like system items show.
std::string systemItemTitle(UIBarButtonSystemItem item) {
  switch (item) {
    case UIBarButtonSystemItemDone:
      return "Done";
    case UIBarButtonSystemItemCancel:
      return "Cancel";
    case UIBarButtonSystemItemEdit:
      return "Edit";
    case UIBarButtonSystemItemSave:
      return "Save";
    default:
      return "";
  }
}

std::string itemTitle(const UIBarButtonItem& item) {
  if (!item.title().empty()) return item.title();
  return systemItemTitle(item.systemItem());
}

// A bordered bar button: a darker rounded rectangle with its title.
void drawBorderedButton(cairo_t* cr, double x, double y, double w, double h,
                        const std::string& title, bool done, bool enabled) {
  roundedRect(cr, x + 0.5, y + 0.5, w - 1, h - 1, 5);
  verticalGradient(cr, y, h,
                   done ? UIColor{0.35f, 0.55f, 0.9f, 1} : UIColor{0.54f, 0.61f, 0.71f, 1},
                   done ? UIColor{0.15f, 0.35f, 0.75f, 1} : UIColor{0.29f, 0.42f, 0.61f, 1});
  cairo_fill_preserve(cr);
  setColor(cr, {0.18f, 0.21f, 0.26f, 1});
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  drawText(cr, title, UIFont::boldSystemFontOfSize(12), enabled ? kWhite : UIColor{1, 1, 1, 0.45f},
           x + 4, y, w - 8, h, NSTextAlignmentCenter);
}

void drawBarItem(cairo_t* cr, const UIBarButtonItem& item, double x, double y, double w, double h) {
  if (item.isSpace()) return;
  if (const auto& custom = item.customView()) {
    // A custom view keeps its own size, centred in its slot.
    CGRect f = custom->frame();
    cairo_save(cr);
    cairo_translate(cr, x + (w - f.size.width) / 2, y + (h - f.size.height) / 2);
    if (auto* label = dynamic_cast<const UILabel*>(custom.get())) {
      drawLabel(cr, *label);
    } else if (auto* button = dynamic_cast<const UIButton*>(custom.get())) {
      drawButton(cr, *button);
    }
    cairo_restore(cr);
    return;
  }
  bool enabled = item.isEnabled();
  if (!enabled) cairo_push_group(cr);
  std::string title = itemTitle(item);
  if (item.image()) {
    drawImage(cr, item.image()->name(), x + 4, y + 4, w - 8, h - 8);
  } else if (!title.empty()) {
    double bh = std::min(30.0, h - 8);
    if (item.style() == UIBarButtonItemStylePlain &&
        item.systemItem() == UIBarButtonSystemItemNone) {
      drawText(cr, title, UIFont::boldSystemFontOfSize(13), kWhite, x, y, w, h,
               NSTextAlignmentCenter);
    } else {
      drawBorderedButton(cr, x, y + (h - bh) / 2, w, bh, title,
                         item.style() == UIBarButtonItemStyleDone ||
                             item.systemItem() == UIBarButtonSystemItemDone,
                         true);
    }
  } else {
    drawSystemGlyph(cr, item.systemItem(), x + w / 2, y + h / 2);
  }
  if (!enabled) {
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, 0.4);
  }
}

double preferredItemWidth(cairo_t* cr, const UIBarButtonItem& item) {
  if (item.systemItem() == UIBarButtonSystemItemFixedSpace) return item.width();
  if (item.isSpace()) return 0;
  if (item.width() > 0) return item.width();
  if (const auto& custom = item.customView()) return custom->frame().size.width;
  if (item.image()) return 36;
  std::string title = itemTitle(item);
  if (!title.empty())
    return std::max(44.0, textWidth(cr, title, UIFont::boldSystemFontOfSize(12)) + 20);
  return 36;
}

// Map points to the view's points: an affine map taken from the map's own conversion.
struct MapProjection {
  double x0, y0, sx, sy;
  MKMapRect visible;
  double px(double mx) const { return x0 + (mx - visible.origin.x) * sx; }
  double py(double my) const { return y0 + (my - visible.origin.y) * sy; }
};

MapProjection projectionFor(const MKMapView& map) {
  MapProjection p{};
  p.visible = map.visibleMapRect();
  CGRect b = map.bounds();
  p.x0 = b.origin.x;
  p.y0 = b.origin.y;
  p.sx = p.visible.size.width > 0 ? b.size.width / p.visible.size.width : 0;
  p.sy = p.visible.size.height > 0 ? b.size.height / p.visible.size.height : 0;
  return p;
}

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

void drawLand(cairo_t* cr, const MapProjection& p, const UIColor& fill, const UIColor* edge,
              bool filled) {
  const LandOutline& land = LandOutline::shared();
  if (land.isEmpty()) return;
  const MKMapRect& v = p.visible;
  // Points closer than about half a point on screen add nothing; skip them.
  double minStep = p.sx > 0 ? 0.5 / p.sx : 0;
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
  if (filled) {
    setColor(cr, fill);
    if (edge != nullptr) {
      cairo_fill_preserve(cr);
    } else {
      cairo_fill(cr);
    }
  }
  if (edge != nullptr) {
    setColor(cr, *edge);
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
  }
  cairo_new_path(cr);
}

void drawPolyline(cairo_t* cr, const MapProjection& p, const MKPolylineView& line) {
  const auto& polyline = line.polyline();
  if (!polyline || line.isHidden()) return;
  const auto& points = polyline->pointVector();
  if (points.size() < 2) return;
  cairo_move_to(cr, p.px(points[0].x), p.py(points[0].y));
  for (std::size_t i = 1; i < points.size(); ++i) {
    cairo_line_to(cr, p.px(points[i].x), p.py(points[i].y));
  }
  setColor(cr, line.strokeColor(), line.alpha());
  cairo_set_line_width(cr, line.lineWidth() > 0 ? line.lineWidth() : kDefaultLineWidth);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_stroke(cr);
}

const UIColor& pinColor(MKPinAnnotationColor color) {
  switch (color) {
    case MKPinAnnotationColorGreen:
      return kPinGreen;
    case MKPinAnnotationColorPurple:
      return kPinPurple;
    default:
      return kPinRed;
  }
}

void drawPin(cairo_t* cr, double x, double y, const UIColor& color) {
  cairo_set_line_width(cr, 2);
  setColor(cr, {0.35f, 0.35f, 0.35f, 1});
  cairo_move_to(cr, x, y);
  cairo_line_to(cr, x, y - kPinHeadRise);
  cairo_stroke(cr);
  cairo_arc(cr, x, y - kPinHeadRise, kPinHeadRadius, 0, 2 * kPi);
  setColor(cr, color);
  cairo_fill_preserve(cr);
  setColor(cr, {0, 0, 0, 0.5f});
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
}

void drawUserLocation(cairo_t* cr, double x, double y) {
  cairo_arc(cr, x, y, 8, 0, 2 * kPi);
  setColor(cr, kWhite);
  cairo_fill(cr);
  cairo_arc(cr, x, y, 6, 0, 2 * kPi);
  setColor(cr, {0.1f, 0.45f, 0.95f, 1});
  cairo_fill(cr);
}

void drawCallout(cairo_t* cr, const MKAnnotationView& view, double x, double tipY,
                 double mapWidth) {
  const auto& annotation = view.annotation();
  if (!annotation) return;
  UIFont titleFont = UIFont::boldSystemFontOfSize(14), subtitleFont = UIFont::systemFontOfSize(11);
  std::string title = annotation->title(), subtitle = annotation->subtitle();
  bool accessory = view.rightCalloutAccessoryView() != nullptr;
  double textW = std::max(textWidth(cr, title, titleFont), textWidth(cr, subtitle, subtitleFont));
  double w =
      std::min(std::max(textW + 20 + (accessory ? 32 : 0), 80.0), std::max(mapWidth - 8, 80.0));
  double h = subtitle.empty() ? 30 : 44;
  double left = std::clamp(x - w / 2, 4.0, std::max(4.0, mapWidth - w - 4));
  double top = tipY - 8 - h;
  roundedRect(cr, left, top, w, h, 8);
  cairo_move_to(cr, x - 8, top + h);
  cairo_line_to(cr, x, tipY);
  cairo_line_to(cr, x + 8, top + h);
  setColor(cr, {0.1f, 0.1f, 0.12f, 0.88f});
  cairo_fill(cr);
  double textRight = w - 20 - (accessory ? 32 : 0);
  if (subtitle.empty()) {
    drawText(cr, title, titleFont, kWhite, left + 10, top, textRight, h);
  } else {
    drawText(cr, title, titleFont, kWhite, left + 10, top + 4, textRight, 20);
    drawText(cr, subtitle, subtitleFont, {0.85f, 0.85f, 0.85f, 1}, left + 10, top + 23, textRight,
             16);
  }
  if (accessory) {
    double cx = left + w - 20, cy = top + h / 2;
    cairo_arc(cr, cx, cy, 11, 0, 2 * kPi);
    setColor(cr, {0.15f, 0.45f, 0.95f, 1});
    cairo_fill(cr);
    setColor(cr, kWhite);
    cairo_set_line_width(cr, 2.5);
    cairo_move_to(cr, cx - 2, cy - 5);
    cairo_line_to(cr, cx + 3, cy);
    cairo_line_to(cr, cx - 2, cy + 5);
    cairo_stroke(cr);
  }
}

// A column or row of panel buttons.
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

}  // namespace

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

std::vector<double> barItemWidths(const UIBarButtonItems& items, double barWidth) {
  cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  cairo_t* cr = cairo_create(scratch);
  std::vector<double> widths;
  double used = 2 * kBarPadding;
  int flexible = 0;
  for (const auto& item : items) {
    double w = item ? preferredItemWidth(cr, *item) : 0;
    if (item && item->systemItem() == UIBarButtonSystemItemFlexibleSpace) ++flexible;
    widths.push_back(w);
    used += w;
  }
  cairo_destroy(cr);
  cairo_surface_destroy(scratch);
  double share = flexible > 0 ? std::max(0.0, barWidth - used) / flexible : 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i] && items[i]->systemItem() == UIBarButtonSystemItemFlexibleSpace) widths[i] = share;
  }
  return widths;
}

void drawLabel(cairo_t* cr, const UILabel& label) {
  CGSize s = label.bounds().size;
  drawText(cr, label.text(), label.font(), label.textColor(), 0, 0, s.width, s.height,
           label.textAlignment());
}

void drawButton(cairo_t* cr, const UIButton& button) {
  CGSize s = button.bounds().size;
  bool enabled = button.isEnabled();
  if (auto image = button.backgroundImageForState(UIControlStateNormal)) {
    drawImage(cr, image->name(), 0, 0, s.width, s.height);
  }
  std::string title = button.titleForState(enabled ? UIControlStateNormal : UIControlStateDisabled);
  switch (button.buttonType()) {
    case UIButtonTypeDetailDisclosure:
    case UIButtonTypeInfoLight:
    case UIButtonTypeInfoDark: {
      double r = std::min(s.width, s.height) / 2 - 2, cx = s.width / 2, cy = s.height / 2;
      bool light = button.buttonType() == UIButtonTypeInfoLight;
      cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
      setColor(cr, light ? kWhite : UIColor{0.15f, 0.45f, 0.95f, 1});
      cairo_set_line_width(cr, 1.5);
      if (button.buttonType() == UIButtonTypeDetailDisclosure) {
        cairo_fill(cr);
        setColor(cr, kWhite);
        cairo_set_line_width(cr, 2.5);
        cairo_move_to(cr, cx - r * 0.2, cy - r * 0.45);
        cairo_line_to(cr, cx + r * 0.25, cy);
        cairo_line_to(cr, cx - r * 0.2, cy + r * 0.45);
        cairo_stroke(cr);
      } else {
        cairo_stroke(cr);
        drawText(cr, "i", UIFont::boldSystemFontOfSize(r * 1.3), light ? kWhite : kDarkText, 0, 0,
                 s.width, s.height, NSTextAlignmentCenter);
      }
      break;
    }
    case UIButtonTypeRoundedRect:
      roundedRect(cr, 0.5, 0.5, s.width - 1, s.height - 1, 8);
      setColor(cr, kWhite);
      cairo_fill_preserve(cr);
      setColor(cr, {0.5f, 0.5f, 0.55f, 1});
      cairo_set_line_width(cr, 1);
      cairo_stroke(cr);
      drawText(cr, title, UIFont::boldSystemFontOfSize(15),
               {0.2f, 0.3f, 0.5f, enabled ? 1.f : 0.4f}, 4, 0, s.width - 8, s.height,
               NSTextAlignmentCenter);
      break;
    case UIButtonTypeContactAdd:
      cairo_arc(cr, s.width / 2, s.height / 2, std::min(s.width, s.height) / 2 - 2, 0, 2 * kPi);
      setColor(cr, {0.15f, 0.45f, 0.95f, 1});
      cairo_fill(cr);
      drawText(cr, "+", UIFont::boldSystemFontOfSize(16), kWhite, 0, 0, s.width, s.height,
               NSTextAlignmentCenter);
      break;
    default:
      drawText(cr, title, UIFont::boldSystemFontOfSize(15), {1, 1, 1, enabled ? 1.f : 0.4f}, 0, 0,
               s.width, s.height, NSTextAlignmentCenter);
      break;
  }
}

void drawTextField(cairo_t* cr, const UITextField& field) {
  CGSize s = field.bounds().size;
  roundedRect(cr, 0.5, 0.5, s.width - 1, s.height - 1, 5);
  setColor(cr, kWhite);
  cairo_fill_preserve(cr);
  setColor(cr, {0.45f, 0.45f, 0.45f, 1});
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  drawEnteredText(cr, field.text(), field.placeholder(), 15, 6, 0, s.width - 12, s.height);
}

void drawSearchBar(cairo_t* cr, const UISearchBar& bar) {
  CGSize s = bar.bounds().size;
  fillBar(cr, s.width, s.height, -1);
  double fh = std::min(30.0, s.height - 12.0);
  roundedRect(cr, 6, (s.height - fh) / 2, s.width - 12, fh, fh / 2);
  setColor(cr, kWhite);
  cairo_fill(cr);
  drawEnteredText(cr, bar.text(), bar.placeholder(), 14, 20, 0, s.width - 40, s.height);
}

void drawNavigationBar(cairo_t* cr, const UINavigationBar& bar) {
  CGSize s = bar.bounds().size;
  fillBar(cr, s.width, s.height, s.height - 1);
  UINavigationItem* top = bar.topItem();
  double left = kBarPadding, right = s.width - kBarPadding;
  double bh = std::min(30.0, s.height - 10.0), by = (s.height - bh) / 2;
  std::string back = bar.backButtonTitle();
  auto drawSide = [&](const std::shared_ptr<UIBarButtonItem>& item, bool atLeft) {
    if (!item) return;
    double w = barItemWidths({item}, s.width).at(0);
    double x = atLeft ? left : right - w;
    drawBarItem(cr, *item, x, 0, w, s.height);
    if (atLeft)
      left += w + kBarPadding;
    else
      right -= w + kBarPadding;
  };
  if (top != nullptr && top->leftBarButtonItem()) {
    drawSide(top->leftBarButtonItem(), true);
  } else if (!back.empty()) {
    // The back button: a bordered button with a point towards the left.
    UIFont font = UIFont::boldSystemFontOfSize(12);
    double w = std::min(textWidth(cr, back, font) + 24, s.width / 3.0);
    cairo_move_to(cr, left, by + bh / 2);
    cairo_line_to(cr, left + 10, by);
    cairo_line_to(cr, left + w, by);
    cairo_line_to(cr, left + w, by + bh);
    cairo_line_to(cr, left + 10, by + bh);
    cairo_close_path(cr);
    verticalGradient(cr, by, bh, {0.54f, 0.61f, 0.71f, 1}, {0.29f, 0.42f, 0.61f, 1});
    cairo_fill(cr);
    drawText(cr, back, font, kWhite, left + 12, by, w - 16, bh, NSTextAlignmentCenter);
    left += w + kBarPadding;
  }
  if (top != nullptr) drawSide(top->rightBarButtonItem(), false);
  if (top != nullptr && !top->title().empty()) {
    // The title stays centred on the bar unless the buttons crowd it.
    double room = std::min(s.width / 2 - left, right - s.width / 2);
    UIFont font = UIFont::boldSystemFontOfSize(18);
    if (room * 2 >= textWidth(cr, top->title(), font)) {
      drawText(cr, top->title(), font, kWhite, s.width / 2 - room, 0, room * 2, s.height,
               NSTextAlignmentCenter);
    } else {
      drawText(cr, top->title(), font, kWhite, left, 0, right - left, s.height,
               NSTextAlignmentCenter);
    }
  }
}

void drawToolbar(cairo_t* cr, const UIToolbar& toolbar) {
  CGSize s = toolbar.bounds().size;
  fillBar(cr, s.width, s.height, 0);
  const auto& items = toolbar.items();
  std::vector<double> widths = barItemWidths(items, s.width);
  double x = kBarPadding;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i]) drawBarItem(cr, *items[i], x, 0, widths[i], s.height);
    x += widths[i];
  }
}

void drawMap(cairo_t* cr, const MKMapView& map) {
  CGRect b = map.bounds();
  cairo_save(cr);
  cairo_rectangle(cr, b.origin.x, b.origin.y, b.size.width, b.size.height);
  cairo_clip(cr);
  MKMapType type = map.mapType();
  bool imagery = type == MKMapTypeSatellite || type == MKMapTypeHybrid;
  setColor(cr, imagery ? kImagerySea : kSea);
  cairo_paint(cr);
  MapProjection projection = projectionFor(map);
  if (imagery) {
    drawLand(cr, projection, kImageryLand, type == MKMapTypeHybrid ? &kHybridOutline : nullptr,
             true);
  } else {
    drawLand(cr, projection, kLand, &kLandEdge, true);
  }
  for (const auto& overlay : map.overlays()) {
    auto view = map.viewForOverlay(overlay.get());
    if (auto* line = dynamic_cast<const MKPolylineView*>(view.get()))
      drawPolyline(cr, projection, *line);
  }
  // Pins from north to south, so a pin further down stands in front, as on the device.
  struct Placed {
    double x, y;
    const MKAnnotationView* view;
  };
  std::vector<Placed> placed;
  for (const auto& annotation : map.annotations()) {
    auto view = map.viewForAnnotation(annotation.get());
    if (!view || view->isHidden()) continue;
    CGPoint at = map.convertCoordinateToPointToView(annotation->coordinate(), &map);
    placed.push_back({at.x, at.y, view.get()});
  }
  std::stable_sort(placed.begin(), placed.end(),
                   [](const Placed& a, const Placed& b) { return a.y < b.y; });
  for (const auto& p : placed) {
    if (p.x < b.origin.x - 20 || p.x > b.origin.x + b.size.width + 20 || p.y < b.origin.y - 10 ||
        p.y > b.origin.y + b.size.height + kPinHeadRise + 10) {
      continue;
    }
    if (auto* pin = dynamic_cast<const MKPinAnnotationView*>(p.view)) {
      drawPin(cr, p.x, p.y, pinColor(pin->pinColor()));
    } else if (p.view->kind() == "userLocation") {
      drawUserLocation(cr, p.x, p.y);
    } else {
      drawPin(cr, p.x, p.y, kPinRed);
    }
  }
  for (const auto& p : placed) {
    if (!p.view->isCalloutOpen()) continue;
    bool isPin = dynamic_cast<const MKPinAnnotationView*>(p.view) != nullptr;
    drawCallout(cr, *p.view, p.x, p.y - (isPin ? kPinHeadRise + kPinHeadRadius : 8), b.size.width);
  }
  cairo_restore(cr);
}

void drawBanner(cairo_t* cr, const ADBannerView& banner) {
  if (!banner.isBannerLoaded()) return;
  CGSize s = banner.bounds().size;
  cairo_rectangle(cr, 0, 0, s.width, s.height);
  verticalGradient(cr, 0, s.height, {0.2f, 0.2f, 0.2f, 1}, {0.07f, 0.07f, 0.07f, 1});
  cairo_fill(cr);
  drawText(cr, "Advertisement", UIFont::boldSystemFontOfSize(14), {0.87f, 0.87f, 0.87f, 1}, 0, 0,
           s.width, s.height, NSTextAlignmentCenter);
}

void drawTable(cairo_t* cr, const UITableView& table) {
  CGRect b = table.bounds();
  constexpr double kRowHeight = 44;
  setColor(cr, kWhite);
  cairo_rectangle(cr, b.origin.x, b.origin.y, b.size.width, b.size.height);
  cairo_fill(cr);
  setColor(cr, {0.85f, 0.85f, 0.85f, 1});
  int rows = table.numberOfRowsInSection(0);
  for (int r = 1; r <= rows && r * kRowHeight < b.origin.y + b.size.height; ++r) {
    cairo_rectangle(cr, 15, r * kRowHeight - 1, b.size.width - 15, 1);
  }
  cairo_fill(cr);
}

void drawSwitch(cairo_t* cr, const UISwitch& control) {
  CGSize s = control.bounds().size;
  double faded = control.isEnabled() ? 1 : 0.5;
  double r = s.height / 2;
  // The track: the on colour behind "ON" at the left, light grey behind "OFF" at the right.
  roundedRect(cr, 0.5, 0.5, s.width - 1, s.height - 1, r);
  if (control.isOn()) {
    setColor(cr, control.onTintColor().value_or(kSwitchOn), faded);
  } else {
    cairo_set_source_rgba(cr, 0.93, 0.93, 0.93, faded);
  }
  cairo_fill_preserve(cr);
  cairo_set_source_rgba(cr, 0.55, 0.55, 0.55, faded);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  double knob = s.height - 2;
  double knobX = control.isOn() ? s.width - knob - 1 : 1;
  UIFont font = UIFont::boldSystemFontOfSize(13);
  if (control.isOn()) {
    drawText(cr, "ON", font, UIColor{1, 1, 1, static_cast<float>(faded)}, 0, 0, knobX, s.height,
             NSTextAlignmentCenter);
  } else {
    drawText(cr, "OFF", font, UIColor{0.45f, 0.45f, 0.45f, static_cast<float>(faded)}, knob + 1, 0,
             s.width - knob - 1, s.height, NSTextAlignmentCenter);
  }
  cairo_arc(cr, knobX + knob / 2, 1 + knob / 2, knob / 2, 0, 2 * M_PI);
  cairo_set_source_rgba(cr, 1, 1, 1, faded);
  cairo_fill_preserve(cr);
  cairo_set_source_rgba(cr, 0.6, 0.6, 0.6, faded);
  cairo_stroke(cr);
}

void drawSegmentedControl(cairo_t* cr, const UISegmentedControl& control) {
  CGSize s = control.bounds().size;
  int count = control.numberOfSegments();
  if (count <= 0 || s.width <= 0) return;
  double faded = control.isEnabled() ? 1 : 0.5;
  double w = s.width / count;
  UIColor selected = control.tintColor().value_or(kSegmentSelected);
  UIFont font = UIFont::boldSystemFontOfSize(13);
  cairo_save(cr);
  roundedRect(cr, 0.5, 0.5, s.width - 1, s.height - 1, 6);
  cairo_clip_preserve(cr);
  cairo_set_source_rgba(cr, 0.97, 0.97, 0.97, faded);
  cairo_fill(cr);
  for (int i = 0; i < count; ++i) {
    bool isSelected = i == control.selectedSegmentIndex();
    if (isSelected) {
      setColor(cr, selected, faded);
      cairo_rectangle(cr, i * w, 0, w, s.height);
      cairo_fill(cr);
    }
    if (i > 0) {
      cairo_set_source_rgba(cr, 0.6, 0.6, 0.6, faded);
      cairo_rectangle(cr, std::round(i * w), 0, 1, s.height);
      cairo_fill(cr);
    }
    UIColor text = isSelected ? UIColor{1, 1, 1, 1} : UIColor{0.25f, 0.25f, 0.25f, 1};
    text.alpha = static_cast<float>(faded);
    drawText(cr, control.titleForSegmentAtIndex(i), font, text, i * w + 3, 0, w - 6, s.height,
             NSTextAlignmentCenter);
  }
  cairo_restore(cr);
  roundedRect(cr, 0.5, 0.5, s.width - 1, s.height - 1, 6);
  cairo_set_source_rgba(cr, 0.55, 0.55, 0.55, faded);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
}

void drawAlert(cairo_t* cr, const UIAlertView& alert, double width, double height) {
  setColor(cr, {0, 0, 0, 0.45f});
  cairo_paint(cr);
  const auto& buttons = alert.buttonTitles();
  bool sideBySide = buttons.size() == 2;
  double w = std::min(284.0, width - 20);
  int fields = alert.numberOfTextFields();
  double buttonRows = sideBySide ? 1 : static_cast<double>(buttons.size());
  double h = 20 + (alert.title().empty() ? 0 : 26) + (alert.message().empty() ? 0 : 24) +
             fields * 36 + buttonRows * 50 + 6;
  double x = (width - w) / 2, y = std::max(10.0, (height - h) / 2);
  roundedRect(cr, x, y, w, h, 10);
  verticalGradient(cr, y, h, {0.16f, 0.24f, 0.45f, 0.96f}, {0.05f, 0.10f, 0.30f, 0.96f});
  cairo_fill_preserve(cr);
  setColor(cr, {1, 1, 1, 0.8f});
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
  double cursor = y + 14;
  if (!alert.title().empty()) {
    drawText(cr, alert.title(), UIFont::boldSystemFontOfSize(17), kWhite, x + 12, cursor, w - 24,
             24, NSTextAlignmentCenter);
    cursor += 26;
  }
  if (!alert.message().empty()) {
    drawText(cr, alert.message(), UIFont::systemFontOfSize(15), kWhite, x + 12, cursor, w - 24, 22,
             NSTextAlignmentCenter);
    cursor += 24;
  }
  for (int i = 0; i < fields; ++i) {
    UITextField* field = alert.textFieldAtIndex(i);
    cairo_save(cr);
    cairo_translate(cr, x + 12, cursor + 4);
    roundedRect(cr, 0, 0, w - 24, 28, 4);
    setColor(cr, kWhite);
    cairo_fill(cr);
    drawEnteredText(cr, field->text(), field->placeholder(), 15, 6, 0, w - 36, 28);
    cairo_restore(cr);
    cursor += 36;
  }
  cursor += 6;
  auto styleOf = [&](int index) {
    return index == alert.cancelButtonIndex() ? UIColor{0.35f, 0.42f, 0.58f, 1}
                                              : UIColor{0.55f, 0.62f, 0.78f, 1};
  };
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    int index = static_cast<int>(i);
    double bw = sideBySide ? (w - 30) / 2 : w - 24;
    double bx = sideBySide ? x + 12 + i * (bw + 6) : x + 12;
    double by = sideBySide ? cursor : cursor + i * 50;
    UIColor top = styleOf(index);
    drawPanelButton(cr, bx, by, bw, 42, buttons[i], top,
                    {top.red * 0.6f, top.green * 0.6f, top.blue * 0.7f, 1}, kWhite);
  }
}

void drawActionSheet(cairo_t* cr, const UIActionSheet& sheet, double width, double height,
                     const double* anchor) {
  const auto& buttons = sheet.buttonTitles();
  // A popover draws no cancel button: a tap outside it cancels.
  std::vector<int> shown;
  for (int i = 0; i < static_cast<int>(buttons.size()); ++i) {
    if (anchor != nullptr && i == sheet.cancelButtonIndex()) continue;
    shown.push_back(i);
  }
  bool titled = !sheet.title().empty();
  double rowH = 52;
  double contentH = 12 + (titled ? 30 : 0) + shown.size() * rowH;
  double w, x, y;
  if (anchor != nullptr) {
    w = std::min(320.0, width - 16);
    x = std::clamp(anchor[0] + anchor[2] / 2 - w / 2, 8.0, std::max(8.0, width - w - 8));
    bool above = anchor[1] > height / 2;
    y = above ? anchor[1] - contentH - 12 : anchor[1] + anchor[3] + 12;
    roundedRect(cr, x - 4, y - 4, w + 8, contentH + 8, 12);
    setColor(cr, {0.08f, 0.12f, 0.2f, 0.95f});
    cairo_fill(cr);
    double ax = std::clamp(anchor[0] + anchor[2] / 2, x + 16, x + w - 16);
    double tipY = above ? anchor[1] - 2 : anchor[1] + anchor[3] + 2;
    double baseY = above ? y + contentH + 4 : y - 4;
    cairo_move_to(cr, ax - 10, baseY);
    cairo_line_to(cr, ax, tipY);
    cairo_line_to(cr, ax + 10, baseY);
    cairo_fill(cr);
    roundedRect(cr, x, y, w, contentH, 9);
    setColor(cr, {0.93f, 0.93f, 0.95f, 1});
    cairo_fill(cr);
  } else {
    setColor(cr, {0, 0, 0, 0.4f});
    cairo_paint(cr);
    w = width;
    x = 0;
    y = height - contentH - 8;
    cairo_rectangle(cr, 0, y, width, height - y);
    verticalGradient(cr, y, height - y, {0.35f, 0.37f, 0.42f, 0.95f}, {0.12f, 0.13f, 0.16f, 0.95f});
    cairo_fill(cr);
  }
  double cursor = y + 8;
  if (titled) {
    drawText(cr, sheet.title(), UIFont::systemFontOfSize(14), anchor ? kDarkText : kWhite, x + 12,
             cursor, w - 24, 26, NSTextAlignmentCenter);
    cursor += 30;
  }
  for (int index : shown) {
    UIColor top{0.97f, 0.97f, 0.97f, 1}, bottom{0.85f, 0.85f, 0.87f, 1};
    UIColor text = kDarkText;
    if (index == sheet.destructiveButtonIndex()) {
      top = {0.93f, 0.3f, 0.28f, 1}, bottom = {0.72f, 0.1f, 0.1f, 1}, text = kWhite;
    } else if (index == sheet.cancelButtonIndex()) {
      top = {0.35f, 0.37f, 0.42f, 1}, bottom = {0.2f, 0.21f, 0.25f, 1}, text = kWhite;
    }
    drawPanelButton(cr, x + 18, cursor, w - 36, 44, buttons[index], top, bottom, text);
    cursor += rowH;
  }
}

}  // namespace tessaly::platform::drawing
