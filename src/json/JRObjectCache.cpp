// The object cache: 1024 buckets, four probes per value, 8-bit ages and a shift register that
// picks buckets to age, so values seen often stay and idle ones become replaceable.
#include <cstdlib>
#include <cstring>

#include "json/JRParseState.h"

namespace tessaly {

namespace {

inline void halve(JRCacheByte& age) {
  age = JRCacheByte(static_cast<uint8_t>(age) >> 1);
}

}  // namespace

void JRParser::cacheAge(JRTokenCache* cache) {
  uint32_t lfsr = cache->prng_lfsr;
  cache->prng_lfsr = (lfsr >> 1) ^ ((0u - (lfsr & 1u)) & 0x80200003u);
  halve(cache->age[cache->prng_lfsr & (kJRCacheBuckets - 1)]);
}

void JRParser::settleCache(JRTokenCache* cache) {
  for (uint32_t i = 0; i < cache->unheldCount; ++i) {
    const uint16_t k = cache->unheldBuckets[i];
    cache->items->entry[k].object->retain();
    cache->unheld[k / 64] = 0;
  }
  cache->unheldCount = 0;
}

void JRParser::forgetUnheld(JRTokenCache* cache) {
  JRTokenCacheBuckets& b = *cache->items;
  for (uint32_t i = 0; i < cache->unheldCount; ++i) {
    const uint16_t k = cache->unheldBuckets[i];
    b.entry[k] = {};
    b.hash[k] = 0;
    b.type[k] = JRCacheByte{0};
    cache->age[k] = JRCacheByte{0};
    cache->unheld[k / 64] = 0;
  }
  cache->unheldCount = 0;
}

void JRParser::releasePending(JRTokenCache* cache) {
  for (JRObject*& o : cache->pending) {
    if (o) o->release();
    o = nullptr;
  }
  cache->pendingNext = 0;
}

void JRParser::clearCache(JRTokenCache* cache) {
  releasePending(cache);
  if (!cache->items) return;
  settleCache(cache);
  JRTokenCacheBuckets& b = *cache->items;
  for (uint32_t i = 0; i < cache->count; ++i)
    if (JRObject* o = b.entry[i].object) o->release();
  std::memset(&b, 0, sizeof b);
  std::memset(cache->age, 0, sizeof cache->age);
}

namespace {

// Out of line: made inline, the dispatch on the kind costs the documents of mixed strings and
// numbers more than the call.
__attribute__((noinline)) JRObject* makeObject(const JRTokenValue& v) {
  switch (v.type) {
    case JRValueTypeString:
      return JRValueFactory::newString(reinterpret_cast<const char*>(v.ptr), v.length, v.hash);
    case JRValueTypeLongLong:
      return JRValueFactory::newSignedInteger(v.number.longLongValue);
    case JRValueTypeUnsignedLongLong:
      return JRValueFactory::newUnsignedInteger(v.number.unsignedLongLongValue);
    case JRValueTypeDouble:
      return JRValueFactory::newDouble(v.number.doubleValue);
    default:
      return nullptr;
  }
}

// Short values dominate; comparing them inline beats a call to memcmp. Overlapping words cover
// the tail, so no byte loop is needed and nothing outside the n bytes is read.
inline uint64_t load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}
inline uint32_t load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline bool sameBytes(const uint8_t* a, const uint8_t* b, size_t n) {
  if (n >= 8) {
    for (size_t i = 0; i + 8 < n; i += 8)
      if (load64(a + i) != load64(b + i)) return false;
    return load64(a + n - 8) == load64(b + n - 8);
  }
  if (n >= 4) return load32(a) == load32(b) && load32(a + n - 4) == load32(b + n - 4);
  return n == 0 || (a[0] == b[0] && a[n / 2] == b[n / 2] && a[n - 1] == b[n - 1]);
}

// A number of the decoder's from its token value, inline: no dispatch on the kind beyond the
// three number kinds. Values of the unsigned kind that fit the signed range are signed numbers,
// as the platform makes them (the same as newUnsignedInteger).
inline JRObject* makeNumber(const JRTokenValue& v) {
  const uint64_t bytes = v.number.unsignedLongLongValue;
  // The kinds in the order of the value kinds, without a branch: 7, 11 and 13 shifted right by
  // two are 1, 2 and 3, and an unsigned value in the signed range comes down one to signed.
  static_assert(JRValueTypeLongLong >> 2 == static_cast<int>(JRKind::SignedInteger) &&
                JRValueTypeUnsignedLongLong >> 2 == static_cast<int>(JRKind::UnsignedInteger) &&
                JRValueTypeDouble >> 2 == static_cast<int>(JRKind::Double));
  const unsigned kind = (static_cast<unsigned>(v.type) >> 2) -
                        (v.type == JRValueTypeUnsignedLongLong && bytes <= uint64_t{INT64_MAX});
  return JRValueFactory::newNumber(static_cast<JRKind>(kind), bytes);
}

// Decided by the bucket's kind rather than the object's, so that the object's own line is only
// read when the hashes already agree.
const uint8_t* valueBytesOf(const JRObject* object, uint8_t type) {
  if (type == JRValueTypeString)
    return reinterpret_cast<const uint8_t*>(static_cast<const JRString*>(object)->data());
  return static_cast<const uint8_t*>(static_cast<const JRNumber*>(object)->bytes());
}

}  // namespace

// Inlined into every loop that reads values (about 4 KiB more code): the call and the reloads of
// the parse state after it cost canada.json 6% and citm_catalog.json 2-3%.
template <JRParser::Lookup Kind>
__attribute__((always_inline)) inline JRObject* JRParser::cachedObject(JRParseState* s,
                                                                       JRTokenValue& v) {
  constexpr bool NumbersOnly = Kind == Lookup::Number;
  constexpr bool StringsOnly = Kind == Lookup::String;
  if constexpr (StringsOnly) {
    if (v.length == 0) return kJREmptyString();
  } else if constexpr (!NumbersOnly) {
    // Each test is one branch that is nearly always false: strings and numbers come mixed, and
    // a branch on the kind itself would be mispredicted again and again.
    if (v.length == 0 && v.type == JRValueTypeString) return kJREmptyString();
    constexpr uint32_t kKnownTypes = 1u << JRValueTypeString | 1u << JRValueTypeLongLong |
                                     1u << JRValueTypeUnsignedLongLong | 1u << JRValueTypeDouble;
    if (v.type >= 32 || !((kKnownTypes >> v.type) & 1)) {
      error(s, "Internal error: Unknown token value type. %s line #%ld", jrSourceFileName(__FILE__),
            static_cast<long>(__LINE__));
      return nullptr;
    }
  }
  JRTokenCache& cache = s->cache;
  JRTokenCacheBuckets& b = *cache.items;
  const uint32_t stride = static_cast<uint32_t>(v.length) + v.type + 3;
  uint32_t chosen = kJRCacheBuckets;  // none
  for (uint32_t k = 0; k < 4; ++k) {
    const uint32_t index = (v.hash + k * stride) & (kJRCacheBuckets - 1);
    const uint8_t type = static_cast<uint8_t>(b.type[index]);
    if (type == 0) {
      chosen = index;
      break;
    }
    // A number's kind fixes its size; its 8 bytes are compared as one word.
    if (b.hash[index] == v.hash && type == v.type &&
        (NumbersOnly
             ? static_cast<const JRNumber*>(b.entry[index].object)->bits() ==
                   v.number.unsignedLongLongValue
             : b.entry[index].size == v.length &&
                   sameBytes(StringsOnly
                                 ? reinterpret_cast<const uint8_t*>(
                                       static_cast<const JRString*>(b.entry[index].object)->data())
                                 : valueBytesOf(b.entry[index].object, type),
                             v.ptr, v.length))) {
      cache.age[index] = JRCacheByte(static_cast<uint8_t>(cache.age[index]) * 2 + 1);
      if constexpr (!NumbersOnly) v.cacheEntry = &b.entry[index].cfHash;
      JRObject* object = b.entry[index].object;
      object->retainCounted();
      return object;
    }
    if (chosen == kJRCacheBuckets) {
      if (cache.age[index] == JRCacheByte{0}) {
        chosen = index;
      } else {
        halve(cache.age[index]);
        cacheAge(&cache);
        cacheAge(&cache);
      }
    }
  }

  JRObject* object = NumbersOnly   ? makeNumber(v)
                     : StringsOnly ? JRValueFactory::newString(reinterpret_cast<const char*>(v.ptr),
                                                               v.length, v.hash)
                                   : makeObject(v);
  if (!object) return nullptr;
  if (chosen != kJRCacheBuckets) {
    JRTokenCacheEntry& e = b.entry[chosen];
    uint64_t& unheld = cache.unheld[chosen / 64];
    const uint64_t bit = uint64_t{1} << (chosen % 64);
    if (!(unheld & bit)) {
      // A bucket filled before this run holds its object's reference.
      if (JRObject* old = e.object) {
        __builtin_prefetch(old, 1);
        JRObject*& slot = cache.pending[cache.pendingNext];
        if (slot) slot->release();
        slot = old;
        cache.pendingNext = (cache.pendingNext + 1) % JRTokenCache::kPendingReleases;
      }
      unheld |= bit;
      cache.unheldBuckets[cache.unheldCount++] = static_cast<uint16_t>(chosen);
    }
    e.object = object;
    e.size = static_cast<uint32_t>(v.length);
    e.cfHash = 0;
    b.hash[chosen] = v.hash;
    b.type[chosen] = JRCacheByte{v.type};
    cache.age[chosen] = JRCacheByte{0};
    if constexpr (!NumbersOnly) v.cacheEntry = &e.cfHash;
  }
  return object;
}

}  // namespace tessaly
