#pragma once
// Ids for the objects a person sees, so that a tool outside the process can name them: an
// object keeps its id for as long as it lives, and a gone object's id is never given again.
// The registry holds only weak references; it never keeps an object alive.
#include <cstdint>
#include <map>
#include <memory>
#include <typeindex>
#include <typeinfo>
#include <unordered_map>
#include <utility>

namespace tessaly::platform {

// An object as the registry knows it: a weak reference and the static type it is named by
// (a view as UIView, a bar item as UIBarButtonItem), so that it can be handed back typed.
struct ObjectRef {
  std::weak_ptr<const void> object;
  const std::type_info* type = nullptr;

  template <class T>
  static ObjectRef to(const std::shared_ptr<T>& object) {
    if (!object) return {};
    return {std::static_pointer_cast<const void>(std::shared_ptr<const T>(object)), &typeid(T)};
  }
  template <class T>
  static ObjectRef to(const std::weak_ptr<T>& object) {
    return to(object.lock());
  }
  // A node no input can name.
  static ObjectRef none() { return {}; }
  bool empty() const { return type == nullptr || object.expired(); }
};

class ObjectIds {
 public:
  // The object's id, made on first sight; 0 for an empty reference.
  std::uint64_t idFor(const ObjectRef& ref);
  // The living object with that id if it was registered as T, else null.
  template <class T>
  std::shared_ptr<T> find(std::uint64_t id) const {
    auto it = _byId.find(id);
    if (it == _byId.end() || *it->second.type != typeid(T)) return nullptr;
    auto object = it->second.object.lock();
    return std::const_pointer_cast<T>(std::static_pointer_cast<const T>(object));
  }
  // Whether the id was ever given (a gone object's id is still known as given).
  bool wasGiven(std::uint64_t id) const { return id > 0 && id < _next; }
  // Forgets the objects that are gone.
  void forgetGone();
  std::size_t size() const { return _byId.size(); }

 private:
  struct Entry {
    std::weak_ptr<const void> object;
    const std::type_info* type;
    std::uint64_t id;
  };
  // By address and registered type: an object named by two types has two ids.
  std::map<std::pair<const void*, std::type_index>, Entry> _byPointer;
  std::unordered_map<std::uint64_t, Entry> _byId;
  std::uint64_t _next = 1;
};

}  // namespace tessaly::platform
