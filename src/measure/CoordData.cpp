#include "measure/CoordData.h"

#include <cstdio>

namespace tessaly {

std::string CoordData::description() const {
  char numbers[96];
  std::snprintf(numbers, sizeof numbers, " lat:%f lng:%f", _coordinate.latitude,
                _coordinate.longitude);
  return std::to_string(_type) + " addr: " + (_address ? *_address : std::string("(null)")) +
         numbers;
}

}  // namespace tessaly
