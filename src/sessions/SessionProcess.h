#pragma once
// One session's application process: started with a pipe on which it reports the loopback port
// it serves on and the token it wants with every request, held to a memory limit, ended with
// SIGTERM (SIGKILL when it does not go) and always reaped, so that no process is left behind.
#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

namespace tessaly::sessions {

class SessionProcess {
 public:
  // Starts argv (the program and its options; "--session-child FD" is added) and waits up to
  // seconds for "PORT TOKEN" on FD. memoryBytes 0: no limit. Nothing, with the reason, when it
  // fails.
  static std::unique_ptr<SessionProcess> start(const std::vector<std::string>& argv,
                                               std::size_t memoryBytes, double seconds,
                                               std::string& error);
  ~SessionProcess();
  SessionProcess(const SessionProcess&) = delete;
  SessionProcess& operator=(const SessionProcess&) = delete;

  pid_t pid() const { return _pid; }
  int port() const { return _port; }
  const std::string& token() const { return _token; }
  // True once the process has ended (it is reaped then); never blocks.
  bool exited();
  // How it ended, for the log ("exit 1", "signal 9").
  std::string howItEnded() const { return _ended; }
  // Asks it to end, waits up to graceSeconds, then kills it; returns once it is reaped.
  void stop(double graceSeconds = 2);

 private:
  SessionProcess(pid_t pid, int port, std::string token)
      : _pid(pid), _port(port), _token(std::move(token)) {}
  bool reap(int options);

  pid_t _pid;
  int _port;
  std::string _token;
  bool _reaped = false;
  std::string _ended;
};

}  // namespace tessaly::sessions
