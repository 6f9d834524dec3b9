#include "mapscreen/ToolbarRules.h"

namespace tessaly {

std::optional<bool> toolbarItemEnabled(int tag, const ToolbarState& state) {
  const std::size_t n = state.entries;
  switch (tag) {
    case kToolbarFiles:
      return !state.busy();
    case kToolbarClear:
    case kToolbarUndo:
      return !state.busy() && n >= 1;
    case kToolbarClose:
      // A closed path cannot be closed again.
      return !state.busy() && n >= 3 && state.endsDiffer;
    case kToolbarRoute:
      return !state.busy() && n >= 2 && n <= kMaxRoutePoints;
    case kToolbarSearch:
      // Stays enabled while searching: the same button ends the search.
      return !state.routing;
    default:
      return std::nullopt;
  }
}

}  // namespace tessaly
