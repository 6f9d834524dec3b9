#include "lookup/RouteThinning.h"

namespace tessaly {

void thinRoute(std::vector<std::shared_ptr<CoordData>>& entries) {
  constexpr std::size_t kKept = 500;
  while (entries.size() > kRouteThinningLimit) {
    // Removing from the back does not move the earlier positions of the same pass, so one
    // pass drops positions n, n - 2, ... above 500, all counted from the list at its start.
    const std::size_t first = entries.size() - kKept;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      bool removed = i > kKept && i <= first && (first - i) % 2 == 0;
      if (!removed) entries[kept++] = std::move(entries[i]);
    }
    entries.resize(kept);
  }
}

}  // namespace tessaly
