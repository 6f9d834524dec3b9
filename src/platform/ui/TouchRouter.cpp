#include "platform/ui/TouchRouter.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "platform/ui/UIBarButtonItem.h"
#include "platform/ui/UIControl.h"

namespace tessaly::platform {
namespace {

using Kind = Touch::Kind;

// The kinds of node each touch is for.
std::vector<std::string_view> kindsFor(Kind kind) {
  switch (kind) {
    case Kind::Tap:
      return {"button", "barButtonItem", "view"};
    case Kind::Toggle:
      return {"switch"};
    case Kind::SelectSegment:
      return {"segmentedControl"};
    case Kind::SelectRow:
    case Kind::SetEditing:
    case Kind::DeleteRow:
      return {"tableView"};
    case Kind::TypeText:
    case Kind::Submit:
      return {"searchBar", "textField"};
    case Kind::Cancel:
      return {"searchBar", "actionSheet"};
    case Kind::TapLink:
      return {"webView"};
    case Kind::GoBack:
      return {"navigationBar"};
    case Kind::PressAlertButton:
      return {"alert"};
    case Kind::PressSheetButton:
      return {"actionSheet"};
    case Kind::SelectAnnotation:
    case Kind::DeselectAnnotation:
    case Kind::TapCalloutAccessory:
      return {"annotationView"};
    case Kind::LongPress:
      return {"mapView"};
  }
  return {};
}

const char* touchName(Kind kind) {
  switch (kind) {
    case Kind::Tap:
      return "tap";
    case Kind::Toggle:
      return "toggle";
    case Kind::SelectSegment:
      return "selectSegment";
    case Kind::SelectRow:
      return "selectRow";
    case Kind::SetEditing:
      return "setEditing";
    case Kind::DeleteRow:
      return "deleteRow";
    case Kind::TypeText:
      return "typeText";
    case Kind::Submit:
      return "submit";
    case Kind::Cancel:
      return "cancel";
    case Kind::TapLink:
      return "tapLink";
    case Kind::GoBack:
      return "goBack";
    case Kind::PressAlertButton:
      return "pressAlertButton";
    case Kind::PressSheetButton:
      return "pressSheetButton";
    case Kind::SelectAnnotation:
      return "selectAnnotation";
    case Kind::DeselectAnnotation:
      return "deselectAnnotation";
    case Kind::TapCalloutAccessory:
      return "tapCalloutAccessory";
    case Kind::LongPress:
      return "longPress";
  }
  return "touch";
}

bool isPanel(const DescriptionNode& node) {
  return node.kind == "alert" || node.kind == "actionSheet";
}

bool isInside(const DescriptionNode* node, const DescriptionNode* container) {
  for (; node != nullptr; node = node->parent)
    if (node == container) return true;
  return false;
}

std::string named(const DescriptionNode& node) {
  return node.kind + (node.id != 0 ? " " + std::to_string(node.id) : std::string());
}

// The last shown node of a kind in the part of the screen that takes touches.
const DescriptionNode* frontmost(const DescriptionTree& tree, std::string_view kind,
                                 const DescriptionNode* front) {
  auto nodes = tree.all(kind);
  for (auto it = nodes.rbegin(); it != nodes.rend(); ++it)
    if ((*it)->isShown() && isInside(*it, front)) return *it;
  return nullptr;
}

}  // namespace

Result<const DescriptionNode*> TouchRouter::target(const Touch& touch,
                                                   const DescriptionTree& tree) const {
  const DescriptionNode* window = tree.root();
  if (window == nullptr) return Refusal{"no window is on screen"};
  // Alerts and sheets take every touch while they are up; else the screen presented last does
  // (the screen below a sheet is still drawn but does not take touches).
  std::vector<const DescriptionNode*> panels;
  const DescriptionNode* front = window;
  for (const auto& child : window->children) {
    if (isPanel(*child))
      panels.push_back(child.get());
    else if (child->has("presentation"))
      front = child.get();
  }
  const DescriptionNode* node = nullptr;
  bool byPosition = touch.id == 0 && (touch.kind == Kind::GoBack || touch.kind == Kind::LongPress);
  if (byPosition) {
    std::string_view kind = touch.kind == Kind::GoBack ? "navigationBar" : "mapView";
    if (panels.empty()) node = frontmost(tree, kind, front);
    if (node == nullptr && panels.empty())
      return Refusal{"no " + std::string(kind) + " is on screen"};
  } else {
    if (touch.id == 0) return Refusal{std::string(touchName(touch.kind)) + " needs an id"};
    node = tree.find(touch.id);
    if (node == nullptr)
      return Refusal{_ids.wasGiven(touch.id)
                         ? "object " + std::to_string(touch.id) + " is not on screen"
                         : "no object has id " + std::to_string(touch.id)};
  }
  if (!panels.empty() && std::none_of(panels.begin(), panels.end(),
                                      [&](auto* panel) { return isInside(node, panel); }))
    return Refusal{std::string(panels.back()->kind == "alert" ? "an alert" : "a sheet") +
                   " is on screen; press one of its buttons first"};
  if (panels.empty() && !isInside(node, front))
    return Refusal{named(*node) + " lies below the screen presented over it"};
  if (!node->isShown()) return Refusal{named(*node) + " is hidden"};
  auto kinds = kindsFor(touch.kind);
  if (std::find(kinds.begin(), kinds.end(), node->kind) == kinds.end())
    return Refusal{named(*node) + " does not take " + touchName(touch.kind)};
  if (!node->boolean("enabled", true)) return Refusal{named(*node) + " is disabled"};
  return node;
}

Result<> TouchRouter::apply(const Touch& touch) {
  auto tree = DescriptionTree::ofKeyWindow(_ids);
  auto found = target(touch, tree);
  if (!found) return Refusal{found.reason()};
  const DescriptionNode& node = **found;
  switch (touch.kind) {
    case Kind::GoBack:
      if (node.isNull("back")) return Refusal{"there is no screen to go back to"};
      break;
    case Kind::TapCalloutAccessory:
      if (!node.boolean("calloutOpen") || node.slot("accessory") == nullptr)
        return Refusal{"annotation " + std::to_string(node.id) +
                       " has no open callout with a button"};
      break;
    default:
      break;
  }
  if (node.kind == "barButtonItem") {
    auto item = node.objectAs<UIBarButtonItem>();
    if (!item) return Refusal{named(node) + " is gone"};
    auto* control = dynamic_cast<UIControl*>(item->customView().get());
    if (control != nullptr && !control->isEnabled()) return Refusal{named(node) + " is disabled"};
    if (!item->tap()) return Refusal{named(node) + " does nothing when tapped"};
    return done();
  }
  // The view that takes the touch: the node's own, or the view that writes it (a map for its
  // annotations).
  for (const DescriptionNode* owner = &node; owner != nullptr; owner = owner->parent) {
    if (auto view = owner->objectAs<UIView>()) {
      if (node.kind == "view" && dynamic_cast<UIControl*>(view.get()) == nullptr)
        return Refusal{named(node) + " does not take " + touchName(touch.kind)};
      return view->applyTouch(touch, node);
    }
  }
  return Refusal{named(node) + " does not take touches"};
}

}  // namespace tessaly::platform
