// Small-block pool for values and collections: the decoder makes one object per distinct value,
// so allocation decides much of the throughput. Blocks up to 256 bytes come from per-thread free
// lists of 16-byte size classes carved from 64 KiB chunks; larger ones use malloc. A block may be
// freed on any thread (it then joins that thread's list). Chunks are kept for reuse, never
// returned. Sanitizer builds use malloc for everything so that misuse stays visible.
#pragma once

#include <cstddef>
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

inline constexpr size_t kLargestPooled = 256;
inline constexpr size_t kClasses = kLargestPooled / 16;

struct FreeLists {
  void* head[kClasses];
  char* bump;
  char* bumpEnd;
};

extern constinit thread_local FreeLists tlsFreeLists;
void* refill(size_t sizeClass);

inline void* allocate(size_t size) {
#if TESSALY_JSON_POOL
  if (size <= kLargestPooled) {
    const size_t c = (size - 1) >> 4;
    FreeLists& lists = tlsFreeLists;
    if (void* p = lists.head[c]) {
      void* next = *static_cast<void**>(p);
      lists.head[c] = next;
      __builtin_prefetch(next, 1);  // freed blocks are scattered: fetch the next one early
      return p;
    }
    const size_t bytes = (c + 1) << 4;
    if (static_cast<size_t>(lists.bumpEnd - lists.bump) >= bytes) {
      void* p = lists.bump;
      lists.bump += bytes;
      return p;
    }
    return refill(c);
  }
#endif
  return std::malloc(size);
}

inline void deallocate(void* p, size_t size) {
#if TESSALY_JSON_POOL
  if (size <= kLargestPooled) {
    const size_t c = (size - 1) >> 4;
    FreeLists& lists = tlsFreeLists;
    *static_cast<void**>(p) = lists.head[c];
    lists.head[c] = p;
    return;
  }
#endif
  (void)size;
  std::free(p);
}

}  // namespace tessaly::jralloc
