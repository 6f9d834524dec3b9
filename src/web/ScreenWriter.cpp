#include "web/ScreenWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace tessaly::web {
namespace {

// Coordinates to about a centimetre: enough for any screen, and a shorter text.
double round7(double v) {
  return std::round(v * 1e7) / 1e7;
}

}  // namespace

// Sizes, positions and alphas are single precision: written as such, 0.6 stays "0.6" rather than
// the double nearest to the float nearest to 0.6.
void ScreenWriter::writeNumber(double v) {
  auto f = static_cast<float>(v);
  if (!std::isfinite(v) || static_cast<double>(f) != v || v == std::floor(v)) {
    _out.number(v);
    return;
  }
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, f);
  _out.raw(std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
}

ScreenWriter::ScreenWriter(platform::ObjectIds& ids) : _ids(ids) {
  _out.text().reserve(4096);
}

ScreenWriter::ScreenWriter(platform::ObjectIds& ids, std::string before) : _ids(ids) {
  _out.text() = std::move(before);
}

std::string ScreenWriter::cssColor(const platform::UIColor& c) {
  auto channel = [](platform::CGFloat v) {
    return static_cast<int>(
        std::lround(std::clamp(v, platform::CGFloat(0), platform::CGFloat(1)) * 255));
  };
  char text[10];
  if (channel(c.alpha) == 255)
    std::snprintf(text, sizeof text, "#%02x%02x%02x", channel(c.red), channel(c.green),
                  channel(c.blue));
  else
    std::snprintf(text, sizeof text, "#%02x%02x%02x%02x", channel(c.red), channel(c.green),
                  channel(c.blue), channel(c.alpha));
  return text;
}

void ScreenWriter::place(std::string_view name, const char* what) {
  if (_open.empty()) throw std::logic_error(std::string(what) + " outside any node");
  Level& top = _open.back();
  if (top.what == Open::List) {
    if (!name.empty())
      throw std::logic_error(std::string(what) + " '" + std::string(name) + "' inside a list");
    if (!top.first) _out.raw(",");
    top.first = false;
    return;
  }
  if (name.empty()) throw std::logic_error(std::string(what) + " without a name outside a list");
  if (top.inChildren)
    throw std::logic_error(std::string(what) + " '" + std::string(name) +
                           "' after the first child");
  _out.key(name, top.first);
  top.first = false;
}

void ScreenWriter::close(Open what, const char* call) {
  if (_open.empty() || _open.back().what != what)
    throw std::logic_error(std::string(call) + " does not match the open node, record or list");
  Level top = _open.back();
  _open.pop_back();
  if (top.inChildren) _out.raw("]");
  _out.raw(what == Open::List ? "]" : "}");
}

void ScreenWriter::beginNode(std::string_view kind, const platform::ObjectRef& object,
                             std::string_view slot) {
  if (_open.empty()) {
    if (_rootWritten) throw std::logic_error("a second root node");
    _rootWritten = true;
  } else if (slot.empty() && _open.back().what != Open::List) {
    // The next child of the open node (or record).
    Level& top = _open.back();
    if (!top.inChildren) {
      _out.key("children", top.first);
      _out.raw("[");
      top.first = false;
      top.inChildren = true;
    } else {
      _out.raw(",");
    }
  } else {
    place(slot, "node");
  }
  _out.raw("{\"id\":");
  if (std::uint64_t id = _ids.idFor(object))
    _out.number(static_cast<double>(id));
  else
    _out.raw("null");
  _out.key("kind");
  _out.string(kind);
  _open.push_back({Open::Node, false, false});
}

void ScreenWriter::endNode() {
  close(Open::Node, "endNode");
}

void ScreenWriter::beginRecord(std::string_view name) {
  place(name, "record");
  _out.raw("{");
  _open.push_back({Open::Record});
}

void ScreenWriter::endRecord() {
  close(Open::Record, "endRecord");
}

void ScreenWriter::beginList(std::string_view name) {
  place(name, "list");
  _out.raw("[");
  _open.push_back({Open::List});
}

void ScreenWriter::endList() {
  close(Open::List, "endList");
}

void ScreenWriter::boolean(std::string_view name, bool value) {
  place(name, "property");
  _out.boolean(value);
}

void ScreenWriter::number(std::string_view name, double value) {
  place(name, "property");
  writeNumber(value);
}

void ScreenWriter::string(std::string_view name, std::string_view value) {
  place(name, "property");
  _out.string(value);
}

void ScreenWriter::null(std::string_view name) {
  place(name, "property");
  _out.raw("null");
}

void ScreenWriter::strings(std::string_view name, const std::vector<std::string>& values) {
  place(name, "property");
  _out.raw("[");
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) _out.raw(",");
    _out.string(values[i]);
  }
  _out.raw("]");
}

void ScreenWriter::rect(std::string_view name, const platform::CGRect& r) {
  place(name, "property");
  _out.raw("{\"x\":");
  writeNumber(r.origin.x);
  _out.raw(",\"y\":");
  writeNumber(r.origin.y);
  _out.raw(",\"width\":");
  writeNumber(r.size.width);
  _out.raw(",\"height\":");
  writeNumber(r.size.height);
  _out.raw("}");
}

void ScreenWriter::color(std::string_view name, const platform::UIColor& color) {
  place(name, "property");
  _out.string(cssColor(color));
}

void ScreenWriter::writeCoordinate(const platform::CLLocationCoordinate2D& c) {
  _out.raw("{\"latitude\":");
  _out.number(round7(c.latitude));
  _out.raw(",\"longitude\":");
  _out.number(round7(c.longitude));
  _out.raw("}");
}

void ScreenWriter::coordinate(std::string_view name, const platform::CLLocationCoordinate2D& c) {
  place(name, "property");
  writeCoordinate(c);
}

void ScreenWriter::coordinates(std::string_view name,
                               const std::vector<platform::CLLocationCoordinate2D>& points) {
  place(name, "property");
  _out.text().reserve(_out.text().size() + points.size() * 24);
  _out.raw("[");
  for (std::size_t i = 0; i < points.size(); ++i) {
    _out.raw(i == 0 ? "[" : ",[");
    _out.number(round7(points[i].latitude));
    _out.raw(",");
    _out.number(round7(points[i].longitude));
    _out.raw("]");
  }
  _out.raw("]");
}

void ScreenWriter::reference(std::string_view name, const platform::ObjectRef& object) {
  place(name, "property");
  if (std::uint64_t id = _ids.idFor(object))
    _out.number(static_cast<double>(id));
  else
    _out.raw("null");
}

}  // namespace tessaly::web
