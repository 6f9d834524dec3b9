#include "sessions/SessionTable.h"

#include "sessions/SessionCookie.h"

namespace tessaly::sessions {

std::shared_ptr<Session> SessionTable::use(const std::string& id, Session::Clock::time_point now) {
  std::lock_guard lock(_mutex);
  auto found = _sessions.find(id);
  if (found == _sessions.end()) return nullptr;
  std::lock_guard sessionLock(found->second->mutex);
  found->second->lastUse = now;
  return found->second;
}

std::shared_ptr<Session> SessionTable::create(Session::Clock::time_point now) {
  std::lock_guard lock(_mutex);
  if (_sessions.size() >= _max) return nullptr;
  std::string id;
  do id = SessionCookie::newId();
  while (_sessions.count(id));
  auto session = std::make_shared<Session>(id, now);
  _sessions.emplace(id, session);
  return session;
}

std::shared_ptr<Session> SessionTable::remove(const std::string& id) {
  std::lock_guard lock(_mutex);
  auto found = _sessions.find(id);
  if (found == _sessions.end()) return nullptr;
  auto session = std::move(found->second);
  _sessions.erase(found);
  return session;
}

std::vector<std::shared_ptr<Session>> SessionTable::expire(Session::Clock::time_point now) {
  std::vector<std::shared_ptr<Session>> gone;
  auto idle = std::chrono::duration_cast<Session::Clock::duration>(
      std::chrono::duration<double>(_idleSeconds));
  std::lock_guard lock(_mutex);
  for (auto it = _sessions.begin(); it != _sessions.end();) {
    bool expired;
    {
      std::lock_guard sessionLock(it->second->mutex);
      expired = now - it->second->lastUse > idle;
    }
    if (expired) {
      gone.push_back(std::move(it->second));
      it = _sessions.erase(it);
    } else {
      ++it;
    }
  }
  return gone;
}

std::vector<std::shared_ptr<Session>> SessionTable::all() const {
  std::lock_guard lock(_mutex);
  std::vector<std::shared_ptr<Session>> out;
  for (const auto& [id, session] : _sessions) out.push_back(session);
  return out;
}

std::vector<std::shared_ptr<Session>> SessionTable::clear() {
  std::vector<std::shared_ptr<Session>> out = all();
  std::lock_guard lock(_mutex);
  _sessions.clear();
  return out;
}

std::size_t SessionTable::size() const {
  std::lock_guard lock(_mutex);
  return _sessions.size();
}

}  // namespace tessaly::sessions
