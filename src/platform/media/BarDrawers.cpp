// Navigation bars, toolbars and the items they place.
#include <algorithm>
#include <string>

#include "platform/media/DrawingContext.h"
#include "platform/media/NodeDrawers.h"
#include "platform/media/ViewDrawing.h"

namespace tessaly::platform::drawers {
namespace {

using namespace drawing;

// The drawn glyph of a system item, white, in a 20-point box centred on (cx, cy).
void drawSystemGlyph(cairo_t* cr, const std::string& item, double cx, double cy) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_set_line_width(cr, 2);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  setColor(cr, kWhite);
  if (item == "search") {
    cairo_arc(cr, -2, -2, 6, 0, 2 * kPi);
    cairo_move_to(cr, 2.5, 2.5);
    cairo_line_to(cr, 8, 8);
    cairo_stroke(cr);
  } else if (item == "trash") {
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
  } else if (item == "undo" || item == "reply" || item == "rewind") {
    cairo_arc(cr, 1, 2, 6, -kPi / 2, kPi / 2);
    cairo_stroke(cr);
    cairo_move_to(cr, 1, -8);
    cairo_line_to(cr, -7, -4);
    cairo_line_to(cr, 1, 0);
    cairo_close_path(cr);
    cairo_fill(cr);
  } else if (item == "redo" || item == "fastForward") {
    cairo_arc_negative(cr, -1, 2, 6, -kPi / 2, kPi / 2);
    cairo_stroke(cr);
    cairo_move_to(cr, -1, -8);
    cairo_line_to(cr, 7, -4);
    cairo_line_to(cr, -1, 0);
    cairo_close_path(cr);
    cairo_fill(cr);
  } else if (item == "organize" || item == "bookmarks") {
    cairo_move_to(cr, -9, -6);
    cairo_line_to(cr, -3, -6);
    cairo_line_to(cr, -1, -4);
    cairo_line_to(cr, 9, -4);
    cairo_line_to(cr, 9, 7);
    cairo_line_to(cr, -9, 7);
    cairo_close_path(cr);
    cairo_stroke(cr);
  } else if (item == "add") {
    cairo_move_to(cr, -7, 0);
    cairo_line_to(cr, 7, 0);
    cairo_move_to(cr, 0, -7);
    cairo_line_to(cr, 0, 7);
    cairo_stroke(cr);
  } else if (item == "action" || item == "compose") {
    cairo_rectangle(cr, -7, -3, 14, 11);
    cairo_move_to(cr, 0, 3);
    cairo_line_to(cr, 0, -9);
    cairo_move_to(cr, -4, -5);
    cairo_line_to(cr, 0, -9);
    cairo_line_to(cr, 4, -5);
    cairo_stroke(cr);
  } else if (item == "refresh") {
    cairo_arc(cr, 0, 0, 7, -kPi / 3, 1.6 * kPi);
    cairo_stroke(cr);
    cairo_move_to(cr, 3, -9);
    cairo_line_to(cr, 8, -6);
    cairo_line_to(cr, 3, -2);
    cairo_close_path(cr);
    cairo_fill(cr);
  } else if (item == "stop") {
    cairo_move_to(cr, -6, -6);
    cairo_line_to(cr, 6, 6);
    cairo_move_to(cr, 6, -6);
    cairo_line_to(cr, -6, 6);
    cairo_stroke(cr);
  } else if (item == "play") {
    cairo_move_to(cr, -5, -7);
    cairo_line_to(cr, 7, 0);
    cairo_line_to(cr, -5, 7);
    cairo_close_path(cr);
    cairo_fill(cr);
  } else if (item == "pause") {
    cairo_rectangle(cr, -6, -7, 4, 14);
    cairo_rectangle(cr, 2, -7, 4, 14);
    cairo_fill(cr);
  } else if (item == "camera") {
    roundedRect(cr, -9, -5, 18, 13, 2);
    cairo_stroke(cr);
    cairo_arc(cr, 0, 1.5, 4, 0, 2 * kPi);
    cairo_stroke(cr);
  } else {  // the page curl and anything unknown: a plain dot
    cairo_arc(cr, 0, 0, 3, 0, 2 * kPi);
    cairo_fill(cr);
  }
  cairo_restore(cr);
}

// The title an item shows: its own, or the word of a text-like system item.
std::string itemTitle(const DescriptionNode& item) {
  std::string title = item.string("title");
  if (!title.empty()) return title;
  std::string system = item.string("systemItem");
  if (system == "done") return "Done";
  if (system == "cancel") return "Cancel";
  if (system == "edit") return "Edit";
  if (system == "save") return "Save";
  return "";
}

bool isSpace(const DescriptionNode& item) {
  std::string system = item.string("systemItem");
  return system == "flexibleSpace" || system == "fixedSpace";
}

const DescriptionNode* customView(const DescriptionNode& item) {
  return item.children.empty() ? nullptr : item.children.front().get();
}

// A bordered bar button: a darker rounded rectangle with its title.
void drawBorderedButton(cairo_t* cr, double x, double y, double w, double h,
                        const std::string& title, bool done) {
  roundedRect(cr, x + 0.5, y + 0.5, w - 1, h - 1, 5);
  verticalGradient(cr, y, h,
                   done ? UIColor{0.35f, 0.55f, 0.9f, 1} : UIColor{0.54f, 0.61f, 0.71f, 1},
                   done ? UIColor{0.15f, 0.35f, 0.75f, 1} : UIColor{0.29f, 0.42f, 0.61f, 1});
  cairo_fill_preserve(cr);
  setColor(cr, {0.18f, 0.21f, 0.26f, 1});
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  drawText(cr, title, UIFont::boldSystemFontOfSize(12), kWhite, x + 4, y, w - 8, h,
           NSTextAlignmentCenter);
}

double preferredItemWidth(cairo_t* cr, const DescriptionNode& item) {
  std::string system = item.string("systemItem");
  double width = item.number("width");
  if (system == "fixedSpace") return width;
  if (system == "flexibleSpace") return 0;
  if (width > 0) return width;
  if (const DescriptionNode* custom = customView(item)) return custom->rect("frame").size.width;
  if (!item.string("image").empty()) return 36;
  std::string title = itemTitle(item);
  if (!title.empty())
    return std::max(44.0, textWidth(cr, title, UIFont::boldSystemFontOfSize(12)) + 20);
  return 36;
}

// An item in its slot of a bar whose top left is barOrigin (window points).
void placeItem(DrawingContext& context, const DescriptionNode& item, CGPoint barOrigin, double x,
               double width, double height) {
  CGPoint at{static_cast<CGFloat>(barOrigin.x + x), barOrigin.y};
  context.placeItem(item.id, {at, {static_cast<CGFloat>(width), static_cast<CGFloat>(height)}});
  context.drawPlaced(item, at, CGSize{static_cast<CGFloat>(width), static_cast<CGFloat>(height)});
}

}  // namespace

std::vector<double> barItemWidths(const DescriptionNode::Nodes& items, double barWidth) {
  cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  cairo_t* cr = cairo_create(scratch);
  std::vector<double> widths;
  double used = 2 * kBarPadding;
  int flexible = 0;
  for (const auto& item : items) {
    double w = preferredItemWidth(cr, *item);
    if (item->string("systemItem") == "flexibleSpace") ++flexible;
    widths.push_back(w);
    used += w;
  }
  cairo_destroy(cr);
  cairo_surface_destroy(scratch);
  double share = flexible > 0 ? std::max(0.0, barWidth - used) / flexible : 0;
  for (std::size_t i = 0; i < items.size(); ++i)
    if (items[i]->string("systemItem") == "flexibleSpace") widths[i] = share;
  return widths;
}

void drawBarButtonItem(DrawingContext& context, const DescriptionNode& item, CGSize size) {
  if (isSpace(item)) return;
  cairo_t* cr = context.cr();
  double w = size.width, h = size.height;
  if (const DescriptionNode* custom = customView(item)) {
    // A custom view keeps its own size, centred in its slot.
    CGSize own = custom->rect("frame").size;
    CGPoint slot = context.origin();
    context.drawPlaced(*custom, {static_cast<CGFloat>(slot.x + (w - own.width) / 2),
                                 static_cast<CGFloat>(slot.y + (h - own.height) / 2)});
    return;
  }
  bool enabled = item.boolean("enabled", true);
  if (!enabled) cairo_push_group(cr);
  std::string title = itemTitle(item), system = item.string("systemItem");
  std::string style = item.string("style", "plain");
  if (!item.string("image").empty()) {
    drawImage(cr, item.string("image"), 4, 4, w - 8, h - 8);
  } else if (!title.empty()) {
    double bh = std::min(30.0, h - 8);
    if (style == "plain" && system.empty()) {
      drawText(cr, title, UIFont::boldSystemFontOfSize(13), kWhite, 0, 0, w, h,
               NSTextAlignmentCenter);
    } else {
      drawBorderedButton(cr, 0, (h - bh) / 2, w, bh, title, style == "done" || system == "done");
    }
  } else {
    drawSystemGlyph(cr, system, w / 2, h / 2);
  }
  if (!enabled) {
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, 0.4);
  }
}

void drawToolbar(DrawingContext& context, const DescriptionNode& node, CGSize size) {
  fillBar(context.cr(), size.width, size.height, 0);
  const auto& items = node.list("items");
  std::vector<double> widths = barItemWidths(items, size.width);
  CGPoint origin = context.origin();
  double x = kBarPadding;
  for (std::size_t i = 0; i < items.size(); ++i) {
    placeItem(context, *items[i], origin, x, widths[i], size.height);
    x += widths[i];
  }
}

void drawNavigationBar(DrawingContext& context, const DescriptionNode& node, CGSize size) {
  cairo_t* cr = context.cr();
  double w = size.width, h = size.height;
  fillBar(cr, w, h, h - 1);
  CGPoint origin = context.origin();
  double left = kBarPadding, right = w - kBarPadding;
  double bh = std::min(30.0, h - 10.0), by = (h - bh) / 2;
  auto drawSide = [&](const DescriptionNode* item, bool atLeft) {
    if (item == nullptr) return;
    double iw = std::min(preferredItemWidth(cr, *item), w / 2);
    double x = atLeft ? left : right - iw;
    placeItem(context, *item, origin, x, iw, h);
    if (atLeft)
      left += iw + kBarPadding;
    else
      right -= iw + kBarPadding;
  };
  const DescriptionNode* back = node.slot("back");
  if (const DescriptionNode* item = node.slot("left")) {
    drawSide(item, true);
  } else if (back != nullptr) {
    // The back button: a bordered button with a point towards the left.
    std::string title = back->string("title");
    UIFont font = UIFont::boldSystemFontOfSize(12);
    double bw = std::min(textWidth(cr, title, font) + 24, w / 3.0);
    cairo_move_to(cr, left, by + bh / 2);
    cairo_line_to(cr, left + 10, by);
    cairo_line_to(cr, left + bw, by);
    cairo_line_to(cr, left + bw, by + bh);
    cairo_line_to(cr, left + 10, by + bh);
    cairo_close_path(cr);
    verticalGradient(cr, by, bh, {0.54f, 0.61f, 0.71f, 1}, {0.29f, 0.42f, 0.61f, 1});
    cairo_fill(cr);
    drawText(cr, title, font, kWhite, left + 12, by, bw - 16, bh, NSTextAlignmentCenter);
    left += bw + kBarPadding;
  }
  drawSide(node.slot("right"), false);
  std::string title = node.string("title");
  if (title.empty()) return;
  // The title stays centred on the bar unless the buttons crowd it.
  double room = std::min(w / 2 - left, right - w / 2);
  UIFont font = UIFont::boldSystemFontOfSize(18);
  if (room * 2 >= textWidth(cr, title, font)) {
    drawText(cr, title, font, kWhite, w / 2 - room, 0, room * 2, h, NSTextAlignmentCenter);
  } else {
    drawText(cr, title, font, kWhite, left, 0, right - left, h, NSTextAlignmentCenter);
  }
}

}  // namespace tessaly::platform::drawers
