// Object cache: identity of repeated values, kinds, aging and the shift register.
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

}  // namespace
}  // namespace tessaly
