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
      Block b = handed.front();
      handed.pop_front();
      lock.unlock();
      if (!intact(b)) corrupted = true;
      jralloc::deallocate(b.p, b.size);
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

}  // namespace
}  // namespace tessaly
