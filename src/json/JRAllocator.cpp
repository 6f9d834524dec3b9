#include "json/JRAllocator.h"

#include <mutex>
#include <new>
#include <vector>

namespace tessaly::jralloc {

constinit thread_local FreeLists tlsFreeLists{};

namespace {

constexpr size_t kChunkBytes = 64 * 1024;

// Every chunk stays reachable from here, so leak checkers see pooled blocks as held.
std::mutex gChunksMutex;
std::vector<void*>* gChunks = new std::vector<void*>;

}  // namespace

void* refill(size_t sizeClass) {
  FreeLists& lists = tlsFreeLists;
  // The rest of the old chunk goes onto the free lists, largest pieces first.
  while (lists.bump && lists.bump < lists.bumpEnd) {
    size_t left = static_cast<size_t>(lists.bumpEnd - lists.bump);
    size_t c = (left >= kLargestPooled ? kLargestPooled : left) / 16 - 1;
    *reinterpret_cast<void**>(lists.bump) = lists.head[c];
    lists.head[c] = lists.bump;
    lists.bump += (c + 1) * 16;
  }
  void* chunk = std::malloc(kChunkBytes);
  if (!chunk) return nullptr;
  {
    std::lock_guard<std::mutex> lock(gChunksMutex);
    gChunks->push_back(chunk);
  }
  lists.bump = static_cast<char*>(chunk);
  lists.bumpEnd = lists.bump + kChunkBytes;
  void* p = lists.bump;
  lists.bump += (sizeClass + 1) * 16;
  return p;
}

}  // namespace tessaly::jralloc
