#pragma once
// Between the web host and the running application: reads everything the application shows
// from the platform's objects (the key window, its navigation controller, the map view, the
// alerts and sheets on screen, the banner) into one JSON state, and turns each input from the
// browser into the platform's own touch (tap an item, press on the map, press an alert button,
// turn the device). It knows no application class: only what a person could see and touch.
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "web/WebHost.h"

namespace tessaly::platform {
class MKMapView;
class UIView;
class UIPanelView;
class MKAnnotation;
class MKOverlay;
class UINavigationController;
class ADBannerView;
}  // namespace tessaly::platform

namespace tessaly::web {

class DeviceBridge : public WebApplication {
 public:
  enum class DeviceMode { Auto, Phone, Tablet };
  // Starts the application afresh on the device as it now stands (after the kind of device
  // changed: one process is one device).
  using Relaunch = std::function<void()>;
  // Asked before such a restart: false keeps the running application on its kind of device
  // (it holds work, such as a measured path, that a restart would throw away).
  using MayRelaunch = std::function<bool()>;

  DeviceBridge(DeviceMode mode, Relaunch relaunch, MayRelaunch mayRelaunch = nullptr);

  std::string snapshot() override;
  std::string apply(const WebInput& input) override;

  // The number-format locale the browser asked for ("" until one did).
  const std::string& locale() const { return _locale; }

  // A short side of at least this many points makes a tablet in auto mode.
  static constexpr float kTabletShortSide = 768;

 private:
  template <class T>
  struct Ids {
    struct Entry {
      std::weak_ptr<T> object;
      std::uint64_t id;
    };
    std::unordered_map<const T*, Entry> byPointer;
    std::unordered_map<std::uint64_t, std::weak_ptr<T>> byId;
    std::uint64_t next = 1;
    std::uint64_t idFor(const std::shared_ptr<T>& object);
    std::shared_ptr<T> find(std::uint64_t id) const;
    void forgetGone();
  };

  platform::UINavigationController* navigationController() const;
  platform::MKMapView* mapView() const;
  platform::ADBannerView* banner() const;
  std::string applyViewport(const WebInput& input);
  void relayoutForScreen();
  std::string refuseWhilePanelOnScreen() const;

  std::string mapState(platform::MKMapView& map);
  nlohmann::json panelsState();

  DeviceMode _mode;
  Relaunch _relaunch;
  MayRelaunch _mayRelaunch;
  std::string _locale;
  Ids<platform::MKAnnotation> _annotationIds;
  Ids<platform::MKOverlay> _overlayIds;
  Ids<platform::UIPanelView> _panelIds;
};

}  // namespace tessaly::web
