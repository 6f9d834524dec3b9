#include "platform/ui/DescriptionTree.h"

#include <stdexcept>

#include "platform/ui/UIApplication.h"
#include "platform/ui/UIWindow.h"

namespace tessaly::platform {

const DescriptionNode::Value* DescriptionNode::value(std::string_view name) const {
  for (const auto& [key, value] : properties)
    if (key == name) return &value;
  return nullptr;
}

bool DescriptionNode::isNull(std::string_view name) const {
  const Value* v = value(name);
  return v != nullptr && std::holds_alternative<std::nullptr_t>(*v);
}

namespace {

template <class T>
const T* valueAs(const DescriptionNode& node, std::string_view name) {
  const auto* v = node.value(name);
  return v != nullptr ? std::get_if<T>(v) : nullptr;
}

}  // namespace

bool DescriptionNode::boolean(std::string_view name, bool fallback) const {
  const bool* v = valueAs<bool>(*this, name);
  return v != nullptr ? *v : fallback;
}

double DescriptionNode::number(std::string_view name, double fallback) const {
  const double* v = valueAs<double>(*this, name);
  return v != nullptr ? *v : fallback;
}

std::string DescriptionNode::string(std::string_view name, std::string_view fallback) const {
  const std::string* v = valueAs<std::string>(*this, name);
  return v != nullptr ? *v : std::string(fallback);
}

std::vector<std::string> DescriptionNode::strings(std::string_view name) const {
  const auto* v = valueAs<std::vector<std::string>>(*this, name);
  return v != nullptr ? *v : std::vector<std::string>{};
}

CGRect DescriptionNode::rect(std::string_view name) const {
  const CGRect* v = valueAs<CGRect>(*this, name);
  return v != nullptr ? *v : CGRectZero;
}

const DescriptionNode* DescriptionNode::slot(std::string_view name) const {
  auto it = slots.find(name);
  return it == slots.end() ? nullptr : it->second.get();
}

const DescriptionNode::Nodes& DescriptionNode::list(std::string_view name) const {
  static const Nodes none;
  auto it = lists.find(name);
  return it == lists.end() ? none : it->second;
}

bool DescriptionNode::isShown() const {
  for (const DescriptionNode* node = this; node != nullptr; node = node->parent)
    if (node->boolean("hidden")) return false;
  return true;
}

DescriptionTree DescriptionTree::ofKeyWindow(ObjectIds& ids) {
  DescriptionTree tree(ids);
  if (auto window = UIApplication::sharedApplication().keyWindow()) window->describe(tree);
  return tree;
}

const DescriptionNode* DescriptionTree::find(std::uint64_t id) const {
  const DescriptionNode* found = nullptr;
  if (id == 0) return nullptr;
  visit([&](const DescriptionNode& node) {
    if (found == nullptr && node.id == id) found = &node;
  });
  return found;
}

std::vector<const DescriptionNode*> DescriptionTree::all(std::string_view kind) const {
  std::vector<const DescriptionNode*> nodes;
  visit([&](const DescriptionNode& node) {
    if (node.kind == kind) nodes.push_back(&node);
  });
  return nodes;
}

const DescriptionNode* DescriptionTree::first(std::string_view kind) const {
  auto nodes = all(kind);
  return nodes.empty() ? nullptr : nodes.front();
}

std::vector<std::uint64_t> DescriptionTree::ids() const {
  std::vector<std::uint64_t> ids;
  visit([&](const DescriptionNode& node) {
    if (node.id != 0) ids.push_back(node.id);
  });
  return ids;
}

void DescriptionTree::open(std::unique_ptr<DescriptionNode> node, std::string_view slot) {
  DescriptionNode* raw = node.get();
  if (_open.empty()) {
    if (_root) throw std::logic_error("a description has one root");
    _root = std::move(node);
  } else {
    Open& top = _open.back();
    raw->parent = top.node;
    if (top.list != nullptr)
      top.list->push_back(std::move(node));
    else if (!slot.empty())
      top.node->slots[std::string(slot)] = std::move(node);
    else
      top.node->children.push_back(std::move(node));
  }
  _open.push_back({raw, nullptr});
}

void DescriptionTree::close() {
  if (_open.empty()) throw std::logic_error("nothing is open in the description");
  _open.pop_back();
}

void DescriptionTree::beginNode(std::string_view kind, const ObjectRef& object,
                                std::string_view slot) {
  auto node = std::make_unique<DescriptionNode>();
  node->kind = std::string(kind);
  node->object = object;
  node->id = _ids->idFor(object);
  open(std::move(node), slot);
}

void DescriptionTree::endNode() {
  close();
}

void DescriptionTree::beginRecord(std::string_view name) {
  open(std::make_unique<DescriptionNode>(), name);
}

void DescriptionTree::endRecord() {
  close();
}

void DescriptionTree::beginList(std::string_view name) {
  if (_open.empty()) throw std::logic_error("a list belongs to a node");
  DescriptionNode* node = _open.back().node;
  auto& list = node->lists[std::string(name)];
  _open.push_back({node, &list});
}

void DescriptionTree::endList() {
  close();
}

void DescriptionTree::set(std::string_view name, DescriptionNode::Value value) {
  if (_open.empty() || _open.back().list != nullptr)
    throw std::logic_error("a property belongs to an open node");
  _open.back().node->properties.emplace_back(std::string(name), std::move(value));
}

void DescriptionTree::boolean(std::string_view name, bool value) {
  set(name, value);
}

void DescriptionTree::number(std::string_view name, double value) {
  set(name, value);
}

void DescriptionTree::string(std::string_view name, std::string_view value) {
  set(name, std::string(value));
}

void DescriptionTree::null(std::string_view name) {
  set(name, nullptr);
}

void DescriptionTree::strings(std::string_view name, const std::vector<std::string>& values) {
  set(name, values);
}

void DescriptionTree::rect(std::string_view name, const CGRect& rect) {
  set(name, rect);
}

void DescriptionTree::color(std::string_view name, const UIColor& color) {
  set(name, color);
}

void DescriptionTree::coordinate(std::string_view name, const CLLocationCoordinate2D& c) {
  set(name, c);
}

void DescriptionTree::coordinates(std::string_view name,
                                  const std::vector<CLLocationCoordinate2D>& points) {
  set(name, points);
}

void DescriptionTree::reference(std::string_view name, const ObjectRef& object) {
  std::uint64_t id = _ids->idFor(object);
  if (id == 0)
    set(name, nullptr);
  else
    set(name, static_cast<double>(id));
}

}  // namespace tessaly::platform
