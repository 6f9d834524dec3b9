#pragma once
// The drawers of the kinds, by family; KindDrawers.cpp puts them in its table. Each draws a
// node from its described properties, Cairo's origin at the node's top left, in a box of size.
#include <optional>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/foundation/Geometry.h"
#include "platform/ui/DescriptionNode.h"
#include "platform/ui/UIColor.h"

namespace tessaly::platform {

class DrawingContext;

namespace drawers {

using Drawer = void(DrawingContext&, const DescriptionNode&, CGSize);

// The window, the status bar strip, plain views, screens, a web page, the banner.
Drawer drawNothing, drawStatusBar, drawScreen, drawWebView, drawBanner;
// Labels, images, buttons, fields and controls.
Drawer drawLabel, drawImageView, drawButton, drawTextField, drawSwitch, drawSegmentedControl,
    drawActivityIndicator, drawSearchBar;
// Bars and their items.
Drawer drawNavigationBar, drawToolbar, drawBarButtonItem;
// Tables and their rows.
Drawer drawTableView, drawTableViewCell;
// The map and what stands on it (annotations and lines need the map's projection).
Drawer drawMapView, drawAnnotationView, drawPolylineView;
// Alerts and sheets, over the whole screen.
Drawer drawAlert, drawActionSheet;

// Where a bar's items stand across a bar of that width (spaces included, flexible spaces
// sharing what is left), left to right.
std::vector<double> barItemWidths(const DescriptionNode::Nodes& items, double barWidth);
inline constexpr double kBarPadding = 6;

// A described value of a type DescriptionNode has no typed reader for; null when the property
// is missing, null or of another type.
template <class T>
const T* valueOf(const DescriptionNode& node, std::string_view name) {
  const DescriptionNode::Value* value = node.value(name);
  return value != nullptr ? std::get_if<T>(value) : nullptr;
}
inline std::optional<UIColor> colorOf(const DescriptionNode& node, std::string_view name) {
  const UIColor* color = valueOf<UIColor>(node, name);
  return color != nullptr ? std::optional<UIColor>(*color) : std::nullopt;
}

}  // namespace drawers
}  // namespace tessaly::platform
