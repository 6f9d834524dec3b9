// The canonical text of one decode, shared by the golden test and the program that wrote its data
// (tests/json/data/golden_generator.cpp), so both render a result the same way.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>

#include "json/JSONReader.h"

namespace tessaly::golden {

// Printable ASCII stays, everything else becomes \xHH, so that a rendering is one line without
// tabs and every byte of a string or message is visible.
inline void appendEscaped(std::string& out, std::string_view bytes) {
  static const char kHex[] = "0123456789abcdef";
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"') {
      out += static_cast<char>(c);
    } else if (c == '\\' || c == '"') {
      out += '\\';
      out += static_cast<char>(c);
    } else {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
}

inline std::string escaped(std::string_view bytes) {
  std::string out;
  appendEscaped(out, bytes);
  return out;
}

// The inverse of escaped(); false on a malformed escape.
inline bool unescape(std::string_view text, std::string* out) {
  out->clear();
  auto hexValue = [](char c) {
    return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      *out += text[i];
      continue;
    }
    if (i + 1 >= text.size()) return false;
    if (text[i + 1] != 'x') {
      *out += text[++i];
      continue;
    }
    if (i + 3 >= text.size()) return false;
    const int hi = hexValue(text[i + 2]), lo = hexValue(text[i + 3]);
    if (hi < 0 || lo < 0) return false;
    *out += static_cast<char>(hi * 16 + lo);
    i += 3;
  }
  return true;
}

class Renderer {
 public:
  // Kinds by letter: s string, i signed, u unsigned, d double (hex of its bits), T F N, [..],
  // {capacity|slot:keyHash key=value,..} in slot order. A string or number that is the very
  // object already met earlier in the result carries "=k", k counting such values in order.
  std::string render(const JRObject* o) {
    out_.clear();
    ids_.clear();
    next_ = 0;
    value(o);
    return out_;
  }

 private:
  void value(const JRObject* o) {
    if (!o) {
      out_ += "nil";
      return;
    }
    char buffer[64];
    switch (o->kind()) {
      case JRKind::String:
        out_ += "s\"";
        appendEscaped(out_, o->stringValue());
        out_ += '"';
        break;
      case JRKind::SignedInteger:
        std::snprintf(buffer, sizeof buffer, "i%lld", o->longLongValue());
        out_ += buffer;
        break;
      case JRKind::UnsignedInteger:
        std::snprintf(buffer, sizeof buffer, "u%llu", o->unsignedLongLongValue());
        out_ += buffer;
        break;
      case JRKind::Double: {
        const double d = o->doubleValue();
        uint64_t bits;
        std::memcpy(&bits, &d, 8);
        std::snprintf(buffer, sizeof buffer, "d%016llx", static_cast<unsigned long long>(bits));
        out_ += buffer;
        break;
      }
      case JRKind::True:
        out_ += 'T';
        return;
      case JRKind::False:
        out_ += 'F';
        return;
      case JRKind::Null:
        out_ += 'N';
        return;
      case JRKind::Array: {
        const JRArray* a = o->asArray();
        out_ += '[';
        for (uint32_t i = 0; i < a->count(); ++i) {
          if (i) out_ += ',';
          value(a->objectAtIndex(i));
        }
        out_ += ']';
        return;
      }
      case JRKind::Dictionary: {
        const JRDictionary* d = o->asDictionary();
        std::snprintf(buffer, sizeof buffer, "{%u|", d->capacity());
        out_ += buffer;
        bool first = true;
        for (uint32_t i = 0; i < d->capacity(); ++i) {
          const JRHashTableEntry& e = d->entries()[i];
          if (!e.key) continue;
          if (!first) out_ += ',';
          first = false;
          std::snprintf(buffer, sizeof buffer, "%u:%08x ", i, e.keyHash);
          out_ += buffer;
          value(e.key);
          out_ += '=';
          value(e.object);
        }
        out_ += '}';
        return;
      }
    }
    auto [it, fresh] = ids_.emplace(o, next_);
    if (fresh) {
      ++next_;
    } else {
      std::snprintf(buffer, sizeof buffer, "=%u", it->second);
      out_ += buffer;
    }
  }

  std::string out_;
  std::unordered_map<const JRObject*, unsigned> ids_;
  unsigned next_ = 0;
};

// What one fresh decoder with these options makes of the input: the rendering, or
// "E atIndex|lineNumber|description" ("-" for a missing position), or "X name|reason" when the
// call raised.
inline std::string outcome(std::string_view input, uint32_t options) {
  try {
    JSONDecoder decoder(options);
    JRError error;
    Ref<JRObject> result = decoder.objectWithData(input, &error);
    if (result) return Renderer().render(result.get());
    auto position = [](const std::optional<unsigned long long>& v) {
      return v ? std::to_string(*v) : std::string("-");
    };
    return "E " + position(error.atIndex) + "|" + position(error.lineNumber) + "|" +
           escaped(error.localizedDescription);
  } catch (const JRException& e) {
    return "X " + escaped(e.name()) + "|" + escaped(e.reason());
  }
}

// The two option sets every golden input is decoded under.
inline constexpr uint32_t kGoldenOptions[2] = {JRReadStrict, JRReadLenientUnicode | JRReadComments};

}  // namespace tessaly::golden
