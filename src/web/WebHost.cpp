#include "web/WebHost.h"

#include <arpa/inet.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <future>
#include <random>
#include <sstream>
#include <vector>

#include <httplib.h>

#include "platform/foundation/Log.h"

namespace tessaly::web {
namespace {

using nlohmann::json;

constexpr const char* kCookieName = "tessaly_token";
constexpr int kKeepAliveSeconds = 15;
constexpr int kFirstStateSeconds = 10;
constexpr std::size_t kInlineStateBytes = 256 * 1024;

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Splits "host:port", "[v6]:port" or a bare host; port is -1 when absent or malformed.
void splitHostPort(const std::string& text, std::string& host, int& port) {
  host = text;
  port = -1;
  std::size_t colon = std::string::npos;
  if (!text.empty() && text[0] == '[') {
    std::size_t close = text.find(']');
    if (close == std::string::npos) return;
    host = text.substr(1, close - 1);
    if (close + 1 < text.size() && text[close + 1] == ':')
      colon = close + 1;
    else if (close + 1 != text.size())
      return;
  } else {
    colon = text.rfind(':');
    if (colon != std::string::npos && text.find(':') != colon) return;  // bare v6 without port
    if (colon != std::string::npos) host = text.substr(0, colon);
  }
  if (colon == std::string::npos) return;
  std::string digits = text.substr(colon + 1);
  if (digits.empty() || digits.size() > 5) return;
  for (char c : digits)
    if (c < '0' || c > '9') return;
  port = std::stoi(digits);
}

bool isIpLiteral(const std::string& host) {
  unsigned char buffer[16];
  return inet_pton(AF_INET, host.c_str(), buffer) == 1 ||
         inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

bool isWildcard(const std::string& address) {
  return address == "0.0.0.0" || address == "::" || address == "[::]";
}

// Compares without leaking, through timing, how much of the token was right.
bool sameSecret(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  unsigned char diff = 0;
  for (std::size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
  return diff == 0;
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

// The library compresses with brotli whenever a browser accepts it, at a quality that takes
// seconds for the land outline or a long path; gzip takes milliseconds. Event streams are sent
// as they are, so that no event waits in a compressor.
void limitCompression(httplib::Request& req) {
  auto range = req.headers.equal_range("Accept-Encoding");
  for (auto it = range.first; it != range.second; ++it) {
    if (req.path == "/api/events") {
      it->second.clear();
      continue;
    }
    std::string kept;
    std::stringstream tokens(it->second);
    std::string token;
    while (std::getline(tokens, token, ',')) {
      std::size_t first = token.find_first_not_of(' ');
      if (first == std::string::npos) continue;
      token = token.substr(first);
      if (token.rfind("br", 0) == 0) continue;
      kept += (kept.empty() ? "" : ", ") + token;
    }
    it->second = kept;
  }
}

void refuse(httplib::Response& res, int status, const std::string& reason) {
  res.status = status;
  res.set_content(reason + "\n", "text/plain; charset=utf-8");
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
  std::condition_variable changed;
  WebApplication* app = nullptr;  // cleared when the host goes away
  std::uint64_t version = 0;
  std::string body;  // the last snapshot without its version
  std::shared_ptr<const std::string> published = std::make_shared<const std::string>("{}");
  bool stopping = false;
  // Replies of applied inputs, answered once the snapshot of their turn is published.
  std::vector<std::function<void(std::uint64_t)>> waiting;
  double snapshotMilliseconds = 0;
  std::size_t snapshotBytes = 0;

  // Main loop only.
  void publish() {
    WebApplication* target;
    {
      std::lock_guard lock(mutex);
      target = app;
    }
    if (!target) return;
    auto start = std::chrono::steady_clock::now();
    std::string next = target->snapshot();
    std::vector<std::function<void(std::uint64_t)>> replies;
    std::uint64_t current;
    {
      std::lock_guard lock(mutex);
      if (next != body) {
        ++version;
        std::string full = "{\"version\":" + std::to_string(version);
        full += next.size() > 2 ? "," + next.substr(1) : "}";
        published = std::make_shared<const std::string>(std::move(full));
        body = std::move(next);
        snapshotMilliseconds =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        snapshotBytes = published->size();
      }
      current = version;
      replies.swap(waiting);
    }
    changed.notify_all();
    for (auto& reply : replies) reply(current);
  }
};

WebHost::WebHost(WebApplication& app, platform::RunLoop& loop, WebHostOptions options)
    : _app(app),
      _loop(loop),
      _options(std::move(options)),
      _server(std::make_unique<httplib::Server>()),
      _shared(std::make_shared<Shared>()) {
  _shared->app = &_app;
  if (!isLoopbackAddress(_options.address))
    _token = _options.token.empty() ? randomToken() : _options.token;
  std::weak_ptr<Shared> weak = _shared;
  _loop.addTurnObserver([weak] {
    if (auto shared = weak.lock()) shared->publish();
  });
  routes();
}

WebHost::~WebHost() {
  stop();
  std::lock_guard lock(_shared->mutex);
  _shared->app = nullptr;
}

bool WebHost::bind(std::string& error) {
  std::string host = _options.address == "localhost" ? "127.0.0.1" : _options.address;
  if (host.size() > 2 && host.front() == '[' && host.back() == ']')
    host = host.substr(1, host.size() - 2);
  if (_options.port == 0) {
    _port = _server->bind_to_any_port(host);
    if (_port <= 0) {
      error = "cannot listen on " + _options.address;
      return false;
    }
  } else {
    if (!_server->bind_to_port(host, _options.port)) {
      error = "cannot listen on " + _options.address + ":" + std::to_string(_options.port) +
              " (address in use or not available)";
      return false;
    }
    _port = _options.port;
  }
  return true;
}

void WebHost::start() {
  if (_thread.joinable()) return;
  _thread = std::thread([this] { _server->listen_after_bind(); });
}

void WebHost::stop() {
  {
    std::lock_guard lock(_shared->mutex);
    _shared->stopping = true;
  }
  _shared->changed.notify_all();
  _server->stop();
  if (_thread.joinable()) _thread.join();
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

bool WebHost::hostAllowed(const std::string& hostHeader) const {
  std::string host;
  int port;
  splitHostPort(lower(hostHeader), host, port);
  if (port != _port) return false;
  std::string listening = lower(_options.address);
  if (listening.size() > 2 && listening.front() == '[')
    listening = listening.substr(1, listening.size() - 2);
  if (host == listening) return true;
  if (isLoopbackAddress(listening)) return isLoopbackAddress(host);
  // On every interface the name used to reach us is unknown; addresses are fine, names are
  // refused so that a rebound DNS name cannot talk to us.
  if (isWildcard(listening)) return isIpLiteral(host) || host == "localhost";
  return false;
}

bool WebHost::allowed(const httplib::Request& req, httplib::Response& res) {
  std::string host = req.get_header_value("Host");
  if (!hostAllowed(host)) {
    refuse(res, 403, "refused: the Host header does not name this server");
    return false;
  }
  if (req.has_header("Origin")) {
    std::string origin = lower(req.get_header_value("Origin"));
    if (origin != "http://" + lower(host)) {
      refuse(res, 403, "refused: requests from another origin are not accepted");
      return false;
    }
  }
  if (!needsToken()) return true;
  std::string given = req.get_param_value("token");
  bool fromQuery = !given.empty();
  if (!fromQuery) given = cookieValue(req.get_header_value("Cookie"), kCookieName);
  if (given.empty()) {
    std::string auth = req.get_header_value("Authorization");
    if (auth.rfind("Bearer ", 0) == 0) given = auth.substr(7);
  }
  if (given.empty() || !sameSecret(given, _token)) {
    refuse(res, 401,
           "refused: this server needs its access token (open the link it printed at start)");
    return false;
  }
  if (fromQuery && req.method == "GET") {
    // The link with the token sets the cookie and moves on to the same page without it.
    res.set_header("Set-Cookie",
                   std::string(kCookieName) + "=" + _token + "; Path=/; HttpOnly; SameSite=Strict");
    res.set_redirect(req.path);
    return false;
  }
  return true;
}

void WebHost::routes() {
  auto& server = *_server;
  server.new_task_queue = [n = _options.maxStreams + 8] { return new httplib::ThreadPool(n); };
  server.set_payload_max_length(_options.maxBodyBytes);
  server.set_keep_alive_timeout(5);
  server.set_default_headers({
      {"X-Content-Type-Options", "nosniff"},
      {"X-Frame-Options", "DENY"},
      {"Referrer-Policy", "same-origin"},
      {"Cache-Control", "no-store"},
      {"Content-Security-Policy",
       "default-src 'self'; img-src 'self' data: http: https:; style-src 'self' "
       "'unsafe-inline'; script-src 'self'; connect-src 'self'; frame-ancestors 'none'; "
       "base-uri 'none'; form-action 'none'"},
  });
  server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
    if (!allowed(req, res)) return httplib::Server::HandlerResponse::Handled;
    limitCompression(const_cast<httplib::Request&>(req));
    return httplib::Server::HandlerResponse::Unhandled;
  });
  server.set_error_handler([](const httplib::Request&, httplib::Response& res) {
    if (!res.body.empty()) return;
    if (res.status == 413)
      res.set_content("refused: the request body is too large\n", "text/plain; charset=utf-8");
    else if (res.status == 404)
      res.set_content("not found\n", "text/plain; charset=utf-8");
  });
  server.set_exception_handler(
      [](const httplib::Request&, httplib::Response& res, std::exception_ptr error) {
        std::string what = "internal error";
        try {
          if (error) std::rethrow_exception(error);
        } catch (const std::exception& e) {
          what = e.what();
        } catch (...) {
        }
        platform::log("web: " + what);
        refuse(res, 500, "internal error");
      });

  if (!_options.resourcesDir.empty()) server.set_mount_point("/", _options.resourcesDir);
  if (!_options.modulesDir.empty()) {
    server.set_mount_point("/vendor/leaflet", _options.modulesDir + "/leaflet/dist");
    server.set_mount_point("/vendor/topojson-client",
                           _options.modulesDir + "/topojson-client/dist");
    server.set_mount_point("/vendor/world-atlas", _options.modulesDir + "/world-atlas");
  }
  server.set_file_extension_and_mimetype_mapping("mjs", "text/javascript");

  server.Get("/api/state", [this](const httplib::Request&, httplib::Response& res) {
    std::shared_ptr<const std::string> body;
    {
      // The server listens before the main loop has taken its first snapshot: a page that
      // asks that early waits for it rather than reading a state without a version.
      std::unique_lock lock(_shared->mutex);
      bool ready = _shared->changed.wait_for(lock, std::chrono::seconds(kFirstStateSeconds), [&] {
        return _shared->stopping || _shared->version > 0;
      });
      if (!ready || _shared->version == 0) {
        lock.unlock();
        refuse(res, 503, "the application has not shown its screen yet");
        return;
      }
      body = _shared->published;
    }
    res.set_content(*body, "application/json");
  });
  server.Get("/api/config", [this](const httplib::Request&, httplib::Response& res) {
    json config = {
        {"device", _options.device},
        {"tiles", {{"url", _options.tiles}, {"attribution", _options.tilesAttribution}}},
        {"imagery", {{"url", _options.imagery}, {"attribution", _options.imageryAttribution}}},
        {"longPressSeconds", 0.5},
        {"longPressSlop", 10}};
    res.set_content(config.dump(), "application/json");
  });
  server.Get("/api/stats", [this](const httplib::Request&, httplib::Response& res) {
    json stats;
    {
      std::lock_guard lock(_shared->mutex);
      stats = {{"version", _shared->version},
               {"snapshotBytes", _shared->snapshotBytes},
               {"snapshotMilliseconds", _shared->snapshotMilliseconds},
               {"streams", _streams.load()}};
    }
    res.set_content(stats.dump(), "application/json");
  });
  server.Post("/api/input", [this](const httplib::Request& req, httplib::Response& res) {
    handleInput(req, res);
  });
  server.Get("/api/events", [this](const httplib::Request& req, httplib::Response& res) {
    handleEvents(req, res);
  });
}

void WebHost::handleInput(const httplib::Request& req, httplib::Response& res) {
  std::string type = lower(req.get_header_value("Content-Type"));
  if (type.rfind("application/json", 0) != 0) {
    refuse(res, 415, "refused: send the input as application/json");
    return;
  }
  ParsedInputs parsed = parseInputs(req.body);
  if (!parsed.ok()) {
    refuse(res, 400, parsed.error);
    return;
  }
  struct Outcome {
    std::string error;
    std::size_t applied = 0;
    std::uint64_t version = 0;
  };
  auto promise = std::make_shared<std::promise<Outcome>>();
  auto future = promise->get_future();
  auto inputs = std::make_shared<std::vector<WebInput>>(std::move(parsed.inputs));
  std::weak_ptr<Shared> weak = _shared;
  _loop.post([weak, inputs, promise] {
    auto shared = weak.lock();
    WebApplication* app = nullptr;
    if (shared) {
      std::lock_guard lock(shared->mutex);
      app = shared->app;
    }
    if (!app) {
      promise->set_value({"the application has stopped", 0, 0});
      return;
    }
    Outcome outcome;
    for (const auto& input : *inputs) {
      std::string error = app->apply(input);
      if (!error.empty()) {
        outcome.error = inputs->size() == 1
                            ? error
                            : "input " + std::to_string(outcome.applied) + ": " + error + " (" +
                                  std::to_string(outcome.applied) + " earlier inputs applied)";
        break;
      }
      ++outcome.applied;
    }
    // Answer once this turn's snapshot is out, so the reply names the version that shows it.
    std::lock_guard lock(shared->mutex);
    shared->waiting.push_back([promise, outcome](std::uint64_t version) mutable {
      outcome.version = version;
      promise->set_value(outcome);
    });
  });
  if (future.wait_for(std::chrono::duration<double>(_options.inputTimeoutSeconds)) !=
      std::future_status::ready) {
    refuse(res, 503, "the application did not take the input in time");
    return;
  }
  Outcome outcome = future.get();
  if (!outcome.error.empty()) {
    refuse(res, 400, outcome.error);
    return;
  }
  json reply = {{"ok", true}, {"applied", outcome.applied}, {"version", outcome.version}};
  res.set_content(reply.dump(), "application/json");
}

void WebHost::handleEvents(const httplib::Request&, httplib::Response& res) {
  if (_streams.fetch_add(1) >= _options.maxStreams) {
    _streams.fetch_sub(1);
    refuse(res, 503, "refused: too many open event streams");
    return;
  }
  auto shared = _shared;
  auto lastSent = std::make_shared<std::uint64_t>(0);
  res.set_header("X-Accel-Buffering", "no");
  res.set_chunked_content_provider(
      "text/event-stream",
      [shared, lastSent](std::size_t, httplib::DataSink& sink) {
        std::unique_lock lock(shared->mutex);
        bool fresh = shared->changed.wait_for(lock, std::chrono::seconds(kKeepAliveSeconds), [&] {
          return shared->stopping || shared->version != *lastSent;
        });
        if (shared->stopping) return false;
        std::string message;
        if (fresh) {
          *lastSent = shared->version;
          auto body = shared->published;
          lock.unlock();
          std::string id = std::to_string(*lastSent);
          // A big state is only announced: browsers read a large event far slower than the
          // same state fetched (and compressed) from /api/state.
          if (body->size() <= kInlineStateBytes)
            message = "id: " + id + "\nevent: state\ndata: " + *body + "\n\n";
          else
            message = "id: " + id + "\nevent: version\ndata: {\"version\":" + id +
                      ",\"bytes\":" + std::to_string(body->size()) + "}\n\n";
        } else {
          lock.unlock();
          message = ": keep-alive\n\n";
        }
        return sink.is_writable() && sink.write(message.data(), message.size());
      },
      [this](bool) { _streams.fetch_sub(1); });
}

}  // namespace tessaly::web
