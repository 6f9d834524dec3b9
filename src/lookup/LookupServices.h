#pragma once
// Where the address search and the route requests go, and what they say about who asks.
#include <string>

namespace tessaly {

class LookupServices {
 public:
  // Sent in the "Referer" header of every lookup.
  static constexpr const char* kReferer = "https://tessaly.example/";
  // The program's own lookup service when nothing else is set.
  static constexpr const char* kDefaultBase = "http://127.0.0.1:8080";

  // Base addresses (scheme, host, port) to which the request paths are appended. A trailing
  // "/" is dropped.
  static const std::string& geocoderBase();
  static const std::string& directionsBase();
  static void setGeocoderBase(std::string base);
  static void setDirectionsBase(std::string base);
};

}  // namespace tessaly
