#pragma once
// The user's own position as an annotation. The location is set by whatever knows it (the web
// host from the browser's geolocation); observers hear of every change (key "location").
#include <cstdint>
#include <functional>
#include <map>
#include <optional>

#include "platform/map/MKAnnotation.h"

namespace tessaly::platform {

struct CLLocation {
  CLLocationCoordinate2D coordinate;
  double horizontalAccuracy = 0;  // metres; negative means invalid
  friend bool operator==(const CLLocation&, const CLLocation&) = default;
};

class MKUserLocation : public MKAnnotation {
 public:
  using Observer = std::function<void(MKUserLocation&)>;
  using ObserverId = std::uint64_t;

  // The last known location; none until one arrives.
  const std::optional<CLLocation>& location() const { return _location; }
  void setLocation(std::optional<CLLocation> location);
  bool isUpdating() const { return _updating; }
  void setUpdating(bool updating) { _updating = updating; }

  ObserverId addLocationObserver(Observer observer);
  void removeLocationObserver(ObserverId id);
  std::size_t locationObserverCount() const { return _observers.size(); }

  CLLocationCoordinate2D coordinate() const override;
  std::string title() const override { return _title; }
  void setTitle(std::string title) { _title = std::move(title); }
  std::string subtitle() const override { return _subtitle; }
  void setSubtitle(std::string subtitle) { _subtitle = std::move(subtitle); }

 private:
  std::optional<CLLocation> _location;
  bool _updating = false;
  std::string _title = "Current Location";
  std::string _subtitle;
  std::map<ObserverId, Observer> _observers;
  ObserverId _nextId = 1;
};

}  // namespace tessaly::platform
