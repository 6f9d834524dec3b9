// Block allocator for values and collections: the decoder makes one object per distinct value,
// so allocation decides much of the throughput. Blocks up to 1 KiB are bump-allocated from
// 16 KiB chunks owned by the allocating thread; each chunk counts its live blocks and is reused
// or freed when the count returns to 0 and the thread has moved on to another chunk. So a tree
// is laid out in the order it was parsed and freeing it walks memory in order. One live block
// keeps its whole chunk. Like the reference counts, a block must be freed by the thread that
// holds its objects at that time; a chunk is never shared by two threads at once. Larger blocks
// use malloc, and sanitizer builds use malloc for everything so that misuse stays visible.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace tessaly::jralloc {

#if defined(__SANITIZE_ADDRESS__) || defined(TESSALY_JSON_PLAIN_MALLOC)
#define TESSALY_JSON_POOL 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TESSALY_JSON_POOL 0
#endif
#endif
#ifndef TESSALY_JSON_POOL
#define TESSALY_JSON_POOL 1
#endif

inline constexpr size_t kChunkBytes = 16 * 1024;
inline constexpr size_t kLargestPooled = 1024;

struct alignas(16) Chunk {
  uint32_t live;     // blocks handed out and not yet freed
  uint32_t retired;  // 1 once its thread bumps in another chunk
};

struct Arena {
  char* bump;
  char* end;
  Chunk* current;
};

extern constinit thread_local Arena tlsArena;
void* allocateSlow(size_t size);
void retire(Chunk* chunk);

inline void* allocate(size_t size) {
#if TESSALY_JSON_POOL
  if (size <= kLargestPooled) {
    size = (size + 15) & ~size_t{15};
    Arena& a = tlsArena;
    if (static_cast<size_t>(a.end - a.bump) >= size) {
      void* p = a.bump;
      a.bump += size;
      ++a.current->live;
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
    if (--chunk->live == 0) retire(chunk);
    return;
  }
#endif
  (void)size;
  std::free(p);
}

}  // namespace tessaly::jralloc
