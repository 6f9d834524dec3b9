#pragma once
// What a person sees, written by the objects that own it: every visible object describes its
// own state through this one interface, beside the code that changes that state. The web host
// writes it as JSON, tests read it back as a tree, the screen renderer draws from it; none of
// them needs to know the kinds of object behind it.
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Geometry.h"
#include "platform/foundation/ObjectIds.h"
#include "platform/ui/UIColor.h"

namespace tessaly::platform {

class UIView;

class DescriptionSink {
 public:
  virtual ~DescriptionSink() = default;

  // A node of the tree: a kind ("button", "tableView", ...) and the object it stands for. With
  // an empty slot the node is the next child of the open node (or the next item of the open
  // list); with a slot it is the value of the open node's property of that name.
  virtual void beginNode(std::string_view kind, const ObjectRef& object,
                         std::string_view slot = {}) = 0;
  virtual void endNode() = 0;
  // A plain object without id or kind (a table section, a navigation stack entry); unnamed
  // inside a list.
  virtual void beginRecord(std::string_view name = {}) = 0;
  virtual void endRecord() = 0;
  // A named array of nodes or records.
  virtual void beginList(std::string_view name) = 0;
  virtual void endList() = 0;

  // Named properties of the open node or record; every property comes before its first child.
  virtual void boolean(std::string_view name, bool value) = 0;
  virtual void number(std::string_view name, double value) = 0;
  virtual void string(std::string_view name, std::string_view value) = 0;
  virtual void null(std::string_view name) = 0;
  virtual void strings(std::string_view name, const std::vector<std::string>& values) = 0;
  virtual void rect(std::string_view name, const CGRect& rect) = 0;
  virtual void color(std::string_view name, const UIColor& color) = 0;
  virtual void coordinate(std::string_view name, const CLLocationCoordinate2D& c) = 0;
  // A long list of coordinates (a path line), written as [latitude, longitude] pairs.
  virtual void coordinates(std::string_view name,
                           const std::vector<CLLocationCoordinate2D>& points) = 0;
  // The id of another object on screen (a stack entry's screen, the bar item a popover points
  // at), or null for an empty reference. Only a sink that names objects can write the id; the
  // others write null.
  virtual void reference(std::string_view name, const ObjectRef& object) {
    (void)object;
    null(name);
  }

  // Where frames are measured from: null for the window; a table cell while its own contents
  // are written. Set by the objects that change it, restored after.
  const UIView* frameSpace = nullptr;
};

}  // namespace tessaly::platform
