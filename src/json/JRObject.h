// Values of the JSON reader: strings, numbers, booleans, null and the collections, all behind one
// intrusively reference-counted header so that a value costs exactly one allocation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "json/JRAllocator.h"

namespace tessaly {

// The seven value kinds plus the two collection families.
enum class JRKind : uint8_t {
  String,
  SignedInteger,
  UnsignedInteger,
  Double,
  True,
  False,
  Null,
  Array,
  Dictionary,
};

class JRArray;
class JRDictionary;

// A misuse of the reader (a programming error, never malformed input). name() is the exception
// family ("NSInvalidArgumentException", "NSRangeException", ...), what() the message text.
class JRException : public std::exception {
 public:
  JRException(std::string name, std::string reason)
      : name_(std::move(name)), reason_(std::move(reason)) {}
  const std::string& name() const { return name_; }
  const std::string& reason() const { return reason_; }
  const char* what() const noexcept override { return reason_.c_str(); }

 private:
  std::string name_;
  std::string reason_;
};

[[noreturn]] void jrRaise(const char* name, std::string reason);
// A broken internal invariant, raised the way an assertion handler would.
#define JR_ASSERT(cond)                                                              \
  do {                                                                               \
    if (!(cond))                                                                     \
      ::tessaly::jrRaise("NSInternalInconsistencyException",                         \
                         std::string("Invalid parameter not satisfying: ") + #cond); \
  } while (0)

// The error of a failed decode: domain "JRErrorDomain", code -1, the message as the localized
// description and, for parse errors, the byte offset ("JRAtIndexKey") and line ("JRLineNumberKey").
struct JRError {
  std::string domain;
  long code = 0;
  std::string localizedDescription;
  std::optional<unsigned long long> atIndex;
  std::optional<unsigned long long> lineNumber;
};

inline constexpr const char* kJRErrorDomain = "JRErrorDomain";
inline constexpr const char* kJRAtIndexKey = "JRAtIndexKey";
inline constexpr const char* kJRLineNumberKey = "JRLineNumberKey";

// The value hash of a byte string: h = h * 33 + b from 1402737925. It is also the string's
// dictionary hash, so equal strings hash equal whichever way they were escaped.
inline constexpr uint32_t kJRHashSeed = 1402737925u;
uint32_t jrHashBytes(const void* bytes, size_t length, uint32_t h = kJRHashSeed);

// Common header of every value. Reference counts are plain integers: a decoder, its cache and
// what it returns belong to one thread at a time (immutable results may be read concurrently,
// but retained and released by one thread only). The shared constants are never counted.
class JRObject {
 public:
  JRObject(const JRObject&) = delete;
  JRObject& operator=(const JRObject&) = delete;

  JRKind kind() const { return kind_; }
  bool isString() const { return kind_ == JRKind::String; }
  bool isNumber() const {
    return kind_ == JRKind::SignedInteger || kind_ == JRKind::UnsignedInteger ||
           kind_ == JRKind::Double;
  }
  bool isBoolean() const { return kind_ == JRKind::True || kind_ == JRKind::False; }
  bool isNull() const { return kind_ == JRKind::Null; }
  bool isArray() const { return kind_ == JRKind::Array; }
  bool isDictionary() const { return kind_ == JRKind::Dictionary; }
  bool isMutable() const { return hasFlag(kMutable); }

  void retain() const {
    if (!hasFlag(kImmortal)) ++refs_;
  }
  void release() const {
    if (!hasFlag(kImmortal) && --refs_ == 0) destroy(const_cast<JRObject*>(this));
  }
  uint32_t retainCount() const { return refs_; }

  // Typed views; they return empty/zero/nullptr when the kind does not match.
  std::string_view stringValue() const;
  long long longLongValue() const;
  unsigned long long unsignedLongLongValue() const;
  double doubleValue() const;
  bool boolValue() const { return kind_ == JRKind::True; }
  const JRArray* asArray() const;
  const JRDictionary* asDictionary() const;
  JRArray* asArray();
  JRDictionary* asDictionary();

  // The platform's hash and equality: equal values hash equal.
  uint32_t hash() const;
  bool isEqual(const JRObject* other) const;
  // Class name as used in exception texts ("JRArray", "JRMutableDictionary", ...).
  const char* className() const;
  // A readable rendering, used in messages.
  std::string description() const;

 protected:
  static constexpr uint8_t kMutable = 1;
  static constexpr uint8_t kImmortal = 2;
  JRObject(JRKind kind, uint8_t flags) : kind_(kind), flags_(Flags{flags}) {}
  ~JRObject() = default;

 private:
  static void destroy(JRObject* object);
  // A collection letting go of an element: numbers and nested collections are freed in place
  // rather than through destroy(), inside the tree walk already under way.
  void releaseElement() const;
  // Lets go of one reference of a counted object; true when it was the last, whose count is
  // then left as it was.
  bool lastReference() const {
    if (refs_ == 1) return true;
    --refs_;
    return false;
  }
  // One more reference to an object known to be counted (what the cache holds: strings and
  // numbers it made, never the immortal constants), without testing the flag.
  void retainCounted() const { ++refs_; }

  mutable uint32_t refs_ = 1;
  JRKind kind_;
  // Not a character type: a plain byte written may alias anything, and the decoder, which makes
  // an object for nearly every value it reads, would then read its own state again after each.
  enum class Flags : uint8_t {};
  bool hasFlag(uint8_t flag) const { return (static_cast<uint8_t>(flags_) & flag) != 0; }
  Flags flags_;
  friend class JRValueFactory;
  friend class JRArray;
  friend class JRDictionary;
  friend class JRParser;
};

// An immutable UTF-8 string, stored inline after its header.
class JRString final : public JRObject {
 public:
  std::string_view view() const { return {bytes_, length_}; }
  uint32_t length() const { return length_; }
  uint32_t stringHash() const { return hash_; }
  const char* data() const { return bytes_; }

 private:
  JRString(uint32_t length, uint32_t hash)
      : JRObject(JRKind::String, 0), length_(length), hash_(hash) {}
  uint32_t length_;
  uint32_t hash_;
  char bytes_[1];  // length_ + 1 bytes, NUL-terminated
  friend class JRValueFactory;
  friend class JRObject;
};

// An immutable number: a signed or unsigned 64-bit integer, or a double.
class JRNumber final : public JRObject {
 public:
  const void* bytes() const { return &value_; }
  uint64_t bits() const { return value_.u; }

 private:
  explicit JRNumber(JRKind kind) : JRObject(kind, 0) {}
  union {
    long long s;
    unsigned long long u;
    double d;
  } value_{};
  friend class JRValueFactory;
  friend class JRObject;
};

// An owning reference.
template <class T>
class Ref {
 public:
  Ref() = default;
  Ref(std::nullptr_t) {}
  Ref(T* object) : object_(object) {  // retains
    if (object_) object_->retain();
  }
  Ref(const Ref& other) : Ref(other.object_) {}
  Ref(Ref&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  template <class U>
  Ref(Ref<U>&& other) noexcept : object_(other.leak()) {}
  ~Ref() {
    if (object_) object_->release();
  }
  Ref& operator=(Ref other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  static Ref adopt(T* object) {  // takes over a reference the caller already owns
    Ref r;
    r.object_ = object;
    return r;
  }
  T* leak() { return std::exchange(object_, nullptr); }
  T* get() const { return object_; }
  T* operator->() const { return object_; }
  T& operator*() const { return *object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  T* object_ = nullptr;
};

// Makers of the leaf values and the shared constants. Strings and numbers are normally made by
// the decoder; code that wants a key for a lookup or a value to store makes them here.
class JRValueFactory {
 public:
  // Returns an object with one reference for the caller, or nullptr when memory ran out.
  static JRString* newString(const char* bytes, size_t length, uint32_t hash);
  static JRString* newString(std::string_view text) {
    return newString(text.data(), text.size(), jrHashBytes(text.data(), text.size()));
  }
  static JRNumber* newSignedInteger(long long value);
  static JRNumber* newUnsignedInteger(unsigned long long value);
  static JRNumber* newDouble(double value);
  // A number of the given kind from its 8 bytes (the decoder's, which has chosen the kind).
  static JRNumber* newNumber(JRKind kind, uint64_t bytes);

 private:
  static JRString* newImmortalEmptyString();
  friend JRObject* kJREmptyString();
};

// Numbers are made once for nearly every number a document holds: inline, so that making one is
// a bump of the allocator and two stores.
inline JRNumber* JRValueFactory::newSignedInteger(long long value) {
  void* memory = jralloc::allocate(sizeof(JRNumber));
  if (!memory) return nullptr;
  auto* n = new (memory) JRNumber(JRKind::SignedInteger);
  n->value_.s = value;
  return n;
}

inline JRNumber* JRValueFactory::newUnsignedInteger(unsigned long long value) {
  // Values that fit the signed range are signed numbers, as the platform makes them.
  if (value <= static_cast<unsigned long long>(INT64_MAX))
    return newSignedInteger(static_cast<long long>(value));
  void* memory = jralloc::allocate(sizeof(JRNumber));
  if (!memory) return nullptr;
  auto* n = new (memory) JRNumber(JRKind::UnsignedInteger);
  n->value_.u = value;
  return n;
}

inline JRNumber* JRValueFactory::newDouble(double value) {
  void* memory = jralloc::allocate(sizeof(JRNumber));
  if (!memory) return nullptr;
  auto* n = new (memory) JRNumber(JRKind::Double);
  n->value_.d = value;
  return n;
}

inline JRNumber* JRValueFactory::newNumber(JRKind kind, uint64_t bytes) {
  void* memory = jralloc::allocate(sizeof(JRNumber));
  if (!memory) return nullptr;
  auto* n = new (memory) JRNumber(kind);
  n->value_.u = bytes;
  return n;
}

// Convenience makers for keys and values built in code (nullptr only when memory ran out).
Ref<JRObject> jrString(std::string_view text);
Ref<JRObject> jrNumber(long long value);
Ref<JRObject> jrUnsignedNumber(unsigned long long value);
Ref<JRObject> jrDouble(double value);

// The shared constants: true, false, null and the empty string.
JRObject* kJRBooleanTrue();
JRObject* kJRBooleanFalse();
JRObject* kJRNull();
JRObject* kJREmptyString();

}  // namespace tessaly
