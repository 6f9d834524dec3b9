#include "platform/foundation/PropertyList.h"

#include <plist/plist.h>

#include <cstdlib>
#include <memory>
#include <string_view>

namespace tessaly::platform {
namespace {

struct PlistDeleter {
  void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

plist_t toNode(const PlistValue& value) {
  if (value.isBoolean()) return plist_new_bool(value.boolean() ? 1 : 0);
  // Negative integers round-trip through the unsigned setter.
  if (value.isInteger()) return plist_new_uint(static_cast<std::uint64_t>(value.integer()));
  if (value.isReal()) return plist_new_real(value.real());
  if (value.isString()) return plist_new_string(value.string().c_str());
  if (value.isArray()) {
    plist_t array = plist_new_array();
    for (const auto& item : value.array()) plist_array_append_item(array, toNode(item));
    return array;
  }
  if (value.isDictionary()) {
    plist_t dict = plist_new_dict();
    for (const auto& [key, item] : value.dictionary())
      plist_dict_set_item(dict, key.c_str(), toNode(item));
    return dict;
  }
  return plist_new_string("");
}

std::string takeString(char* text) {
  std::string result = text != nullptr ? text : "";
  std::free(text);
  return result;
}

PlistValue fromNode(plist_t node, int depth) {
  if (node == nullptr || depth > 64) return PlistValue();
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      uint8_t b = 0;
      plist_get_bool_val(node, &b);
      return PlistValue(b != 0);
    }
    case PLIST_UINT: {
      uint64_t v = 0;
      plist_get_uint_val(node, &v);
      return PlistValue(static_cast<std::int64_t>(v));
    }
    case PLIST_REAL: {
      double d = 0;
      plist_get_real_val(node, &d);
      return PlistValue(d);
    }
    case PLIST_STRING: {
      char* s = nullptr;
      plist_get_string_val(node, &s);
      return PlistValue(takeString(s));
    }
    case PLIST_ARRAY: {
      PlistValue::Array array;
      uint32_t n = plist_array_get_size(node);
      for (uint32_t i = 0; i < n; ++i)
        array.push_back(fromNode(plist_array_get_item(node, i), depth + 1));
      return PlistValue(std::move(array));
    }
    case PLIST_DICT: {
      PlistValue::Dictionary dict;
      plist_dict_iter it = nullptr;
      plist_dict_new_iter(node, &it);
      for (;;) {
        char* key = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(node, it, &key, &item);
        if (item == nullptr) {
          std::free(key);
          break;
        }
        dict.emplace_back(takeString(key), fromNode(item, depth + 1));
      }
      std::free(it);
      return PlistValue(std::move(dict));
    }
    default:
      return PlistValue();
  }
}

}  // namespace

const PlistValue* PlistValue::find(const std::string& key) const {
  if (!isDictionary()) return nullptr;
  for (const auto& [k, v] : dictionary())
    if (k == key) return &v;
  return nullptr;
}

std::string PlistValue::toXML() const {
  PlistPtr root(toNode(*this));
  char* xml = nullptr;
  uint32_t length = 0;
  plist_to_xml(root.get(), &xml, &length);
  std::string result(xml != nullptr ? xml : "", xml != nullptr ? length : 0);
  if (xml != nullptr) plist_to_xml_free(xml);
  return result;
}

int PlistValue::xmlNestingDepth(const std::string& text, int limit) {
  int depth = 0;
  int deepest = 0;
  std::size_t i = 0;
  const std::size_t n = text.size();
  auto skipPast = [&](std::string_view end) {
    std::size_t at = text.find(end, i);
    i = at == std::string::npos ? n : at + end.size();
  };
  while ((i = text.find('<', i)) != std::string::npos) {
    std::string_view rest(text.data() + i, n - i);
    if (rest.starts_with("<!--")) {
      skipPast("-->");
    } else if (rest.starts_with("<![CDATA[")) {
      skipPast("]]>");
    } else if (rest.starts_with("<?")) {
      skipPast("?>");
    } else if (rest.starts_with("<!")) {
      skipPast(">");
    } else if (rest.starts_with("</")) {
      if (depth > 0) --depth;
      skipPast(">");
    } else {
      // A start tag; '>' inside a quoted attribute value does not end it.
      char quote = 0;
      std::size_t j = i + 1;
      for (; j < n; ++j) {
        char c = text[j];
        if (quote != 0) {
          if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
          quote = c;
        } else if (c == '>') {
          break;
        }
      }
      bool empty = j < n && text[j - 1] == '/';
      if (!empty && ++depth > deepest) {
        deepest = depth;
        if (deepest > limit) return deepest;
      }
      i = j < n ? j + 1 : n;
    }
  }
  return deepest;
}

std::optional<std::string> PlistValue::xmlLimitRefusal(const std::string& text) {
  if (text.size() > kMaxXMLBytes) return "larger than " + std::to_string(kMaxXMLBytes) + " bytes";
  if (xmlNestingDepth(text, kMaxXMLDepth) > kMaxXMLDepth)
    return "nested deeper than " + std::to_string(kMaxXMLDepth) + " levels";
  return std::nullopt;
}

std::optional<PlistValue> PlistValue::fromXML(const std::string& text) {
  if (text.empty() || xmlLimitRefusal(text)) return std::nullopt;
  plist_t node = nullptr;
  plist_from_xml(text.data(), static_cast<uint32_t>(text.size()), &node);
  if (node == nullptr) return std::nullopt;
  PlistPtr root(node);
  return fromNode(root.get(), 0);
}

}  // namespace tessaly::platform
