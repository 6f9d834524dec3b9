#pragma once
// One entry of the measured path, or one address search result.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/map/MKGeometry.h"

namespace tessaly {

// Entry types.
enum CoordType : std::int32_t {
  kCoordStart = 0,    // the path's first marker
  kCoordMarker = 1,   // a later marker
  kCoordRoute = 2,    // a route point: part of the path, never a marker
  kCoordClosing = 3,  // the marker that closes a polygon, on its way in (added as 1)
};

class CoordData {
 public:
  CoordData(std::int32_t type, platform::CLLocationCoordinate2D coordinate)
      : _coordinate(coordinate),
        _type(type),
        _mapPoint(platform::MKMapPointForCoordinate(coordinate)) {}
  CoordData(std::int32_t type, double latitude, double longitude)
      : CoordData(type, platform::CLLocationCoordinate2DMake(latitude, longitude)) {}
  CoordData(std::string address, double latitude, double longitude)
      : CoordData(kCoordStart, latitude, longitude) {
    _address = std::move(address);
  }

  const std::optional<std::string>& address() const { return _address; }
  void setAddress(std::optional<std::string> address) { _address = std::move(address); }
  platform::CLLocationCoordinate2D coordinate() const { return _coordinate; }
  void setCoordinate(platform::CLLocationCoordinate2D coordinate) {
    _coordinate = coordinate;
    _mapPoint = platform::MKMapPointForCoordinate(coordinate);
  }
  std::int32_t type() const { return _type; }
  void setType(std::int32_t type) { _type = type; }
  double distance() const { return _distance; }
  void setDistance(double meters) { _distance = meters; }
  std::uint32_t index() const { return _index; }
  void setIndex(std::uint32_t index) { _index = index; }

  // The coordinate on the flat map projection (kept with the coordinate: the path line is
  // rebuilt from every entry's point at each change).
  platform::MKMapPoint mkMapPoint() const { return _mapPoint; }

  // "%d addr: %@ lat:%f lng:%f"; an absent address prints as "(null)".
  std::string description() const;

 private:
  std::optional<std::string> _address;
  platform::CLLocationCoordinate2D _coordinate;
  std::int32_t _type;
  double _distance = 0;
  std::uint32_t _index = 0;
  platform::MKMapPoint _mapPoint;
};

}  // namespace tessaly
