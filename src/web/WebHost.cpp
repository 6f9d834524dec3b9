#include "web/WebHost.h"

#include <arpa/inet.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <mutex>
#include <random>
#include <vector>

#include "json/JsonDiff.h"
#include "platform/foundation/HostPort.h"
#include "platform/foundation/Log.h"

namespace tessaly::web {
namespace {

using nlohmann::json;

constexpr const char* kCookieName = "tessaly_token";
constexpr int kFirstStateSeconds = 10;
constexpr std::size_t kInlineStateBytes = 256 * 1024;
constexpr std::size_t kKeptSteps = 8;

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool isIpLiteral(const std::string& host) {
  unsigned char buffer[16];
  return inet_pton(AF_INET, host.c_str(), buffer) == 1 ||
         inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

bool isWildcard(const std::string& address) {
  return address == "0.0.0.0" || address == "::" || address == "[::]";
}

std::string randomToken() {
  std::random_device device;
  static const char* hex = "0123456789abcdef";
  std::string token;
  for (int i = 0; i < 8; ++i) {
    unsigned value = device();
    for (int j = 0; j < 8; ++j) token += hex[(value >> (4 * j)) & 15];
  }
  return token;
}

// A reason on one line of bounded length: control characters (a reason may quote the input)
// are shown escaped, and a long one is cut at a character boundary.
std::string oneLine(const std::string& reason) {
  constexpr std::size_t kMaxReason = 400;
  std::string out;
  for (unsigned char c : reason) {
    if (out.size() >= kMaxReason) {
      while (!out.empty() && (static_cast<unsigned char>(out.back()) & 0xC0) == 0x80)
        out.pop_back();
      if (!out.empty() && static_cast<unsigned char>(out.back()) >= 0xC0) out.pop_back();
      out += "...";
      break;
    }
    if (c < 0x20 || c == 0x7f) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
      out += escaped;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

HttpResponse refused(int status, const std::string& reason) {
  return textResponse(status, oneLine(reason));
}

HttpResponse jsonResponse(std::string body) {
  HttpResponse response;
  response.contentType = "application/json";
  response.body = std::move(body);
  return response;
}

bool isJsonType(const std::string& header) {
  std::string type = lower(header.substr(0, header.find(';')));
  std::size_t first = type.find_first_not_of(" \t");
  std::size_t last = type.find_last_not_of(" \t");
  return first != std::string::npos && type.substr(first, last - first + 1) == "application/json";
}

}  // namespace

bool isLoopbackAddress(const std::string& address) {
  std::string a = lower(address);
  if (a == "localhost" || a == "::1" || a == "[::1]") return true;
  in_addr v4{};
  if (inet_pton(AF_INET, a.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
  return false;
}

struct WebHost::Shared {
  std::mutex mutex;
  WebApplication* app = nullptr;  // cleared when the host goes away
  std::uint64_t version = 0;
  std::shared_ptr<const std::string> published = std::make_shared<const std::string>("{}");
  // The last few steps of changes ({"version":V,"base":B,"ops":[...]}), oldest first, by the
  // version each leads to, for versions whose changes were small against the state: a page
  // fetching an announced step still finds it after the host has moved on a version or two.
  std::deque<std::pair<std::uint64_t, std::shared_ptr<const std::string>>> steps;

  // The step to version wanted from the one before, or null. The caller holds the mutex.
  std::shared_ptr<const std::string> stepTo(std::uint64_t wanted) const {
    for (const auto& [to, step] : steps)
      if (to == wanted) return step;
    return nullptr;
  }
  // Replies of applied inputs, answered once the snapshot of their turn is published.
  std::vector<std::function<void(std::uint64_t)>> waiting;
  // State requests that came before the first snapshot.
  std::vector<std::shared_ptr<HttpExchange>> early;
  std::vector<std::weak_ptr<HttpStream>> streams;
  std::atomic<std::size_t> openStreams{0};
  double snapshotMilliseconds = 0;
  double diffMilliseconds = 0;
  std::size_t snapshotBytes = 0;
  std::size_t patchBytes = 0;

  // Main loop only: the last snapshot without its version, and where its containers are.
  std::unique_ptr<const std::string> body;
  JsonIndex bodyIndex;

  // Main loop only.
  void publish() {
    WebApplication* target;
    {
      std::lock_guard lock(mutex);
      target = app;
    }
    if (!target) return;
    using Clock = std::chrono::steady_clock;
    auto ms = [](Clock::time_point from) {
      return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
    };
    auto start = Clock::now();
    std::string next = target->snapshot();
    bool changed = !body || next != *body;
    double snapshotTook = ms(start);
    std::optional<std::string> ops;
    double diffTook = 0;
    if (changed) {
      auto diffStart = Clock::now();
      auto text = std::make_unique<const std::string>(std::move(next));
      JsonIndex index(*text);
      // Changes as big as a quarter of the state are sent as the state.
      if (body) ops = JsonDiff::between(bodyIndex, index, text->size() / 4);
      body = std::move(text);
      bodyIndex = std::move(index);
      diffTook = ms(diffStart);
    }
    std::vector<std::function<void(std::uint64_t)>> replies;
    std::vector<std::shared_ptr<HttpExchange>> asked;
    std::vector<std::shared_ptr<HttpStream>> viewers;
    std::uint64_t current;
    std::shared_ptr<const std::string> state;
    {
      std::lock_guard lock(mutex);
      if (changed) {
        ++version;
        std::string full;
        full.reserve(body->size() + 32);
        full += "{\"version\":";
        full += std::to_string(version);
        if (body->size() > 2) {
          full += ',';
          full.append(*body, 1);
        } else {
          full += '}';
        }
        published = std::make_shared<const std::string>(std::move(full));
        patchBytes = 0;
        if (ops) {
          patchBytes = ops->size();
          steps.emplace_back(version, std::make_shared<const std::string>(
                                          "{\"version\":" + std::to_string(version) + ",\"base\":" +
                                          std::to_string(version - 1) + ",\"ops\":" + *ops + "}"));
          if (steps.size() > kKeptSteps) steps.pop_front();
        }
        snapshotMilliseconds = snapshotTook;
        diffMilliseconds = diffTook;
        snapshotBytes = published->size();
        std::erase_if(streams, [&](const std::weak_ptr<HttpStream>& weak) {
          auto stream = weak.lock();
          if (!stream) return true;
          viewers.push_back(std::move(stream));
          return false;
        });
      }
      current = version;
      state = published;
      replies.swap(waiting);
      if (version > 0) asked.swap(early);
    }
    for (auto& viewer : viewers) viewer->wake();
    for (auto& exchange : asked) exchange->respond(jsonResponse(*state));
    for (auto& reply : replies) reply(current);
  }

  // The next message for a viewer that has seen version lastSent.
  std::optional<std::string> nextEvent(std::uint64_t& lastSent) {
    std::shared_ptr<const std::string> state, changes;
    {
      std::lock_guard lock(mutex);
      if (version == lastSent) return std::nullopt;
      // Only a viewer that has the version before gets the changes; one that connects or
      // fell behind gets the whole state.
      if (lastSent != 0 && lastSent + 1 == version) changes = stepTo(version);
      lastSent = version;
      state = published;
    }
    std::string id = std::to_string(lastSent);
    // Big changes too are only announced, and fetched from /api/changes.
    if (changes && changes->size() <= kInlineStateBytes)
      return "id: " + id + "\nevent: patch\ndata: " + *changes + "\n\n";
    if (changes)
      return "id: " + id + "\nevent: patch\ndata: {\"version\":" + id +
             ",\"base\":" + std::to_string(lastSent - 1) +
             ",\"bytes\":" + std::to_string(changes->size()) + "}\n\n";
    // A big state is only announced: browsers read a large event far slower than the same
    // state fetched (and compressed) from /api/state.
    if (state->size() <= kInlineStateBytes)
      return "id: " + id + "\nevent: state\ndata: " + *state + "\n\n";
    return "id: " + id + "\nevent: version\ndata: {\"version\":" + id +
           ",\"bytes\":" + std::to_string(state->size()) + "}\n\n";
  }
};

WebHost::WebHost(WebApplication& app, platform::RunLoop& loop, WebHostOptions options)
    : _app(app), _loop(loop), _options(std::move(options)), _shared(std::make_shared<Shared>()) {
  _shared->app = &_app;
  if (!isLoopbackAddress(_options.address))
    _token = _options.token.empty() ? randomToken() : _options.token;
  else
    _token = _options.token;
  std::weak_ptr<Shared> weak = _shared;
  _loop.addTurnObserver([weak] {
    if (auto shared = weak.lock()) shared->publish();
  });

  mountPageFiles(_files, _options.resourcesDir, _options.modulesDir);

  HttpLimits limits = _options.limits;
  limits.maxBodyBytes = _options.maxBodyBytes;
  limits.defaultHeaders = pageSecurityHeaders();
  _server = std::make_unique<HttpServer>(
      std::move(limits), [this](std::shared_ptr<HttpExchange> exchange) { handle(exchange); });
}

WebHost::~WebHost() {
  stop();
  std::lock_guard lock(_shared->mutex);
  _shared->app = nullptr;
}

platform::Result<> WebHost::bind() {
  auto bound = _server->bind(_options.address, _options.port);
  if (bound) _port = _server->port();
  return bound;
}

void WebHost::start() {
  _server->start();
}

void WebHost::stop() {
  _server->stop();
}

void WebHost::mount(std::string prefix, MountedHandler handler, bool takesPost,
                    bool openOnLoopback) {
  _mounted.push_back({std::move(prefix), std::move(handler), takesPost, openOnLoopback});
}

std::string WebHost::url() const {
  std::string host = _options.address;
  // Every interface: name the loopback one; people elsewhere use this machine's address.
  if (host == "0.0.0.0") host = "127.0.0.1";
  if (host == "::" || host == "[::]") host = "::1";
  if (host.find(':') != std::string::npos && host.front() != '[') host = "[" + host + "]";
  std::string url = "http://" + host + ":" + std::to_string(_port) + "/";
  if (needsToken()) url += "?token=" + _token;
  return url;
}

void WebHost::publish() {
  _shared->publish();
}

std::uint64_t WebHost::version() const {
  std::lock_guard lock(_shared->mutex);
  return _shared->version;
}

std::size_t WebHost::openStreams() const {
  return _shared->openStreams.load();
}

bool hostNamesServer(const std::string& hostHeader, const std::string& listenAddress, int port) {
  // Without a port the Host header means the scheme's own.
  auto named = platform::HostPort::parse(lower(hostHeader), platform::HostPort::PortIs::Optional);
  if (!named || named->host.empty()) return false;
  const std::string& host = named->host;
  if ((named->port == -1 ? 80 : named->port) != port) return false;
  std::string listening = lower(listenAddress);
  if (listening.size() > 2 && listening.front() == '[')
    listening = listening.substr(1, listening.size() - 2);
  if (host == listening) return true;
  if (isLoopbackAddress(listening)) return isLoopbackAddress(host);
  // On every interface the name used to reach us is unknown; addresses are fine, names are
  // refused so that a rebound DNS name cannot talk to us.
  if (isWildcard(listening)) return isIpLiteral(host) || host == "localhost";
  return false;
}

// The page's own files at the root, and the libraries it loads under /vendor.
void mountPageFiles(StaticFiles& files, const std::string& resourcesDir,
                    const std::string& modulesDir) {
  if (!resourcesDir.empty()) files.mount("/", resourcesDir);
  if (modulesDir.empty()) return;
  files.mount("/vendor/leaflet", modulesDir + "/leaflet/dist");
  files.mount("/vendor/topojson-client", modulesDir + "/topojson-client/dist");
  files.mount("/vendor/world-atlas", modulesDir + "/world-atlas");
}

HttpHeaders pageSecurityHeaders() {
  return {
      {"X-Content-Type-Options", "nosniff"},
      {"X-Frame-Options", "DENY"},
      {"Referrer-Policy", "same-origin"},
      {"Cache-Control", "no-store"},
      {"Content-Security-Policy",
       "default-src 'self'; img-src 'self' data: http: https:; style-src 'self' "
       "'unsafe-inline'; script-src 'self'; connect-src 'self'; frame-ancestors 'none'; "
       "base-uri 'none'; form-action 'none'"},
  };
}

bool sameSecret(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  unsigned char diff = 0;
  for (std::size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
  return diff == 0;
}

std::string cookieValue(const std::string& header, const std::string& name) {
  std::size_t pos = 0;
  while (pos < header.size()) {
    std::size_t end = header.find(';', pos);
    if (end == std::string::npos) end = header.size();
    std::string part = header.substr(pos, end - pos);
    std::size_t first = part.find_first_not_of(' ');
    if (first != std::string::npos) part = part.substr(first);
    if (part.compare(0, name.size() + 1, name + "=") == 0) return part.substr(name.size() + 1);
    pos = end + 1;
  }
  return {};
}

bool WebHost::hostAllowed(const std::string& hostHeader) const {
  return hostNamesServer(hostHeader, _options.address, _port);
}

std::optional<HttpResponse> WebHost::refusal(const HttpRequest& req) const {
  std::string host = req.header("Host");
  if (!hostAllowed(host)) return refused(403, "refused: the Host header does not name this server");
  if (req.hasHeader("Origin")) {
    std::string origin = lower(req.header("Origin"));
    if (origin != "http://" + lower(host))
      return refused(403, "refused: requests from another origin are not accepted");
  }
  if (!needsToken()) return std::nullopt;
  // The application in this process asks the lookup service over loopback and has no token
  // to give; its answers hold nothing of any session. The screen's picture and the documents
  // are not open that way.
  if (isLoopbackAddress(req.remoteAddress))
    for (const auto& mounted : _mounted)
      if (mounted.openOnLoopback && req.path.compare(0, mounted.prefix.size(), mounted.prefix) == 0)
        return std::nullopt;
  std::string given = req.param("token");
  bool fromQuery = !given.empty();
  if (!fromQuery) given = cookieValue(req.header("Cookie"), kCookieName);
  if (given.empty()) {
    std::string auth = req.header("Authorization");
    if (auth.rfind("Bearer ", 0) == 0) given = auth.substr(7);
  }
  if (given.empty() || !sameSecret(given, _token))
    return refused(401,
                   "refused: this server needs its access token (open the link it printed at "
                   "start)");
  if (fromQuery && (req.method == "GET" || req.method == "HEAD")) {
    // The link with the token sets the cookie and moves on to the page without it. Always the
    // page itself: the path is the visitor's to choose, and "//elsewhere" would leave the site.
    HttpResponse redirect = textResponse(302, "found");
    redirect.headers = {{"Set-Cookie", std::string(kCookieName) + "=" + _token +
                                           "; Path=/; HttpOnly; SameSite=Strict"},
                        {"Location", "/"}};
    return redirect;
  }
  return std::nullopt;
}

void WebHost::handle(const std::shared_ptr<HttpExchange>& exchange) {
  const HttpRequest& req = exchange->request();
  if (auto refused = refusal(req)) return exchange->respond(std::move(*refused));
  bool get = req.method == "GET" || req.method == "HEAD";
  const std::string& path = req.path;
  auto only = [&](const char* method) {
    HttpResponse response = refused(405, std::string("refused: use ") + method + " here");
    response.headers.push_back({"Allow", method});
    exchange->respond(std::move(response));
  };
  if (path == "/api/state") return get ? handleState(exchange) : only("GET");
  if (path == "/api/changes") return get ? handleChanges(exchange) : only("GET");
  if (path == "/api/config") return get ? exchange->respond(config()) : only("GET");
  if (path == "/api/stats") return get ? exchange->respond(stats()) : only("GET");
  if (path == "/api/events") return req.method == "GET" ? handleEvents(exchange) : only("GET");
  if (path == "/api/input") return req.method == "POST" ? handleInput(exchange) : only("POST");
  if (path == "/api/alive") return get ? handleAlive(exchange) : only("GET");
  for (const auto& mounted : _mounted) {
    if (path.compare(0, mounted.prefix.size(), mounted.prefix) != 0) continue;
    if (!get && !(mounted.takesPost && req.method == "POST"))
      return only(mounted.takesPost ? "GET, POST" : "GET");
    const MountedHandler& handler = mounted.handler;
    bool queued = _server->runBlocking([exchange, &handler] {
      try {
        exchange->respond(handler(exchange->request()));
      } catch (const std::exception& e) {
        platform::log(std::string("web: ") + e.what());
        exchange->respond(refused(500, "internal error"));
      }
    });
    if (!queued) exchange->respond(refused(503, "refused: the server is busy, try again"));
    return;
  }
  if (!get) return exchange->respond(refused(404, "not found"));
  if (auto file = _files.serve(path)) return exchange->respond(std::move(*file));
  exchange->respond(refused(404, "not found"));
}

HttpResponse WebHost::config() const {
  json config = {
      {"device", _options.device},
      {"tiles", {{"url", _options.tiles}, {"attribution", _options.tilesAttribution}}},
      {"imagery", {{"url", _options.imagery}, {"attribution", _options.imageryAttribution}}},
      {"longPressSeconds", 0.5},
      {"longPressSlop", 10}};
  return jsonResponse(config.dump());
}

HttpResponse WebHost::stats() const {
  json stats;
  {
    std::lock_guard lock(_shared->mutex);
    stats = {{"version", _shared->version},
             {"snapshotBytes", _shared->snapshotBytes},
             {"snapshotMilliseconds", _shared->snapshotMilliseconds},
             {"diffMilliseconds", _shared->diffMilliseconds},
             {"patchBytes", _shared->patchBytes},
             {"streams", _shared->openStreams.load()}};
  }
  return jsonResponse(stats.dump());
}

void WebHost::handleState(const std::shared_ptr<HttpExchange>& exchange) {
  std::shared_ptr<const std::string> body;
  {
    // The server listens before the main loop has taken its first snapshot: a page that asks
    // that early waits for it rather than reading a state without a version.
    std::lock_guard lock(_shared->mutex);
    if (_shared->version == 0) {
      _shared->early.push_back(exchange);
      exchange->deadline(kFirstStateSeconds,
                         refused(503, "the application has not shown its screen yet"));
      return;
    }
    body = _shared->published;
  }
  exchange->respond(jsonResponse(*body));
}

void WebHost::handleChanges(const std::shared_ptr<HttpExchange>& exchange) {
  std::string asked = exchange->request().param("version");
  std::optional<std::uint64_t> wanted;
  if (!asked.empty()) {
    wanted = parseCount(asked);
    if (!wanted) return exchange->respond(refused(400, "refused: version must be a number"));
  }
  std::shared_ptr<const std::string> changes;
  {
    std::lock_guard lock(_shared->mutex);
    changes = _shared->stepTo(wanted.value_or(_shared->version));
  }
  // A step asked for by its version that is not kept (sent whole, too old or not made yet) is
  // no fault of the page's: it fetches the state instead.
  if (!changes && wanted) return exchange->respond(emptyResponse());
  if (!changes)
    return exchange->respond(
        refused(404, "no changes: the last version was sent whole; fetch /api/state"));
  exchange->respond(jsonResponse(*changes));
}

void WebHost::handleInput(const std::shared_ptr<HttpExchange>& exchange) {
  const HttpRequest& req = exchange->request();
  if (!isJsonType(req.header("Content-Type")))
    return exchange->respond(refused(415, "refused: send the input as application/json"));
  auto parsed = parseInputs(req.body);
  if (!parsed) return exchange->respond(refused(400, parsed.reason()));
  auto inputs = std::make_shared<std::vector<WebInput>>(std::move(parsed).value());
  exchange->deadline(_options.inputTimeoutSeconds,
                     refused(503, "the application did not take the input in time"));
  std::weak_ptr<Shared> weak = _shared;
  _loop.post([weak, inputs, exchange] {
    auto shared = weak.lock();
    WebApplication* app = nullptr;
    if (shared) {
      std::lock_guard lock(shared->mutex);
      app = shared->app;
    }
    if (!app) return exchange->respond(refused(503, "the application has stopped"));
    std::string error;
    std::size_t applied = 0;
    for (const auto& input : *inputs) {
      auto done = app->apply(input);
      if (!done) {
        error = inputs->size() == 1
                    ? done.reason()
                    : "input " + std::to_string(applied) + ": " + done.reason() + " (" +
                          std::to_string(applied) + " earlier inputs applied)";
        break;
      }
      ++applied;
    }
    // Answer once this turn's snapshot is out, so the reply names the version that shows it.
    std::lock_guard lock(shared->mutex);
    shared->waiting.push_back([exchange, error, applied](std::uint64_t version) {
      if (!error.empty()) return exchange->respond(refused(400, error));
      json reply = {{"ok", true}, {"applied", applied}, {"version", version}};
      exchange->respond(jsonResponse(reply.dump()));
    });
  });
}

// Answered from the main loop: proves that the application takes its turns, not only that the
// server's threads run.
void WebHost::handleAlive(const std::shared_ptr<HttpExchange>& exchange) {
  exchange->deadline(_options.inputTimeoutSeconds,
                     refused(503, "the application did not take its turn in time"));
  _loop.post([exchange] { exchange->respond(textResponse(200, "alive")); });
}

void WebHost::handleEvents(const std::shared_ptr<HttpExchange>& exchange) {
  auto shared = _shared;
  if (shared->openStreams.fetch_add(1) >= _options.maxStreams) {
    --shared->openStreams;
    return exchange->respond(refused(503, "refused: too many open event streams"));
  }
  HttpResponse head;
  head.contentType = "text/event-stream";
  head.headers = {{"X-Accel-Buffering", "no"}};
  auto lastSent = std::make_shared<std::uint64_t>(0);
  auto stream = exchange->openStream(
      std::move(head), [shared, lastSent] { return shared->nextEvent(*lastSent); },
      [shared] { --shared->openStreams; });
  {
    std::lock_guard lock(shared->mutex);
    std::erase_if(shared->streams, [](const std::weak_ptr<HttpStream>& s) { return s.expired(); });
    shared->streams.push_back(stream);
  }
  stream->wake();
}

}  // namespace tessaly::web
