#include "web/WebInput.h"

#include <cmath>
#include <map>
#include <set>

#include <nlohmann/json.hpp>

namespace tessaly::web {
namespace {

using nlohmann::json;

constexpr double kMaxPointOffset = 100000;  // points; no screen is larger
constexpr std::size_t kMaxText = 1000;
constexpr std::size_t kMaxMessage = 500;
constexpr std::size_t kMaxUrl = 2048;
constexpr std::int64_t kMaxId = std::int64_t{1} << 53;  // what a page's number holds exactly
constexpr std::int64_t kMaxIndex = 100000;              // segments, sections
constexpr std::int64_t kMaxRow = 10000000;              // rows of one section
constexpr std::int64_t kMaxButton = 63;

const std::map<std::string, WebInput::Kind>& kinds() {
  using K = WebInput::Kind;
  static const std::map<std::string, WebInput::Kind> table = {
      {"tap", K::Tap},
      {"toggle", K::Toggle},
      {"selectSegment", K::SelectSegment},
      {"selectRow", K::SelectRow},
      {"setEditing", K::SetEditing},
      {"deleteRow", K::DeleteRow},
      {"typeText", K::TypeText},
      {"submit", K::Submit},
      {"cancel", K::Cancel},
      {"tapLink", K::TapLink},
      {"goBack", K::GoBack},
      {"pressAlertButton", K::PressAlertButton},
      {"pressSheetButton", K::PressSheetButton},
      {"selectAnnotation", K::SelectAnnotation},
      {"deselectAnnotation", K::DeselectAnnotation},
      {"tapCalloutAccessory", K::TapCalloutAccessory},
      {"longPress", K::LongPress},
      {"viewportChanged", K::ViewportChanged},
      {"regionChanged", K::RegionChanged},
      {"locationUpdate", K::LocationUpdate},
      {"locationFailed", K::LocationFailed},
      {"banner", K::Banner},
      {"recorder", K::Recorder},
  };
  return table;
}

const char* const kOrientations[] = {"portrait", "portraitUpsideDown", "landscapeLeft",
                                     "landscapeRight"};

// Reads the fields of one input object; every read records the field as known, so that a
// field the input does not have can be refused afterwards.
class Fields {
 public:
  Fields(const json& object, std::string& error) : _object(object), _error(error) {}

  bool failed() const { return !_error.empty(); }

  const json* get(const std::string& key, bool required) {
    _known.insert(key);
    auto it = _object.find(key);
    if (it == _object.end() || (!required && it->is_null())) {
      if (required) fail("missing field '" + key + "'");
      return nullptr;
    }
    return &*it;
  }

  std::optional<double> number(const std::string& key, double min, double max,
                               bool required = true) {
    const json* v = get(key, required);
    if (!v) return std::nullopt;
    if (!v->is_number()) return fail("field '" + key + "' must be a number"), std::nullopt;
    double d = v->get<double>();
    if (!std::isfinite(d) || d < min || d > max)
      return fail("field '" + key + "' is out of range [" + show(min) + ", " + show(max) + "]"),
             std::nullopt;
    return d;
  }

  std::optional<std::int64_t> integer(const std::string& key, std::int64_t min, std::int64_t max,
                                      bool required = true) {
    const json* v = get(key, required);
    if (!v) return std::nullopt;
    if (!v->is_number_integer() && !(v->is_number_float() && isWhole(v->get<double>())))
      return fail("field '" + key + "' must be an integer"), std::nullopt;
    double d = v->get<double>();
    if (d < static_cast<double>(min) || d > static_cast<double>(max))
      return fail("field '" + key + "' is out of range [" + std::to_string(min) + ", " +
                  std::to_string(max) + "]"),
             std::nullopt;
    return v->is_number_integer() ? v->get<std::int64_t>() : static_cast<std::int64_t>(d);
  }

  std::optional<std::string> string(const std::string& key, std::size_t maxBytes,
                                    bool required = true) {
    const json* v = get(key, required);
    if (!v) return std::nullopt;
    if (!v->is_string()) return fail("field '" + key + "' must be a string"), std::nullopt;
    const auto& s = v->get_ref<const std::string&>();
    if (s.size() > maxBytes)
      return fail("field '" + key + "' is longer than " + std::to_string(maxBytes) + " bytes"),
             std::nullopt;
    return s;
  }

  std::optional<bool> boolean(const std::string& key) {
    const json* v = get(key, true);
    if (!v) return std::nullopt;
    if (!v->is_boolean()) return fail("field '" + key + "' must be true or false"), std::nullopt;
    return v->get<bool>();
  }

  std::optional<std::string> oneOf(const std::string& key, std::initializer_list<const char*> names,
                                   bool required = true) {
    auto s = string(key, 64, required);
    if (!s) return std::nullopt;
    for (const char* n : names)
      if (*s == n) return s;
    std::string list;
    for (const char* n : names) list += (list.empty() ? "" : ", ") + std::string(n);
    return fail("field '" + key + "' must be one of " + list), std::nullopt;
  }

  // A nested object, read with its own Fields.
  const json* object(const std::string& key, bool required = true) {
    const json* v = get(key, required);
    if (!v) return nullptr;
    if (!v->is_object()) return fail("field '" + key + "' must be an object"), nullptr;
    return v;
  }

  // Refuses fields that were never asked for: a misspelt field is a mistake worth hearing of.
  void rejectUnknown() {
    if (failed()) return;
    for (auto it = _object.begin(); it != _object.end(); ++it)
      if (!_known.count(it.key())) {
        fail("unknown field '" + it.key() + "'");
        return;
      }
  }

  void fail(const std::string& message) {
    if (_error.empty()) _error = message;
  }

 private:
  static bool isWhole(double d) { return std::isfinite(d) && d == std::floor(d); }
  static std::string show(double d) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", d);
    return buffer;
  }

  const json& _object;
  std::string& _error;
  std::set<std::string> _known;
};

bool readCoordinate(Fields& outer, const std::string& key, platform::CLLocationCoordinate2D& out,
                    bool required = true) {
  const json* v = outer.object(key, required);
  if (!v) return false;
  std::string inner;
  Fields f(*v, inner);
  auto lat = f.number("latitude", -90, 90);
  auto lon = f.number("longitude", -180, 180);
  f.rejectUnknown();
  if (!inner.empty()) {
    outer.fail(key + ": " + inner);
    return false;
  }
  out = {*lat, *lon};
  return true;
}

}  // namespace

const char* orientationName(int orientation) {
  return orientation >= 1 && orientation <= 4 ? kOrientations[orientation - 1] : "portrait";
}

platform::Result<WebInput> parseInput(const json& value) {
  if (!value.is_object()) return platform::Refusal{"an input must be a JSON object"};
  std::string error;
  Fields f(value, error);
  auto type = f.string("type", 64);
  if (!type) return platform::Refusal{error};
  auto kind = kinds().find(*type);
  if (kind == kinds().end()) return platform::Refusal{"unknown input type '" + *type + "'"};
  WebInput in;
  in.kind = kind->second;
  in.type = *type;
  using K = WebInput::Kind;
  auto readId = [&](bool required) {
    if (auto id = f.integer("id", 1, kMaxId, required)) in.id = static_cast<std::uint64_t>(*id);
  };
  auto readInt = [&](const char* key, std::int64_t max, int& into) {
    if (auto v = f.integer(key, 0, max)) into = static_cast<int>(*v);
  };
  switch (in.kind) {
    case K::Tap:
    case K::Submit:
    case K::Cancel:
    case K::SelectAnnotation:
    case K::DeselectAnnotation:
    case K::TapCalloutAccessory:
      readId(true);
      break;
    case K::GoBack:
      readId(false);
      break;
    case K::Toggle:
      readId(true);
      if (auto on = f.boolean("on")) in.on = *on;
      break;
    case K::SelectSegment:
      readId(true);
      readInt("index", kMaxIndex, in.index);
      break;
    case K::SelectRow:
    case K::DeleteRow:
      readId(true);
      readInt("section", kMaxIndex, in.section);
      readInt("row", kMaxRow, in.row);
      break;
    case K::SetEditing:
      readId(true);
      if (auto editing = f.boolean("editing")) in.editing = *editing;
      break;
    case K::TypeText:
      readId(true);
      in.text = f.string("text", kMaxText);
      break;
    case K::TapLink:
      readId(true);
      if (auto url = f.string("url", kMaxUrl)) {
        bool plain = !url->empty();
        for (unsigned char c : *url) plain = plain && c > 0x20 && c != 0x7f;
        if (!plain) f.fail("field 'url' must be an address without spaces or control characters");
        in.url = *url;
      }
      break;
    case K::LongPress: {
      readId(false);
      const json* p = f.object("point");
      if (p) {
        std::string inner;
        Fields pf(*p, inner);
        auto x = pf.number("x", -kMaxPointOffset, kMaxPointOffset);
        auto y = pf.number("y", -kMaxPointOffset, kMaxPointOffset);
        pf.rejectUnknown();
        if (!inner.empty())
          f.fail("point: " + inner);
        else
          in.point = {static_cast<platform::CGFloat>(*x), static_cast<platform::CGFloat>(*y)};
      }
      in.hasCoordinate = readCoordinate(f, "coordinate", in.coordinate, false);
      break;
    }
    case K::PressAlertButton:
    case K::PressSheetButton:
      readId(true);
      readInt("index", kMaxButton, in.index);
      if (in.kind == K::PressAlertButton) in.text = f.string("text", kMaxText, false);
      break;
    case K::ViewportChanged: {
      auto w = f.integer("width", 1, 10000);
      auto h = f.integer("height", 1, 10000);
      if (w && h)
        in.size = {static_cast<platform::CGFloat>(*w), static_cast<platform::CGFloat>(*h)};
      if (auto o = f.oneOf("orientation", {kOrientations[0], kOrientations[1], kOrientations[2],
                                           kOrientations[3]}))
        for (int i = 0; i < 4; ++i)
          if (*o == kOrientations[i]) in.orientation = i + 1;
      if (auto locale = f.string("locale", 35, false)) {
        for (char c : *locale)
          if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_')
            f.fail("field 'locale' must be a language tag such as en-US");
        in.locale = *locale;
      }
      // A mouse ("fine") or a finger ("coarse"): what the browser is pointed with.
      if (auto pointer = f.oneOf("pointer", {"fine", "coarse"}, false))
        in.finePointer = *pointer == "fine";
      break;
    }
    case K::RegionChanged: {
      in.hasCoordinate = readCoordinate(f, "center", in.coordinate);
      const json* span = f.object("span");
      if (span) {
        std::string inner;
        Fields sf(*span, inner);
        auto lat = sf.number("latitudeDelta", 0, 180);
        auto lon = sf.number("longitudeDelta", 0, 360);
        sf.rejectUnknown();
        if (!inner.empty()) {
          f.fail("span: " + inner);
        } else if (*lat <= 0 || *lon <= 0) {
          f.fail("span: the deltas must be greater than 0");
        } else {
          in.latitudeDelta = *lat;
          in.longitudeDelta = *lon;
        }
      }
      break;
    }
    case K::LocationUpdate:
      in.hasCoordinate = readCoordinate(f, "coordinate", in.coordinate);
      if (auto a = f.number("accuracy", 0, 1e7, false)) in.accuracy = *a;
      break;
    case K::LocationFailed:
      if (auto m = f.string("message", kMaxMessage, false)) in.message = *m;
      break;
    case K::Banner:
      if (auto e = f.oneOf("event", {"loaded", "failed", "tapped", "finished"})) in.name = *e;
      break;
    case K::Recorder:
      if (auto a = f.oneOf("action", {"start", "stop"})) in.name = *a;
      break;
  }
  f.rejectUnknown();
  if (!error.empty()) return platform::Refusal{error};
  return in;
}

platform::Result<std::vector<WebInput>> parseInputs(const std::string& body) {
  using Refusal = platform::Refusal;
  // The reader takes a NUL for the end of its input: text after one would go unread.
  if (body.find('\0') != std::string::npos)
    return Refusal{"the body must be exactly one JSON value (it holds a NUL byte)"};
  json value = json::parse(body, nullptr, false);
  if (value.is_discarded()) return Refusal{"the body is not valid JSON"};
  std::vector<WebInput> inputs;
  if (!value.is_array()) {
    auto input = parseInput(value);
    if (!input) return Refusal{input.reason()};
    inputs.push_back(std::move(input).value());
    return inputs;
  }
  if (value.empty()) return Refusal{"an empty batch has nothing to apply"};
  if (value.size() > kMaxBatchInputs)
    return Refusal{"a batch holds at most " + std::to_string(kMaxBatchInputs) + " inputs"};
  inputs.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    auto input = parseInput(value[i]);
    if (!input) return Refusal{"input " + std::to_string(i) + ": " + input.reason()};
    inputs.push_back(std::move(input).value());
  }
  return inputs;
}

}  // namespace tessaly::web
