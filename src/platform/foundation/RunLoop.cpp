#include "platform/foundation/RunLoop.h"

#include <chrono>
#include <limits>

namespace tessaly::platform {

RunLoop& RunLoop::main() {
  static RunLoop loop;
  return loop;
}

void RunLoop::post(Task task) {
  {
    std::lock_guard lock(_mutex);
    _tasks.push_back(std::move(task));
  }
  _wake.notify_all();
}

RunLoop::TimerId RunLoop::schedule(double delaySeconds, Task task, double repeatSeconds) {
  TimerId id;
  {
    std::lock_guard lock(_mutex);
    id = _nextTimerId++;
    double current =
        _testClock
            ? _testNow
            : std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
                  .count();
    _timers.emplace(
        id, Timer{current + (delaySeconds > 0 ? delaySeconds : 0), repeatSeconds, std::move(task)});
    ++_timerGeneration;
  }
  _wake.notify_all();
  return id;
}

void RunLoop::cancel(TimerId id) {
  std::lock_guard lock(_mutex);
  _timers.erase(id);
}

double RunLoop::now() const {
  std::lock_guard lock(_mutex);
  if (_testClock) return _testNow;
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void RunLoop::useTestClock(double start) {
  std::lock_guard lock(_mutex);
  _testClock = true;
  _testNow = start;
}

bool RunLoop::usesTestClock() const {
  std::lock_guard lock(_mutex);
  return _testClock;
}

void RunLoop::advance(double seconds) {
  double target;
  {
    std::lock_guard lock(_mutex);
    target = _testNow + seconds;
  }
  runUntilIdle();
  for (;;) {
    {
      std::lock_guard lock(_mutex);
      double next = std::numeric_limits<double>::infinity();
      for (const auto& [id, timer] : _timers)
        if (timer.due < next) next = timer.due;
      if (next > target) {
        _testNow = target;
        break;
      }
      if (next > _testNow) _testNow = next;
    }
    runUntilIdle();
  }
  runUntilIdle();
}

std::size_t RunLoop::runTurn() {
  std::deque<Task> tasks;
  std::vector<Task> timers;
  {
    std::lock_guard lock(_mutex);
    tasks.swap(_tasks);
    double current =
        _testClock
            ? _testNow
            : std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
                  .count();
    for (auto it = _timers.begin(); it != _timers.end();) {
      if (it->second.due <= current) {
        timers.push_back(it->second.task);
        if (it->second.repeat > 0) {
          // A repeating timer keeps its own schedule, so late wake-ups do not add up; firings
          // missed while the loop was busy are dropped, not run in a burst.
          it->second.due += it->second.repeat;
          if (it->second.due <= current) it->second.due = current + it->second.repeat;
          ++it;
        } else {
          it = _timers.erase(it);
        }
      } else {
        ++it;
      }
    }
  }
  for (auto& task : tasks) task();
  for (auto& task : timers) task();
  std::size_t ran = tasks.size() + timers.size();
  if (ran > 0) {
    std::vector<Task> observers;
    {
      std::lock_guard lock(_mutex);
      observers = _turnObservers;
    }
    for (auto& observer : observers) observer();
  }
  return ran;
}

std::size_t RunLoop::runUntilIdle() {
  std::size_t total = 0;
  for (;;) {
    std::size_t ran = runTurn();
    if (ran == 0) return total;
    total += ran;
  }
}

void RunLoop::run() {
  {
    std::lock_guard lock(_mutex);
    _stopped = false;
  }
  for (;;) {
    runUntilIdle();
    std::unique_lock lock(_mutex);
    if (_stopped) return;
    if (!_tasks.empty()) continue;
    double next = std::numeric_limits<double>::infinity();
    for (const auto& [id, timer] : _timers)
      if (timer.due < next) next = timer.due;
    if (next == std::numeric_limits<double>::infinity()) {
      _wake.wait(lock, [&] { return _stopped || !_tasks.empty() || !_timers.empty(); });
    } else {
      double current =
          std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
              .count();
      double wait = next - current;
      std::uint64_t generation = _timerGeneration;
      if (wait > 0)
        _wake.wait_for(lock, std::chrono::duration<double>(wait), [&] {
          return _stopped || !_tasks.empty() || _timerGeneration != generation;
        });
    }
    if (_stopped) return;
  }
}

void RunLoop::stop() {
  {
    std::lock_guard lock(_mutex);
    _stopped = true;
  }
  _wake.notify_all();
}

void RunLoop::addTurnObserver(Task observer) {
  std::lock_guard lock(_mutex);
  _turnObservers.push_back(std::move(observer));
}

void RunLoop::reset() {
  std::lock_guard lock(_mutex);
  _tasks.clear();
  _timers.clear();
  _turnObservers.clear();
  _testClock = false;
  _testNow = 0;
  _stopped = false;
}

std::size_t RunLoop::pendingTimers() const {
  std::lock_guard lock(_mutex);
  return _timers.size();
}

}  // namespace tessaly::platform
