// The record the decoder, the string scanner and the object cache share during a run.
// Internal to src/json.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "json/JRCollections.h"
#include "json/JRObject.h"
#include "json/JSONDecoder.h"

namespace tessaly {

enum JRTokenType : uint8_t {
  JRTokenTypeInvalid = 0,
  JRTokenTypeNumber = 1,
  JRTokenTypeString = 2,
  JRTokenTypeObjectBegin = 3,
  JRTokenTypeObjectEnd = 4,
  JRTokenTypeArrayBegin = 5,
  JRTokenTypeArrayEnd = 6,
  JRTokenTypeSeparator = 7,
  JRTokenTypeComma = 8,
  JRTokenTypeTrue = 9,
  JRTokenTypeFalse = 10,
  JRTokenTypeNull = 11,
};

enum JRValueType : uint8_t {
  JRValueTypeString = 5,
  JRValueTypeLongLong = 7,
  JRValueTypeUnsignedLongLong = 11,
  JRValueTypeDouble = 13,
};

// Accept states of a collection under construction.
enum : uint8_t {
  JRParseAcceptValue = 1,
  JRParseAcceptComma = 2,
  JRParseAcceptEnd = 4,
  JRParseAcceptValueOrEnd = 5,
  JRParseAcceptCommaOrEnd = 6,
};

enum : uint32_t {
  JRManagedBufferOnStack = 1,
  JRManagedBufferOnHeap = 2,
  JRManagedBufferLocationMask = 3,
  JRManagedBufferMustFree = 4,
};

struct JRManagedBuffer {
  uint8_t* bytes = nullptr;
  size_t length = 0;
  uint32_t flags = 0;
  uint32_t sizeMultiple = 4096;
};

enum : uint32_t {
  JRObjectStackOnStack = 1,
  JRObjectStackOnHeap = 2,
  JRObjectStackLocationMask = 3,
  JRObjectStackMustFree = 4,
};

struct JRObjectStack {
  JRObject** objects = nullptr;
  JRObject** keys = nullptr;
  uint32_t* cfHashes = nullptr;
  size_t count = 0;
  size_t index = 0;
  uint32_t sizeMultiple = 2048;
  uint32_t flags = 0;
  // The bytes of each heap array, for growing and freeing it: after a failed growth they may
  // differ, each array being as large as it grew.
  size_t heapBytes[3] = {};
};

// The size the object stack grows to when it needs room for requested entries: at least twice
// its present count, so that reading a flat array of n values moves O(n) entries in all rather
// than O(n²), rounded up to the stack's multiple. From the first 1024 entries on the stack that
// is 2048, then 4096, 8192 and so on.
inline size_t jrObjectStackGrowth(size_t count, size_t requested, size_t multiple) {
  size_t wanted = requested > count * 2 ? requested : count * 2;
  return (wanted + multiple - 1) / multiple * multiple;
}

inline constexpr uint32_t kJRCacheBuckets = 1024;

// The buckets: the small arrays a probe reads (kinds and hashes, 5 KiB) apart from the entries a
// hit or a replacement touches, each of those one 16-byte record so that it costs one cache line
// rather than one per field. The whole stays well inside the first-level cache, next to the
// document streaming through it.
struct JRTokenCacheEntry {
  JRObject* object;  // holds the value's bytes too: a string's text, or a number's 8 bytes
  uint32_t size;     // the value's byte count
  uint32_t cfHash;   // the key hash, 0 until first needed
};

// A byte of the cache's own (a bucket's kind, its age). Not a character type: a write of a plain
// byte may alias anything, and would make the compiler read the parse state's pointers again
// after every lookup that fills or ages a bucket.
enum class JRCacheByte : uint8_t {};

struct JRTokenCacheBuckets {
  uint32_t hash[kJRCacheBuckets];     // the value hash of the cached value
  JRCacheByte type[kJRCacheBuckets];  // its value kind; 0 in an empty bucket
  JRTokenCacheEntry entry[kJRCacheBuckets];
};

struct JRTokenCache {
  JRTokenCacheBuckets* items = nullptr;
  uint32_t count = kJRCacheBuckets;
  uint32_t prng_lfsr = 1;
  JRCacheByte age[kJRCacheBuckets] = {};
  // Objects put out of their bucket wait here a few replacements before they are released, so
  // that the memory they live in can be fetched meanwhile. Emptied at the end of every run.
  static constexpr unsigned kPendingReleases = 16;
  JRObject* pending[kPendingReleases] = {};
  unsigned pendingNext = 0;
  // Objects made during a run enter their bucket without the bucket's reference; they take it
  // when the run ends (settleCache). A value put out of its bucket again within the same run, as
  // nearly every number of a long coordinate list is, is then not written to a second time.
  // Whatever releases objects during a run settles first, so that no bucket outlives its object.
  uint64_t unheld[kJRCacheBuckets / 64] = {};
  uint16_t unheldBuckets[kJRCacheBuckets];
  uint32_t unheldCount = 0;
};

struct JRTokenValue {
  const uint8_t* ptr = nullptr;
  size_t length = 0;
  JRValueType type = {};  // an enumeration, not a character type: see JRCacheByte
  uint32_t hash = 0;
  union {
    long long longLongValue;
    unsigned long long unsignedLongLongValue;
    double doubleValue;
    uint8_t bytes[8];
  } number{};
  // The key-hash slot of the bucket that supplied or took the value.
  uint32_t* cacheEntry = nullptr;
};

// A number as the short scanner reads it: what a lookup needs and no more, so that a run of
// numbers keeps two of them in registers rather than two whole token values on the stack.
struct JRScannedNumber {
  uint64_t bits = 0;
  uint32_t hash = 0;
  JRValueType type = {};

  // The token value the lookup takes (its bytes pointer is left to the caller that needs it).
  JRTokenValue value() const {
    JRTokenValue v;
    v.length = 8;
    v.type = type;
    v.hash = hash;
    v.number.unsignedLongLongValue = bits;
    return v;
  }
};

struct JRParseToken {
  const uint8_t* ptr = nullptr;
  size_t length = 0;
  JRTokenType tokenType = JRTokenTypeInvalid;
  JRTokenValue value;
  JRManagedBuffer tokenBuffer;
};

struct JRParseState {
  uint32_t parseOptions = 0;
  const uint8_t* bytes = nullptr;  // the input of the current run
  size_t length = 0;
  size_t atIndex = 0;
  size_t lineNumber = 0;
  JRParseToken token;
  JRObjectStack objectStack;
  JRTokenCache cache;
  std::optional<JRError> firstError;
  bool makeMutable = false;
  unsigned depth = 0;
};

// The decoder's steps; a class so that the collections can let it use their creation functions.
class JRParser {
 public:
  static JRObject* parse(JRParseState* s, const uint8_t* bytes, size_t length, bool makeMutable,
                         JRError* error);
  static bool parseString(JRParseState* s);
  static bool parseStringInline(JRParseState* s);
  // What the caller of a cache lookup knows of the value: nothing, that it is a number, or that
  // it is a string. The tests and the dispatch on the kind that the knowledge settles drop out.
  enum class Lookup : uint8_t { Any, Number, String };
  static JRObject* cachedObject(JRParseState* s) {
    return cachedObject<Lookup::Any>(s, s->token.value);
  }
  // The cached object for v, made and cached when missing.
  template <Lookup Kind>
  static JRObject* cachedObject(JRParseState* s, JRTokenValue& v);
  static void cacheAge(JRTokenCache* cache);
  static void clearCache(JRTokenCache* cache);
  static void releasePending(JRTokenCache* cache);
  // Gives the buckets filled during the run their references (see JRTokenCache::unheld).
  static void settleCache(JRTokenCache* cache);
  // Empties the buckets filled during a run that never ended (an exception left it), whose
  // objects may be gone.
  static void forgetUnheld(JRTokenCache* cache);
  static uint8_t* resizeManagedBuffer(JRManagedBuffer* buffer, size_t size);
  static void error(JRParseState* s, const char* format, ...) __attribute__((format(printf, 2, 3)));
  static void releaseObjectStack(JRObjectStack* stack);

 private:
  enum class Quick : uint8_t { Done, Failed, Slow };
  static Quick quickValue(JRParseState* s, uint8_t c, JRObject** out);
  static bool peekToken(JRParseState* s, uint8_t* c);
  static void takeToken(JRParseState* s, JRTokenType type, size_t length);
  static JRObject* nested(JRParseState* s, bool isArray);
  static uint32_t keyHash(JRParseState* s, JRObject* key);
  static bool separator(JRParseState* s);
  static void valueMissing(JRParseState* s, const char* internalText);
  static bool isValueToken(uint8_t type) {
    return type == JRTokenTypeNumber || type == JRTokenTypeString ||
           type == JRTokenTypeObjectBegin || type == JRTokenTypeArrayBegin ||
           type >= JRTokenTypeTrue;
  }
  static bool nextToken(JRParseState* s);
  static bool parseNumber(JRParseState* s);
  // after receives the byte that ends the number.
  static bool parseShortNumber(JRParseState* s, uint8_t* after);
  // The same number read into n alone, leaving the parse state as it is: the byte after the
  // number, or nullptr when the full scanner must take it.
  static const uint8_t* scanShortNumber(const uint8_t* first, const uint8_t* end,
                                        JRScannedNumber& n);
  static uint32_t numberHash(uint8_t type, uint64_t word);
  static void setNumberHash(JRParseState* s, uint64_t word);
  static void skipWhitespace(JRParseState* s);
  static size_t skipExtras(JRParseState* s, size_t i);
  static JRObject* valueFromToken(JRParseState* s);
  static JRObject* parseArray(JRParseState* s);
  // The elements of an array from start on the object stack, read on from the given state.
  static JRObject* parseElements(JRParseState* s, size_t start, uint8_t state);
  // How a run of numbers ended: nothing taken (the first needs the full scanner), right after a
  // number, at a number after a comma that needs the full scanner, or failed (error recorded).
  enum class Run : uint8_t { None, AfterNumber, BeforeNumber, Failed };
  static Run numberRun(JRParseState* s);
  static JRObject* parseDictionary(JRParseState* s);
  static bool resizeObjectStack(JRObjectStack* stack, size_t size);
  static bool roomForValues(JRObjectStack* stack);
  static void expected(JRParseState* s, uint8_t state, bool keyPosition, const char* endWording);
};

// The UTF-8 check: one sequence starting at p (whose first byte is 0x80 or above).
enum class JRUTF8Outcome : uint8_t { Valid, Truncated, Invalid };
struct JRUTF8Result {
  const uint8_t* next;
  uint32_t codePoint;
  JRUTF8Outcome outcome;
};
JRUTF8Result ConvertSingleCodePointInUTF8(const uint8_t* p, const uint8_t* end);

// A code point that may not appear in a string: U+0000, surrogates, U+FDD0..U+FDEF and every
// code point ending in FFFE or FFFF.
inline bool jrIsRejectedCodePoint(uint32_t c) {
  return c == 0 || (c >= 0xD800 && c <= 0xDFFF) || (c >= 0xFDD0 && c <= 0xFDEF) ||
         (c & 0xFFFE) == 0xFFFE;
}

// h folded with eight bytes at once, the same as eight steps of h = h * 33 + b taken in memory
// order (little-endian): h*33^8 + b0*33^7 + ... + b7 (mod 2^32). Neighbours combine in lanes
// that cannot overflow: pairs b0*33 + b1 (< 2^16), then quads p0*33^2 + p1 (< 2^32).
inline constexpr uint32_t jrPow33(int n) {
  return n == 0 ? 1u : 33u * jrPow33(n - 1);
}
__attribute__((always_inline)) inline uint32_t jrFold8(uint32_t h, uint64_t w) {
  const uint64_t pairs = (w & 0x00FF00FF00FF00FFull) * 33 + ((w >> 8) & 0x00FF00FF00FF00FFull);
  const uint64_t quads =
      (pairs & 0x0000FFFF0000FFFFull) * jrPow33(2) + ((pairs >> 16) & 0x0000FFFF0000FFFFull);
  return h * jrPow33(8) + static_cast<uint32_t>(quads) * jrPow33(4) +
         static_cast<uint32_t>(quads >> 32);
}

inline const char* jrSourceFileName(const char* path) {
  const char* name = path;
  for (const char* p = path; *p; ++p)
    if (*p == '/') name = p + 1;
  return name;
}

}  // namespace tessaly
