#pragma once
// One node of a written description, as DescriptionTree keeps it: a kind and the object it stands
// for (or, with an empty kind, a plain record), its properties in the order written, its slots,
// its named lists and its children.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/foundation/Geometry.h"
#include "platform/foundation/ObjectIds.h"
#include "platform/ui/UIColor.h"

namespace tessaly::platform {

struct DescriptionNode {
  using Value =
      std::variant<std::nullptr_t, bool, double, std::string, std::vector<std::string>, CGRect,
                   UIColor, CLLocationCoordinate2D, std::vector<CLLocationCoordinate2D>>;
  using Nodes = std::vector<std::unique_ptr<DescriptionNode>>;

  std::string kind;  // empty for a record
  ObjectRef object;
  std::uint64_t id = 0;  // 0: no id
  DescriptionNode* parent = nullptr;
  std::vector<std::pair<std::string, Value>> properties;
  std::map<std::string, std::unique_ptr<DescriptionNode>, std::less<>> slots;
  std::map<std::string, Nodes, std::less<>> lists;
  Nodes children;

  bool isRecord() const { return kind.empty(); }
  bool has(std::string_view name) const { return value(name) != nullptr; }
  // The property of that name, or null when it was not written.
  const Value* value(std::string_view name) const;
  // Whether the property was written as null (a slot or a value without one).
  bool isNull(std::string_view name) const;
  // Typed reads; a missing property or one of another type gives the fallback.
  bool boolean(std::string_view name, bool fallback = false) const;
  double number(std::string_view name, double fallback = 0) const;
  std::string string(std::string_view name, std::string_view fallback = {}) const;
  std::vector<std::string> strings(std::string_view name) const;
  CGRect rect(std::string_view name) const;
  // The node in a slot, or null.
  const DescriptionNode* slot(std::string_view name) const;
  // A named list (empty when not written).
  const Nodes& list(std::string_view name) const;

  // Visible: neither this node nor a node above it is hidden.
  bool isShown() const;
  // The object, typed as it was registered, or null.
  template <class T>
  std::shared_ptr<T> objectAs() const {
    if (object.type == nullptr || *object.type != typeid(T)) return nullptr;
    return std::const_pointer_cast<T>(std::static_pointer_cast<const T>(object.object.lock()));
  }
  // Calls visit on this node and every node below it, depth first: slots and lists by name,
  // then the children back to front.
  template <class Visit>
  void forEach(Visit&& visit) const {
    visit(*this);
    for (const auto& [name, node] : slots)
      if (node) node->forEach(visit);
    for (const auto& [name, nodes] : lists)
      for (const auto& node : nodes) node->forEach(visit);
    for (const auto& node : children) node->forEach(visit);
  }
};

}  // namespace tessaly::platform
