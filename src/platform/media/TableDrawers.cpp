// Tables: their sections laid out by TableLayout, each row drawn by its cell from the cell's
// own description (texts by style, image, accessory, selection, the delete control in editing).
#include <algorithm>
#include <string>

#include "platform/media/DrawingContext.h"
#include "platform/media/NodeDrawers.h"
#include "platform/media/TableLayout.h"
#include "platform/media/ViewDrawing.h"

namespace tessaly::platform::drawers {
namespace {

using namespace drawing;

const UIColor kSeparator = {0.85f, 0.85f, 0.85f, 1};
const UIColor kGroupEdge = {0xa9 / 255.f, 0xab / 255.f, 0xb0 / 255.f, 1};

// The table a cell is a row of (cells are items of a section's list, sections of the table's).
const DescriptionNode* tableOf(const DescriptionNode& cell) {
  const DescriptionNode* section = cell.parent;
  return section != nullptr ? section->parent : nullptr;
}

// The accessory's mark at the right of the row; returns the width it takes.
double drawAccessory(cairo_t* cr, const std::string& accessory, double right, double h) {
  if (accessory == "disclosureIndicator") {
    setColor(cr, {0.56f, 0.56f, 0.58f, 1});
    cairo_set_line_width(cr, 3);
    cairo_move_to(cr, right - 14, h / 2 - 6);
    cairo_line_to(cr, right - 8, h / 2);
    cairo_line_to(cr, right - 14, h / 2 + 6);
    cairo_stroke(cr);
    return 24;
  }
  if (accessory == "checkmark") {
    setColor(cr, kDetailBlue);
    cairo_set_line_width(cr, 3);
    cairo_move_to(cr, right - 22, h / 2);
    cairo_line_to(cr, right - 16, h / 2 + 6);
    cairo_line_to(cr, right - 6, h / 2 - 7);
    cairo_stroke(cr);
    return 28;
  }
  if (accessory == "detailDisclosureButton") {
    double cx = right - 18, cy = h / 2;
    cairo_arc(cr, cx, cy, 12, 0, 2 * kPi);
    setColor(cr, {0.15f, 0.45f, 0.95f, 1});
    cairo_fill(cr);
    setColor(cr, kWhite);
    cairo_set_line_width(cr, 2.5);
    cairo_move_to(cr, cx - 2, cy - 5);
    cairo_line_to(cr, cx + 3, cy);
    cairo_line_to(cr, cx - 2, cy + 5);
    cairo_stroke(cr);
    return 36;
  }
  return 0;
}

}  // namespace

void drawTableView(DrawingContext& context, const DescriptionNode& node, CGSize size) {
  cairo_t* cr = context.cr();
  CGPoint origin = context.origin();
  TableLayout layout = TableLayout::of(node, origin);
  setColor(cr, layout.grouped() ? kGroupedBackground : kWhite);
  cairo_rectangle(cr, 0, 0, size.width, size.height);
  cairo_fill_preserve(cr);
  cairo_clip(cr);
  // Layout rectangles are in window points; draw them from the window's origin.
  context.moveTo({0, 0});
  for (const CGRect& group : layout.groups()) {
    roundedRect(cr, group.origin.x + 0.5, group.origin.y + 0.5, group.size.width - 1,
                group.size.height - 1, 8);
    setColor(cr, kWhite);
    cairo_fill_preserve(cr);
    setColor(cr, kGroupEdge);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
  }
  double bottom = origin.y + size.height;
  for (const auto& caption : layout.captions()) {
    const CGRect& f = caption.frame;
    if (f.origin.y > bottom) break;
    if (caption.header && !layout.grouped()) {
      setColor(cr, kPlainHeader);
      cairo_rectangle(cr, f.origin.x, f.origin.y, f.size.width, f.size.height);
      cairo_fill(cr);
      drawText(cr, caption.text, UIFont::boldSystemFontOfSize(15), kWhite, f.origin.x + 12,
               f.origin.y, f.size.width - 24, f.size.height);
    } else if (caption.header) {
      drawText(cr, caption.text, UIFont::boldSystemFontOfSize(15),
               {0x4c / 255.f, 0x56 / 255.f, 0x6c / 255.f, 1}, f.origin.x + 8, f.origin.y + 8,
               f.size.width - 16, f.size.height - 12);
    } else {
      drawText(cr, caption.text, UIFont::systemFontOfSize(13),
               {0x4c / 255.f, 0x56 / 255.f, 0x6c / 255.f, 1}, f.origin.x + 8, f.origin.y,
               f.size.width - 16, f.size.height, NSTextAlignmentCenter);
    }
  }
  for (const auto& row : layout.rows()) {
    if (row.frame.origin.y > bottom) break;  // rows below the table's box are not seen
    if (row.frame.origin.y + row.frame.size.height < origin.y) continue;
    // A row shows what fits in it, as the page's rows do: a grouped row is narrower than the
    // cell its views were laid out in.
    cairo_save(cr);
    cairo_rectangle(cr, row.frame.origin.x, row.frame.origin.y, row.frame.size.width,
                    row.frame.size.height);
    cairo_clip(cr);
    context.drawPlaced(*row.cell, row.frame.origin, row.frame.size);
    cairo_restore(cr);
  }
}

void drawTableViewCell(DrawingContext& context, const DescriptionNode& node, CGSize size) {
  cairo_t* cr = context.cr();
  double w = size.width, h = size.height;
  const DescriptionNode* table = tableOf(node);
  bool grouped = table != nullptr && table->string("style") == "grouped";
  std::string selection = node.string("selectionStyle", "none");
  bool selected = node.boolean("selected") && selection != "none";
  if (selected) {
    cairo_rectangle(cr, 0, 0, w, h);
    if (selection == "gray")
      verticalGradient(cr, 0, h, {0.75f, 0.75f, 0.75f, 1}, {0.55f, 0.55f, 0.55f, 1});
    else
      verticalGradient(cr, 0, h, {0.02f, 0.55f, 0.96f, 1}, {0.0f, 0.36f, 0.90f, 1});
    cairo_fill(cr);
  } else if (!grouped) {
    setColor(cr, kWhite);
    cairo_rectangle(cr, 0, 0, w, h);
    cairo_fill(cr);
  }
  // The separator under the row.
  setColor(cr, grouped ? kGroupEdge : kSeparator);
  cairo_rectangle(cr, grouped ? 0 : 15, h - 1, grouped ? w : w - 15, 1);
  cairo_fill(cr);

  double left = 10, right = w - 10;
  if (table != nullptr && table->boolean("editing") && node.boolean("editable")) {
    // The delete control: a red disc with a white bar.
    cairo_arc(cr, left + 11, h / 2, 10, 0, 2 * kPi);
    setColor(cr, {0.85f, 0.15f, 0.12f, 1});
    cairo_fill(cr);
    setColor(cr, kWhite);
    cairo_rectangle(cr, left + 5, h / 2 - 1.5, 12, 3);
    cairo_fill(cr);
    left += 32;
  }
  if (const DescriptionNode* accessory = node.slot("accessoryView")) {
    CGSize own = accessory->rect("frame").size;
    CGPoint at = context.origin();
    right -= own.width;
    context.drawPlaced(*accessory, {static_cast<CGFloat>(at.x + right),
                                    static_cast<CGFloat>(at.y + (h - own.height) / 2)});
    right -= 8;
  } else {
    right -= drawAccessory(cr, node.string("accessory", "none"), w - 4, h) > 0 ? 26 : 0;
  }
  std::string image = node.string("image");
  if (!image.empty()) {
    drawImage(cr, image, left, (h - 29) / 2, 29, 29);
    left += 37;
  }
  UIColor textColor = selected ? kWhite : UIColor::blackColor();
  UIColor detailColor = selected ? kWhite : kDetailBlue;
  std::string text = node.string("text"), detail = node.string("detail");
  std::string style = node.string("style", "default");
  double width = std::max(0.0, right - left);
  if (style == "subtitle") {
    drawText(cr, text, UIFont::boldSystemFontOfSize(17), textColor, left, 2, width, h / 2 + 2);
    drawText(cr, detail, UIFont::systemFontOfSize(13),
             selected ? kWhite : UIColor{0.4f, 0.4f, 0.4f, 1}, left, h / 2, width, h / 2 - 4);
  } else if (style == "value2") {
    double labelWidth = width * 0.3;
    drawText(cr, detail, UIFont::boldSystemFontOfSize(12), detailColor, left, 0, labelWidth, h,
             NSTextAlignmentRight);
    drawText(cr, text, UIFont::boldSystemFontOfSize(15), textColor, left + labelWidth + 8, 0,
             width - labelWidth - 8, h);
  } else if (style == "value1" && !detail.empty()) {
    UIFont detailFont = UIFont::systemFontOfSize(15);
    double detailWidth = std::min(textWidth(cr, detail, detailFont), width / 2);
    drawText(cr, detail, detailFont, detailColor, right - detailWidth, 0, detailWidth, h,
             NSTextAlignmentRight);
    drawText(cr, text, UIFont::boldSystemFontOfSize(17), textColor, left, 0,
             width - detailWidth - 8, h);
  } else {
    drawText(cr, text, UIFont::boldSystemFontOfSize(17), textColor, left, 0, width, h);
  }
}

}  // namespace tessaly::platform::drawers
