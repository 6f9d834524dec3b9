#include "json/JRAllocator.h"

#include <mutex>
#include <new>

namespace tessaly::jralloc {

constinit thread_local Arena tlsArena{};

namespace {

// Empty chunks are kept for reuse (up to 4 MiB), so that parsing document after document does not
// go back to the system for every chunk. Taking or giving one costs a lock per 16 KiB.
constexpr int kSpareChunks = 256;
std::mutex gSparesMutex;
Chunk* gSpares[kSpareChunks];
int gSpareCount = 0;

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
  {
    std::lock_guard<std::mutex> lock(gSparesMutex);
    if (gSpareCount < kSpareChunks) {
      gSpares[gSpareCount++] = chunk;
      return;
    }
  }
  std::free(chunk);
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
      if (gSpareCount) chunk = gSpares[--gSpareCount];
    }
    if (!chunk) chunk = static_cast<Chunk*>(std::aligned_alloc(kChunkBytes, kChunkBytes));
    if (!chunk) return nullptr;
    new (chunk) Chunk{};
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

}  // namespace tessaly::jralloc
