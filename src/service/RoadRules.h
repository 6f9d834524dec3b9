#pragma once
// Which OpenStreetMap ways a car or a walker may use, how fast, and in which directions.
#include <optional>

namespace osmium {
class TagList;
}

namespace tessaly::service {

struct RoadUse {
  double metresPerSecond = 0;
  bool forward = true;   // along the way's node order
  bool backward = true;  // against it
};

class RoadRules {
 public:
  // Nothing when a car may not use the way (footways, paths, steps, no access, ...).
  static std::optional<RoadUse> driving(const osmium::TagList& tags);
  // Nothing when a walker may not use the way (motorways, foot=no, ...). No one-way rules.
  static std::optional<RoadUse> walking(const osmium::TagList& tags);
};

}  // namespace tessaly::service
