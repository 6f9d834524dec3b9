#pragma once
// A point on a movie's time line: value units of 1/timescale seconds.
#include <cstdint>

namespace tessaly::platform {

struct CMTime {
  std::int64_t value = 0;
  std::int32_t timescale = 1;
  friend bool operator==(const CMTime&, const CMTime&) = default;
};

inline CMTime CMTimeMake(std::int64_t value, std::int32_t timescale) {
  return CMTime{value, timescale};
}

}  // namespace tessaly::platform
