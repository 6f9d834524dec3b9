#include "sessions/SessionProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace tessaly::sessions {
namespace {

// The child's end of the report pipe, once moved past the standard descriptors.
constexpr int kReportFd = 3;
constexpr std::size_t kMaxReportBytes = 100;

// Reads "PORT TOKEN\n" within the time left; false when the child said nothing usable in time
// or went away.
bool readReport(int fd, double seconds, int& port, std::string& token) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  std::string text;
  char buffer[128];
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now())
                    .count();
    if (left <= 0) return false;
    pollfd p{fd, POLLIN, 0};
    int ready = poll(&p, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    text.append(buffer, static_cast<std::size_t>(n));
    std::size_t end = text.find('\n');
    if (end == std::string::npos) {
      if (text.size() > kMaxReportBytes) return false;
      continue;
    }
    std::size_t space = text.find(' ');
    if (space == std::string::npos || space > end) return false;
    port = 0;
    for (char c : text.substr(0, space)) {
      if (c < '0' || c > '9' || port > 65535) return false;
      port = port * 10 + (c - '0');
    }
    token = text.substr(space + 1, end - space - 1);
    bool plain =
        !token.empty() && token.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
    return port > 0 && port <= 65535 && plain;
  }
}

}  // namespace

std::unique_ptr<SessionProcess> SessionProcess::start(const std::vector<std::string>& argv,
                                                      std::size_t memoryBytes, double seconds,
                                                      std::string& error) {
  if (argv.empty()) {
    error = "no program to start";
    return nullptr;
  }
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    error = std::string("cannot make a pipe: ") + std::strerror(errno);
    return nullptr;
  }
  // Everything the child needs is made before the fork: after it only plain system calls.
  std::vector<std::string> args = argv;
  args.push_back("--session-child");
  args.push_back(std::to_string(kReportFd));
  std::vector<char*> raw;
  for (auto& a : args) raw.push_back(a.data());
  raw.push_back(nullptr);
  pid_t parent = getpid();
  pid_t pid = fork();
  if (pid < 0) {
    error = std::string("cannot start a session process: ") + std::strerror(errno);
    close(fds[0]);
    close(fds[1]);
    return nullptr;
  }
  if (pid == 0) {
    // The session ends with the front, however the front ends.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(127);
#if defined(__SANITIZE_ADDRESS__)
    // The address sanitizer reserves terabytes of address space: no limit can hold it.
    memoryBytes = 0;
#endif
    if (memoryBytes > 0) {
      rlimit limit{memoryBytes, memoryBytes};
      setrlimit(RLIMIT_AS, &limit);
    }
    // The front blocks its stop signals in every thread; the child starts with none blocked.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    dup2(fds[1], kReportFd);  // dup2 clears close-on-exec on the copy
    close_range(kReportFd + 1, ~0U, 0);
    execv(raw[0], raw.data());
    _exit(127);
  }
  close(fds[1]);
  int port = 0;
  std::string token;
  bool reported = readReport(fds[0], seconds, port, token);
  close(fds[0]);
  std::unique_ptr<SessionProcess> process(new SessionProcess(pid, port, token));
  if (!reported) {
    process->stop(0.5);
    error = "the session process did not report its port and token (" +
            (process->_ended.empty() ? std::string("no answer") : process->_ended) + ")";
    return nullptr;
  }
  return process;
}

SessionProcess::~SessionProcess() {
  stop();
}

bool SessionProcess::reap(int options) {
  if (_reaped) return true;
  int status = 0;
  pid_t got;
  do got = waitpid(_pid, &status, options);
  while (got < 0 && errno == EINTR);
  if (got == 0) return false;
  _reaped = true;
  if (got < 0)
    _ended = "gone";
  else if (WIFSIGNALED(status))
    _ended = "signal " + std::to_string(WTERMSIG(status));
  else
    _ended = "exit " + std::to_string(WEXITSTATUS(status));
  return true;
}

bool SessionProcess::exited() {
  return reap(WNOHANG);
}

void SessionProcess::stop(double graceSeconds) {
  if (reap(WNOHANG)) return;
  kill(_pid, SIGTERM);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(graceSeconds);
  while (std::chrono::steady_clock::now() < deadline) {
    if (reap(WNOHANG)) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(_pid, SIGKILL);
  reap(0);
}

}  // namespace tessaly::sessions
