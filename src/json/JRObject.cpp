#include "json/JRObject.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "json/JRAllocator.h"
#include "json/JRCollections.h"

namespace tessaly {

void jrRaise(const char* name, std::string reason) {
  throw JRException(name, std::move(reason));
}

uint32_t jrHashBytes(const void* bytes, size_t length, uint32_t h) {
  auto* p = static_cast<const unsigned char*>(bytes);
  for (size_t i = 0; i < length; ++i) h = h * 33 + p[i];
  return h;
}

namespace {

// Immortal constants: never counted, never freed.
class JRConstant final : public JRObject {
 public:
  JRConstant(JRKind kind) : JRObject(kind, 2) {}
};

JRConstant gTrue(JRKind::True);
JRConstant gFalse(JRKind::False);
JRConstant gNull(JRKind::Null);

}  // namespace

JRObject* kJRBooleanTrue() {
  return &gTrue;
}
JRObject* kJRBooleanFalse() {
  return &gFalse;
}
JRObject* kJRNull() {
  return &gNull;
}

JRObject* kJREmptyString() {
  // Made once and held for the program's life; immortal, so it is never counted.
  static JRString* empty = JRValueFactory::newImmortalEmptyString();
  return empty;
}

JRString* JRValueFactory::newImmortalEmptyString() {
  JRString* s = newString("", 0, kJRHashSeed);
  if (!s) std::abort();
  s->flags_ =
      JRObject::Flags{static_cast<uint8_t>(static_cast<uint8_t>(s->flags_) | JRObject::kImmortal)};
  return s;
}

JRString* JRValueFactory::newString(const char* bytes, size_t length, uint32_t hash) {
  if (length > UINT32_MAX - 64) return nullptr;
  void* memory = jralloc::allocate(sizeof(JRString) + length);
  if (!memory) return nullptr;
  auto* s = new (memory) JRString(static_cast<uint32_t>(length), hash);
  char* to = s->bytes_;
  // Most values are short: two overlapping words copy them without a call to memcpy.
  if (length > 16) {
    std::memcpy(to, bytes, length);
  } else if (length >= 8) {
    uint64_t head, tail;
    std::memcpy(&head, bytes, 8);
    std::memcpy(&tail, bytes + length - 8, 8);
    std::memcpy(to, &head, 8);
    std::memcpy(to + length - 8, &tail, 8);
  } else if (length >= 4) {
    uint32_t head, tail;
    std::memcpy(&head, bytes, 4);
    std::memcpy(&tail, bytes + length - 4, 4);
    std::memcpy(to, &head, 4);
    std::memcpy(to + length - 4, &tail, 4);
  } else if (length) {
    to[0] = bytes[0];
    to[length / 2] = bytes[length / 2];
    to[length - 1] = bytes[length - 1];
  }
  to[length] = '\0';
  return s;
}

Ref<JRObject> jrString(std::string_view text) {
  if (text.empty()) return Ref<JRObject>(kJREmptyString());
  return Ref<JRObject>::adopt(JRValueFactory::newString(text));
}
Ref<JRObject> jrNumber(long long value) {
  return Ref<JRObject>::adopt(JRValueFactory::newSignedInteger(value));
}
Ref<JRObject> jrUnsignedNumber(unsigned long long value) {
  return Ref<JRObject>::adopt(JRValueFactory::newUnsignedInteger(value));
}
Ref<JRObject> jrDouble(double value) {
  return Ref<JRObject>::adopt(JRValueFactory::newDouble(value));
}

void JRObject::destroy(JRObject* object) {
  switch (object->kind_) {
    case JRKind::Array: {
      jralloc::TreeWalk walk;
      JRArray::destroy(static_cast<JRArray*>(object));
      return;
    }
    case JRKind::Dictionary: {
      jralloc::TreeWalk walk;
      JRDictionary::destroy(static_cast<JRDictionary*>(object));
      return;
    }
    case JRKind::String:
      jralloc::deallocate(object, sizeof(JRString) + static_cast<JRString*>(object)->length());
      return;
    default:
      // Numbers are trivially destructible and live in one block.
      jralloc::deallocate(object, sizeof(JRNumber));
      return;
  }
}

std::string_view JRObject::stringValue() const {
  if (kind_ != JRKind::String) return {};
  return static_cast<const JRString*>(this)->view();
}

long long JRObject::longLongValue() const {
  auto* n = static_cast<const JRNumber*>(this);
  switch (kind_) {
    case JRKind::SignedInteger:
      return n->value_.s;
    case JRKind::UnsignedInteger:
      return static_cast<long long>(n->value_.u);
    case JRKind::Double:
      return static_cast<long long>(n->value_.d);
    case JRKind::True:
      return 1;
    default:
      return 0;
  }
}

unsigned long long JRObject::unsignedLongLongValue() const {
  auto* n = static_cast<const JRNumber*>(this);
  switch (kind_) {
    case JRKind::SignedInteger:
      return static_cast<unsigned long long>(n->value_.s);
    case JRKind::UnsignedInteger:
      return n->value_.u;
    case JRKind::Double:
      return static_cast<unsigned long long>(n->value_.d);
    case JRKind::True:
      return 1;
    default:
      return 0;
  }
}

double JRObject::doubleValue() const {
  auto* n = static_cast<const JRNumber*>(this);
  switch (kind_) {
    case JRKind::SignedInteger:
      return static_cast<double>(n->value_.s);
    case JRKind::UnsignedInteger:
      return static_cast<double>(n->value_.u);
    case JRKind::Double:
      return n->value_.d;
    case JRKind::True:
      return 1;
    default:
      return 0;
  }
}

const JRArray* JRObject::asArray() const {
  return kind_ == JRKind::Array ? static_cast<const JRArray*>(this) : nullptr;
}
const JRDictionary* JRObject::asDictionary() const {
  return kind_ == JRKind::Dictionary ? static_cast<const JRDictionary*>(this) : nullptr;
}
JRArray* JRObject::asArray() {
  return kind_ == JRKind::Array ? static_cast<JRArray*>(this) : nullptr;
}
JRDictionary* JRObject::asDictionary() {
  return kind_ == JRKind::Dictionary ? static_cast<JRDictionary*>(this) : nullptr;
}

namespace {

// Numbers compare by value across their kinds; an integral double hashes like the integer.
bool integralValue(const JRObject* n, bool* negative, unsigned long long* magnitude) {
  switch (n->kind()) {
    case JRKind::SignedInteger: {
      long long v = n->longLongValue();
      *negative = v < 0;
      *magnitude =
          v < 0 ? 0ull - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
      return true;
    }
    case JRKind::UnsignedInteger:
      *negative = false;
      *magnitude = n->unsignedLongLongValue();
      return true;
    default: {
      double d = n->doubleValue();
      if (!std::isfinite(d) || d != std::trunc(d) || std::fabs(d) >= 18446744073709551616.0)
        return false;
      *negative = d < 0;
      *magnitude = static_cast<unsigned long long>(std::fabs(d));
      return true;
    }
  }
}

}  // namespace

uint32_t JRObject::hash() const {
  switch (kind_) {
    case JRKind::String:
      return static_cast<const JRString*>(this)->stringHash();
    case JRKind::SignedInteger:
    case JRKind::UnsignedInteger:
    case JRKind::Double: {
      bool negative;
      unsigned long long magnitude;
      if (integralValue(this, &negative, &magnitude)) {
        if (magnitude == 0) negative = false;  // -0.0 equals 0
        return jrHashBytes(&magnitude, 8, kJRHashSeed + (negative ? 1 : 0));
      }
      double d = doubleValue();
      return jrHashBytes(&d, 8, kJRHashSeed + 2);
    }
    case JRKind::True:
      return 1;
    case JRKind::False:
      return 2;
    case JRKind::Null:
      return 3;
    case JRKind::Array:
      return static_cast<const JRArray*>(this)->count();
    case JRKind::Dictionary:
      return static_cast<const JRDictionary*>(this)->count();
  }
  return 0;
}

bool JRObject::isEqual(const JRObject* other) const {
  if (other == this) return true;
  if (!other) return false;
  if (isNumber() && other->isNumber()) {
    bool na, nb;
    unsigned long long ma, mb;
    bool ia = integralValue(this, &na, &ma), ib = integralValue(other, &nb, &mb);
    if (ia && ib) return ma == mb && (na == nb || ma == 0);
    if (ia != ib) return false;
    return doubleValue() == other->doubleValue();
  }
  if (kind_ != other->kind_) return false;
  switch (kind_) {
    case JRKind::String: {
      auto* a = static_cast<const JRString*>(this);
      auto* b = static_cast<const JRString*>(other);
      return a->stringHash() == b->stringHash() && a->view() == b->view();
    }
    case JRKind::Array: {
      auto* a = static_cast<const JRArray*>(this);
      auto* b = static_cast<const JRArray*>(other);
      if (a->count() != b->count()) return false;
      for (uint32_t i = 0; i < a->count(); ++i)
        if (!a->objectAtIndex(i)->isEqual(b->objectAtIndex(i))) return false;
      return true;
    }
    case JRKind::Dictionary: {
      auto* a = static_cast<const JRDictionary*>(this);
      auto* b = static_cast<const JRDictionary*>(other);
      if (a->count() != b->count()) return false;
      for (uint32_t i = 0; i < a->capacity(); ++i) {
        const JRHashTableEntry& e = a->entries()[i];
        if (!e.key) continue;
        JRObject* theirs = b->objectForKey(e.key);
        if (!theirs || !e.object->isEqual(theirs)) return false;
      }
      return true;
    }
    default:
      return true;  // true, false and null are single objects of their kind
  }
}

const char* JRObject::className() const {
  switch (kind_) {
    case JRKind::String:
      return "JRString";
    case JRKind::SignedInteger:
    case JRKind::UnsignedInteger:
    case JRKind::Double:
      return "JRNumber";
    case JRKind::True:
    case JRKind::False:
      return "JRBoolean";
    case JRKind::Null:
      return "JRNull";
    case JRKind::Array:
      return isMutable() ? "JRMutableArray" : "JRArray";
    case JRKind::Dictionary:
      return isMutable() ? "JRMutableDictionary" : "JRDictionary";
  }
  return "JRObject";
}

std::string JRObject::description() const {
  char buffer[64];
  switch (kind_) {
    case JRKind::String:
      return std::string(stringValue());
    case JRKind::SignedInteger:
      std::snprintf(buffer, sizeof buffer, "%lld", longLongValue());
      return buffer;
    case JRKind::UnsignedInteger:
      std::snprintf(buffer, sizeof buffer, "%llu", unsignedLongLongValue());
      return buffer;
    case JRKind::Double:
      std::snprintf(buffer, sizeof buffer, "%.17g", doubleValue());
      return buffer;
    case JRKind::True:
      return "1";
    case JRKind::False:
      return "0";
    case JRKind::Null:
      return "<null>";
    case JRKind::Array: {
      std::string out = "(";
      auto* a = static_cast<const JRArray*>(this);
      for (uint32_t i = 0; i < a->count(); ++i) {
        out += i ? ", " : "";
        out += a->objectAtIndex(i)->description();
      }
      return out + ")";
    }
    case JRKind::Dictionary: {
      std::string out = "{";
      auto* d = static_cast<const JRDictionary*>(this);
      bool first = true;
      for (uint32_t i = 0; i < d->capacity(); ++i) {
        const JRHashTableEntry& e = d->entries()[i];
        if (!e.key) continue;
        out += first ? "" : "; ";
        first = false;
        out += e.key->description() + " = " + e.object->description();
      }
      return out + "}";
    }
  }
  return {};
}

}  // namespace tessaly
