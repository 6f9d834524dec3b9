#pragma once
// One drawer per kind of the screen's description: the table from a kind's name to the
// function that draws a node of that kind from its properties. A new kind of view describes
// itself once and gets one drawer here; the web page draws the same description.
#include <string_view>
#include <vector>

#include "platform/foundation/Geometry.h"
#include "platform/ui/DescriptionNode.h"

namespace tessaly::platform {

class DrawingContext;

struct KindDrawer {
  // Draws the node's own content, Cairo's origin at the node's top left, in a box of size.
  void (*draw)(DrawingContext& context, const DescriptionNode& node, CGSize size);
  // True when the drawer draws (or deliberately leaves out) the node's children itself;
  // otherwise they are drawn after it, in order.
  bool drawsItsChildren = false;
  // True when the drawer draws with the node's alpha itself (a single stroke), sparing the walk
  // a picture of the node to fade.
  bool appliesItsAlpha = false;
};

// The drawer of a kind, or null for a kind nothing draws.
const KindDrawer* drawerForKind(std::string_view kind);
// Every kind that has a drawer.
std::vector<std::string_view> drawnKinds();

}  // namespace tessaly::platform
