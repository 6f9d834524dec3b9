// Block allocator for values and collections: the decoder makes one object per distinct value,
// so allocation decides much of the throughput. Blocks up to 1 KiB are bump-allocated from
// 16 KiB chunks; each thread fills its own current chunk, so a tree is laid out in parse order
// and freeing it walks memory in order. A chunk is reused, or given back to the mapping it came
// from, once all its blocks are gone.
// While a chunk is its thread's current one, that thread counts its allocations and its own
// frees in plain fields; other threads (a tree handed to another thread and released there)
// and everyone after the chunk is retired count down an atomic balance, into which the owner
// adds its net count when it retires the chunk. Exactly one party sees the balance reach 0.
// While a tree is torn down, frees of a retired chunk are counted in a plain field and taken from
// its balance in one step when the walk moves on to another chunk or ends: the tree was laid out
// in order, so one atomic step covers hundreds of blocks. One live block keeps its whole chunk.
// Chunks are carved from mappings that grow with the memory in use (1 MiB, then as much again
// as is mapped already, up to 64 MiB), so a huge document takes few system calls and, from 4 MiB
// on, huge pages: on a virtual machine every page fault is dear. A mapping is returned once
// all its chunks are empty and not kept as spares. Larger blocks use malloc, and from 4 MiB on
// a mapping with huge pages of their own. Sanitizer builds use malloc for every block so that
// misuse stays visible (only growLarge's storage is mapped there too).
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

struct Region;

struct alignas(16) Chunk {
  std::atomic<int64_t> balance;  // published allocations minus frees counted here
  Region* region;                // the mapping the chunk was carved from
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
void* allocateLarge(size_t size);

// Storage that may grow to hundreds of megabytes (the decoder's object stack, the blocks of huge
// arrays): from 4 MiB on it is a mapping with huge pages, which grows by moving the mapping rather
// than by copying, and whose pages are only touched when written. growLarge keeps the old block
// when it fails, as realloc does; p may be null when oldBytes is 0.
void* growLarge(void* p, size_t oldBytes, size_t newBytes);
void freeLarge(void* p, size_t bytes);
// Bytes mapped for chunks now, spares included (for tests).
size_t mappedChunkBytes();

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
  return allocateLarge(size);
#else
  return std::malloc(size);
#endif
}

#if TESSALY_JSON_POOL
inline Chunk* chunkOf(const void* p) {
  return reinterpret_cast<Chunk*>(reinterpret_cast<uintptr_t>(p) & ~(kChunkBytes - 1));
}

// n frees of pooled blocks of one chunk, counted as n calls of deallocate would count them.
inline void deallocateCounted(Chunk* chunk, int64_t n) {
  Arena& a = tlsArena;
  if (chunk == a.current) {
    a.ownFrees += n;
  } else if (chunk == a.batched) {
    a.batchedFrees += n;
  } else if (a.treeWalks) {
    flushBatch(a);
    a.batched = chunk;
    a.batchedFrees = n;
  } else if (chunk->balance.fetch_sub(n, std::memory_order_acq_rel) == n) {
    chunkEmptied(chunk);
  }
}
#endif

inline void deallocate(void* p, size_t size) {
#if TESSALY_JSON_POOL
  if (size <= kLargestPooled) {
    deallocateCounted(chunkOf(p), 1);
    return;
  }
  freeLarge(p, size);
#else
  (void)size;
  std::free(p);
#endif
}

// Frees counted in a register while they fall in one chunk, the chunk of an anchor block, and
// passed on in one step when the count ends; frees of blocks elsewhere go on at once. The blocks
// of a tree lie in parse order, so a short array and its numbers nearly always share a chunk,
// and a count kept in memory would be read and written back once per block freed.
class ChunkFrees {
 public:
  explicit ChunkFrees(const void* anchor) {
#if TESSALY_JSON_POOL
    chunk_ = chunkOf(anchor);
#else
    (void)anchor;
#endif
  }
  ChunkFrees(const ChunkFrees&) = delete;
  ChunkFrees& operator=(const ChunkFrees&) = delete;
  ~ChunkFrees() {
#if TESSALY_JSON_POOL
    if (count_) deallocateCounted(chunk_, count_);
#endif
  }

  void free(void* p, size_t size) {
#if TESSALY_JSON_POOL
    if (size <= kLargestPooled && chunkOf(p) == chunk_) {
      ++count_;
      return;
    }
#endif
    deallocate(p, size);
  }

 private:
#if TESSALY_JSON_POOL
  Chunk* chunk_;
  int64_t count_ = 0;
#endif
};

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
