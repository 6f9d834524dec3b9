#pragma once
// The main run loop: everything the application does runs here. Other threads (HTTP transfers,
// the web server) only post tasks to it. Tests drive it explicitly: run until idle, advance a
// test clock; nothing ever sleeps in a test.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

namespace tessaly::platform {

class RunLoop {
 public:
  using Task = std::function<void()>;
  using TimerId = std::uint64_t;

  // The process's main loop.
  static RunLoop& main();

  RunLoop() = default;
  RunLoop(const RunLoop&) = delete;
  RunLoop& operator=(const RunLoop&) = delete;

  // Queues a task for the next turn. Safe from any thread.
  void post(Task task);

  // Runs the task after delaySeconds (on the loop's clock); repeats every repeatSeconds if > 0.
  // Safe from any thread.
  TimerId schedule(double delaySeconds, Task task, double repeatSeconds = 0);
  void cancel(TimerId id);

  // Seconds on the loop's clock: a steady clock, or the test clock once useTestClock was called.
  double now() const;
  void useTestClock(double start = 0);
  bool usesTestClock() const;
  // Test clock only: moves time forward step by step, firing each timer at its own time.
  void advance(double seconds);

  // One turn: runs the tasks queued before it began and the timers due now, then the turn
  // observers if anything ran. Returns the number of tasks and timers run.
  std::size_t runTurn();
  // Turns until nothing is queued and no timer is due. Returns the number run.
  std::size_t runUntilIdle();
  // Turns until stop(); waits for tasks and timers in between (real clock).
  void run();
  void stop();

  // Called after every turn that ran something (the web host takes one snapshot there).
  void addTurnObserver(Task observer);

  // Forgets every task, timer and observer and returns to the real clock (between tests).
  void reset();

  std::size_t pendingTimers() const;

 private:
  struct Timer {
    double due;
    double repeat;
    Task task;
  };

  mutable std::mutex _mutex;
  std::condition_variable _wake;
  std::deque<Task> _tasks;
  std::map<TimerId, Timer> _timers;
  std::vector<Task> _turnObservers;
  TimerId _nextTimerId = 1;
  bool _testClock = false;
  double _testNow = 0;
  bool _stopped = false;
  std::uint64_t _timerGeneration = 0;  // wakes run() when a sooner timer appears
};

}  // namespace tessaly::platform
