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

bool LookupServices::isUsableBase(const std::string& base) {
  std::size_t start = base.rfind("http://", 0) == 0 ? 7 : base.rfind("https://", 0) == 0 ? 8 : 0;
  if (start == 0 || start >= base.size() || base[start] == '/') return false;
  // No query, fragment, blanks or quotes: the request path and query are appended to it.
  return base.find_first_of("?#\"'<> \\\t\r\n") == std::string::npos;
}

}  // namespace tessaly
