#include "json/JRCollections.h"

#include "json/JRAllocator.h"
#include "json/JRParseState.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace tessaly {

namespace {

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
  char buffer[512];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(buffer, sizeof buffer, fmt, args);
  va_end(args);
  return buffer;
}

// A key stored in a mutable dictionary is a copy, so that a mutable collection used as a key
// cannot change under the table.
JRObject* copyOfKey(JRObject* key) {
  if (JRArray* a = key->asArray()) return a->copy().leak();
  if (JRDictionary* d = key->asDictionary()) return d->copy().leak();
  key->retain();
  return key;
}

// The mutation counter an immutable collection's enumerations watch: it never changes.
constexpr uint32_t kNeverMutated = 0;

// The first call of a fast enumeration points the state at the caller's buffer and at the
// collection's mutation counter.
void startEnumeration(JRFastEnumerationState* state, JRObject** buffer, unsigned long length,
                      const uint32_t* mutations) {
  JR_ASSERT(state != nullptr && buffer != nullptr && length > 0);
  if (state->state == 0) {
    state->itemsPtr = buffer;
    state->mutationsPtr = mutations;
  }
}

}  // namespace

// An immutable collection's slots follow its header directly.
static_assert(sizeof(JRArray) == 16);
static_assert(sizeof(JRMutableArray) % alignof(JRObject*) == 0);
static_assert(sizeof(JRDictionary) == 24);
static_assert(sizeof(JRMutableDictionary) % alignof(JRHashTableEntry) == 0);
static_assert(sizeof(JRDictionary) % alignof(JRHashTableEntry) == 0);

// ---- arrays ----

inline void JRObject::releaseElement() const {
  // Numbers and collections are never immortal; a collection inside another is freed within the
  // walk that is freeing its parent. The last reference frees without writing the count, so a
  // tree's lines are not written once more just before they go.
  if (kind_ >= JRKind::SignedInteger && kind_ <= JRKind::Double) {
    if (lastReference()) jralloc::deallocate(const_cast<JRObject*>(this), sizeof(JRNumber));
  } else if (kind_ == JRKind::Array) {
    if (lastReference()) JRArray::destroy(static_cast<JRArray*>(const_cast<JRObject*>(this)));
  } else if (kind_ == JRKind::Dictionary) {
    if (lastReference())
      JRDictionary::destroy(static_cast<JRDictionary*>(const_cast<JRObject*>(this)));
  } else {
    release();
  }
}

// The elements of an array and then its block. Level 0 is the array destroy() was called for;
// for the arrays inside it (level 1) and inside those (level 2) the body is the same but inlined
// into the loop above, so that the many short arrays inside a long one (coordinate pairs, a level
// or two down from the array a dictionary lets go of) are freed without a call each.
template <int Level>
__attribute__((always_inline)) inline void JRArray::destroyLevel(JRArray* array) {
  JR_ASSERT(array->count_ <= array->capacity_);
  JRObject* const* const objects = array->objects();
  const uint32_t count = array->count_;
  if constexpr (Level == 2) {
    // A short array this deep is nearly always a coordinate pair: it and its numbers lie in
    // one chunk, whose count is then taken down once.
    if (count <= 8 && !array->isMutable()) {
      static_assert(sizeof(JRArray) + 8 * sizeof(JRObject*) <= jralloc::kLargestPooled);
      jralloc::ChunkFrees frees(array);
      auto let = [&frees](const JRObject* o) {
        if (o->kind_ >= JRKind::SignedInteger && o->kind_ <= JRKind::Double) {
          if (o->lastReference()) frees.free(const_cast<JRObject*>(o), sizeof(JRNumber));
        } else {
          o->releaseElement();
        }
      };
      // A pair without a loop around it.
      if (count == 2) {
        let(objects[0]);
        let(objects[1]);
      } else {
        for (uint32_t i = 0; i < count; ++i) let(objects[i]);
      }
      frees.free(array, sizeof(JRArray) + count * sizeof(JRObject*));
      return;
    }
  }
  for (uint32_t i = 0; i < count; ++i) {
    if (i + 8 < count) __builtin_prefetch(objects[i + 8], 1);
    const JRObject* o = objects[i];
    if constexpr (Level < 2) {
      if (o->kind_ == JRKind::Array) {
        if (o->lastReference())
          destroyLevel<Level + 1>(static_cast<JRArray*>(const_cast<JRObject*>(o)));
        continue;
      }
    }
    o->releaseElement();
  }
  if (!array->isMutable()) {
    jralloc::deallocate(array, sizeof(JRArray) + count * sizeof(JRObject*));
    return;
  }
  auto* m = static_cast<JRMutableArray*>(array);
  if (m->objects_ != m->inlineSlots()) std::free(m->objects_);
  jralloc::deallocate(m, sizeof(JRMutableArray) + m->blockSlots_ * sizeof(JRObject*));
}

void JRArray::destroy(JRArray* array) {
  destroyLevel<0>(array);
}

void JRArray::raiseBeyondBounds(const char* selector, size_t index, size_t bound) const {
  jrRaise("NSRangeException",
          format("*** -[%s %s]: index (%lu) beyond bounds (%lu)", className(), selector,
                 static_cast<unsigned long>(index), static_cast<unsigned long>(bound)));
}

void JRArray::raiseMutated() const {
  jrRaise("NSGenericException",
          format("*** Collection <%s> was mutated while being enumerated.", className()));
}

JRObject* JRArray::objectAtIndex(size_t index) const {
  if (index >= count_) raiseBeyondBounds("objectAtIndex:", index, count_);
  return objects()[index];
}

void JRArray::getObjectsRange(JRObject** buffer, size_t location, size_t length) const {
  size_t end = location + length;
  if (end < location) end = SIZE_MAX;
  if (!buffer && end > 0)
    jrRaise("NSRangeException",
            format("*** -[%s %s]: pointer to objects array is NULL but range length is %lu",
                   className(), "getObjects:range:", static_cast<unsigned long>(end)));
  if (location > count_ || end > count_) raiseBeyondBounds("getObjects:range:", end, count_);
  if (length) std::memcpy(buffer, objects() + location, length * sizeof(JRObject*));
}

unsigned long JRArray::countByEnumeratingWithState(JRFastEnumerationState* state, JRObject** buffer,
                                                   unsigned long length) const {
  startEnumeration(
      state, buffer, length,
      isMutable() ? &static_cast<const JRMutableArray*>(this)->mutations_ : &kNeverMutated);
  JRObject* const* const objects = this->objects();
  unsigned long n = 0;
  while (state->state < count_ && n < length) buffer[n++] = objects[state->state++];
  return n;
}

Ref<JRArray> JRArray::copy() const {
  if (!isMutable()) return Ref<JRArray>(const_cast<JRArray*>(this));
  JRObject* const* const objects = this->objects();
  for (uint32_t i = 0; i < count_; ++i) objects[i]->retain();
  JRArray* a = create(objects, count_, false);
  if (!a) {
    for (uint32_t i = 0; i < count_; ++i) objects[i]->release();
    jrRaise("NSMallocException", "Unable to resize objects array.");
  }
  return Ref<JRArray>::adopt(a);
}

Ref<JRMutableArray> JRArray::mutableCopy() const {
  JRObject* const* const objects = this->objects();
  for (uint32_t i = 0; i < count_; ++i) objects[i]->retain();
  JRArray* a = create(objects, count_, true);
  if (!a) {
    for (uint32_t i = 0; i < count_; ++i) objects[i]->release();
    jrRaise("NSMallocException", "Unable to resize objects array.");
  }
  return Ref<JRMutableArray>::adopt(static_cast<JRMutableArray*>(a));
}

uint32_t JRArray::mutations() const {
  return isMutable() ? static_cast<const JRMutableArray*>(this)->mutations_ : 0;
}

JRMutableArray* JRArray::asMutable() {
  return isMutable() ? static_cast<JRMutableArray*>(this) : nullptr;
}

void JRMutableArray::insertObjectAtIndex(JRObject* object, size_t index) {
  if (!object)
    jrRaise("NSInvalidArgumentException",
            format("*** -[%s %s]: attempt to insert nil", className(), "insertObject:atIndex:"));
  if (index > count_) raiseBeyondBounds("insertObject:atIndex:", index, size_t{count_} + 1);
  if (count_ + 1 >= capacity_) {
    // Grow by 16 slots; a parsed array keeps its slots inside its own block until then.
    size_t newCapacity = size_t{capacity_} + 16;
    JRObject** grown;
    if (objects_ == inlineSlots()) {
      grown = static_cast<JRObject**>(std::malloc(newCapacity * sizeof(JRObject*)));
      if (grown && count_) std::memcpy(grown, objects_, count_ * sizeof(JRObject*));
    } else {
      grown = static_cast<JRObject**>(std::realloc(objects_, newCapacity * sizeof(JRObject*)));
    }
    if (!grown || newCapacity > UINT32_MAX)
      jrRaise("NSMallocException", "Unable to resize objects array.");
    std::memset(grown + count_, 0, (newCapacity - count_) * sizeof(JRObject*));
    objects_ = grown;
    capacity_ = static_cast<uint32_t>(newCapacity);
  }
  object->retain();
  std::memmove(objects_ + index + 1, objects_ + index, (count_ - index) * sizeof(JRObject*));
  objects_[index] = object;
  ++count_;
  ++mutations_;
}

void JRMutableArray::removeObjectAtIndex(size_t index) {
  if (index >= count_) raiseBeyondBounds("removeObjectAtIndex:", index, count_);
  JRObject* gone = objects_[index];
  std::memmove(objects_ + index, objects_ + index + 1, (count_ - index - 1) * sizeof(JRObject*));
  objects_[--count_] = nullptr;
  ++mutations_;
  gone->release();
}

void JRMutableArray::replaceObjectAtIndexWithObject(size_t index, JRObject* object) {
  if (!object)
    jrRaise("NSInvalidArgumentException", format("*** -[%s %s]: attempt to insert nil", className(),
                                                 "replaceObjectAtIndex:withObject:"));
  if (index >= count_) raiseBeyondBounds("replaceObjectAtIndex:withObject:", index, count_);
  object->retain();
  JRObject* old = objects_[index];
  objects_[index] = object;
  ++mutations_;
  old->release();
}

// ---- dictionaries ----

const uint32_t JRDictionaryCapacities[40] = {
    0,        3,        7,        13,       23,        41,        71,        127,
    191,      251,      383,      631,      1087,      1723,      2803,      4523,
    7351,     11959,    19447,    31231,    50683,     81919,     132607,    214519,
    346607,   561109,   907759,   1468927,  2376191,   3845119,   6221311,   10066421,
    16287743, 26354171, 42641881, 68996069, 111638519, 180634607, 292272623, 472907251};

namespace {

uint32_t capacityForCountComputed(size_t count) {
  double target = std::floor(static_cast<double>(count) * 1.33);
  if (target > JRDictionaryCapacities[39]) return 0;  // no table is large enough
  long t = std::lround(target);
  unsigned bottom = 0, top = 40;
  while (top > bottom) {
    unsigned mid = (top + bottom) / 2;
    if (JRDictionaryCapacities[mid] < static_cast<unsigned long>(t))
      bottom = mid + 1;
    else
      top = mid;
  }
  return JRDictionaryCapacities[bottom];
}

// Parsed objects are small: their table sizes are looked up rather than computed, and so are
// the multipliers that take a hash modulo the size (a 64-bit division each, on the way to
// placing the first key).
struct SmallCapacities {
  uint32_t forCount[256];
  uint64_t multiplierForCount[256];
  SmallCapacities() {
    for (size_t n = 0; n < 256; ++n) {
      forCount[n] = capacityForCountComputed(n);
      multiplierForCount[n] = JRDictionary::modMultiplierFor(forCount[n]);
    }
  }
};

const SmallCapacities& smallCapacities() {
  static const SmallCapacities small;  // built on first use, whatever the start-up order
  return small;
}
}  // namespace

uint32_t JRDictionaryCapacityForCount(size_t count) {
  return count < 256 ? smallCapacities().forCount[count] : capacityForCountComputed(count);
}

JRDictionary* JRDictionary::create(JRObject* const* keys, const uint32_t* keyHashes,
                                   JRObject* const* objects, size_t count, bool makeMutable,
                                   JRTokenCache* cache) {
  uint32_t capacity;
  uint64_t multiplier;
  if (count < 256) {
    const SmallCapacities& small = smallCapacities();
    capacity = small.forCount[count];
    multiplier = small.multiplierForCount[count];
  } else {
    capacity = capacityForCountComputed(count);
    if (capacity == 0) return nullptr;
    multiplier = modMultiplierFor(capacity);
  }
  JRDictionary* d;
  JRHashTableEntry* table;
  if (makeMutable) {
    void* memory =
        jralloc::allocate(sizeof(JRMutableDictionary) + capacity * sizeof(JRHashTableEntry));
    if (!memory) return nullptr;
    auto* m = new (memory) JRMutableDictionary();
    m->blockSlots_ = capacity;
    m->entry_ = table = capacity ? m->inlineSlots() : nullptr;
    d = m;
  } else {
    void* memory = jralloc::allocate(sizeof(JRDictionary) + capacity * sizeof(JRHashTableEntry));
    if (!memory) return nullptr;
    d = new (memory) JRDictionary(false);
    table = d->immutableTable();
  }
  d->capacity_ = capacity;
  d->modMultiplier_ = multiplier;
  // A parsed object's table has a few slots: the smallest sizes are cleared by stores of a known
  // length rather than by a call to memset.
  switch (capacity) {
    case 0:
      break;
    case 3:
      std::memset(table, 0, 3 * sizeof(JRHashTableEntry));
      break;
    case 7:
      std::memset(table, 0, 7 * sizeof(JRHashTableEntry));
      break;
    default:
      std::memset(table, 0, capacity * sizeof(JRHashTableEntry));
  }
  // The pairs go straight into the fresh table, probed as addObject probes, without a call and
  // its checks per pair (most parsed objects hold a handful of pairs). The i-th pair finds at
  // most i - 1 slots taken, so there is always a free one: count <= capacity.
  for (size_t i = 0; i < count; ++i) {
    const uint32_t hash = keyHashes[i];
    JRObject* const key = keys[i];
    uint32_t slot = d->homeSlot(hash);
    for (;;) {
      JRHashTableEntry& e = table[slot];
      if (!e.key) {
        e = {hash, key, objects[i]};
        ++d->count_;
        break;
      }
      if (e.keyHash == hash && (e.key == key || e.key->isEqual(key))) {
        // A later pair with an equal key replaces the earlier one in the same slot.
        JRObject* oldKey = e.key;
        JRObject* oldObject = e.object;
        e.key = key;
        e.object = objects[i];
        if (cache) JRParser::settleCache(cache);
        oldKey->release();
        oldObject->release();
        break;
      }
      if (++slot == capacity) slot = 0;
    }
  }
  return d;
}

void JRDictionary::destroy(JRDictionary* d) {
  JR_ASSERT(d->count_ <= d->capacity_);
  // Stops at the last pair rather than the end of the table.
  const JRHashTableEntry* const table = d->entries();
  for (uint32_t i = 0, left = d->count_; left; ++i) {
    const JRHashTableEntry& e = table[i];
    if (e.key) {
      --left;
      e.key->release();
      e.object->releaseElement();
    }
  }
  if (!d->isMutable()) {
    jralloc::deallocate(d, sizeof(JRDictionary) + d->capacity_ * sizeof(JRHashTableEntry));
    return;
  }
  auto* m = static_cast<JRMutableDictionary*>(d);
  if (m->entry_ != m->inlineSlots()) std::free(m->entry_);
  jralloc::deallocate(m, sizeof(JRMutableDictionary) + m->blockSlots_ * sizeof(JRHashTableEntry));
}

void JRDictionary::raiseMutated() const {
  jrRaise("NSGenericException",
          format("*** Collection <%s> was mutated while being enumerated.", className()));
}

const JRHashTableEntry* JRDictionary::findEntry(const JRObject* key, uint32_t hash) const {
  if (!key || capacity_ == 0) return nullptr;
  const JRHashTableEntry* const table = entries();
  uint32_t slot = homeSlot(hash);
  for (uint32_t i = 0; i < capacity_; ++i) {
    const JRHashTableEntry& e = table[slot];
    if (e.keyHash == hash && e.key && (e.key == key || e.key->isEqual(key))) return &e;
    if (!e.key) return nullptr;  // the run ends at the first empty slot
    if (++slot == capacity_) slot = 0;
  }
  return nullptr;
}

JRObject* JRDictionary::objectForKey(const JRObject* key) const {
  if (!key) return nullptr;
  const JRHashTableEntry* e = findEntry(key, key->hash());
  return e ? e->object : nullptr;
}

JRObject* JRDictionary::objectForKey(std::string_view key) const {
  if (capacity_ == 0) return nullptr;
  uint32_t hash = jrHashBytes(key.data(), key.size());
  const JRHashTableEntry* const table = entries();
  uint32_t slot = homeSlot(hash);
  for (uint32_t i = 0; i < capacity_; ++i) {
    const JRHashTableEntry& e = table[slot];
    if (!e.key) return nullptr;
    if (e.keyHash == hash && e.key->isString() && e.key->stringValue() == key) return e.object;
    if (++slot == capacity_) slot = 0;
  }
  return nullptr;
}

void JRMutableDictionary::addObject(uint32_t hash, JRObject* key, JRObject* object) {
  JR_ASSERT(count_ <= capacity_);
  if (capacity_ == 0) {
    key->release();
    object->release();
    return;
  }
  uint32_t slot = homeSlot(hash);
  for (uint32_t i = 0; i < capacity_; ++i) {
    JRHashTableEntry& e = entry_[slot];
    if (e.key == nullptr) {
      e = {hash, key, object};
      ++count_;
      return;
    }
    if (e.keyHash == hash && (e.key == key || e.key->isEqual(key))) {
      // A later pair with an equal key replaces the earlier one in the same slot.
      JRObject* oldKey = e.key;
      JRObject* oldObject = e.object;
      e.key = key;
      e.object = object;
      oldKey->release();
      oldObject->release();
      return;
    }
    if (++slot == capacity_) slot = 0;
  }
  key->release();
  object->release();
}

void JRMutableDictionary::removeEntry(JRHashTableEntry* entry) {
  JRObject* key = entry->key;
  JRObject* object = entry->object;
  *entry = {0, nullptr, nullptr};
  --count_;
  // Close the hole so the probe run beyond it stays reachable: every entry up to the next
  // empty slot whose home lies cyclically outside (hole, its slot] moves into the hole.
  uint32_t hole = static_cast<uint32_t>(entry - entry_);
  uint32_t j = hole;
  for (;;) {
    if (++j == capacity_) j = 0;
    JRHashTableEntry& e = entry_[j];
    if (!e.key) break;
    uint32_t home = homeSlot(e.keyHash);
    bool stays = hole <= j ? (hole < home && home <= j) : (hole < home || home <= j);
    if (!stays) {
      entry_[hole] = e;
      e = {0, nullptr, nullptr};
      hole = j;
    }
  }
  key->release();
  object->release();
}

size_t JRDictionary::gather(JRObject** keys, uint32_t* hashes, JRObject** objects) const {
  const JRHashTableEntry* const table = entries();
  size_t n = 0;
  for (uint32_t i = 0; i < capacity_ && n < count_; ++i) {
    const JRHashTableEntry& e = table[i];
    if (!e.key) {
      JR_ASSERT(e.object == nullptr);
      continue;
    }
    JR_ASSERT(e.object != nullptr);
    if (keys) keys[n] = e.key;
    if (hashes) hashes[n] = e.keyHash;
    if (objects) objects[n] = e.object;
    ++n;
  }
  JR_ASSERT(n == count_);
  return n;
}

void JRDictionary::getObjectsAndKeys(JRObject** objects, JRObject** keys) const {
  gather(keys, nullptr, objects);
}

JRDictionaryEnumerator JRDictionary::keyEnumerator() const {
  return JRDictionaryEnumerator(this);
}

unsigned long JRDictionary::countByEnumeratingWithState(JRFastEnumerationState* state,
                                                        JRObject** buffer,
                                                        unsigned long length) const {
  startEnumeration(
      state, buffer, length,
      isMutable() ? &static_cast<const JRMutableDictionary*>(this)->mutations_ : &kNeverMutated);
  const JRHashTableEntry* const table = entries();
  unsigned long n = 0;
  while (state->state < capacity_ && n < length) {
    const JRHashTableEntry& e = table[state->state++];
    if (e.key) buffer[n++] = e.key;
  }
  return n;
}

namespace {

JRDictionary* copyDictionary(const JRDictionary* source, bool makeMutable,
                             JRDictionary* (*create)(JRObject* const*, const uint32_t*,
                                                     JRObject* const*, size_t, bool,
                                                     JRTokenCache*)) {
  size_t n = source->count();
  std::vector<JRObject*> keys(n), objects(n);
  std::vector<uint32_t> hashes(n);
  for (size_t i = 0, k = 0; i < source->capacity() && k < n; ++i) {
    const JRHashTableEntry& e = source->entries()[i];
    if (!e.key) continue;
    keys[k] = e.key;
    hashes[k] = e.keyHash;
    objects[k] = e.object;
    ++k;
  }
  for (size_t i = 0; i < n; ++i) {
    keys[i]->retain();
    objects[i]->retain();
  }
  JRDictionary* d = create(keys.data(), hashes.data(), objects.data(), n, makeMutable, nullptr);
  if (!d) {
    for (size_t i = 0; i < n; ++i) {
      keys[i]->release();
      objects[i]->release();
    }
    jrRaise("NSMallocException", "Unable to allocate memory for hash table.");
  }
  return d;
}

}  // namespace

Ref<JRDictionary> JRDictionary::copy() const {
  if (!isMutable()) return Ref<JRDictionary>(const_cast<JRDictionary*>(this));
  return Ref<JRDictionary>::adopt(copyDictionary(this, false, &JRDictionary::create));
}

Ref<JRMutableDictionary> JRDictionary::mutableCopy() const {
  return Ref<JRMutableDictionary>::adopt(
      static_cast<JRMutableDictionary*>(copyDictionary(this, true, &JRDictionary::create)));
}

uint32_t JRDictionary::mutations() const {
  return isMutable() ? static_cast<const JRMutableDictionary*>(this)->mutations_ : 0;
}

JRMutableDictionary* JRDictionary::asMutable() {
  return isMutable() ? static_cast<JRMutableDictionary*>(this) : nullptr;
}

void JRMutableDictionary::resizeIfNecessary() {
  uint32_t newCapacity = JRDictionaryCapacityForCount(size_t{count_} + 1);
  if (newCapacity == 0) jrRaise("NSMallocException", "Unable to allocate memory for hash table.");
  if (newCapacity <= capacity_) return;
  auto* table = static_cast<JRHashTableEntry*>(std::calloc(newCapacity, sizeof(JRHashTableEntry)));
  if (!table) jrRaise("NSMallocException", "Unable to allocate memory for hash table.");
  JRHashTableEntry* old = entry_;
  uint32_t oldCapacity = capacity_;
  uint32_t oldCount = count_;
  entry_ = table;
  setCapacity(newCapacity);
  count_ = 0;
  // Re-place every pair with its recorded hash, in old slot order.
  for (uint32_t i = 0; i < oldCapacity; ++i)
    if (old[i].key) addObject(old[i].keyHash, old[i].key, old[i].object);
  JR_ASSERT(count_ == oldCount);
  if (old && old != inlineSlots()) std::free(old);
}

void JRMutableDictionary::setObjectForKey(JRObject* object, JRObject* key) {
  if (!key)
    jrRaise("NSInvalidArgumentException",
            format("*** -[%s %s]: attempt to insert nil key", className(), "setObject:forKey:"));
  if (!object)
    jrRaise("NSInvalidArgumentException",
            format("*** -[%s %s]: attempt to insert nil value (key: %s)", className(),
                   "setObject:forKey:", key->description().c_str()));
  resizeIfNecessary();
  JRObject* keyCopy = copyOfKey(key);
  object->retain();
  addObject(keyCopy->hash(), keyCopy, object);
  ++mutations_;
}

void JRMutableDictionary::removeObjectForKey(const JRObject* key) {
  if (!key)
    jrRaise("NSInvalidArgumentException",
            format("*** -[%s %s]: attempt to remove nil key", className(), "removeObjectForKey:"));
  const JRHashTableEntry* e = findEntry(key, key->hash());
  if (!e) return;
  removeEntry(const_cast<JRHashTableEntry*>(e));
  ++mutations_;
}

// ---- key enumerator ----

JRDictionaryEnumerator::JRDictionaryEnumerator(const JRDictionary* dictionary) {
  JR_ASSERT(dictionary != nullptr);
  collection_ = Ref<const JRDictionary>(dictionary);
}

JRObject* JRDictionaryEnumerator::nextObject() {
  const JRDictionary* d = collection_.get();
  while (nextObject_ < d->capacity_) {
    const JRHashTableEntry& e = d->entries()[nextObject_++];
    if (e.key) return e.key;
  }
  return nullptr;
}

Ref<JRArray> JRDictionaryEnumerator::allObjects() {
  std::vector<JRObject*> keys;
  while (JRObject* key = nextObject()) {
    key->retain();
    keys.push_back(key);
  }
  JRArray* a = JRArray::create(keys.data(), keys.size(), false);
  if (!a) {
    for (JRObject* key : keys) key->release();
    jrRaise("NSMallocException", "Unable to resize objects array.");
  }
  return Ref<JRArray>::adopt(a);
}

}  // namespace tessaly
