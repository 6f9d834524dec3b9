#pragma once
// A small JSON text writer for the large parts of the state (thousands of markers and line
// points), where building a document tree first would cost more than the text itself.
#include <string>
#include <string_view>

namespace tessaly {

class JsonText {
 public:
  std::string& text() { return _out; }

  void raw(std::string_view s) { _out.append(s); }
  // A JSON string; bytes that are not UTF-8 become U+FFFD.
  void string(std::string_view s);
  // The shortest text that reads back as v; null for what is not finite.
  void number(double v);
  void boolean(bool b) { _out.append(b ? "true" : "false"); }
  // "key": with the comma before it when needed.
  void key(std::string_view k, bool first = false) {
    if (!first) _out.push_back(',');
    string(k);
    _out.push_back(':');
  }

 private:
  std::string _out;
};

}  // namespace tessaly
