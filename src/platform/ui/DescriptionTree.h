#pragma once
// A description kept in memory as a tree, to be read back: by tests, by the touch router (which
// ids are on screen, of which kind) and by whatever draws a screen from it. Ids come from the
// registry the tree is given, so that they are the ids a screen writer using the same registry
// writes.
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/foundation/ObjectIds.h"
#include "platform/ui/DescriptionNode.h"
#include "platform/ui/DescriptionSink.h"

namespace tessaly::platform {

class DescriptionTree : public DescriptionSink {
 public:
  explicit DescriptionTree(ObjectIds& ids) : _ids(&ids) {}

  // The description of the key window (an empty tree when there is none).
  static DescriptionTree ofKeyWindow(ObjectIds& ids);

  // The first node written, or null before anything was.
  const DescriptionNode* root() const { return _root.get(); }
  // The node standing for the object with that id, or null. An object written twice (never on
  // one screen) is found where it was written first.
  const DescriptionNode* find(std::uint64_t id) const;
  // Every node of a kind, in the order written (depth first).
  std::vector<const DescriptionNode*> all(std::string_view kind) const;
  const DescriptionNode* first(std::string_view kind) const;
  // Every id in the tree, in the order written.
  std::vector<std::uint64_t> ids() const;

  void beginNode(std::string_view kind, const ObjectRef& object,
                 std::string_view slot = {}) override;
  void endNode() override;
  void beginRecord(std::string_view name = {}) override;
  void endRecord() override;
  void beginList(std::string_view name) override;
  void endList() override;
  void boolean(std::string_view name, bool value) override;
  void number(std::string_view name, double value) override;
  void string(std::string_view name, std::string_view value) override;
  void null(std::string_view name) override;
  void strings(std::string_view name, const std::vector<std::string>& values) override;
  void rect(std::string_view name, const CGRect& rect) override;
  void color(std::string_view name, const UIColor& color) override;
  void coordinate(std::string_view name, const CLLocationCoordinate2D& c) override;
  void coordinates(std::string_view name,
                   const std::vector<CLLocationCoordinate2D>& points) override;
  void reference(std::string_view name, const ObjectRef& object) override;

 private:
  // An open node, or an open list of the node below it.
  struct Open {
    DescriptionNode* node;
    DescriptionNode::Nodes* list;
  };
  void open(std::unique_ptr<DescriptionNode> node, std::string_view slot);
  void close();
  void set(std::string_view name, DescriptionNode::Value value);
  template <class Visit>
  void visit(Visit&& visit) const {
    if (_root) _root->forEach(visit);
  }

  ObjectIds* _ids;
  std::unique_ptr<DescriptionNode> _root;
  std::vector<Open> _open;
};

}  // namespace tessaly::platform
