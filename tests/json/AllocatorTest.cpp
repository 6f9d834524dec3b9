// The block pool: blocks stay intact until freed, also when another thread frees them while the
// allocating thread goes on filling the same chunk. The pool is forced on here, so the sanitizer
// build exercises it too (it sees the chunks as plain allocations).
#define TESSALY_JSON_POOL 1
#include "json/JRAllocator.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <vector>

namespace tessaly {
namespace {

struct Block {
  unsigned char* p;
  size_t size;
  unsigned char fill;
};

void stamp(const Block& b) {
  std::memset(b.p, b.fill, b.size);
}

bool intact(const Block& b) {
  for (size_t i = 0; i < b.size; ++i)
    if (b.p[i] != b.fill) return false;
  return true;
}

TEST(BlockPool, BlocksStayIntactUntilFreedOnTheSameThread) {
  std::vector<Block> live;
  for (int round = 0; round < 50; ++round) {
    for (int i = 0; i < 2000; ++i) {
      size_t size = 16 + static_cast<size_t>((i * 37 + round) % 300);
      Block b{static_cast<unsigned char*>(jralloc::allocate(size)), size,
              static_cast<unsigned char>(i + round)};
      ASSERT_TRUE(b.p);
      ASSERT_EQ(reinterpret_cast<uintptr_t>(b.p) % 16, 0u);
      stamp(b);
      live.push_back(b);
    }
    // Free every other block, oldest first, so chunks empty out and get reused.
    std::vector<Block> kept;
    for (size_t i = 0; i < live.size(); ++i) {
      ASSERT_TRUE(intact(live[i])) << "round " << round;
      if ((i + static_cast<size_t>(round)) % 2) {
        jralloc::deallocate(live[i].p, live[i].size);
      } else {
        kept.push_back(live[i]);
      }
    }
    live.swap(kept);
  }
  for (const Block& b : live) {
    ASSERT_TRUE(intact(b));
    jralloc::deallocate(b.p, b.size);
  }
}

TEST(BlockPool, AnotherThreadMayFreeWhileTheOwnerAllocates) {
  std::mutex mutex;
  std::condition_variable ready;
  std::deque<Block> handed;
  bool done = false;
  bool corrupted = false;

  std::thread consumer([&] {
    for (;;) {
      std::unique_lock<std::mutex> lock(mutex);
      ready.wait(lock, [&] { return done || !handed.empty(); });
      if (handed.empty() && done) return;
      // Freed as a tree walk frees them, a run of blocks at a time, with nested walks inside.
      std::vector<Block> run;
      while (!handed.empty() && run.size() < 64) {
        run.push_back(handed.front());
        handed.pop_front();
      }
      lock.unlock();
      jralloc::TreeWalk walk;
      for (size_t i = 0; i < run.size(); ++i) {
        if (!intact(run[i])) corrupted = true;
        if (i % 8 == 4) {
          jralloc::TreeWalk nested;
          jralloc::deallocate(run[i].p, run[i].size);
        } else {
          jralloc::deallocate(run[i].p, run[i].size);
        }
      }
    }
  });

  std::vector<Block> mine;
  for (int i = 0; i < 60000; ++i) {
    size_t size = 16 + static_cast<size_t>(i % 200);
    Block b{static_cast<unsigned char*>(jralloc::allocate(size)), size,
            static_cast<unsigned char>(i * 7)};
    ASSERT_TRUE(b.p);
    stamp(b);
    if (i % 3) {
      std::lock_guard<std::mutex> lock(mutex);
      handed.push_back(b);
      ready.notify_one();
    } else {
      mine.push_back(b);
    }
    if (mine.size() > 500) {  // the owner frees some of its own too
      ASSERT_TRUE(intact(mine.front()));
      jralloc::deallocate(mine.front().p, mine.front().size);
      mine.erase(mine.begin());
    }
  }
  {
    std::lock_guard<std::mutex> lock(mutex);
    done = true;
    ready.notify_one();
  }
  consumer.join();
  EXPECT_FALSE(corrupted);
  for (const Block& b : mine) {
    ASSERT_TRUE(intact(b));
    jralloc::deallocate(b.p, b.size);
  }
}

TEST(BlockPool, ChunksEmptiedDuringATreeWalkAreReused) {
  // Each round fills about ten chunks and frees them all in one walk; if the walk's counts were
  // not settled, every round would need fresh chunks.
  std::set<uintptr_t> chunks;
  for (int round = 0; round < 200; ++round) {
    std::vector<Block> blocks;
    for (int i = 0; i < 3000; ++i) {
      Block b{static_cast<unsigned char*>(jralloc::allocate(48)), 48,
              static_cast<unsigned char>(i + round)};
      ASSERT_TRUE(b.p);
      stamp(b);
      chunks.insert(reinterpret_cast<uintptr_t>(b.p) & ~(jralloc::kChunkBytes - 1));
      blocks.push_back(b);
    }
    jralloc::TreeWalk walk;
    for (const Block& b : blocks) {
      ASSERT_TRUE(intact(b)) << "round " << round;
      jralloc::deallocate(b.p, b.size);
    }
  }
  EXPECT_LT(chunks.size(), 40u);
}

TEST(BlockPool, FreesCountedTogetherEmptyTheirChunksAsSingleFreesDo) {
  // Groups like a coordinate pair (two numbers, then their array) freed with one count each,
  // in a walk and outside one. Groups cross chunk boundaries, so some frees fall outside the
  // anchor's chunk; and every other group keeps one block until the next round. A count lost
  // or taken twice would keep chunks from being reused, or reuse one with a live block in it.
  std::set<uintptr_t> chunks;
  std::vector<Block> kept;
  for (int round = 0; round < 200; ++round) {
    std::vector<std::vector<Block>> groups;
    for (int g = 0; g < 1200; ++g) {
      std::vector<Block> group;
      for (size_t size : {16, 16, 32}) {
        Block b{static_cast<unsigned char*>(jralloc::allocate(size)), size,
                static_cast<unsigned char>(g * 3 + round + group.size())};
        ASSERT_TRUE(b.p);
        stamp(b);
        chunks.insert(reinterpret_cast<uintptr_t>(b.p) & ~(jralloc::kChunkBytes - 1));
        group.push_back(b);
      }
      groups.push_back(std::move(group));
    }
    for (const Block& b : kept) {
      ASSERT_TRUE(intact(b)) << "round " << round;
      jralloc::deallocate(b.p, b.size);
    }
    kept.clear();
    std::optional<jralloc::TreeWalk> walk;
    if (round % 2) walk.emplace();
    for (size_t g = 0; g < groups.size(); ++g) {
      const std::vector<Block>& group = groups[g];
      jralloc::ChunkFrees frees(group.back().p);
      for (const Block& b : group) {
        ASSERT_TRUE(intact(b)) << "round " << round;
        if (g % 2 && &b == &group.front())
          kept.push_back(b);
        else
          frees.free(b.p, b.size);
      }
    }
  }
  for (const Block& b : kept) {
    ASSERT_TRUE(intact(b));
    jralloc::deallocate(b.p, b.size);
  }
  EXPECT_LT(chunks.size(), 40u);
}

TEST(BlockPool, AChunkEmptiedByAWalkIsFreeWhenTheWalkEnds) {
  auto chunkOf = [](void* p) {
    return reinterpret_cast<uintptr_t>(p) & ~(jralloc::kChunkBytes - 1);
  };
  // Fill chunk A and start B, then free all of A in one walk.
  std::vector<void*> inA;
  std::vector<void*> inB;
  void* first = jralloc::allocate(64);
  const uintptr_t a = chunkOf(first);
  inA.push_back(first);
  for (;;) {
    void* p = jralloc::allocate(64);
    if (chunkOf(p) != a) {
      inB.push_back(p);
      break;
    }
    inA.push_back(p);
  }
  {
    jralloc::TreeWalk walk;
    for (void* p : inA) jralloc::deallocate(p, 64);
  }
  // The next chunk taken is the one given back last: A, if the walk settled its count.
  const uintptr_t b = chunkOf(inB.front());
  uintptr_t next = b;
  while (next == b) {
    void* p = jralloc::allocate(64);
    next = chunkOf(p);
    inB.push_back(p);
  }
  EXPECT_EQ(next, a);
  for (void* p : inB) jralloc::deallocate(p, 64);
}

TEST(BlockPool, TheChunksOfAFreedTreeGoBackToTheSystem) {
  // About 48 MiB of small blocks take several mappings of growing size; freed in one walk, all
  // but the spares and the mapping still being carved are unmapped again.
  const size_t before = jralloc::mappedChunkBytes();
  std::vector<Block> blocks;
  for (int i = 0; i < 1000000; ++i) {
    Block b{static_cast<unsigned char*>(jralloc::allocate(48)), 48,
            static_cast<unsigned char>(i * 13)};
    ASSERT_TRUE(b.p);
    stamp(b);
    blocks.push_back(b);
  }
  const size_t peak = jralloc::mappedChunkBytes();
  EXPECT_GE(peak, before + (size_t{40} << 20));
  {
    jralloc::TreeWalk walk;
    for (const Block& b : blocks) {
      ASSERT_TRUE(intact(b));
      jralloc::deallocate(b.p, b.size);
    }
  }
  EXPECT_LE(jralloc::mappedChunkBytes(), before + (size_t{64 + 8} << 20)) << "peak " << peak;
}

TEST(BlockPool, LargeStorageGrowsKeepingItsContents) {
  // From malloc'd bytes into a mapping, then mapping to mapping (moved, not copied), then freed.
  size_t bytes = 1000;
  auto* p = static_cast<unsigned char*>(jralloc::growLarge(nullptr, 0, bytes));
  ASSERT_TRUE(p);
  std::memset(p, 0x5A, bytes);
  for (size_t next : {size_t{5} << 20, size_t{9} << 20, size_t{33} << 20}) {
    p = static_cast<unsigned char*>(jralloc::growLarge(p, bytes, next));
    ASSERT_TRUE(p);
    for (size_t i = 0; i < bytes; i += 4093) ASSERT_EQ(p[i], 0x5A) << i << " of " << bytes;
    ASSERT_EQ(p[bytes - 1], 0x5A);
    std::memset(p + bytes, 0x5A, next - bytes);  // every new byte is writable
    bytes = next;
  }
  jralloc::freeLarge(p, bytes);
  // Blocks of a huge array come from the same storage through the block interface.
  Block b{static_cast<unsigned char*>(jralloc::allocate(size_t{6} << 20)), size_t{6} << 20, 0x33};
  ASSERT_TRUE(b.p);
  stamp(b);
  EXPECT_TRUE(intact(b));
  jralloc::deallocate(b.p, b.size);
}

}  // namespace
}  // namespace tessaly
