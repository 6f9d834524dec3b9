#include "platform/foundation/RunLoop.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using tessaly::platform::RunLoop;

TEST(RunLoop, TasksPostedDuringATurnRunInTheNextTurnAndObserversSeeEachTurn) {
  RunLoop loop;
  std::vector<int> order;
  int turns = 0;
  loop.addTurnObserver([&] { ++turns; });
  loop.post([&] {
    order.push_back(1);
    loop.post([&] { order.push_back(3); });
  });
  loop.post([&] { order.push_back(2); });
  EXPECT_EQ(loop.runTurn(), 2u);
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  EXPECT_EQ(loop.runUntilIdle(), 1u);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(turns, 2);
  EXPECT_EQ(loop.runTurn(), 0u);
  EXPECT_EQ(turns, 2);
}

TEST(RunLoop, TestClockFiresTimersInTimeOrderAndRepeats) {
  RunLoop loop;
  loop.useTestClock(100);
  std::vector<std::pair<int, double>> fired;
  loop.schedule(0.5, [&] { fired.push_back({1, loop.now()}); });
  loop.schedule(0.2, [&] { fired.push_back({2, loop.now()}); });
  auto repeating = loop.schedule(
      0.3,
      [&] {
        fired.push_back({3, loop.now()});
      },
      0.3);
  loop.advance(0.1);
  EXPECT_TRUE(fired.empty());
  loop.advance(0.6);
  ASSERT_EQ(fired.size(), 4u);
  EXPECT_EQ(fired[0], std::make_pair(2, 100.2));
  EXPECT_EQ(fired[1].first, 3);
  EXPECT_EQ(fired[2].first, 1);
  EXPECT_EQ(fired[3].first, 3);
  EXPECT_DOUBLE_EQ(fired[3].second, 100.6);
  loop.cancel(repeating);
  loop.advance(5);
  EXPECT_EQ(fired.size(), 4u);
  EXPECT_DOUBLE_EQ(loop.now(), 105.7);
}

TEST(RunLoop, RepeatingTimerKeepsItsScheduleWhenWokenLate) {
  RunLoop loop;
  loop.useTestClock(0);
  std::vector<double> fired;
  loop.schedule(
      0.025, [&] { fired.push_back(loop.now()); }, 0.025);
  // Woken 5 ms late: the next firing is still due on the timer's own grid.
  loop.useTestClock(0.030);
  loop.runTurn();
  loop.useTestClock(0.049);
  loop.runTurn();
  EXPECT_EQ(fired.size(), 1u);
  loop.useTestClock(0.050);
  loop.runTurn();
  ASSERT_EQ(fired.size(), 2u);
  // Far behind: missed firings are dropped, not run in a burst.
  loop.useTestClock(1.0);
  loop.runTurn();
  loop.runTurn();
  EXPECT_EQ(fired.size(), 3u);
  loop.useTestClock(1.025);
  loop.runTurn();
  EXPECT_EQ(fired.size(), 4u);
}

TEST(RunLoop, RunWakesForTasksFromOtherThreadsAndStops) {
  RunLoop loop;
  int seen = 0;
  std::thread poster([&] {
    for (int i = 0; i < 100; ++i) loop.post([&] { ++seen; });
    loop.post([&] { loop.stop(); });
  });
  loop.run();
  poster.join();
  EXPECT_EQ(seen, 100);
}

TEST(RunLoop, RunFiresRealTimers) {
  RunLoop loop;
  bool fired = false;
  loop.schedule(0.01, [&] {
    fired = true;
    loop.stop();
  });
  loop.run();
  EXPECT_TRUE(fired);
}
