#pragma once
// The marker of one measured point: its figures, and the callout's two lines made from them in
// the unit current at each call.
#include <cstdint>
#include <string>

#include "platform/map/MKAnnotation.h"

namespace tessaly {

class PontoAnnotation : public platform::MKAnnotation {
 public:
  PontoAnnotation() = default;
  PontoAnnotation(platform::CLLocationCoordinate2D coordinate, std::int32_t type)
      : _coordinate(coordinate), _type(type) {}

  platform::CLLocationCoordinate2D coordinate() const override { return _coordinate; }
  void setCoordinate(platform::CLLocationCoordinate2D coordinate) { _coordinate = coordinate; }

  // Starting point: "Starting point" / "Lat: %.4F, Lon: %.4F". Later marker: "Distance: %@"
  // (or "Area: %@" when it closed a polygon) / "Delta: %@  Heading: %d".
  std::string title() const override;
  std::string subtitle() const override;

  std::int32_t type() const { return _type; }
  void setType(std::int32_t type) { _type = type; }
  double totdistance() const { return _totdistance; }
  void setTotdistance(double meters) { _totdistance = meters; }
  double deltadistance() const { return _deltadistance; }
  void setDeltadistance(double meters) { _deltadistance = meters; }
  std::uint32_t index() const { return _index; }
  void setIndex(std::uint32_t index) { _index = index; }
  double area() const { return _area; }
  void setArea(double squareMeters) { _area = squareMeters; }
  std::int32_t heading() const { return _heading; }
  void setHeading(std::int32_t degrees) { _heading = degrees; }

 private:
  platform::CLLocationCoordinate2D _coordinate;
  std::int32_t _type = 0;
  double _totdistance = 0;
  double _deltadistance = 0;
  std::uint32_t _index = 0;
  double _area = 0;
  std::int32_t _heading = 0;
};

}  // namespace tessaly
