#pragma once
// The sessions of the front by id: at most a given number at once, each ended once it has not
// been used for the idle time. Plain bookkeeping; the caller ends the processes.
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "sessions/Session.h"

namespace tessaly::sessions {

class SessionTable {
 public:
  SessionTable(std::size_t maxSessions, double idleSeconds)
      : _max(maxSessions), _idleSeconds(idleSeconds) {}

  // The session of that id, marked as used now; nothing when there is none.
  std::shared_ptr<Session> use(const std::string& id, Session::Clock::time_point now);
  // A new session under a fresh id, or nothing when the table is full.
  std::shared_ptr<Session> create(Session::Clock::time_point now);
  // Takes the session out; nothing when it was not there.
  std::shared_ptr<Session> remove(const std::string& id);
  // Takes out and returns every session idle for longer than the idle time.
  std::vector<std::shared_ptr<Session>> expire(Session::Clock::time_point now);
  std::vector<std::shared_ptr<Session>> all() const;
  std::vector<std::shared_ptr<Session>> clear();

  std::size_t size() const;
  std::size_t capacity() const { return _max; }
  double idleSeconds() const { return _idleSeconds; }

 private:
  mutable std::mutex _mutex;
  std::unordered_map<std::string, std::shared_ptr<Session>> _sessions;
  std::size_t _max;
  double _idleSeconds;
};

}  // namespace tessaly::sessions
