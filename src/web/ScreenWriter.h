#pragma once
// Writes what the objects on screen describe as the JSON of the `screen` field: one node object
// per described node, its properties first, its children in "children". The text is written as
// it comes (a long path line makes megabytes; no document tree is built first). Ids come from
// the registry the inputs are resolved with, so an id in the text is the id an input names.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "json/JsonText.h"
#include "platform/foundation/ObjectIds.h"
#include "platform/ui/DescriptionSink.h"

namespace tessaly::web {

class ScreenWriter : public platform::DescriptionSink {
 public:
  explicit ScreenWriter(platform::ObjectIds& ids);
  // Writes after the text already in before (its capacity kept).
  ScreenWriter(platform::ObjectIds& ids, std::string before);

  void beginNode(std::string_view kind, const platform::ObjectRef& object,
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
  void rect(std::string_view name, const platform::CGRect& rect) override;
  void color(std::string_view name, const platform::UIColor& color) override;
  void coordinate(std::string_view name, const platform::CLLocationCoordinate2D& c) override;
  void coordinates(std::string_view name,
                   const std::vector<platform::CLLocationCoordinate2D>& points) override;
  void reference(std::string_view name, const platform::ObjectRef& object) override;

  // True once the one root node is closed: the text is then one whole JSON object.
  bool complete() const { return _rootWritten && _open.empty(); }
  // The text, whole only when complete().
  const std::string& text() { return _out.text(); }
  std::string take() { return std::move(_out.text()); }

  // "#rrggbb" for an opaque colour, "#rrggbbaa" otherwise.
  static std::string cssColor(const platform::UIColor& color);

 private:
  enum class Open { Node, Record, List };
  struct Level {
    Open what;
    bool first = true;        // nothing written inside yet
    bool inChildren = false;  // a node's "children" array is open
  };

  // Opens a value in the open container: its name (for a property or slot) or its place in a
  // list. A describing object that breaks the order (a property after a child, a nameless value
  // outside a list) is a fault of that object's describe(): std::logic_error names it.
  void place(std::string_view name, const char* what);
  void close(Open what, const char* call);
  void writeCoordinate(const platform::CLLocationCoordinate2D& c);
  void writeNumber(double v);

  platform::ObjectIds& _ids;
  JsonText _out;
  std::vector<Level> _open;
  bool _rootWritten = false;
};

}  // namespace tessaly::web
