// Alerts and action sheets: drawn over the whole screen below the status bar, whatever their
// own frame, the screen dimmed behind them.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/media/DrawingContext.h"
#include "platform/media/NodeDrawers.h"
#include "platform/media/ViewDrawing.h"
#include "platform/ui/UIDevice.h"

namespace tessaly::platform::drawers {
namespace {

using namespace drawing;

// Moves Cairo's origin to the top left of the picture (just below the status bar).
void moveToScreen(DrawingContext& context) {
  context.moveTo({0, UIScreen::kStatusBarHeight});
}

}  // namespace

void drawAlert(DrawingContext& context, const DescriptionNode& node, CGSize) {
  cairo_t* cr = context.cr();
  moveToScreen(context);
  CGSize screen = context.screenSize();
  double width = screen.width, height = screen.height;
  setColor(cr, {0, 0, 0, 0.45f});
  cairo_paint(cr);
  std::vector<std::string> buttons = node.strings("buttons");
  std::string title = node.string("title"), message = node.string("message");
  const auto& fields = node.list("textFields");
  auto cancel = static_cast<int>(node.number("cancelButtonIndex", -1));
  bool sideBySide = buttons.size() == 2;
  double w = std::min(284.0, width - 20);
  double buttonRows = sideBySide ? 1 : static_cast<double>(buttons.size());
  double h = 20 + (title.empty() ? 0 : 26) + (message.empty() ? 0 : 24) +
             static_cast<double>(fields.size()) * 36 + buttonRows * 50 + 6;
  double x = (width - w) / 2, y = std::max(10.0, (height - h) / 2);
  roundedRect(cr, x, y, w, h, 10);
  verticalGradient(cr, y, h, {0.16f, 0.24f, 0.45f, 0.96f}, {0.05f, 0.10f, 0.30f, 0.96f});
  cairo_fill_preserve(cr);
  setColor(cr, {1, 1, 1, 0.8f});
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
  double cursor = y + 14;
  if (!title.empty()) {
    drawText(cr, title, UIFont::boldSystemFontOfSize(17), kWhite, x + 12, cursor, w - 24, 24,
             NSTextAlignmentCenter);
    cursor += 26;
  }
  if (!message.empty()) {
    drawText(cr, message, UIFont::systemFontOfSize(15), kWhite, x + 12, cursor, w - 24, 22,
             NSTextAlignmentCenter);
    cursor += 24;
  }
  for (const auto& field : fields) {
    // Each text field draws itself in its place in the alert, one below the other.
    context.drawPlaced(*field,
                       {static_cast<CGFloat>(x + 12),
                        static_cast<CGFloat>(cursor + 4 + UIScreen::kStatusBarHeight)},
                       CGSize{static_cast<CGFloat>(w - 24), 28});
    cursor += 36;
  }
  cursor += 6;
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    double bw = sideBySide ? (w - 30) / 2 : w - 24;
    double bx = sideBySide ? x + 12 + static_cast<double>(i) * (bw + 6) : x + 12;
    double by = sideBySide ? cursor : cursor + static_cast<double>(i) * 50;
    UIColor top = static_cast<int>(i) == cancel ? UIColor{0.35f, 0.42f, 0.58f, 1}
                                                : UIColor{0.55f, 0.62f, 0.78f, 1};
    drawPanelButton(cr, bx, by, bw, 42, buttons[i], top,
                    {top.red * 0.6f, top.green * 0.6f, top.blue * 0.7f, 1}, kWhite);
  }
}

void drawActionSheet(DrawingContext& context, const DescriptionNode& node, CGSize) {
  cairo_t* cr = context.cr();
  moveToScreen(context);
  CGSize screen = context.screenSize();
  double width = screen.width, height = screen.height;
  std::vector<std::string> buttons = node.strings("buttons");
  auto cancel = static_cast<int>(node.number("cancelButtonIndex", -1));
  auto destructive = static_cast<int>(node.number("destructiveButtonIndex", -1));
  // A popover points at the bar item it was shown from, if a bar on screen drew that item.
  const CGRect* item = nullptr;
  if (const double* anchor = valueOf<double>(node, "anchor"))
    item = context.itemFrame(static_cast<std::uint64_t>(*anchor));
  double anchor[4] = {};
  if (item != nullptr) {
    anchor[0] = item->origin.x, anchor[1] = item->origin.y - UIScreen::kStatusBarHeight;
    anchor[2] = item->size.width, anchor[3] = item->size.height;
  }
  // A popover draws no cancel button: a tap outside it cancels.
  std::vector<int> shown;
  for (int i = 0; i < static_cast<int>(buttons.size()); ++i) {
    if (item != nullptr && i == cancel) continue;
    shown.push_back(i);
  }
  std::string title = node.string("title");
  double rowH = 52;
  double contentH = 12 + (title.empty() ? 0 : 30) + static_cast<double>(shown.size()) * rowH;
  double w, x, y;
  if (item != nullptr) {
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
  if (!title.empty()) {
    drawText(cr, title, UIFont::systemFontOfSize(14), item != nullptr ? kDarkText : kWhite, x + 12,
             cursor, w - 24, 26, NSTextAlignmentCenter);
    cursor += 30;
  }
  for (int index : shown) {
    UIColor top{0.97f, 0.97f, 0.97f, 1}, bottom{0.85f, 0.85f, 0.87f, 1};
    UIColor text = kDarkText;
    if (index == destructive) {
      top = {0.93f, 0.3f, 0.28f, 1}, bottom = {0.72f, 0.1f, 0.1f, 1}, text = kWhite;
    } else if (index == cancel) {
      top = {0.35f, 0.37f, 0.42f, 1}, bottom = {0.2f, 0.21f, 0.25f, 1}, text = kWhite;
    }
    drawPanelButton(cr, x + 18, cursor, w - 36, 44, buttons[static_cast<std::size_t>(index)], top,
                    bottom, text);
    cursor += rowH;
  }
}

}  // namespace tessaly::platform::drawers
