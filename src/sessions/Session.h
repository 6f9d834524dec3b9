#pragma once
// One browser session as the front keeps it: its application process, the requests waiting
// for that process to be ready, the newest state and notice its event streams pass on, and
// the version offset that keeps the page's versions growing across restarts of the process.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sessions/SessionProcess.h"
#include "web/HttpExchange.h"

namespace tessaly::sessions {

class UpstreamEvents;

struct Session {
  using Clock = std::chrono::steady_clock;
  enum class Phase { Starting, Ready, Ended };

  explicit Session(std::string sessionId, Clock::time_point now)
      : id(std::move(sessionId)), lastUse(now) {}

  const std::string id;
  std::mutex mutex;  // guards everything below
  Phase phase = Phase::Starting;
  std::unique_ptr<SessionProcess> process;
  int port = 0;  // of the process serving now; 0 while starting
  Clock::time_point lastUse;
  // Work that runs once the process is ready (true) or could not be started (false).
  std::vector<std::function<void(bool)>> waiting;
  // The last check that the process still takes its turns, and whether one is under way.
  Clock::time_point lastProbe;
  bool probing = false;
  int restarts = 0;
  std::uint64_t versionBase = 0;  // added to the process's versions
  std::uint64_t lastVersion = 0;  // the highest the page was given
  // Event streams: the newest state message and the newest notice, each with its serial. A
  // state message that holds changes names the version they apply to (else 0), and goes only
  // to a viewer that was sent that version.
  std::string stateMessage;
  std::uint64_t stateSerial = 0;
  std::uint64_t stateVersion = 0;
  std::uint64_t stateBase = 0;
  std::string noticeMessage;
  std::uint64_t noticeSerial = 0;
  std::vector<std::weak_ptr<web::HttpStream>> viewers;
  std::shared_ptr<UpstreamEvents> upstream;
};

}  // namespace tessaly::sessions
