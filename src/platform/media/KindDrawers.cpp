#include "platform/media/KindDrawers.h"

#include <algorithm>
#include <iterator>

#include "platform/media/NodeDrawers.h"

namespace tessaly::platform {
namespace {

struct Entry {
  std::string_view kind;
  KindDrawer drawer;
};

using namespace drawers;

// Every kind of docs/screens.md. Containers draw nothing of their own: their background comes
// from the walk, their children after them.
constexpr Entry kDrawers[] = {
    {"window", {drawNothing}},
    {"statusBar", {drawStatusBar}},
    {"view", {drawNothing}},
    {"viewController", {drawScreen}},
    {"navigationController", {drawScreen}},
    {"label", {drawLabel}},
    {"imageView", {drawImageView}},
    {"button", {drawButton}},
    {"textField", {drawTextField}},
    {"switch", {drawSwitch}},
    {"segmentedControl", {drawSegmentedControl}},
    {"activityIndicator", {drawActivityIndicator}},
    {"searchBar", {drawSearchBar}},
    {"webView", {drawWebView}},
    {"banner", {drawBanner}},
    // Bars place their items (and an item its custom view) themselves.
    {"navigationBar", {drawNavigationBar}},
    {"toolbar", {drawToolbar}},
    {"barButtonItem", {drawBarButtonItem, true}},
    // A table lays its rows out; a cell draws its own views inside it.
    {"tableView", {drawTableView}},
    {"tableViewCell", {drawTableViewCell}},
    // The map draws its annotations and lines in its own order, then its other subviews.
    {"mapView", {drawMapView}},
    {"annotationView", {drawAnnotationView}},
    {"polylineView", {drawPolylineView, false, true}},
    {"overlayView", {drawNothing}},
    {"alert", {drawAlert}},
    {"actionSheet", {drawActionSheet}},
};

}  // namespace

const KindDrawer* drawerForKind(std::string_view kind) {
  auto it = std::find_if(std::begin(kDrawers), std::end(kDrawers),
                         [&](const Entry& entry) { return entry.kind == kind; });
  return it == std::end(kDrawers) ? nullptr : &it->drawer;
}

std::vector<std::string_view> drawnKinds() {
  std::vector<std::string_view> kinds;
  for (const Entry& entry : kDrawers) kinds.push_back(entry.kind);
  return kinds;
}

}  // namespace tessaly::platform
