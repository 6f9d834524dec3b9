#include "json/JRAllocator.h"

#include <new>

namespace tessaly::jralloc {

constinit thread_local Arena tlsArena{};

namespace {

// A few empty chunks are kept per thread so that parsing document after document does not go
// back to the system for every chunk.
constexpr int kSpareChunks = 256;
struct Spares {
  Chunk* chunks[kSpareChunks];
  int count;
};
constinit thread_local Spares tlsSpares{};

char* firstBlock(Chunk* chunk) {
  return reinterpret_cast<char*>(chunk) + sizeof(Chunk);
}

}  // namespace

void retire(Chunk* chunk) {
  Arena& a = tlsArena;
  if (chunk == a.current) {
    // Everything in the current chunk is gone: start it over.
    a.bump = firstBlock(chunk);
    return;
  }
  if (!chunk->retired) return;  // still another thread's current chunk
  Spares& spares = tlsSpares;
  if (spares.count < kSpareChunks) {
    spares.chunks[spares.count++] = chunk;
  } else {
    std::free(chunk);
  }
}

void* allocateSlow(size_t size) {
  Arena& a = tlsArena;
  if (a.current) {
    if (a.current->live == 0) {
      a.bump = firstBlock(a.current);  // nothing lives here any more: reuse it
    } else {
      a.current->retired = 1;
      a.current = nullptr;
    }
  }
  if (!a.current) {
    Spares& spares = tlsSpares;
    Chunk* chunk = spares.count ? spares.chunks[--spares.count]
                                : static_cast<Chunk*>(std::aligned_alloc(kChunkBytes, kChunkBytes));
    if (!chunk) return nullptr;
    chunk->live = 0;
    chunk->retired = 0;
    a.current = chunk;
    a.bump = firstBlock(chunk);
    a.end = reinterpret_cast<char*>(chunk) + kChunkBytes;
  }
  void* p = a.bump;
  a.bump += size;
  ++a.current->live;
  return p;
}

}  // namespace tessaly::jralloc
