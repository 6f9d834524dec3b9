#pragma once
// The encoded polyline format of the directions service: pairs of signed steps in hundred-
// thousandths of a degree, five bits a character.
#include <memory>
#include <string_view>
#include <vector>

#include "measure/CoordData.h"

namespace tessaly {

// The points as path entries, the first of type 1 and the rest of type 2. A text that ends
// inside a value, or after a latitude without its longitude, gives the points before it.
std::vector<std::shared_ptr<CoordData>> decodePolyline(std::string_view encoded);

}  // namespace tessaly
