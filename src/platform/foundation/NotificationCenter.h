#pragma once
// Named notifications between screens, delivered synchronously on the posting (main) thread.
#include <any>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tessaly::platform {

struct Notification {
  std::string name;
  const void* object = nullptr;
  std::map<std::string, std::any> userInfo;
};

class NotificationCenter {
 public:
  using Handler = std::function<void(const Notification&)>;

  static NotificationCenter& defaultCenter();

  // Registers observer for name; a null sender means any sender.
  void addObserver(const void* observer, const std::string& name, Handler handler,
                   const void* sender = nullptr);
  // Removes every registration of observer, or only those for name.
  void removeObserver(const void* observer);
  void removeObserver(const void* observer, const std::string& name);

  void postNotification(const Notification& notification);
  void postNotificationName(const std::string& name, const void* object = nullptr);

  std::size_t observerCount(const std::string& name) const;
  void reset();

 private:
  struct Registration {
    const void* observer;
    std::string name;
    const void* sender;
    Handler handler;
    bool removed = false;
  };
  std::vector<std::shared_ptr<Registration>> _registrations;
};

}  // namespace tessaly::platform
