#pragma once
// Very long routes are thinned before they are drawn, since every added entry redraws the line.
#include <cstddef>
#include <memory>
#include <vector>

#include "measure/CoordData.h"

namespace tessaly {

inline constexpr std::size_t kRouteThinningLimit = 10000;

// While more than 10000 entries remain: of the stretch between position 501 and the last 500,
// every other entry goes, counting back from position count - 500. The first 501 entries and
// the last 499 always stay.
void thinRoute(std::vector<std::shared_ptr<CoordData>>& entries);

}  // namespace tessaly
