// Block allocator for values and collections: the decoder makes one object per distinct value,
// so allocation decides much of the throughput. Blocks up to 1 KiB are bump-allocated from
// 16 KiB chunks; each thread fills its own current chunk, so a tree is laid out in parse order
// and freeing it walks memory in order. A chunk is reused or freed once all its blocks are gone.
// While a chunk is its thread's current one, that thread counts its allocations and its own
// frees in plain fields; other threads (a tree handed to another thread and released there)
// and everyone after the chunk is retired count down an atomic balance, into which the owner
// adds its net count when it retires the chunk. Exactly one party sees the balance reach 0.
// While a tree is torn down, frees of a retired chunk are counted in a plain field and taken from
// its balance in one step when the walk moves on to another chunk or ends: the tree was laid out
// in order, so one atomic step covers hundreds of blocks. One live block keeps its whole chunk.
// Larger blocks use malloc, and sanitizer builds use malloc for everything so that misuse stays
// visible.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace tessaly::jralloc {

#ifndef TESSALY_JSON_POOL
#if defined(__SANITIZE_ADDRESS__) || defined(TESSALY_JSON_PLAIN_MALLOC)
#define TESSALY_JSON_POOL 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TESSALY_JSON_POOL 0
#endif
#endif
#endif
#ifndef TESSALY_JSON_POOL
#define TESSALY_JSON_POOL 1
#endif

inline constexpr size_t kChunkBytes = 16 * 1024;
inline constexpr size_t kLargestPooled = 1024;

struct alignas(16) Chunk {
  std::atomic<int64_t> balance;  // published allocations minus frees counted here
};

struct Arena {
  char* bump;
  char* end;
  Chunk* current;
  int64_t allocations;  // in the current chunk, not yet published
  int64_t ownFrees;     // of blocks of the current chunk by this thread
  Chunk* batched;       // a retired chunk whose frees during a tree walk are still counted here
  int64_t batchedFrees;
  int treeWalks;  // tree walks under way on this thread (nested collections nest them)
};

extern constinit thread_local Arena tlsArena;
void* allocateSlow(size_t size);
void chunkEmptied(Chunk* chunk);
void flushBatch(Arena& a);

inline void* allocate(size_t size) {
#if TESSALY_JSON_POOL
  if (size <= kLargestPooled) {
    size = (size + 15) & ~size_t{15};
    Arena& a = tlsArena;
    if (static_cast<size_t>(a.end - a.bump) >= size) {
      void* p = a.bump;
      a.bump += size;
      ++a.allocations;
      return p;
    }
    return allocateSlow(size);
  }
#endif
  return std::malloc(size);
}

inline void deallocate(void* p, size_t size) {
#if TESSALY_JSON_POOL
  if (size <= kLargestPooled) {
    auto* chunk = reinterpret_cast<Chunk*>(reinterpret_cast<uintptr_t>(p) & ~(kChunkBytes - 1));
    Arena& a = tlsArena;
    if (chunk == a.current) {
      ++a.ownFrees;
    } else if (chunk == a.batched) {
      ++a.batchedFrees;
    } else if (a.treeWalks) {
      flushBatch(a);
      a.batched = chunk;
      a.batchedFrees = 1;
    } else if (chunk->balance.fetch_sub(1, std::memory_order_acq_rel) == 1) {
      chunkEmptied(chunk);
    }
    return;
  }
#endif
  (void)size;
  std::free(p);
}

// Marks the teardown of a tree; the outermost one settles the batched frees when it ends.
class TreeWalk {
 public:
  TreeWalk() { ++tlsArena.treeWalks; }
  ~TreeWalk() {
    Arena& a = tlsArena;
    if (--a.treeWalks == 0 && a.batched) flushBatch(a);
  }
  TreeWalk(const TreeWalk&) = delete;
  TreeWalk& operator=(const TreeWalk&) = delete;
};

}  // namespace tessaly::jralloc
