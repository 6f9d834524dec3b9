#include "sessions/SessionHost.h"

#include <utility>  // before Asio: its C++20 parts use std::exchange without it

#include <boost/asio.hpp>
#include <nlohmann/json.hpp>

#include "platform/foundation/Log.h"
#include "sessions/SessionCookie.h"
#include "sessions/UpstreamCall.h"
#include "sessions/UpstreamEvents.h"
#include "web/WebHost.h"

namespace tessaly::sessions {
namespace {

namespace asio = boost::asio;
using web::HttpRequest;
using web::HttpResponse;

constexpr double kHousekeepingSeconds = 0.1;
constexpr double kEndedStreamSeconds = 1;  // an ended session's viewers get its notice first
// A process that dropped a request is given this long to be seen ending (its sockets close a
// moment before it can be reaped).
constexpr double kLossSeconds = 1;
constexpr double kLossPollSeconds = 0.02;

std::string shortId(const std::string& id) {
  return id.substr(0, 8);
}

// Adds base to the first number under key in a JSON text; returns the new number, 0 when
// there is none.
std::uint64_t shiftNumber(std::string& text, const std::string& key, std::uint64_t base) {
  std::size_t at = text.find(key);
  if (at == std::string::npos) return 0;
  std::size_t start = at + key.size();
  std::size_t end = start;
  std::uint64_t value = 0;
  while (end < text.size() && text[end] >= '0' && text[end] <= '9' && end - start < 19)
    value = value * 10 + static_cast<std::uint64_t>(text[end++] - '0');
  if (end == start) return 0;
  value += base;
  text.replace(start, end - start, std::to_string(value));
  return value;
}

// Adds base to the first "version" number of a JSON text (the host puts it first in a state
// and in changes, and alone in an input's reply); returns the new number, 0 when there is none.
std::uint64_t shiftVersion(std::string& text, std::uint64_t base) {
  return shiftNumber(text, "\"version\":", base);
}

// The version that changes apply to, shifted as their version is (it stands right after it).
std::uint64_t shiftBase(std::string& changes, std::uint64_t base) {
  return shiftNumber(changes, "\"base\":", base);
}

// After a restart every state says so, for the page to show until it is read.
void addSessionField(std::string& state, int restarts) {
  if (restarts == 0 || state.rfind("{\"version\":", 0) != 0) return;
  std::size_t end = state.find_first_not_of("0123456789", 11);
  if (end == std::string::npos) return;
  nlohmann::json field = {{"restarts", restarts}, {"notice", SessionHost::kResetMessage}};
  state.insert(end, ",\"session\":" + field.dump());
}

std::string noticeEvent(const char* kind, int restarts, const char* message) {
  nlohmann::json data = {{kind, true}, {"restarts", restarts}, {"message", message}};
  return "event: session\ndata: " + data.dump() + "\n\n";
}

bool isPage(const std::string& path) {
  return path == "/" || path == "/index.html";
}

}  // namespace

struct SessionHost::Upstream {
  asio::io_context io;
  std::optional<asio::executor_work_guard<asio::io_context::executor_type>> work{io.get_executor()};
  std::thread thread;
  asio::thread_pool processes{2};  // starting and stopping session processes
};

SessionHost::SessionHost(SessionHostOptions options)
    : _options(std::move(options)),
      _gate(_options.address, _options.token),
      _table(_options.maxSessions, _options.idleSeconds),
      _upstream(std::make_unique<Upstream>()) {
  web::mountPageFiles(_files, _options.resourcesDir, _options.modulesDir);
  web::HttpLimits limits = _options.limits;
  limits.defaultHeaders = web::pageSecurityHeaders();
  _server = std::make_unique<web::HttpServer>(
      std::move(limits), [this](std::shared_ptr<web::HttpExchange> e) { handle(e); });
}

SessionHost::~SessionHost() {
  stop();
  _upstream->work.reset();
  _upstream->io.stop();
  if (_upstream->thread.joinable()) _upstream->thread.join();
  _upstream->processes.join();
}

platform::Result<> SessionHost::bind() {
  auto bound = _server->bind(_options.address, _options.port);
  if (!bound) return bound;
  _port = _server->port();
  _gate.setPort(_port);
  return bound;
}

void SessionHost::start() {
  if (_started) return;
  _started = true;
  _upstream->thread = std::thread([this] { _upstream->io.run(); });
  _housekeeper = std::thread([this] {
    std::unique_lock lock(_stopMutex);
    while (!_stopSignal.wait_for(lock, std::chrono::duration<double>(kHousekeepingSeconds),
                                 [this] { return _stopping; })) {
      lock.unlock();
      housekeep();
      lock.lock();
    }
  });
  _server->start();
}

void SessionHost::stop() {
  if (!_started) return;
  _started = false;
  {
    std::lock_guard lock(_stopMutex);
    _stopping = true;
  }
  _stopSignal.notify_all();
  if (_housekeeper.joinable()) _housekeeper.join();
  _server->stop();
  for (auto& session : _table.clear()) end(session, "the host stops");
  _upstream->processes.wait();
}

std::string SessionHost::url() const {
  std::string host = _options.address;
  if (host == "0.0.0.0") host = "127.0.0.1";
  if (host == "::" || host == "[::]") host = "::1";
  if (host.find(':') != std::string::npos && host.front() != '[') host = "[" + host + "]";
  std::string url = "http://" + host + ":" + std::to_string(_port) + "/";
  if (needsToken()) url += "?token=" + token();
  return url;
}

void SessionHost::mount(std::string prefix, MountedHandler handler) {
  _mounted.push_back({std::move(prefix), std::move(handler)});
}

pid_t SessionHost::processOf(const std::string& id) const {
  for (const auto& session : _table.all()) {
    if (session->id != id) continue;
    std::lock_guard lock(session->mutex);
    return session->process ? session->process->pid() : 0;
  }
  return 0;
}

int SessionHost::portOf(const std::string& id) const {
  for (const auto& session : _table.all()) {
    if (session->id != id) continue;
    std::lock_guard lock(session->mutex);
    return session->port;
  }
  return 0;
}

void SessionHost::background(std::function<void()> work) {
  asio::post(_upstream->processes, std::move(work));
}

HttpResponse SessionHost::fullAnswer(bool page) const {
  std::string count = std::to_string(_table.capacity());
  HttpResponse response = web::textResponse(
      503, "refused: all " + count + " sessions of this host are in use; try again later");
  if (page) {
    response.contentType = "text/html; charset=utf-8";
    response.body =
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
        "<meta name=\"viewport\" content=\"width=device-width\"><title>Tessaly is full</title>"
        "</head><body><h1>Tessaly is full</h1><p>All " +
        count +
        " sessions of this host are in use. Try again in a few minutes: a session ends when "
        "nobody has used it for a while.</p></body></html>\n";
  }
  response.headers.push_back({"Retry-After", "60"});
  return response;
}

void SessionHost::handle(const ExchangePtr& exchange) {
  const HttpRequest& req = exchange->request();
  bool get = req.method == "GET" || req.method == "HEAD";
  for (const auto& mounted : _mounted) {
    if (req.path.compare(0, mounted.prefix.size(), mounted.prefix) != 0) continue;
    if (auto refused = _gate.refusal(req, true)) return exchange->respond(std::move(*refused));
    const MountedHandler& handler = mounted.handler;
    bool queued = _server->runBlocking([exchange, &handler] {
      try {
        exchange->respond(handler(exchange->request()));
      } catch (const std::exception& e) {
        platform::log(std::string("sessions: ") + e.what());
        exchange->respond(web::textResponse(500, "internal error"));
      }
    });
    if (!queued)
      exchange->respond(web::textResponse(503, "refused: the server is busy, try again"));
    return;
  }
  if (auto refused = _gate.refusal(req, false)) return exchange->respond(std::move(*refused));

  if (req.path == "/api/session/end") {
    if (req.method != "POST") {
      HttpResponse response = web::textResponse(405, "refused: use POST here");
      response.headers.push_back({"Allow", "POST"});
      return exchange->respond(std::move(response));
    }
    std::string id = SessionCookie::idIn(req.header("Cookie"));
    auto session = id.empty() ? nullptr : _table.remove(id);
    if (session) end(session, "asked to");
    HttpResponse response = web::textResponse(200, session ? "ended" : "no session");
    response.headers.push_back({"Set-Cookie", SessionCookie::clearing()});
    return exchange->respond(std::move(response));
  }
  bool api = req.path.rfind("/api/", 0) == 0;
  if (!api && !isPage(req.path)) {
    if (!get) return exchange->respond(web::textResponse(404, "not found"));
    if (auto file = _files.serve(req.path)) return exchange->respond(std::move(*file));
    return exchange->respond(web::textResponse(404, "not found"));
  }
  std::string setCookie;
  SessionPtr session = sessionFor(req, setCookie);
  if (!session) return exchange->respond(fullAnswer(!api));
  if (!api) {
    // The page itself: its process starts while the browser loads the scripts.
    auto file = get ? _files.serve(req.path) : std::nullopt;
    HttpResponse response = file ? std::move(*file) : web::textResponse(404, "not found");
    if (!setCookie.empty()) response.headers.push_back({"Set-Cookie", setCookie});
    return exchange->respond(std::move(response));
  }
  if (req.path == "/api/events") {
    if (req.method != "GET")
      return exchange->respond(web::textResponse(405, "refused: use GET here"));
    return openEvents(session, exchange, std::move(setCookie));
  }
  forward(session, exchange, std::move(setCookie));
}

SessionHost::SessionPtr SessionHost::sessionFor(const HttpRequest& req, std::string& setCookie) {
  auto now = Session::Clock::now();
  std::string id = SessionCookie::idIn(req.header("Cookie"));
  if (!id.empty())
    if (auto session = _table.use(id, now)) return session;
  auto session = _table.create(now);
  if (!session) return nullptr;
  setCookie = SessionCookie::setting(session->id);
  // A page that comes back after its session ended keeps counting from the versions it saw.
  std::string last = req.header("Last-Event-ID");
  if (!last.empty() && last.size() < 19 &&
      last.find_first_not_of("0123456789") == std::string::npos)
    session->versionBase = session->lastVersion = std::stoull(last);
  platform::log("sessions: session " + shortId(session->id) + " begins (" +
                std::to_string(_table.size()) + " of " + std::to_string(_table.capacity()) + ")");
  launch(session);
  return session;
}

void SessionHost::whenReady(const SessionPtr& session, std::function<void(bool)> work) {
  {
    std::lock_guard lock(session->mutex);
    if (session->phase == Session::Phase::Starting) {
      session->waiting.push_back(std::move(work));
      return;
    }
  }
  work(session->phase == Session::Phase::Ready);
}

void SessionHost::launch(const SessionPtr& session) {
  background([this, session] {
    std::string error;
    auto process = SessionProcess::start(_options.sessionCommand, _options.memoryBytes,
                                         _options.startSeconds, error);
    if (!process) {
      platform::log("sessions: session " + shortId(session->id) + " cannot start: " + error);
      _table.remove(session->id);
      return end(session, "its process did not start");
    }
    ready(session, std::move(process));
  });
}

void SessionHost::ready(const SessionPtr& session, std::unique_ptr<SessionProcess> process) {
  std::vector<std::function<void(bool)>> waiting;
  int port = process->port();
  std::string token = process->token();
  {
    std::lock_guard lock(session->mutex);
    if (session->phase == Session::Phase::Ended) {
      process.reset();  // ended while it started: stopped and reaped here
      return;
    }
    platform::log("sessions: session " + shortId(session->id) + " runs in process " +
                  std::to_string(process->pid()) + " on port " + std::to_string(port));
    session->process = std::move(process);
    session->port = port;
    session->phase = Session::Phase::Ready;
    session->lastProbe = Session::Clock::now();
    session->probing = false;
    waiting.swap(session->waiting);
    if (session->restarts > 0) {
      session->noticeMessage = noticeEvent("reset", session->restarts, kResetMessage);
      ++session->noticeSerial;
    }
  }
  watchEvents(session, port, token);
  for (auto& work : waiting) work(true);
  wakeViewers(session);
}

void SessionHost::watchEvents(const SessionPtr& session, int port, const std::string& token) {
  std::weak_ptr<Session> weak = session;
  auto events = UpstreamEvents::open(
      _upstream->io, port, token,
      [this, weak](std::string message) {
        if (auto s = weak.lock()) passOn(s, message);
      },
      [weak, port] {
        // The housekeeper restarts a process that ended, or opens the stream again.
        auto s = weak.lock();
        if (!s) return;
        std::lock_guard lock(s->mutex);
        if (s->port == port) s->upstream = nullptr;
      });
  std::lock_guard lock(session->mutex);
  if (session->port == port && session->phase == Session::Phase::Ready)
    session->upstream = std::move(events);
  else
    events->close();
}

void SessionHost::wakeViewers(const SessionPtr& session) {
  std::vector<std::shared_ptr<web::HttpStream>> viewers;
  {
    std::lock_guard lock(session->mutex);
    for (auto& weak : session->viewers)
      if (auto viewer = weak.lock()) viewers.push_back(std::move(viewer));
  }
  for (auto& viewer : viewers) viewer->wake();
}

void SessionHost::passOn(const SessionPtr& session, const std::string& message) {
  std::string id, event = "message", data;
  std::size_t pos = 0;
  while (pos < message.size()) {
    std::size_t end = message.find('\n', pos);
    if (end == std::string::npos) end = message.size();
    std::string line = message.substr(pos, end - pos);
    pos = end + 1;
    if (line.rfind("id: ", 0) == 0) id = line.substr(4);
    if (line.rfind("event: ", 0) == 0) event = line.substr(7);
    if (line.rfind("data: ", 0) == 0) data = line.substr(6);
  }
  {
    std::lock_guard lock(session->mutex);
    std::uint64_t version = shiftVersion(data, session->versionBase);
    if (version == 0) return;
    std::uint64_t base = 0;
    if (event == "patch" && (base = shiftBase(data, session->versionBase)) == 0) return;
    session->lastVersion = std::max(session->lastVersion, version);
    if (event == "state") addSessionField(data, session->restarts);
    session->stateMessage =
        "id: " + std::to_string(version) + "\nevent: " + event + "\ndata: " + data + "\n\n";
    session->stateVersion = version;
    session->stateBase = base;
    ++session->stateSerial;
  }
  wakeViewers(session);
}

void SessionHost::openEvents(const SessionPtr& session, const ExchangePtr& exchange,
                             std::string setCookie) {
  HttpResponse head;
  head.contentType = "text/event-stream";
  head.headers = {{"X-Accel-Buffering", "no"}};
  if (!setCookie.empty()) head.headers.push_back({"Set-Cookie", setCookie});
  struct Seen {
    std::uint64_t state = 0;
    std::uint64_t notice = 0;
    std::uint64_t version = 0;  // of the last state message sent
  };
  auto seen = std::make_shared<Seen>();
  std::weak_ptr<Session> weak = session;
  auto stream = exchange->openStream(
      std::move(head),
      [weak, seen]() -> std::optional<std::string> {
        auto s = weak.lock();
        if (!s) return std::nullopt;
        std::lock_guard lock(s->mutex);
        if (s->noticeSerial > seen->notice) {
          seen->notice = s->noticeSerial;
          return s->noticeMessage;
        }
        if (s->stateSerial > seen->state) {
          seen->state = s->stateSerial;
          bool fits = s->stateBase == 0 || s->stateBase == seen->version;
          seen->version = s->stateVersion;
          if (fits) return s->stateMessage;
          // Changes to a version this viewer was not sent: it fetches the whole state.
          std::string v = std::to_string(s->stateVersion);
          return "id: " + v + "\nevent: version\ndata: {\"version\":" + v + "}\n\n";
        }
        return std::nullopt;
      },
      nullptr);
  {
    std::lock_guard lock(session->mutex);
    std::erase_if(session->viewers,
                  [](const std::weak_ptr<web::HttpStream>& v) { return v.expired(); });
    session->viewers.push_back(stream);
    if (session->phase == Session::Phase::Ended) stream->close();
  }
  stream->wake();
}

void SessionHost::forward(const SessionPtr& session, const ExchangePtr& exchange,
                          std::string setCookie, bool retried) {
  double seconds = _options.requestSeconds;
  whenReady(session, [this, session, exchange, setCookie, seconds, retried](bool ok) {
    if (!ok)
      return exchange->respond(
          web::textResponse(503, "refused: this session's application could not be started"));
    int port;
    std::string token;
    {
      std::lock_guard lock(session->mutex);
      port = session->port;
      if (session->process) token = session->process->token();
    }
    if (port == 0)  // restarting since: wait for the new process
      return forward(session, exchange, setCookie, retried);
    web::HttpRequest request = exchange->request();
    // The page asks for changes by the versions it was shown; the process counts from its own
    // start. A version that is no number goes on as it is, for the process to refuse.
    if (auto asked = web::parseCount(request.param("version"));
        asked && request.path == "/api/changes") {
      std::uint64_t base;
      {
        std::lock_guard lock(session->mutex);
        base = session->versionBase;
      }
      // Changes made before this process started are not kept anywhere.
      if (*asked <= base) return exchange->respond(web::emptyResponse());
      request.query = "version=" + std::to_string(*asked - base);
    }
    UpstreamCall::send(_upstream->io, port, token, request, seconds,
                       [this, session, exchange, setCookie, port, retried](
                           UpstreamCall::Outcome outcome, HttpResponse response) {
                         if (outcome == UpstreamCall::Outcome::Lost && !retried) {
                           // Met a process that crashed (or was killed as hung): once more, on the
                           // next one.
                           auto lost = std::make_shared<HttpResponse>(std::move(response));
                           return afterLoss(session, port, [=, this](bool again) {
                             if (again) return forward(session, exchange, setCookie, true);
                             exchange->respond(std::move(*lost));
                           });
                         }
                         const std::string& path = exchange->request().path;
                         bool versioned = path == "/api/state" || path == "/api/input" ||
                                          path == "/api/stats" || path == "/api/changes";
                         if (versioned && response.status / 100 == 2) {
                           std::lock_guard lock(session->mutex);
                           std::uint64_t version =
                               shiftVersion(response.body, session->versionBase);
                           if (path == "/api/changes")
                             shiftBase(response.body, session->versionBase);
                           session->lastVersion = std::max(session->lastVersion, version);
                           if (path == "/api/state")
                             addSessionField(response.body, session->restarts);
                         }
                         if (!setCookie.empty())
                           response.headers.push_back({"Set-Cookie", setCookie});
                         exchange->respond(std::move(response));
                       });
  });
}

void SessionHost::afterLoss(const SessionPtr& session, int port, std::function<void(bool)> then) {
  struct Watch {
    asio::steady_timer timer;
    Session::Clock::time_point deadline;
  };
  auto watch = std::make_shared<Watch>(
      Watch{asio::steady_timer(_upstream->io),
            Session::Clock::now() + std::chrono::duration_cast<Session::Clock::duration>(
                                        std::chrono::duration<double>(kLossSeconds))});
  // Each look holds the watch only until the next is due: nothing keeps itself alive.
  auto look = std::make_shared<std::function<void(std::shared_ptr<Watch>)>>();
  std::weak_ptr<std::function<void(std::shared_ptr<Watch>)>> weakLook = look;
  *look = [this, session, port, then, weakLook](std::shared_ptr<Watch> w) {
    bool replaced = false, exited = false;
    std::string how;
    {
      std::lock_guard lock(session->mutex);
      replaced = session->phase != Session::Phase::Ready || session->port != port;
      if (!replaced && session->process && session->process->exited()) {
        exited = true;
        how = session->process->howItEnded();
      }
    }
    if (exited) restart(session, "ended (" + how + ")", port);
    if (replaced || exited || Session::Clock::now() >= w->deadline) return then(replaced || exited);
    auto next = weakLook.lock();
    if (!next) return then(false);
    w->timer.expires_after(std::chrono::duration_cast<Session::Clock::duration>(
        std::chrono::duration<double>(kLossPollSeconds)));
    w->timer.async_wait([w, next](boost::system::error_code error) {
      if (!error) (*next)(w);
    });
  };
  (*look)(watch);
}

void SessionHost::probe(const SessionPtr& session, int port, const std::string& token) {
  HttpRequest alive;
  alive.method = "GET";
  alive.path = "/api/alive";
  double seconds = _options.hangSeconds;
  std::weak_ptr<Session> weak = session;
  UpstreamCall::send(
      _upstream->io, port, token, alive, seconds,
      [this, weak, port, seconds](UpstreamCall::Outcome outcome, HttpResponse response) {
        auto s = weak.lock();
        if (!s) return;
        {
          std::lock_guard lock(s->mutex);
          s->probing = false;
          s->lastProbe = Session::Clock::now();
          // One that ended is the housekeeper's to restart, with how it ended.
          if (!s->process || s->port != port || s->process->exited()) return;
        }
        if (outcome == UpstreamCall::Outcome::Answered && response.status == 200) return;
        restart(s,
                "did not answer within " + std::to_string(static_cast<long>(seconds)) + " s (" +
                    response.body + ")",
                port);
      });
}

void SessionHost::restart(const SessionPtr& session, const std::string& why, int port) {
  std::unique_ptr<SessionProcess> old;
  std::shared_ptr<UpstreamEvents> upstream;
  {
    std::lock_guard lock(session->mutex);
    if (session->phase != Session::Phase::Ready || session->port != port) return;
    session->phase = Session::Phase::Starting;
    session->port = 0;
    ++session->restarts;
    session->versionBase = session->lastVersion;
    old = std::move(session->process);
    upstream = std::move(session->upstream);
  }
  platform::log("sessions: session " + shortId(session->id) + " restarts: its process " + why);
  if (upstream) upstream->close();
  std::shared_ptr<SessionProcess> gone(std::move(old));
  background([gone] { gone->stop(0.5); });
  launch(session);
}

void SessionHost::end(const SessionPtr& session, const std::string& why) {
  std::unique_ptr<SessionProcess> process;
  std::shared_ptr<UpstreamEvents> upstream;
  std::vector<std::function<void(bool)>> waiting;
  std::vector<std::shared_ptr<web::HttpStream>> viewers;
  {
    std::lock_guard lock(session->mutex);
    if (session->phase == Session::Phase::Ended) return;
    session->phase = Session::Phase::Ended;
    process = std::move(session->process);
    upstream = std::move(session->upstream);
    waiting.swap(session->waiting);
    session->port = 0;
    session->noticeMessage = noticeEvent("ended", session->restarts, kEndedMessage);
    ++session->noticeSerial;
    for (auto& weak : session->viewers)
      if (auto viewer = weak.lock()) viewers.push_back(std::move(viewer));
  }
  platform::log("sessions: session " + shortId(session->id) + " ends: " + why);
  if (upstream) upstream->close();
  for (auto& work : waiting) work(false);
  for (auto& viewer : viewers) viewer->wake();
  // The viewers read the notice, then their streams close: the page's next connection
  // starts a new session.
  auto timer = std::make_shared<asio::steady_timer>(
      _upstream->io, std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                         std::chrono::duration<double>(kEndedStreamSeconds)));
  timer->async_wait([timer, viewers](boost::system::error_code) {
    for (auto& viewer : viewers) viewer->close();
  });
  if (process) {
    std::shared_ptr<SessionProcess> gone(std::move(process));
    background([gone] { gone->stop(); });
  }
}

void SessionHost::housekeep() {
  auto now = Session::Clock::now();
  for (auto& session : _table.expire(now))
    end(session, "idle for " + std::to_string(static_cast<long>(_table.idleSeconds())) + " s");
  auto probeEvery = std::chrono::duration_cast<Session::Clock::duration>(
      std::chrono::duration<double>(_options.probeSeconds));
  for (auto& session : _table.all()) {
    bool crashed = false, reopen = false, check = false;
    int port = 0;
    std::string how, token;
    {
      std::lock_guard lock(session->mutex);
      if (session->phase != Session::Phase::Ready || !session->process) continue;
      crashed = session->process->exited();
      how = session->process->howItEnded();
      token = session->process->token();
      reopen = !crashed && !session->upstream;
      check = !crashed && !session->probing && now - session->lastProbe >= probeEvery;
      if (check) session->probing = true;
      port = session->port;
    }
    if (crashed) {
      restart(session, "ended (" + how + ")", port);
      continue;
    }
    if (reopen) watchEvents(session, port, token);
    if (check) probe(session, port, token);
  }
}

}  // namespace tessaly::sessions
