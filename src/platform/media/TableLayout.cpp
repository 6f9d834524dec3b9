#include "platform/media/TableLayout.h"

namespace tessaly::platform {

TableLayout TableLayout::of(const DescriptionNode& table, CGPoint origin) {
  TableLayout layout;
  layout._grouped = table.string("style") == "grouped";
  double width = table.rect("frame").size.width;
  double rowHeight = table.number("rowHeight", 44);
  if (rowHeight <= 0) rowHeight = 44;
  double inset = layout._grouped ? kGroupInset : 0;
  double x = origin.x + inset, rowWidth = width - 2 * inset;
  double y = origin.y + (layout._grouped ? kGroupInset : 0);
  auto rect = [](double x, double y, double w, double h) {
    return CGRectMake(static_cast<CGFloat>(x), static_cast<CGFloat>(y), static_cast<CGFloat>(w),
                      static_cast<CGFloat>(h));
  };
  for (const auto& section : table.list("sections")) {
    std::string header = section->string("header"), footer = section->string("footer");
    if (!header.empty()) {
      double h = layout._grouped ? kGroupedHeaderHeight : kPlainHeaderHeight;
      layout._captions.push_back({header, rect(x, y, rowWidth, h), true});
      y += h;
    }
    double top = y;
    for (const auto& cell : section->list("cells")) {
      double h = cell->rect("frame").size.height;
      if (h <= 0) h = rowHeight;
      layout._rows.push_back({cell.get(), rect(x, y, rowWidth, h)});
      y += h;
    }
    if (layout._grouped && y > top) layout._groups.push_back(rect(x, top, rowWidth, y - top));
    if (!footer.empty()) {
      layout._captions.push_back({footer, rect(x, y, rowWidth, kFooterHeight), false});
      y += kFooterHeight;
    }
    if (layout._grouped) y += kGroupInset;
  }
  return layout;
}

}  // namespace tessaly::platform
