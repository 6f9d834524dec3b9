#pragma once
// One session's application process: started with a pipe on which it reports the loopback port
// it serves on, held to a memory limit, ended with SIGTERM (SIGKILL when it does not go) and
// always reaped, so that no process is left behind.
#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

namespace tessaly::sessions {

class SessionProcess {
 public:
  // Starts argv (the program and its options; "--session-child FD" is added) and waits up to
  // seconds for the port. memoryBytes 0: no limit. Nothing, with the reason, when it fails.
  static std::unique_ptr<SessionProcess> start(const std::vector<std::string>& argv,
                                               std::size_t memoryBytes, double seconds,
                                               std::string& error);
  ~SessionProcess();
  SessionProcess(const SessionProcess&) = delete;
  SessionProcess& operator=(const SessionProcess&) = delete;

  pid_t pid() const { return _pid; }
  int port() const { return _port; }
  // True once the process has ended (it is reaped then); never blocks.
  bool exited();
  // How it ended, for the log ("exit 1", "signal 9").
  std::string howItEnded() const { return _ended; }
  // Asks it to end, waits up to graceSeconds, then kills it; returns once it is reaped.
  void stop(double graceSeconds = 2);

 private:
  SessionProcess(pid_t pid, int port) : _pid(pid), _port(port) {}
  bool reap(int options);

  pid_t _pid;
  int _port;
  bool _reaped = false;
  std::string _ended;
};

}  // namespace tessaly::sessions
