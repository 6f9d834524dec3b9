#pragma once
// Which commands of the map screen's toolbar can be used for a given path and busy state.
#include <cstddef>
#include <optional>

namespace tessaly {

// Tags of the toolbar's command buttons.
enum ToolbarTag : int {
  kToolbarFiles = 1,
  kToolbarClear = 2,
  kToolbarUndo = 3,
  kToolbarClose = 4,
  kToolbarRoute = 5,
  kToolbarSearch = 6,
};

struct ToolbarState {
  std::size_t entries = 0;  // path entries
  bool searching = false;   // the search display is active
  bool routing = false;     // a route request runs
  bool endsDiffer = false;  // the first and last entries are at different places
  bool busy() const { return searching || routing; }
};

// Routes go through at most this many points (origin, eight waypoints, destination).
inline constexpr std::size_t kMaxRoutePoints = 10;

// Whether the item with this tag is enabled; no value for items the rules leave alone
// (spacers, the status label).
std::optional<bool> toolbarItemEnabled(int tag, const ToolbarState& state);
// The settings and info buttons of the navigation bar.
inline bool navigationButtonsEnabled(const ToolbarState& state) {
  return !state.routing;
}

}  // namespace tessaly
