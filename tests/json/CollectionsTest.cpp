// Collections: capacities, lookup and removal in probe runs, bounds, mutation, enumeration.
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "JsonTestSupport.h"

namespace tessaly {
namespace {

using jsontest::raised;

// Nothing outside the decoder can make a collection.
static_assert(!std::is_constructible_v<JRArray, bool>);
static_assert(!std::is_constructible_v<JRMutableArray, bool>);
static_assert(!std::is_constructible_v<JRDictionary, bool>);
static_assert(!std::is_constructible_v<JRMutableDictionary, bool>);
static_assert(!std::is_copy_constructible_v<JRArray>);

Ref<JRObject> parse(const std::string& text, bool makeMutable = false) {
  JSONDecoder decoder;
  JRError error;
  Ref<JRObject> r = makeMutable ? decoder.mutableObjectWithData(text, &error)
                                : decoder.objectWithData(text, &error);
  EXPECT_TRUE(r) << text << ": " << error.localizedDescription;
  return r;
}

std::string objectText(const std::vector<std::string>& keys) {
  std::string text = "{";
  for (size_t i = 0; i < keys.size(); ++i)
    text += (i ? "," : "") + std::string("\"") + keys[i] + "\":" + std::to_string(i);
  return text + "}";
}

// Keys whose hashes all land on the given home slot of a table of that capacity.
std::vector<std::string> collidingKeys(uint32_t capacity, uint32_t home, size_t n) {
  std::vector<std::string> keys;
  for (int i = 0; keys.size() < n; ++i) {
    std::string k = "key" + std::to_string(i);
    if (jrHashBytes(k.data(), k.size()) % capacity == home) keys.push_back(k);
  }
  return keys;
}

TEST(DictionaryCapacity, FollowsTheTable) {
  const std::pair<size_t, uint32_t> cases[] = {
      {0, 0},  {1, 3},   {2, 3},   {3, 3},   {4, 7},     {5, 7},      {6, 7},
      {7, 13}, {10, 13}, {11, 23}, {30, 41}, {100, 191}, {1000, 1723}};
  for (auto [count, capacity] : cases)
    EXPECT_EQ(JRDictionaryCapacityForCount(count), capacity) << count;
  EXPECT_EQ(JRDictionaryCapacityForCount(355569361), 472907251u);
  EXPECT_EQ(JRDictionaryCapacityForCount(400000000), 0u);  // beyond the last table size
}

TEST(Dictionary, EmptyObject) {
  Ref<JRObject> r = parse("{}");
  const JRDictionary* d = r->asDictionary();
  EXPECT_EQ(d->count(), 0u);
  EXPECT_EQ(d->capacity(), 0u);
  EXPECT_EQ(d->objectForKey("a"), nullptr);
  EXPECT_EQ(d->objectForKey(static_cast<const JRObject*>(nullptr)), nullptr);
  int seen = 0;
  for (JRObject* key : *d) seen += key != nullptr;
  EXPECT_EQ(seen, 0);
  EXPECT_EQ(d->keyEnumerator().nextObject(), nullptr);

  Ref<JRObject> m = parse("{}", true);
  JRMutableDictionary* md = m->asDictionary()->asMutable();
  md->setObjectForKey(jrNumber(1).get(), jrString("a").get());
  EXPECT_EQ(md->capacity(), 3u);
  EXPECT_EQ(md->objectForKey("a")->longLongValue(), 1);
}

TEST(Dictionary, FullTableAnswersAbsentKeys) {
  Ref<JRObject> r = parse("{\"a\":1,\"b\":2,\"c\":3}");
  const JRDictionary* d = r->asDictionary();
  EXPECT_EQ(d->capacity(), 3u);
  EXPECT_EQ(d->count(), 3u);
  EXPECT_EQ(d->objectForKey("zz"), nullptr);
  EXPECT_EQ(d->objectForKey(jrString("zz").get()), nullptr);
  EXPECT_EQ(d->objectForKey("c")->longLongValue(), 3);
}

TEST(Dictionary, RemovalKeepsCollidingRunsIntact) {
  // Six keys make a 7-slot table; home slots 6 and 0 make the run wrap around the end.
  for (uint32_t home : {0u, 3u, 6u}) {
    std::vector<std::string> keys = collidingKeys(7, home, 4);
    std::vector<std::string> others = collidingKeys(7, (home + 1) % 7, 2);
    keys.insert(keys.end(), others.begin(), others.end());
    for (size_t victim = 0; victim < keys.size(); ++victim) {
      Ref<JRObject> r = parse(objectText(keys), true);
      JRMutableDictionary* d = r->asDictionary()->asMutable();
      ASSERT_EQ(d->capacity(), 7u);
      d->removeObjectForKey(jrString(keys[victim]).get());
      EXPECT_EQ(d->count(), keys.size() - 1);
      EXPECT_EQ(d->objectForKey(keys[victim]), nullptr);
      for (size_t i = 0; i < keys.size(); ++i) {
        if (i == victim) continue;
        JRObject* v = d->objectForKey(keys[i]);
        ASSERT_TRUE(v) << "home " << home << " victim " << victim << " lost " << keys[i];
        EXPECT_EQ(v->longLongValue(), static_cast<long long>(i));
        // Storing an equal key again replaces its pair instead of adding a second one.
        d->setObjectForKey(jrNumber(100 + static_cast<long long>(i)).get(),
                           jrString(keys[i]).get());
        EXPECT_EQ(d->count(), keys.size() - 1);
      }
      std::set<std::string> enumerated;
      for (JRObject* key : *d) enumerated.insert(std::string(key->stringValue()));
      EXPECT_EQ(enumerated.size(), keys.size() - 1);
    }
  }
}

TEST(Dictionary, GrowthKeepsEveryPair) {
  Ref<JRObject> r = parse("{}", true);
  JRMutableDictionary* d = r->asDictionary()->asMutable();
  std::vector<uint32_t> capacities;
  for (int i = 0; i < 200; ++i) {
    d->setObjectForKey(jrNumber(i).get(), jrString("k" + std::to_string(i)).get());
    if (capacities.empty() || capacities.back() != d->capacity())
      capacities.push_back(d->capacity());
  }
  EXPECT_EQ(capacities, (std::vector<uint32_t>{3, 7, 13, 23, 41, 71, 127, 191, 251, 383}));
  EXPECT_EQ(d->count(), 200u);
  for (int i = 0; i < 200; ++i)
    ASSERT_EQ(d->objectForKey("k" + std::to_string(i))->longLongValue(), i);
  uint32_t before = d->mutations();
  d->removeObjectForKey(jrString("absent").get());
  EXPECT_EQ(d->mutations(), before);
  d->removeObjectForKey(jrString("k5").get());
  EXPECT_EQ(d->mutations(), before + 1);
  EXPECT_EQ(d->capacity(), 383u);  // a table never shrinks
}

TEST(Dictionary, EnumerationsAgreeOnSlotOrder) {
  Ref<JRObject> r = parse(objectText({"alpha", "beta", "gamma", "delta", "epsilon", "zeta"}));
  const JRDictionary* d = r->asDictionary();
  std::vector<JRObject*> fast, viaEnumerator, gathered(d->count());
  for (JRObject* key : *d) fast.push_back(key);
  JRDictionaryEnumerator e = d->keyEnumerator();
  while (JRObject* key = e.nextObject()) viaEnumerator.push_back(key);
  d->getObjectsAndKeys(nullptr, gathered.data());
  EXPECT_EQ(fast.size(), 6u);
  EXPECT_EQ(fast, viaEnumerator);
  EXPECT_EQ(fast, gathered);

  JRDictionaryEnumerator partial = d->keyEnumerator();
  partial.nextObject();
  Ref<JRArray> rest = partial.allObjects();
  ASSERT_EQ(rest->count(), 5u);
  for (uint32_t i = 0; i < 5; ++i) EXPECT_EQ(rest->objectAtIndex(i), fast[i + 1]);
  EXPECT_EQ(partial.nextObject(), nullptr);
  EXPECT_EQ(raised([] { JRDictionaryEnumerator none(nullptr); }).second,
            "Invalid parameter not satisfying: dictionary != nullptr");
}

TEST(Dictionary, MisuseRaisesBeforeAnyChange) {
  Ref<JRObject> r = parse("{\"a\":1}", true);
  JRMutableDictionary* d = r->asDictionary()->asMutable();
  Ref<JRObject> key = jrString("b");
  EXPECT_EQ(raised([&] { d->setObjectForKey(key.get(), nullptr); }),
            std::make_pair(std::string("NSInvalidArgumentException"),
                           std::string("*** -[JRMutableDictionary setObject:forKey:]: attempt to "
                                       "insert nil key")));
  EXPECT_EQ(raised([&] { d->setObjectForKey(nullptr, key.get()); }).second,
            "*** -[JRMutableDictionary setObject:forKey:]: attempt to insert nil value (key: b)");
  EXPECT_EQ(raised([&] { d->removeObjectForKey(nullptr); }).second,
            "*** -[JRMutableDictionary removeObjectForKey:]: attempt to remove nil key");
  EXPECT_EQ(d->count(), 1u);
  EXPECT_EQ(d->mutations(), 0u);
  EXPECT_FALSE(parse("{}")->asDictionary()->asMutable());
}

TEST(Dictionary, CopiesAndMutationDuringEnumeration) {
  Ref<JRObject> r = parse("{\"a\":1,\"b\":[2]}");
  const JRDictionary* d = r->asDictionary();
  EXPECT_EQ(d->copy().get(), d);  // an immutable copy is the same object
  Ref<JRMutableDictionary> m = d->mutableCopy();
  EXPECT_TRUE(m->isEqual(d));
  m->setObjectForKey(jrNumber(3).get(), jrString("c").get());
  EXPECT_EQ(d->count(), 2u);
  Ref<JRDictionary> frozen = m->copy();
  EXPECT_NE(frozen.get(), m.get());
  EXPECT_FALSE(frozen->isMutable());
  EXPECT_EQ(frozen->count(), 3u);
  EXPECT_EQ(raised([&] {
              for (JRObject* key : *m) {
                (void)key;
                m->setObjectForKey(jrNumber(9).get(), jrString("new").get());
              }
            }).first,
            "NSGenericException");
}

TEST(Array, BoundsAndNullBuffers) {
  Ref<JRObject> r = parse("[10,20,30]");
  const JRArray* a = r->asArray();
  EXPECT_EQ(a->objectAtIndex(2)->longLongValue(), 30);
  EXPECT_EQ(
      raised([&] { a->objectAtIndex(3); }),
      std::make_pair(std::string("NSRangeException"),
                     std::string("*** -[JRArray objectAtIndex:]: index (3) beyond bounds (3)")));
  JRObject* buffer[3] = {};
  a->getObjectsRange(buffer, 1, 2);
  EXPECT_EQ(buffer[0]->longLongValue(), 20);
  EXPECT_EQ(buffer[1]->longLongValue(), 30);
  EXPECT_NO_THROW(a->getObjectsRange(nullptr, 0, 0));
  EXPECT_EQ(raised([&] { a->getObjectsRange(nullptr, 5, 0); }).second,
            "*** -[JRArray getObjects:range:]: pointer to objects array is NULL but range length "
            "is 5");
  EXPECT_EQ(raised([&] { a->getObjectsRange(buffer, 2, 2); }).second,
            "*** -[JRArray getObjects:range:]: index (4) beyond bounds (3)");
  EXPECT_EQ(raised([&] { a->getObjectsRange(buffer, 4, 0); }).second,
            "*** -[JRArray getObjects:range:]: index (4) beyond bounds (3)");
}

TEST(Array, InsertRemoveReplaceFollowTheCapacityRules) {
  Ref<JRObject> r = parse("[1,2,3]", true);
  JRMutableArray* a = r->asArray()->asMutable();
  ASSERT_TRUE(a);
  EXPECT_EQ(a->capacity(), 3u);

  a->removeObjectAtIndex(0);  // a full parsed array: the rest moves down
  EXPECT_EQ(a->count(), 2u);
  EXPECT_EQ(a->capacity(), 3u);
  EXPECT_EQ(a->objectAtIndex(0)->longLongValue(), 2);
  EXPECT_EQ(a->objectAtIndex(1)->longLongValue(), 3);

  a->insertObjectAtIndex(jrNumber(4).get(), 2);  // index == count appends
  EXPECT_EQ(a->capacity(), 19u);                 // count + 1 >= capacity grew it by 16
  EXPECT_EQ(a->objectAtIndex(2)->longLongValue(), 4);
  a->insertObjectAtIndex(jrNumber(0).get(), 0);
  EXPECT_EQ(a->objectAtIndex(0)->longLongValue(), 0);
  EXPECT_EQ(a->count(), 4u);
  EXPECT_EQ(raised([&] { a->insertObjectAtIndex(jrNumber(9).get(), 5); }).second,
            "*** -[JRMutableArray insertObject:atIndex:]: index (5) beyond bounds (5)");
  EXPECT_EQ(raised([&] { a->insertObjectAtIndex(nullptr, 0); }).second,
            "*** -[JRMutableArray insertObject:atIndex:]: attempt to insert nil");
  EXPECT_EQ(raised([&] { a->replaceObjectAtIndexWithObject(4, jrNumber(9).get()); }).second,
            "*** -[JRMutableArray replaceObjectAtIndex:withObject:]: index (4) beyond bounds (4)");
  EXPECT_EQ(raised([&] { a->replaceObjectAtIndexWithObject(0, nullptr); }).second,
            "*** -[JRMutableArray replaceObjectAtIndex:withObject:]: attempt to insert nil");
  EXPECT_EQ(raised([&] { a->removeObjectAtIndex(4); }).second,
            "*** -[JRMutableArray removeObjectAtIndex:]: index (4) beyond bounds (4)");
  uint32_t before = a->mutations();
  a->replaceObjectAtIndexWithObject(1, jrString("two").get());
  EXPECT_EQ(a->objectAtIndex(1)->stringValue(), "two");
  EXPECT_EQ(a->mutations(), before + 1);
  EXPECT_EQ(a->count(), 4u);

  for (int i = 0; i < 40; ++i) a->addObject(jrNumber(i).get());
  EXPECT_EQ(a->count(), 44u);
  EXPECT_GT(a->capacity(), a->count());  // an insert always leaves a free slot
}

TEST(Array, EnumerationCopiesAndEquality) {
  std::string text = "[";
  for (int i = 0; i < 40; ++i) text += (i ? "," : "") + std::to_string(i);
  text += "]";
  Ref<JRObject> r = parse(text);
  const JRArray* a = r->asArray();
  long long expected = 0;
  for (JRObject* o : *a) EXPECT_EQ(o->longLongValue(), expected++);
  EXPECT_EQ(expected, 40);

  EXPECT_EQ(a->copy().get(), a);
  Ref<JRMutableArray> m = a->mutableCopy();
  EXPECT_TRUE(m->isEqual(a));
  m->removeObjectAtIndex(0);
  EXPECT_EQ(a->count(), 40u);
  Ref<JRArray> frozen = m->copy();
  EXPECT_FALSE(frozen->isMutable());
  EXPECT_EQ(frozen->count(), 39u);
  EXPECT_EQ(raised([&] {
              for (JRObject* o : *m) {
                (void)o;
                m->removeObjectAtIndex(0);
              }
            }).first,
            "NSGenericException");
  JRFastEnumerationState state;
  EXPECT_EQ(
      raised([&] { a->countByEnumeratingWithState(&state, nullptr, 4); }).second,
      "Invalid parameter not satisfying: state != nullptr && buffer != nullptr && length > 0");
}

TEST(Values, NumbersCompareByValueAcrossKinds) {
  EXPECT_TRUE(jrNumber(1)->isEqual(jrDouble(1.0).get()));
  EXPECT_EQ(jrNumber(1)->hash(), jrDouble(1.0)->hash());
  EXPECT_FALSE(jrNumber(1)->isEqual(jrDouble(1.5).get()));
  EXPECT_FALSE(jrNumber(-1)->isEqual(jrUnsignedNumber(18446744073709551615ull).get()));
  EXPECT_TRUE(jrDouble(-0.0)->isEqual(jrNumber(0).get()));
  EXPECT_FALSE(jrString("1")->isEqual(jrNumber(1).get()));
  Ref<JRObject> r = parse("{\"1\": \"x\"}", true);
  JRMutableDictionary* d = r->asDictionary()->asMutable();
  d->setObjectForKey(jrString("int").get(), jrNumber(1).get());
  d->setObjectForKey(jrString("double").get(), jrDouble(1.0).get());  // an equal key
  EXPECT_EQ(d->count(), 2u);
  EXPECT_EQ(d->objectForKey(jrNumber(1).get())->stringValue(), "double");
}

}  // namespace
}  // namespace tessaly
