#pragma once
// The web host: serves the page, the state of the one running application and its inputs over
// HTTP. Sockets live on the server's own threads; everything that touches the application runs
// on the main run loop. After every turn of the loop the host takes one snapshot of what the
// application shows and, when it changed, publishes it as a new version to the event streams.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/foundation/RunLoop.h"
#include "web/HttpServer.h"
#include "web/StaticFiles.h"
#include "web/WebInput.h"

namespace tessaly::web {

// What the host needs of the application. Both calls come on the main run loop.
class WebApplication {
 public:
  virtual ~WebApplication() = default;
  // Everything a person could see, as the text of one JSON object (the host adds the version).
  virtual std::string snapshot() = 0;
  // Applies one input, or refuses it with a one-line reason; a refused input must have changed
  // nothing.
  virtual platform::Result<> apply(const WebInput& input) = 0;
};

struct WebHostOptions {
  std::string address = "127.0.0.1";
  int port = 8080;           // 0 picks a free port
  std::string resourcesDir;  // the page: index.html, js, css
  std::string modulesDir;    // node_modules with leaflet, topojson-client, world-atlas
  // Given to the page through /api/config.
  std::string device = "auto";
  std::string tiles;
  std::string tilesAttribution;
  std::string imagery;
  std::string imageryAttribution;
  std::size_t maxStreams = 64;         // event-stream viewers; those above get 503
  std::size_t maxBodyBytes = 2 << 20;  // as received and as decoded; overrides limits'
  double inputTimeoutSeconds = 10;
  // Listening beyond loopback: this token, or a random one when empty. On loopback a token
  // given is needed too (a session's process takes only its front's requests).
  std::string token;
  HttpLimits limits;  // deadlines, caps and connection counts of the server
};

// True for 127.0.0.0/8, ::1 and "localhost".
bool isLoopbackAddress(const std::string& address);
// Whether a request's Host header names a server listening on address:port; on a wildcard
// address names other than "localhost" are refused, so that a rebound DNS name cannot reach it.
bool hostNamesServer(const std::string& hostHeader, const std::string& listenAddress, int port);
// Whether two secrets are equal, compared in a time that does not tell where they differ.
bool sameSecret(const std::string& a, const std::string& b);
// The value of the cookie of that name in a Cookie header; "" when it has none.
std::string cookieValue(const std::string& header, const std::string& name);
// The page's files: the resources at "/" and the page's libraries under "/vendor/".
void mountPageFiles(StaticFiles& files, const std::string& resourcesDir,
                    const std::string& modulesDir);
// The headers every answer of a host carries: no sniffing, no framing, the page's own scripts only.
HttpHeaders pageSecurityHeaders();

class WebHost {
 public:
  WebHost(WebApplication& app, platform::RunLoop& loop, WebHostOptions options);
  ~WebHost();
  WebHost(const WebHost&) = delete;
  WebHost& operator=(const WebHost&) = delete;

  // Binds the listening socket; refused with the reason when the address cannot be had.
  platform::Result<> bind();
  // Serves on a thread of its own until stop().
  void start();
  void stop();

  int port() const { return _port; }
  bool needsToken() const { return !_token.empty(); }
  const std::string& token() const { return _token; }
  // The address to open: with the token when one is needed.
  std::string url() const;

  // Takes a snapshot now and publishes it if it changed. Main loop only; the host also does
  // this after every turn of the loop.
  void publish();
  std::uint64_t version() const;
  std::size_t openStreams() const;
  std::size_t openConnections() const { return _server->openConnections(); }

  // Another part of the program answers GET (and HEAD) requests for every path that starts
  // with prefix (such as "/maps/api/"). The handler gets the request after the Host, Origin
  // and token checks and may block for a while (it runs on a worker beside the I/O threads,
  // never on the main loop); it returns status, content type and body. Call before start().
  // With takesPost the handler gets POST requests too (their bodies within the body limit).
  // With openOnLoopback loopback callers need no token for it (the lookup service, which the
  // application in this process asks without one; it holds nothing of the screen).
  using MountedHandler = std::function<HttpResponse(const HttpRequest&)>;
  void mount(std::string prefix, MountedHandler handler, bool takesPost = false,
             bool openOnLoopback = false);

 private:
  struct Shared;
  struct Mounted {
    std::string prefix;
    MountedHandler handler;
    bool takesPost = false;
    bool openOnLoopback = false;
  };

  void handle(const std::shared_ptr<HttpExchange>& exchange);
  // A refusal (or the token link's redirect), or nothing when the request may go on.
  std::optional<HttpResponse> refusal(const HttpRequest& request) const;
  bool hostAllowed(const std::string& host) const;
  void handleState(const std::shared_ptr<HttpExchange>& exchange);
  void handleChanges(const std::shared_ptr<HttpExchange>& exchange);
  void handleInput(const std::shared_ptr<HttpExchange>& exchange);
  void handleEvents(const std::shared_ptr<HttpExchange>& exchange);
  void handleAlive(const std::shared_ptr<HttpExchange>& exchange);
  HttpResponse config() const;
  HttpResponse stats() const;

  WebApplication& _app;
  platform::RunLoop& _loop;
  WebHostOptions _options;
  std::string _token;
  int _port = 0;
  StaticFiles _files;
  std::vector<Mounted> _mounted;
  std::shared_ptr<Shared> _shared;
  std::unique_ptr<HttpServer> _server;
};

}  // namespace tessaly::web
