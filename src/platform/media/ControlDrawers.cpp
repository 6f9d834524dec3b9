// Labels, images, buttons, text fields, switches, segmented controls, activity indicators and
// search bars, each from its described state.
#include <algorithm>
#include <cmath>
#include <string>

#include "platform/media/DrawingContext.h"
#include "platform/media/NodeDrawers.h"
#include "platform/media/ViewDrawing.h"

namespace tessaly::platform::drawers {
namespace {

using namespace drawing;

NSTextAlignment alignmentOf(const DescriptionNode& node) {
  std::string alignment = node.string("alignment");
  if (alignment == "center") return NSTextAlignmentCenter;
  if (alignment == "right") return NSTextAlignmentRight;
  return NSTextAlignmentLeft;
}

UIFont fontOf(const DescriptionNode& node) {
  const DescriptionNode* font = node.slot("font");
  if (font == nullptr) return UIFont::systemFontOfSize(UIFont::labelFontSize());
  auto size = static_cast<CGFloat>(font->number("size", UIFont::labelFontSize()));
  return font->boolean("bold") ? UIFont::boldSystemFontOfSize(size)
                               : UIFont::systemFontOfSize(size);
}

// A secure field shows a bullet for every character typed.
std::string shownText(const DescriptionNode& field) {
  std::string text = field.string("text");
  if (!field.boolean("secure")) return text;
  std::string bullets;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) bullets += "\xE2\x80\xA2";
  return bullets;
}

}  // namespace

void drawLabel(DrawingContext& context, const DescriptionNode& node, CGSize size) {
  drawText(context.cr(), node.string("text"), fontOf(node),
           colorOf(node, "color").value_or(UIColor::blackColor()), 0, 0, size.width, size.height,
           alignmentOf(node));
}

void drawImageView(DrawingContext& context, const DescriptionNode& node, CGSize size) {
  drawImage(context.cr(), node.string("image"), 0, 0, size.width, size.height);
}

void drawButton(DrawingContext& context, const DescriptionNode& node, CGSize size) {
  cairo_t* cr = context.cr();
  double w = size.width, h = size.height;
  bool enabled = node.boolean("enabled", true);
  drawImage(cr, node.string("image"), 0, 0, w, h);
  std::string title = node.string("title"), type = node.string("buttonType");
  if (type == "detailDisclosure" || type == "infoLight" || type == "infoDark") {
    double r = std::min(w, h) / 2 - 2, cx = w / 2, cy = h / 2;
    bool light = type == "infoLight";
    cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
    setColor(cr, light ? kWhite : UIColor{0.15f, 0.45f, 0.95f, 1});
    cairo_set_line_width(cr, 1.5);
    if (type == "detailDisclosure") {
      cairo_fill(cr);
      setColor(cr, kWhite);
      cairo_set_line_width(cr, 2.5);
      cairo_move_to(cr, cx - r * 0.2, cy - r * 0.45);
      cairo_line_to(cr, cx + r * 0.25, cy);
      cairo_line_to(cr, cx - r * 0.2, cy + r * 0.45);
      cairo_stroke(cr);
    } else {
      cairo_stroke(cr);
      drawText(cr, "i", UIFont::boldSystemFontOfSize(static_cast<CGFloat>(r * 1.3)),
               light ? kWhite : kDarkText, 0, 0, w, h, NSTextAlignmentCenter);
    }
  } else if (type == "roundedRect") {
    roundedRect(cr, 0.5, 0.5, w - 1, h - 1, 8);
    setColor(cr, kWhite);
    cairo_fill_preserve(cr);
    setColor(cr, {0.5f, 0.5f, 0.55f, 1});
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    drawText(cr, title, UIFont::boldSystemFontOfSize(15), {0.2f, 0.3f, 0.5f, enabled ? 1.f : 0.4f},
             4, 0, w - 8, h, NSTextAlignmentCenter);
  } else if (type == "contactAdd") {
    cairo_arc(cr, w / 2, h / 2, std::min(w, h) / 2 - 2, 0, 2 * kPi);
    setColor(cr, {0.15f, 0.45f, 0.95f, 1});
    cairo_fill(cr);
    drawText(cr, "+", UIFont::boldSystemFontOfSize(16), kWhite, 0, 0, w, h, NSTextAlignmentCenter);
  } else {
    drawText(cr, title, UIFont::boldSystemFontOfSize(15), {1, 1, 1, enabled ? 1.f : 0.4f}, 0, 0, w,
             h, NSTextAlignmentCenter);
  }
}

void drawTextField(DrawingContext& context, const DescriptionNode& node, CGSize size) {
  cairo_t* cr = context.cr();
  roundedRect(cr, 0.5, 0.5, size.width - 1, size.height - 1, 5);
  setColor(cr, node.boolean("enabled", true) ? kWhite : UIColor{0.92f, 0.92f, 0.92f, 1});
  cairo_fill_preserve(cr);
  // The field being typed into has a blue edge.
  setColor(cr, node.boolean("focused") ? UIColor{0.2f, 0.45f, 0.9f, 1}
                                       : UIColor{0.45f, 0.45f, 0.45f, 1});
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  drawEnteredText(cr, shownText(node), node.string("placeholder"), 15, 6, 0, size.width - 12,
                  size.height);
}

void drawSwitch(DrawingContext& context, const DescriptionNode& node, CGSize size) {
  cairo_t* cr = context.cr();
  double w = size.width, h = size.height;
  double faded = node.boolean("enabled", true) ? 1 : 0.5;
  bool on = node.boolean("on");
  // The track: the on colour behind "ON" at the left, light grey behind "OFF" at the right.
  roundedRect(cr, 0.5, 0.5, w - 1, h - 1, h / 2);
  if (on) {
    setColor(cr, colorOf(node, "onTintColor").value_or(kSwitchOn), faded);
  } else {
    cairo_set_source_rgba(cr, 0.93, 0.93, 0.93, faded);
  }
  cairo_fill_preserve(cr);
  cairo_set_source_rgba(cr, 0.55, 0.55, 0.55, faded);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  double knob = h - 2;
  double knobX = on ? w - knob - 1 : 1;
  UIFont font = UIFont::boldSystemFontOfSize(13);
  if (on) {
    drawText(cr, "ON", font, UIColor{1, 1, 1, static_cast<float>(faded)}, 0, 0, knobX, h,
             NSTextAlignmentCenter);
  } else {
    drawText(cr, "OFF", font, UIColor{0.45f, 0.45f, 0.45f, static_cast<float>(faded)}, knob + 1, 0,
             w - knob - 1, h, NSTextAlignmentCenter);
  }
  cairo_arc(cr, knobX + knob / 2, 1 + knob / 2, knob / 2, 0, 2 * kPi);
  cairo_set_source_rgba(cr, 1, 1, 1, faded);
  cairo_fill_preserve(cr);
  cairo_set_source_rgba(cr, 0.6, 0.6, 0.6, faded);
  cairo_stroke(cr);
}

void drawSegmentedControl(DrawingContext& context, const DescriptionNode& node, CGSize size) {
  cairo_t* cr = context.cr();
  std::vector<std::string> segments = node.strings("segments");
  auto count = static_cast<int>(segments.size());
  double width = size.width, height = size.height;
  if (count <= 0 || width <= 0) return;
  double faded = node.boolean("enabled", true) ? 1 : 0.5;
  double w = width / count;
  auto picked = static_cast<int>(node.number("selectedSegmentIndex", -1));
  UIColor selected = colorOf(node, "tintColor").value_or(kSegmentSelected);
  UIFont font = UIFont::boldSystemFontOfSize(13);
  cairo_save(cr);
  roundedRect(cr, 0.5, 0.5, width - 1, height - 1, 6);
  cairo_clip_preserve(cr);
  cairo_set_source_rgba(cr, 0.97, 0.97, 0.97, faded);
  cairo_fill(cr);
  for (int i = 0; i < count; ++i) {
    bool isSelected = i == picked;
    if (isSelected) {
      setColor(cr, selected, faded);
      cairo_rectangle(cr, i * w, 0, w, height);
      cairo_fill(cr);
    }
    if (i > 0) {
      cairo_set_source_rgba(cr, 0.6, 0.6, 0.6, faded);
      cairo_rectangle(cr, std::round(i * w), 0, 1, height);
      cairo_fill(cr);
    }
    UIColor text = isSelected ? UIColor{1, 1, 1, 1} : UIColor{0.25f, 0.25f, 0.25f, 1};
    text.alpha = static_cast<float>(faded);
    drawText(cr, segments[static_cast<std::size_t>(i)], font, text, i * w + 3, 0, w - 6, height,
             NSTextAlignmentCenter);
  }
  cairo_restore(cr);
  roundedRect(cr, 0.5, 0.5, width - 1, height - 1, 6);
  cairo_set_source_rgba(cr, 0.55, 0.55, 0.55, faded);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
}

void drawActivityIndicator(DrawingContext& context, const DescriptionNode& node, CGSize size) {
  // Twelve spokes, fading round the circle; a stopped indicator that stays shows them all dim.
  cairo_t* cr = context.cr();
  std::string style = node.string("style", "white");
  double r = std::min(size.width, size.height) / 2;
  if (r <= 0) return;
  UIColor color = style == "gray" ? UIColor{0.5f, 0.5f, 0.5f, 1} : kWhite;
  bool animating = node.boolean("animating");
  cairo_save(cr);
  cairo_translate(cr, size.width / 2, size.height / 2);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_width(cr, std::max(1.5, r / 5));
  for (int i = 0; i < 12; ++i) {
    double angle = i * kPi / 6;
    double fade = animating ? 0.25 + 0.75 * i / 11.0 : 0.35;
    setColor(cr, color, fade);
    cairo_move_to(cr, std::cos(angle) * r * 0.45, std::sin(angle) * r * 0.45);
    cairo_line_to(cr, std::cos(angle) * r * 0.9, std::sin(angle) * r * 0.9);
    cairo_stroke(cr);
  }
  cairo_restore(cr);
}

void drawSearchBar(DrawingContext& context, const DescriptionNode& node, CGSize size) {
  cairo_t* cr = context.cr();
  double w = size.width, h = size.height;
  fillBar(cr, w, h, -1);
  double right = 6;
  if (node.boolean("showsCancelButton")) {
    // The Cancel button at the right of the field.
    double bh = std::min(30.0, h - 12.0), bw = 64;
    right += bw + 6;
    roundedRect(cr, w - bw - 6, (h - bh) / 2, bw, bh, 5);
    verticalGradient(cr, (h - bh) / 2, bh, {0.54f, 0.61f, 0.71f, 1}, {0.29f, 0.42f, 0.61f, 1});
    cairo_fill(cr);
    drawText(cr, "Cancel", UIFont::boldSystemFontOfSize(12), kWhite, w - bw - 6, (h - bh) / 2, bw,
             bh, NSTextAlignmentCenter);
  }
  double fh = std::min(30.0, h - 12.0);
  roundedRect(cr, 6, (h - fh) / 2, w - 6 - right, fh, fh / 2);
  setColor(cr, kWhite);
  cairo_fill(cr);
  drawEnteredText(cr, node.string("text"), node.string("placeholder"), 14, 20, 0, w - 34 - right,
                  h);
}

}  // namespace tessaly::platform::drawers
