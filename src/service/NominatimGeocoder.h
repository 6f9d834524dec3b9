#pragma once
// Address search through a Nominatim server (/search?q=...&format=jsonv2), its answers turned
// into the places the geocoding answer lists.
#include <string>
#include <string_view>

#include "service/LookupResults.h"
#include "service/UpstreamClient.h"

namespace tessaly::service {

class NominatimGeocoder {
 public:
  explicit NominatimGeocoder(std::string base) : _client(std::move(base)) {}
  GeocodeOutcome geocode(std::string_view address);
  // The translation alone, for an answer's body.
  static GeocodeOutcome translate(std::string_view body, std::string_view address);

 private:
  UpstreamClient _client;
};

}  // namespace tessaly::service
