#include "platform/map/MKUserLocation.h"

#include <vector>

namespace tessaly::platform {

void MKUserLocation::setLocation(std::optional<CLLocation> location) {
  _location = location;
  // An observer may remove itself or others while being told: call a snapshot, skip the removed.
  std::vector<ObserverId> ids;
  for (const auto& [id, observer] : _observers) ids.push_back(id);
  for (ObserverId id : ids) {
    auto it = _observers.find(id);
    if (it == _observers.end()) continue;
    Observer observer = it->second;
    observer(*this);
  }
}

MKUserLocation::ObserverId MKUserLocation::addLocationObserver(Observer observer) {
  ObserverId id = _nextId++;
  _observers.emplace(id, std::move(observer));
  return id;
}

void MKUserLocation::removeLocationObserver(ObserverId id) {
  _observers.erase(id);
}

CLLocationCoordinate2D MKUserLocation::coordinate() const {
  return _location ? _location->coordinate : CLLocationCoordinate2D{};
}

}  // namespace tessaly::platform
