// The reader's arrays and dictionaries. Only the decoder (and the collections' own copies) can
// make them; code outside reads them, and mutates the mutable ones, through these operations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "json/JRAllocator.h"
#include "json/JRObject.h"

namespace tessaly {

class JRParser;
struct JRTokenCache;
class JRMutableArray;
class JRMutableDictionary;

// The state of one fast enumeration, as the enumeration loop keeps it between calls.
struct JRFastEnumerationState {
  unsigned long state = 0;
  JRObject** itemsPtr = nullptr;
  const uint32_t* mutationsPtr = nullptr;
  unsigned long extra[5] = {};
};

// Walks elements (arrays) or keys (dictionaries) in batches through
// countByEnumeratingWithState and raises when the collection changes underneath.
template <class Collection>
class JRFastIterator {
 public:
  JRFastIterator() = default;
  explicit JRFastIterator(const Collection* collection) : collection_(collection) {
    fill();
    if (batch_ != 0) mutations_ = *state_.mutationsPtr;
  }
  JRObject* operator*() const { return buffer_[position_]; }
  JRFastIterator& operator++() {
    if (*state_.mutationsPtr != mutations_) collection_->raiseMutated();
    if (++position_ == batch_) fill();
    return *this;
  }
  bool operator==(const JRFastIterator& other) const { return atEnd() == other.atEnd(); }

 private:
  bool atEnd() const { return collection_ == nullptr || batch_ == 0; }
  void fill() {
    position_ = 0;
    batch_ = collection_->countByEnumeratingWithState(&state_, buffer_, kBatch);
  }
  static constexpr unsigned long kBatch = 16;
  const Collection* collection_ = nullptr;
  JRFastEnumerationState state_;
  JRObject* buffer_[kBatch];
  unsigned long position_ = 0;
  unsigned long batch_ = 0;
  uint32_t mutations_ = 0;
};

// An immutable array is its 16-byte header followed by exactly its slots, in one block: parsed
// documents hold many short arrays (a coordinate pair is one), and a smaller tree is faster to
// build and to free. A mutable array (JRMutableArray) adds the fields that let it grow and change.
class JRArray : public JRObject {
 public:
  uint32_t count() const { return count_; }
  uint32_t capacity() const { return capacity_; }
  uint32_t mutations() const;
  // The element at index; raises NSRangeException beyond the elements.
  JRObject* objectAtIndex(size_t index) const;
  // Copies elements location .. location+length-1 into buffer.
  void getObjectsRange(JRObject** buffer, size_t location, size_t length) const;
  unsigned long countByEnumeratingWithState(JRFastEnumerationState* state, JRObject** buffer,
                                            unsigned long length) const;
  // An immutable array: the same object; a mutable one: a new immutable array.
  Ref<JRArray> copy() const;
  // Always a new mutable array with the same elements.
  Ref<JRMutableArray> mutableCopy() const;
  // The mutable view, or nullptr for an immutable array.
  JRMutableArray* asMutable();

  JRFastIterator<JRArray> begin() const { return JRFastIterator<JRArray>(this); }
  JRFastIterator<JRArray> end() const { return {}; }
  [[noreturn]] void raiseMutated() const;

 protected:
  JRArray(bool makeMutable) : JRObject(JRKind::Array, makeMutable ? kMutable : 0) {}
  ~JRArray() = default;
  [[noreturn]] void raiseBeyondBounds(const char* selector, size_t index, size_t bound) const;
  // The elements: right after the header of an immutable array, wherever a mutable one keeps them.
  JRObject* const* objects() const;
  JRObject** immutableSlots() {
    return reinterpret_cast<JRObject**>(reinterpret_cast<char*>(this) + sizeof(JRArray));
  }

  uint32_t count_ = 0;
  uint32_t capacity_ = 0;  // the count, for an immutable array

 private:
  // Takes over count references; nullptr when memory ran out.
  static JRArray* create(JRObject* const* objects, size_t count, bool makeMutable);
  static void destroy(JRArray* array);
  template <int Level>
  static void destroyLevel(JRArray* array);

  friend class JRObject;
  friend class JRParser;
  friend class JRDictionaryEnumerator;
  friend class JRDictionary;
};

class JRMutableArray final : public JRArray {
 public:
  // Inserts at index (index == count appends); nil raises, index > count raises.
  void insertObjectAtIndex(JRObject* object, size_t index);
  void addObject(JRObject* object) { insertObjectAtIndex(object, count_); }
  void removeObjectAtIndex(size_t index);
  void replaceObjectAtIndexWithObject(size_t index, JRObject* object);

 private:
  JRMutableArray() : JRArray(true) {}
  // A created array keeps its first slots in the same block, right after the header.
  JRObject** inlineSlots() {
    return reinterpret_cast<JRObject**>(reinterpret_cast<char*>(this) + sizeof(JRMutableArray));
  }

  JRObject** objects_ = nullptr;
  uint32_t mutations_ = 0;
  uint32_t blockSlots_ = 0;  // slots allocated inside the object's own block
  friend class JRArray;
};

inline JRObject* const* JRArray::objects() const {
  if (isMutable()) return static_cast<const JRMutableArray*>(this)->objects_;
  return reinterpret_cast<JRObject* const*>(reinterpret_cast<const char*>(this) + sizeof(JRArray));
}

// One table slot: empty when key is null.
struct JRHashTableEntry {
  uint32_t keyHash;
  JRObject* key;
  JRObject* object;
};

// The 40 table sizes.
extern const uint32_t JRDictionaryCapacities[40];
// The smallest table size that holds count pairs at a load of at most 1/1.33; 0 when none is
// large enough.
uint32_t JRDictionaryCapacityForCount(size_t count);

class JRDictionaryEnumerator;

// An immutable dictionary is its 24-byte header followed by its table, in one block; a mutable
// one (JRMutableDictionary) adds the fields that let the table move and be changed.
class JRDictionary : public JRObject {
 public:
  uint32_t count() const { return count_; }
  uint32_t capacity() const { return capacity_; }
  uint32_t mutations() const;
  JRObject* objectForKey(const JRObject* key) const;
  // Looks a string key up without making an object for it.
  JRObject* objectForKey(std::string_view key) const;
  // Writes values and keys in slot order; either buffer may be nullptr.
  void getObjectsAndKeys(JRObject** objects, JRObject** keys) const;
  JRDictionaryEnumerator keyEnumerator() const;
  unsigned long countByEnumeratingWithState(JRFastEnumerationState* state, JRObject** buffer,
                                            unsigned long length) const;
  Ref<JRDictionary> copy() const;
  Ref<JRMutableDictionary> mutableCopy() const;
  JRMutableDictionary* asMutable();
  // The raw table, for inspection.
  const JRHashTableEntry* entries() const;
  // The multiplier that takes a hash modulo a table size (see homeSlot).
  static uint64_t modMultiplierFor(uint32_t capacity) {
    return capacity ? UINT64_MAX / capacity + 1 : 0;
  }

  JRFastIterator<JRDictionary> begin() const { return JRFastIterator<JRDictionary>(this); }
  JRFastIterator<JRDictionary> end() const { return {}; }
  [[noreturn]] void raiseMutated() const;

 protected:
  JRDictionary(bool makeMutable) : JRObject(JRKind::Dictionary, makeMutable ? kMutable : 0) {}
  ~JRDictionary() = default;
  const JRHashTableEntry* findEntry(const JRObject* key, uint32_t hash) const;
  size_t gather(JRObject** keys, uint32_t* hashes, JRObject** objects) const;
  JRHashTableEntry* immutableTable() {
    return reinterpret_cast<JRHashTableEntry*>(reinterpret_cast<char*>(this) +
                                               sizeof(JRDictionary));
  }

  uint32_t count_ = 0;
  uint32_t capacity_ = 0;
  uint64_t modMultiplier_ = 0;  // h % capacity_ computed with a multiply instead of a divide

  uint32_t homeSlot(uint32_t hash) const {
    const uint64_t low = modMultiplier_ * hash;
    return static_cast<uint32_t>((static_cast<unsigned __int128>(low) * capacity_) >> 64);
  }
  void setCapacity(uint32_t capacity) {
    capacity_ = capacity;
    modMultiplier_ = modMultiplierFor(capacity);
  }

 private:
  // Takes over the references of count keys and objects; nullptr when memory ran out. A later
  // pair with an equal key releases the earlier one, after settling the decoder's cache when
  // one is given (JRTokenCache::unheld).
  static JRDictionary* create(JRObject* const* keys, const uint32_t* keyHashes,
                              JRObject* const* objects, size_t count, bool makeMutable,
                              JRTokenCache* cache = nullptr);
  static void destroy(JRDictionary* dictionary);

  friend class JRObject;
  friend class JRParser;
  friend class JRDictionaryEnumerator;
};

class JRMutableDictionary final : public JRDictionary {
 public:
  void setObjectForKey(JRObject* object, JRObject* key);
  void removeObjectForKey(const JRObject* key);

 private:
  JRMutableDictionary() : JRDictionary(true) {}
  void resizeIfNecessary();
  void addObject(uint32_t hash, JRObject* key, JRObject* object);
  void removeEntry(JRHashTableEntry* entry);
  // A created dictionary keeps its first table in the same block, right after the header.
  JRHashTableEntry* inlineSlots() {
    return reinterpret_cast<JRHashTableEntry*>(reinterpret_cast<char*>(this) +
                                               sizeof(JRMutableDictionary));
  }

  JRHashTableEntry* entry_ = nullptr;
  uint32_t mutations_ = 0;
  uint32_t blockSlots_ = 0;  // slots allocated inside the object's own block
  friend class JRDictionary;
};

inline const JRHashTableEntry* JRDictionary::entries() const {
  if (isMutable()) return static_cast<const JRMutableDictionary*>(this)->entry_;
  return reinterpret_cast<const JRHashTableEntry*>(reinterpret_cast<const char*>(this) +
                                                   sizeof(JRDictionary));
}

// Walks a dictionary's keys in slot order.
class JRDictionaryEnumerator {
 public:
  explicit JRDictionaryEnumerator(const JRDictionary* dictionary);
  // The next key, or nullptr when the slots are exhausted.
  JRObject* nextObject();
  // The keys nextObject would still return; the enumerator is exhausted afterwards.
  Ref<JRArray> allObjects();

 private:
  Ref<const JRDictionary> collection_;
  uint32_t nextObject_ = 0;
};

inline JRArray* JRArray::create(JRObject* const* objects, size_t count, bool makeMutable) {
  if (count > UINT32_MAX - 64) return nullptr;
  // One block: the header followed by exactly count slots.
  JRArray* array;
  JRObject** slots;
  if (makeMutable) {
    void* memory = jralloc::allocate(sizeof(JRMutableArray) + count * sizeof(JRObject*));
    if (!memory) return nullptr;
    auto* m = new (memory) JRMutableArray();
    m->objects_ = slots = m->inlineSlots();
    m->blockSlots_ = static_cast<uint32_t>(count);
    array = m;
  } else {
    void* memory = jralloc::allocate(sizeof(JRArray) + count * sizeof(JRObject*));
    if (!memory) return nullptr;
    array = new (memory) JRArray(false);
    slots = array->immutableSlots();
  }
  if (count > 8) {
    std::memcpy(slots, objects, count * sizeof(JRObject*));
  } else {
    // Most parsed arrays are short, and their slots were stored one by one an instant ago: they
    // are copied one by one too. A wider load over two such stores cannot take their values
    // straight from them and waits until they are written out, which is after everything before
    // them is done; and a call to memcpy costs more than the copy. Each case is its own block,
    // so the compiler does not merge neighbouring slots into one wide move.
    switch (count) {
      case 8:
        slots[7] = objects[7];
        [[fallthrough]];
      case 7:
        slots[6] = objects[6];
        [[fallthrough]];
      case 6:
        slots[5] = objects[5];
        [[fallthrough]];
      case 5:
        slots[4] = objects[4];
        [[fallthrough]];
      case 4:
        slots[3] = objects[3];
        [[fallthrough]];
      case 3:
        slots[2] = objects[2];
        [[fallthrough]];
      case 2:
        slots[1] = objects[1];
        [[fallthrough]];
      case 1:
        slots[0] = objects[0];
        [[fallthrough]];
      default:
        break;
    }
  }
  array->count_ = array->capacity_ = static_cast<uint32_t>(count);
  return array;
}

}  // namespace tessaly
