#include "measure/PontoAnnotation.h"

#include <cstdio>

#include "measure/Units.h"

namespace tessaly {

std::string PontoAnnotation::title() const {
  if (_type == 0) return "Starting point";
  if (_area != 0) return "Area: " + formatArea(_area, 1, 1);
  return "Distance: " + formatLength(_totdistance, 1, 1);
}

std::string PontoAnnotation::subtitle() const {
  if (_type == 0) {
    char text[96];
    std::snprintf(text, sizeof text, "Lat: %.4F, Lon: %.4F", _coordinate.latitude,
                  _coordinate.longitude);
    return text;
  }
  return "Delta: " + formatLength(_deltadistance, 1, 1) + "  Heading: " + std::to_string(_heading);
}

}  // namespace tessaly
