#pragma once
// The session front: every browser gets a session cookie and an application process of its
// own, started when it first asks for the page or the API, ended when idle or on request, and
// restarted when it crashes. The front serves the page's files itself and passes the session's
// state, event stream, inputs and tools through to its process over loopback. Nothing a
// process does (crash, hang, garbage) brings the front down.
#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "sessions/FrontGate.h"
#include "sessions/SessionTable.h"
#include "web/HttpServer.h"
#include "web/StaticFiles.h"

namespace tessaly::sessions {

struct SessionHostOptions {
  std::string address = "127.0.0.1";
  int port = 8080;    // 0 picks a free port
  std::string token;  // beyond loopback: this token, or a random one when empty
  std::string resourcesDir;
  std::string modulesDir;
  // The program and options that run one session (it serves on loopback and reports its port).
  std::vector<std::string> sessionCommand;
  std::size_t maxSessions = 16;
  double idleSeconds = 30 * 60;
  std::size_t memoryBytes = 0;  // per session process; 0: no limit
  double startSeconds = 20;     // for a process to report its port
  double requestSeconds = 15;   // for a process to answer one request
  // Every probeSeconds the front asks each process to answer from its main loop; one that
  // gives no answer within hangSeconds is hung: it is killed and started again.
  double probeSeconds = 5;
  double hangSeconds = 15;
  web::HttpLimits limits;
};

class SessionHost {
 public:
  explicit SessionHost(SessionHostOptions options);
  ~SessionHost();
  SessionHost(const SessionHost&) = delete;
  SessionHost& operator=(const SessionHost&) = delete;

  // Binds the listening socket; refused with the reason when the address cannot be had.
  platform::Result<> bind();
  void start();
  // Ends every session (and its process) and stops serving.
  void stop();

  int port() const { return _port; }
  bool needsToken() const { return _gate.needsToken(); }
  const std::string& token() const { return _gate.token(); }
  std::string url() const;

  // Answers GET and POST under prefix here, for every session (the lookup service): on a
  // worker thread, without a token for loopback callers. Call before start().
  using MountedHandler = std::function<web::HttpResponse(const web::HttpRequest&)>;
  void mount(std::string prefix, MountedHandler handler);

  // The command that runs one session, when only known once the front listens. Before start().
  void setSessionCommand(std::vector<std::string> command) {
    _options.sessionCommand = std::move(command);
  }

  std::size_t sessionCount() const { return _table.size(); }
  // The process of the session with that id (0 when none is running), for tests and benches.
  pid_t processOf(const std::string& id) const;
  // The loopback port that process serves on (0 when none).
  int portOf(const std::string& id) const;

  static constexpr const char* kResetMessage =
      "The screen was reset: its application stopped and was started again. Saved files are "
      "kept.";
  static constexpr const char* kEndedMessage =
      "This session has ended. Reload the page for a new screen.";

 private:
  struct Mounted {
    std::string prefix;
    MountedHandler handler;
  };
  using ExchangePtr = std::shared_ptr<web::HttpExchange>;
  using SessionPtr = std::shared_ptr<Session>;

  void handle(const ExchangePtr& exchange);
  // The request's session, a new one (setCookie filled) or nothing when the front is full.
  SessionPtr sessionFor(const web::HttpRequest& request, std::string& setCookie);
  // retried: the request already met a process that went away; it is not sent a third time.
  void forward(const SessionPtr& session, const ExchangePtr& exchange, std::string setCookie,
               bool retried = false);
  // After a request met a process on port that went away: whether it ended (then it is
  // restarted) or was already replaced, so that the request may go to the next one.
  void afterLoss(const SessionPtr& session, int port, std::function<void(bool)> then);
  void probe(const SessionPtr& session, int port, const std::string& token);
  void openEvents(const SessionPtr& session, const ExchangePtr& exchange, std::string setCookie);
  void whenReady(const SessionPtr& session, std::function<void(bool)> work);
  void launch(const SessionPtr& session);
  void ready(const SessionPtr& session, std::unique_ptr<SessionProcess> process);
  void watchEvents(const SessionPtr& session, int port, const std::string& token);
  void wakeViewers(const SessionPtr& session);
  void passOn(const SessionPtr& session, const std::string& message);
  // Restarts the session's process if it is still the one serving on port.
  void restart(const SessionPtr& session, const std::string& why, int port);
  void end(const SessionPtr& session, const std::string& why);
  void housekeep();
  web::HttpResponse fullAnswer(bool page) const;
  void background(std::function<void()> work);

  SessionHostOptions _options;
  FrontGate _gate;
  SessionTable _table;
  web::StaticFiles _files;
  std::vector<Mounted> _mounted;
  int _port = 0;
  std::unique_ptr<web::HttpServer> _server;
  // Upstream requests and event streams run on this context's own thread.
  struct Upstream;
  std::unique_ptr<Upstream> _upstream;
  std::thread _housekeeper;
  std::mutex _stopMutex;
  std::condition_variable _stopSignal;
  bool _stopping = false;
  bool _started = false;
};

}  // namespace tessaly::sessions
