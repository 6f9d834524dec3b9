#include "platform/foundation/ObjectIds.h"

namespace tessaly::platform {

std::uint64_t ObjectIds::idFor(const ObjectRef& ref) {
  auto object = ref.object.lock();
  if (!object || ref.type == nullptr) return 0;
  std::pair<const void*, std::type_index> key{object.get(), std::type_index(*ref.type)};
  auto it = _byPointer.find(key);
  if (it != _byPointer.end()) {
    // The same living object keeps its id; a new object at the address of a gone one gets a
    // new one.
    if (!it->second.object.expired()) return it->second.id;
    _byId.erase(it->second.id);
    _byPointer.erase(it);
  }
  std::uint64_t id = _next++;
  Entry entry{ref.object, ref.type, id};
  _byPointer.emplace(key, entry);
  _byId.emplace(id, entry);
  return id;
}

void ObjectIds::forgetGone() {
  for (auto it = _byPointer.begin(); it != _byPointer.end();) {
    if (it->second.object.expired()) {
      _byId.erase(it->second.id);
      it = _byPointer.erase(it);
    } else {
      ++it;
    }
  }
  for (auto it = _byId.begin(); it != _byId.end();)
    it = it->second.object.expired() ? _byId.erase(it) : std::next(it);
}

}  // namespace tessaly::platform
