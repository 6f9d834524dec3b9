#include "platform/foundation/NotificationCenter.h"

#include <algorithm>
#include <memory>

namespace tessaly::platform {

NotificationCenter& NotificationCenter::defaultCenter() {
  static NotificationCenter center;
  return center;
}

void NotificationCenter::addObserver(const void* observer, const std::string& name, Handler handler,
                                     const void* sender) {
  _registrations.push_back(
      std::make_shared<Registration>(Registration{observer, name, sender, std::move(handler)}));
}

void NotificationCenter::removeObserver(const void* observer) {
  std::erase_if(_registrations, [&](const auto& r) {
    if (r->observer != observer) return false;
    r->removed = true;
    return true;
  });
}

void NotificationCenter::removeObserver(const void* observer, const std::string& name) {
  std::erase_if(_registrations, [&](const auto& r) {
    if (r->observer != observer || r->name != name) return false;
    r->removed = true;
    return true;
  });
}

void NotificationCenter::postNotification(const Notification& notification) {
  // A handler may add or remove observers: deliver to a snapshot, skipping removed ones.
  auto snapshot = _registrations;
  for (const auto& r : snapshot) {
    if (r->removed || r->name != notification.name) continue;
    if (r->sender != nullptr && r->sender != notification.object) continue;
    r->handler(notification);
  }
}

void NotificationCenter::postNotificationName(const std::string& name, const void* object) {
  postNotification(Notification{name, object, {}});
}

std::size_t NotificationCenter::observerCount(const std::string& name) const {
  return static_cast<std::size_t>(std::count_if(_registrations.begin(), _registrations.end(),
                                                [&](const auto& r) { return r->name == name; }));
}

void NotificationCenter::reset() {
  for (auto& r : _registrations) r->removed = true;
  _registrations.clear();
}

}  // namespace tessaly::platform
