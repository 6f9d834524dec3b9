// Object cache: identity of repeated values, kinds, aging and the shift register.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "JsonTestSupport.h"

namespace tessaly {
namespace {

JRObject* element(const Ref<JRObject>& array, uint32_t i) {
  return array->asArray()->objectAtIndex(i);
}

TEST(ObjectCache, RepeatedValuesAreTheSameObject) {
  JSONDecoder decoder;
  Ref<JRObject> first = decoder.objectWithData("[\"name\", \"name\", 12.5, 12.5, 7, 7]");
  ASSERT_TRUE(first);
  EXPECT_EQ(element(first, 0), element(first, 1));
  EXPECT_EQ(element(first, 2), element(first, 3));
  EXPECT_EQ(element(first, 4), element(first, 5));

  // A later document read by the same decoder gets the same objects back.
  Ref<JRObject> second = decoder.objectWithData("[\"name\", 12.5]");
  EXPECT_EQ(element(second, 0), element(first, 0));
  EXPECT_EQ(element(second, 1), element(first, 2));

  // Numbers as the values of objects are the same objects as in arrays.
  Ref<JRObject> object = decoder.objectWithData("{\"a\": 12.5, \"b\": [7, 12.5], \"c\": 7}");
  ASSERT_TRUE(object);
  const JRDictionary* d = object->asDictionary();
  EXPECT_EQ(d->objectForKey("a"), element(first, 2));
  EXPECT_EQ(d->objectForKey("c"), element(first, 4));
  EXPECT_EQ(d->objectForKey("b")->asArray()->objectAtIndex(0), element(first, 4));

  // A different decoder, or the same one after clearCache, makes new ones.
  JSONDecoder other;
  EXPECT_NE(element(other.objectWithData("[\"name\"]"), 0), element(first, 0));
  decoder.clearCache();
  EXPECT_EQ(decoder.cachedObjectCount(), 0u);
  Ref<JRObject> third = decoder.objectWithData("[\"name\"]");
  EXPECT_NE(element(third, 0), element(first, 0));
  EXPECT_EQ(element(third, 0)->stringValue(), "name");
}

TEST(ObjectCache, KindsAndBytesKeepValuesApart) {
  JSONDecoder decoder;
  Ref<JRObject> r = decoder.objectWithData(
      "[1, 1.0, 1.00, 1e0, -1, 18446744073709551615, 9223372036854775807, \"1\"]");
  ASSERT_TRUE(r);
  EXPECT_NE(element(r, 0), element(r, 1));  // integer 1 and double 1.0
  EXPECT_EQ(element(r, 1), element(r, 2));  // 1.0 and 1.00 are one double
  EXPECT_EQ(element(r, 1), element(r, 3));
  EXPECT_NE(element(r, 0), element(r, 4));
  EXPECT_NE(element(r, 0), element(r, 7));
  EXPECT_EQ(element(r, 5)->kind(), JRKind::UnsignedInteger);
  EXPECT_EQ(element(r, 6)->kind(), JRKind::SignedInteger);
}

TEST(ObjectCache, EqualHashesWithDifferentBytesStayDistinct) {
  // "Aa" and "B@" share their value hash ('A'*33+'a' == 'B'*33+'@'), so do "AaAa" and "B@B@".
  ASSERT_EQ(jrHashBytes("Aa", 2), jrHashBytes("B@", 2));
  ASSERT_EQ(jrHashBytes("AaAa", 4), jrHashBytes("B@B@", 4));
  JSONDecoder decoder;
  Ref<JRObject> r = decoder.objectWithData("[\"Aa\", \"B@\", \"AaAa\", \"B@B@\", \"Aa\"]");
  ASSERT_TRUE(r);
  EXPECT_NE(element(r, 0), element(r, 1));
  EXPECT_EQ(element(r, 1)->stringValue(), "B@");
  EXPECT_NE(element(r, 2), element(r, 3));
  EXPECT_EQ(element(r, 3)->stringValue(), "B@B@");
  EXPECT_EQ(element(r, 0), element(r, 4));

  // The same at every length up to 40 and every position: raising one byte by one and lowering
  // the next by 33 keeps the hash, so only the byte comparison can tell the two apart.
  for (size_t length = 2; length <= 40; ++length) {
    for (size_t i = 0; i + 1 < length; ++i) {
      std::string x(length, 'a');
      for (size_t k = 0; k < length; ++k) x[k] = static_cast<char>('a' + k % 20);
      std::string y = x;
      ++y[i];
      y[i + 1] = static_cast<char>(y[i + 1] - 33);
      ASSERT_EQ(jrHashBytes(x.data(), length), jrHashBytes(y.data(), length));
      Ref<JRObject> pair = decoder.objectWithData("[\"" + x + "\", \"" + y + "\", \"" + x + "\"]");
      ASSERT_TRUE(pair) << x << " " << y;
      ASSERT_NE(element(pair, 0), element(pair, 1)) << x << " " << y;
      ASSERT_EQ(element(pair, 1)->stringValue(), y);
      ASSERT_EQ(element(pair, 0), element(pair, 2));
    }
  }
}

TEST(ObjectCache, EmptyStringIsSharedAndNeverCached) {
  JSONDecoder decoder;
  Ref<JRObject> r = decoder.objectWithData("[\"\", \"\"]");
  EXPECT_EQ(element(r, 0), kJREmptyString());
  EXPECT_EQ(element(r, 1), kJREmptyString());
  EXPECT_EQ(decoder.cachedObjectCount(), 0u);
}

TEST(ObjectCache, HoldsItsObjectsAfterTheDocumentIsGone) {
  JSONDecoder decoder;
  JRObject* kept;
  {
    Ref<JRObject> r = decoder.objectWithData("[\"survivor\"]");
    kept = element(r, 0);
    EXPECT_EQ(kept->retainCount(), 2u);  // the array and the cache
  }
  EXPECT_EQ(kept->retainCount(), 1u);
  EXPECT_EQ(element(decoder.objectWithData("[\"survivor\"]"), 0), kept);
}

TEST(ObjectCache, FrequentKeysSurviveAFloodOfOneOffValues) {
  // Every record repeats the key "k" next to a value seen once: the key's bucket keeps a high
  // age, so the key stays the same object throughout.
  std::string text = "[";
  for (int i = 0; i < 3000; ++i)
    text += (i ? "," : "") + std::string("{\"k\":\"v") + std::to_string(i) + "\"}";
  text += "]";
  JSONDecoder decoder;
  Ref<JRObject> r = decoder.objectWithData(text);
  ASSERT_TRUE(r);
  JRObject* firstKey = nullptr;
  element(r, 0)->asDictionary()->getObjectsAndKeys(nullptr, &firstKey);
  for (uint32_t i = 0; i < 3000; ++i) {
    JRObject* key = nullptr;
    JRObject* value = nullptr;
    element(r, i)->asDictionary()->getObjectsAndKeys(&value, &key);
    ASSERT_EQ(key, firstKey) << i;
    ASSERT_EQ(value->stringValue(), "v" + std::to_string(i));
  }
  EXPECT_LE(decoder.cachedObjectCount(), 1024u);
}

TEST(ObjectCache, FullCacheStillReturnsCorrectValues) {
  // Thousands of distinct values, each seen repeatedly so that buckets age above 0 and new
  // values often cannot be cached: every value must still come back right.
  std::string text = "[";
  for (int round = 0; round < 3; ++round)
    for (int i = 0; i < 4000; ++i)
      text +=
          ((round || i) ? "," : "") + std::to_string(i * 7919) + ",\"s" + std::to_string(i) + "\"";
  text += "]";
  JSONDecoder decoder;
  for (int pass = 0; pass < 2; ++pass) {
    Ref<JRObject> r = decoder.objectWithData(text);
    ASSERT_TRUE(r);
    for (uint32_t k = 0; k < 24000; k += 2) {
      int i = static_cast<int>((k / 2) % 4000);
      ASSERT_EQ(element(r, k)->longLongValue(), i * 7919LL);
      ASSERT_EQ(element(r, k + 1)->stringValue(), "s" + std::to_string(i));
    }
  }
  EXPECT_LE(decoder.cachedObjectCount(), 1024u);
  EXPECT_GT(decoder.cachedObjectCount(), 900u);
}

TEST(ObjectCache, ShiftRegisterMovesAndNeverReachesZero) {
  JSONDecoder decoder;
  EXPECT_EQ(decoder.cacheShiftRegister(), 1u);
  std::vector<uint32_t> seen;
  // Each value twice: the second sighting ages its bucket above 0, so the next document's
  // new values pass occupied, aged buckets and drive the register.
  for (int doc = 0; doc < 20; ++doc) {
    std::string text = "[";
    for (int i = 0; i < 2000; ++i) text += (i ? "," : "") + std::to_string(doc * 100000 + i / 2);
    text += "]";
    ASSERT_TRUE(decoder.objectWithData(text));
    ASSERT_NE(decoder.cacheShiftRegister(), 0u);
    seen.push_back(decoder.cacheShiftRegister());
  }
  EXPECT_NE(seen.front(), 1u);
  EXPECT_NE(seen.front(), seen.back());
}

TEST(ObjectCache, ValuesMadeInARunAreHeldByTheCacheOnceItEnds) {
  // Buckets filled during a run take their references when it ends: a value put out of its
  // bucket within the run is held by the document alone, one still in its bucket by both.
  JSONDecoder decoder;
  std::string text = "[";
  for (int i = 0; i < 5000; ++i) text += (i ? "," : "") + std::to_string(i) + ".5";
  text += "]";
  Ref<JRObject> r = decoder.objectWithData(text);
  ASSERT_TRUE(r);
  size_t heldByBoth = 0;
  for (uint32_t i = 0; i < 5000; ++i) {
    const uint32_t count = element(r, i)->retainCount();
    ASSERT_TRUE(count == 1 || count == 2) << i << ": " << count;
    heldByBoth += count == 2;
  }
  EXPECT_EQ(heldByBoth, decoder.cachedObjectCount());
  EXPECT_GT(heldByBoth, 900u);

  // Whatever lets values go during a run (a repeated key, a failed or refused document) leaves
  // the cache holding the values it took: they are the same objects in the next document.
  const char* runs[] = {"{\"a\": 0.25, \"a\": 2}", "[0.25, [0.5, x", "[0.25] x"};
  for (const char* run : runs) {
    JSONDecoder fresh;
    Ref<JRObject> gone = fresh.objectWithData(run);
    EXPECT_EQ(static_cast<bool>(gone), run[0] == '{') << run;
    gone = nullptr;
    Ref<JRObject> again = fresh.objectWithData("[0.25]");
    ASSERT_TRUE(again);
    EXPECT_EQ(element(again, 0)->retainCount(), 2u) << run;
  }
}

// The cache's rules written out plainly, for numbers: four probes, ages, the shift register.
// It says, for each value in turn, which bucket answers it (a hit) or takes it, or none.
class CacheModel {
 public:
  struct Step {
    bool hit;
    int bucket;  // -1: not cached
  };
  Step lookup(uint8_t type, uint64_t bits) {
    uint32_t h = kJRHashSeed + type;
    if (type != 13) h += static_cast<uint32_t>(bits);
    for (int i = 0; i < 8; ++i) h = h * 33 + static_cast<uint8_t>(bits >> (8 * i));
    const uint32_t stride = 8 + type + 3;
    int chosen = -1;
    for (uint32_t k = 0; k < 4; ++k) {
      const uint32_t index = (h + k * stride) & 1023;
      Bucket& b = buckets_[index];
      if (!b.used) {
        chosen = static_cast<int>(index);
        break;
      }
      if (b.hash == h && b.type == type && b.bits == bits) {
        age_[index] = static_cast<uint8_t>(age_[index] * 2 + 1);
        return {true, static_cast<int>(index)};
      }
      if (chosen < 0) {
        if (age_[index] == 0) {
          chosen = static_cast<int>(index);
        } else {
          age_[index] >>= 1;
          ageOne();
          ageOne();
        }
      }
    }
    if (chosen >= 0) {
      buckets_[chosen] = Bucket{true, h, type, bits};
      age_[chosen] = 0;
    }
    return {false, chosen};
  }
  uint32_t lfsr() const { return lfsr_; }
  size_t used() const {
    size_t n = 0;
    for (const Bucket& b : buckets_) n += b.used;
    return n;
  }

 private:
  void ageOne() {
    lfsr_ = (lfsr_ >> 1) ^ ((lfsr_ & 1) ? 0x80200003u : 0u);
    age_[lfsr_ & 1023] >>= 1;
  }
  struct Bucket {
    bool used = false;
    uint32_t hash = 0;
    uint8_t type = 0;
    uint64_t bits = 0;
  };
  Bucket buckets_[1024];
  uint8_t age_[1024] = {};
  uint32_t lfsr_ = 1;
};

TEST(ObjectCache, NumbersFollowTheWrittenRulesExactly) {
  // Doubles and integers from a small, skewed pool so that hits, aged buckets, replacements and
  // values that cannot be cached all occur, over several documents read by one decoder.
  JSONDecoder decoder;
  CacheModel model;
  JRObject* bucketObject[1024] = {};
  std::vector<Ref<JRObject>> keep;
  uint64_t state = 0x9E3779B97F4A7C15ull;
  for (int doc = 0; doc < 4; ++doc) {
    std::string text = "[";
    std::vector<std::pair<uint8_t, uint64_t>> values;
    for (int i = 0; i < 6000; ++i) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      const uint64_t pick = (state >> 8) % (state & 1 ? 300 : 5000);
      if (i) text += ',';
      if (state & 2) {
        const double d = static_cast<double>(pick) / 8.0 + 0.5;  // always a double token
        char buffer[40];
        std::snprintf(buffer, sizeof buffer, "%.17g", d);
        text += buffer;
        if (!std::strchr(buffer, '.') && !std::strchr(buffer, 'e')) text += ".0";
        uint64_t bits;
        std::memcpy(&bits, &d, 8);
        values.emplace_back(13, bits);
      } else {
        text += std::to_string(pick * 1000003);
        values.emplace_back(11, pick * 1000003);  // non-negative integers are unsigned
      }
    }
    text += "]";
    Ref<JRObject> r = decoder.objectWithData(text);
    ASSERT_TRUE(r);
    for (uint32_t i = 0; i < values.size(); ++i) {
      JRObject* object = element(r, i);
      const CacheModel::Step step = model.lookup(values[i].first, values[i].second);
      if (step.hit) {
        ASSERT_EQ(object, bucketObject[step.bucket]) << "doc " << doc << " value " << i;
      } else {
        for (JRObject* held : bucketObject) ASSERT_NE(object, held) << "doc " << doc << " " << i;
        if (step.bucket >= 0) bucketObject[step.bucket] = object;
      }
    }
    keep.push_back(r);  // keeps every object alive, so identities stay comparable
    EXPECT_EQ(decoder.cacheShiftRegister(), model.lfsr());
    EXPECT_EQ(decoder.cachedObjectCount(), model.used());
  }
}

}  // namespace
}  // namespace tessaly
