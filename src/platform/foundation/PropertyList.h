#pragma once
// Property lists (XML format) through libplist: a value tree of booleans, integers, reals,
// strings, arrays and dictionaries. Dictionaries keep their keys in insertion order.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace tessaly::platform {

class PlistValue {
 public:
  using Array = std::vector<PlistValue>;
  using Dictionary = std::vector<std::pair<std::string, PlistValue>>;
  // Kinds libplist knows that the application never writes (dates, data) read as Other.
  struct Other {
    friend bool operator==(const Other&, const Other&) = default;
  };

  PlistValue() : _value(Other{}) {}
  PlistValue(bool value) : _value(value) {}
  PlistValue(std::int64_t value) : _value(value) {}
  PlistValue(int value) : _value(static_cast<std::int64_t>(value)) {}
  PlistValue(double value) : _value(value) {}
  PlistValue(std::string value) : _value(std::move(value)) {}
  PlistValue(const char* value) : _value(std::string(value)) {}
  PlistValue(Array value) : _value(std::move(value)) {}
  PlistValue(Dictionary value) : _value(std::move(value)) {}

  bool isBoolean() const { return std::holds_alternative<bool>(_value); }
  bool isInteger() const { return std::holds_alternative<std::int64_t>(_value); }
  bool isReal() const { return std::holds_alternative<double>(_value); }
  bool isString() const { return std::holds_alternative<std::string>(_value); }
  bool isArray() const { return std::holds_alternative<Array>(_value); }
  bool isDictionary() const { return std::holds_alternative<Dictionary>(_value); }

  bool boolean() const { return std::get<bool>(_value); }
  std::int64_t integer() const { return std::get<std::int64_t>(_value); }
  double real() const { return std::get<double>(_value); }
  const std::string& string() const { return std::get<std::string>(_value); }
  const Array& array() const { return std::get<Array>(_value); }
  const Dictionary& dictionary() const { return std::get<Dictionary>(_value); }

  // The entry for key in a dictionary; null for a missing key or a value that is no dictionary.
  const PlistValue* find(const std::string& key) const;

  // The XML text: declaration, DOCTYPE, <plist version="1.0">, tab indentation.
  std::string toXML() const;
  // The library parses and frees recursively, one call per nesting level, so a deep enough text
  // would exhaust the stack: texts beyond these limits are refused before the library sees them.
  static constexpr std::size_t kMaxXMLBytes = 1 << 20;
  static constexpr int kMaxXMLDepth = 256;
  // The deepest element nesting in an XML text (comments, CDATA, declarations and processing
  // instructions do not count), stopping early once it passes limit.
  static int xmlNestingDepth(const std::string& text, int limit);
  // Why the text is beyond the limits ("nested deeper than 256 levels"), nullopt when it is not.
  static std::optional<std::string> xmlLimitRefusal(const std::string& text);
  // Parses an XML property list; nullopt if the text is not one or is beyond the limits.
  static std::optional<PlistValue> fromXML(const std::string& text);

  friend bool operator==(const PlistValue&, const PlistValue&) = default;

 private:
  std::variant<Other, bool, std::int64_t, double, std::string, Array, Dictionary> _value;
};

}  // namespace tessaly::platform
