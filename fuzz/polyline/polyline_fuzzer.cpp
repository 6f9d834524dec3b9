// Feeds arbitrary bytes to the polyline decoder. Every point must be a finite coordinate, the
// first a marker and the rest route points, and no more points than five bytes can hold pairs;
// the sanitizers catch any read past the end of the text.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "lookup/PolylineDecoder.h"

namespace {

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "polyline fuzzer: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size heap copy, so that a read one byte too far lands outside the allocation.
  char* copy = static_cast<char*>(std::malloc(size == 0 ? 1 : size));
  if (size != 0) std::memcpy(copy, data, size);
  auto points = tessaly::decodePolyline(std::string_view(copy, size));
  check(points.size() * 2 <= size, "more points than the text can hold");
  for (std::size_t i = 0; i < points.size(); ++i) {
    check(points[i]->type() == (i == 0 ? tessaly::kCoordMarker : tessaly::kCoordRoute),
          "wrong entry type");
    check(std::isfinite(points[i]->coordinate().latitude) &&
              std::isfinite(points[i]->coordinate().longitude),
          "coordinate not finite");
  }
  std::free(copy);
  return 0;
}
