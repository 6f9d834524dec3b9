#include "json/JRAllocator.h"

#include <sys/mman.h>

#include <cstring>
#include <mutex>
#include <new>

namespace tessaly::jralloc {

constinit thread_local Arena tlsArena{};

namespace {

// Empty chunks are kept for reuse (up to 16 MiB), so that parsing document after document does not
// go back to the system for every chunk: a tree of a few megabytes (a country's outline) that is
// freed and read again would otherwise give its mapping back and fault it in anew every time.
// Taking or giving one costs a lock per 16 KiB; the lock also guards the mappings below.
constexpr int kSpareChunks = 1024;
std::mutex gSparesMutex;
Chunk* gSpares[kSpareChunks];
int gSpareCount = 0;

constexpr size_t kHugePage = size_t{2} << 20;
constexpr size_t kSmallestRegion = size_t{1} << 20;
constexpr size_t kLargestRegion = size_t{64} << 20;
// From this size on, blocks and regions are mappings of their own, with huge pages.
constexpr size_t kMappedBytes = size_t{4} << 20;

size_t roundUp(size_t n, size_t multiple) {
  return (n + multiple - 1) / multiple * multiple;
}

// bytes of fresh zero pages at a multiple of alignment (a power of two, at least a page);
// nullptr when the system has none. From kMappedBytes on the kernel is asked for huge pages.
void* mapAligned(size_t bytes, size_t alignment) {
  const size_t padded = bytes + alignment;
  void* raw = mmap(nullptr, padded, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const uintptr_t start = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t aligned = (start + alignment - 1) & ~(alignment - 1);
  if (aligned > start) munmap(raw, aligned - start);
  const uintptr_t tail = aligned + bytes;
  if (start + padded > tail) munmap(reinterpret_cast<void*>(tail), start + padded - tail);
  void* p = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
  if (bytes >= kMappedBytes) madvise(p, bytes, MADV_HUGEPAGE);
#endif
  return p;
}

}  // namespace

// A mapping chunks are carved from, in order; unmapped when every chunk carved from it has come
// back (beyond the spares).
struct Region {
  char* base;
  size_t bytes;
  size_t carved;  // bytes handed out as chunks so far
  size_t live;    // chunks handed out and not yet given back
  Region* previous;
  Region* next;
};

namespace {

Region* gCarving = nullptr;  // the region chunks are carved from now
Region* gRegions = nullptr;  // every region, linked so that the records stay reachable
size_t gMappedRegionBytes = 0;

void unmapRegion(Region* region) {
  munmap(region->base, region->bytes);
  gMappedRegionBytes -= region->bytes;
  if (region->previous) region->previous->next = region->next;
  if (region->next) region->next->previous = region->previous;
  if (gRegions == region) gRegions = region->next;
  delete region;
}

// A chunk carved from the current region, or from a new one as large as all mapped so far
// (within bounds), so that the number of mappings grows with the logarithm of the memory in use.
// Called with the lock held.
Chunk* carveChunk() {
  if (!gCarving || gCarving->carved == gCarving->bytes) {
    if (gCarving && gCarving->live == 0) unmapRegion(gCarving);  // all came back meanwhile
    gCarving = nullptr;
    size_t bytes = gMappedRegionBytes < kSmallestRegion  ? kSmallestRegion
                   : gMappedRegionBytes > kLargestRegion ? kLargestRegion
                                                         : roundUp(gMappedRegionBytes, kHugePage);
    auto* region = new (std::nothrow) Region{nullptr, bytes, 0, 0, nullptr, gRegions};
    if (!region) return nullptr;
    region->base =
        static_cast<char*>(mapAligned(bytes, bytes >= kMappedBytes ? kHugePage : kChunkBytes));
    if (!region->base) {
      delete region;
      return nullptr;
    }
    gMappedRegionBytes += bytes;
    if (gRegions) gRegions->previous = region;
    gRegions = region;
    gCarving = region;
  }
  auto* chunk = reinterpret_cast<Chunk*>(gCarving->base + gCarving->carved);
  gCarving->carved += kChunkBytes;
  ++gCarving->live;
  chunk->region = gCarving;
  return chunk;
}

// At thread exit the current chunk is published; whoever frees its last block frees it (or
// this hook, when nothing lives in it any more).
struct ThreadExit {
  bool armed = false;
  ~ThreadExit() {
    Arena& a = tlsArena;
    flushBatch(a);
    if (!a.current) return;
    const int64_t net = a.allocations - a.ownFrees;
    if (a.current->balance.fetch_add(net, std::memory_order_acq_rel) + net == 0)
      chunkEmptied(a.current);
    a = Arena{};
  }
};
thread_local ThreadExit tlsThreadExit;

char* firstBlock(Chunk* chunk) {
  return reinterpret_cast<char*>(chunk) + sizeof(Chunk);
}

}  // namespace

void chunkEmptied(Chunk* chunk) {
  std::lock_guard<std::mutex> lock(gSparesMutex);
  if (gSpareCount < kSpareChunks) {
    gSpares[gSpareCount++] = chunk;
    return;
  }
  Region* region = chunk->region;
  if (--region->live == 0 && region != gCarving) unmapRegion(region);
}

void flushBatch(Arena& a) {
  Chunk* chunk = a.batched;
  const int64_t frees = a.batchedFrees;
  a.batched = nullptr;
  a.batchedFrees = 0;
  if (chunk && chunk->balance.fetch_sub(frees, std::memory_order_acq_rel) == frees)
    chunkEmptied(chunk);
}

void* allocateSlow(size_t size) {
  Arena& a = tlsArena;
  if (a.current) {
    // Publish this thread's net count; if nothing lives in the chunk any more, start it over.
    const int64_t net = a.allocations - a.ownFrees;
    if (a.current->balance.fetch_add(net, std::memory_order_acq_rel) + net == 0) {
      a.current->balance.store(0, std::memory_order_relaxed);
    } else {
      a.current = nullptr;
    }
    a.allocations = 0;
    a.ownFrees = 0;
  }
  if (!a.current) {
    tlsThreadExit.armed = true;  // first use on this thread registers the exit hook
    Chunk* chunk = nullptr;
    {
      std::lock_guard<std::mutex> lock(gSparesMutex);
      chunk = gSpareCount ? gSpares[--gSpareCount] : carveChunk();
    }
    if (!chunk) return nullptr;
    chunk->balance.store(0, std::memory_order_relaxed);
    a.current = chunk;
    a.end = reinterpret_cast<char*>(chunk) + kChunkBytes;
  }
  a.bump = firstBlock(a.current);
  void* p = a.bump;
  a.bump += size;
  ++a.allocations;
  return p;
}

// Mapped in every build (sanitizers do not see these few huge blocks, but the tests reach them).
namespace {
bool mapped(size_t bytes) {
  return bytes >= kMappedBytes;
}
}  // namespace

size_t mappedChunkBytes() {
  std::lock_guard<std::mutex> lock(gSparesMutex);
  return gMappedRegionBytes;
}

void* allocateLarge(size_t size) {
  return mapped(size) ? mapAligned(roundUp(size, kHugePage), kHugePage) : std::malloc(size);
}

void* growLarge(void* p, size_t oldBytes, size_t newBytes) {
  if (!mapped(newBytes)) return std::realloc(p, newBytes);
  if (mapped(oldBytes)) {
    void* q = mremap(p, roundUp(oldBytes, kHugePage), roundUp(newBytes, kHugePage), MREMAP_MAYMOVE);
    return q == MAP_FAILED ? nullptr : q;
  }
  void* q = allocateLarge(newBytes);
  if (!q) return nullptr;
  if (oldBytes) std::memcpy(q, p, oldBytes);
  std::free(p);
  return q;
}

void freeLarge(void* p, size_t bytes) {
  if (!p) return;
  if (mapped(bytes))
    munmap(p, roundUp(bytes, kHugePage));
  else
    std::free(p);
}

}  // namespace tessaly::jralloc
