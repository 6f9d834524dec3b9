#include "lookup/LookupServices.h"

namespace tessaly {
namespace {

std::string& geocoder() {
  static std::string base = LookupServices::kDefaultBase;
  return base;
}

std::string& directions() {
  static std::string base = LookupServices::kDefaultBase;
  return base;
}

std::string trimmed(std::string base) {
  while (!base.empty() && base.back() == '/') base.pop_back();
  return base;
}

}  // namespace

const std::string& LookupServices::geocoderBase() {
  return geocoder();
}

const std::string& LookupServices::directionsBase() {
  return directions();
}

void LookupServices::setGeocoderBase(std::string base) {
  geocoder() = trimmed(std::move(base));
}

void LookupServices::setDirectionsBase(std::string base) {
  directions() = trimmed(std::move(base));
}

}  // namespace tessaly
