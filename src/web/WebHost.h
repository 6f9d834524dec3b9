#pragma once
// The web host: serves the page, the state of the one running application and its inputs over
// HTTP. Sockets live on the server's own threads; everything that touches the application runs
// on the main run loop. After every turn of the loop the host takes one snapshot of what the
// application shows and, when it changed, publishes it as a new version to the event streams.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "platform/foundation/RunLoop.h"
#include "web/WebInput.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace tessaly::web {

// What the host needs of the application. Both calls come on the main run loop.
class WebApplication {
 public:
  virtual ~WebApplication() = default;
  // Everything a person could see, as the text of one JSON object (the host adds the version).
  virtual std::string snapshot() = 0;
  // Applies one input. Returns "" when applied, else a one-line reason; a refused input must
  // have changed nothing.
  virtual std::string apply(const WebInput& input) = 0;
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
  std::size_t maxStreams = 16;
  std::size_t maxBodyBytes = 2 << 20;
  double inputTimeoutSeconds = 10;
  std::string token;  // listening beyond loopback: this token, or a random one when empty
};

// True for 127.0.0.0/8, ::1 and "localhost".
bool isLoopbackAddress(const std::string& address);

class WebHost {
 public:
  WebHost(WebApplication& app, platform::RunLoop& loop, WebHostOptions options);
  ~WebHost();
  WebHost(const WebHost&) = delete;
  WebHost& operator=(const WebHost&) = delete;

  // Binds the listening socket. False with a reason when the address cannot be had.
  bool bind(std::string& error);
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
  std::size_t openStreams() const { return _streams.load(); }

 private:
  struct Shared;

  void routes();
  bool allowed(const httplib::Request& req, httplib::Response& res);
  bool hostAllowed(const std::string& host) const;
  void handleInput(const httplib::Request& req, httplib::Response& res);
  void handleEvents(const httplib::Request& req, httplib::Response& res);

  WebApplication& _app;
  platform::RunLoop& _loop;
  WebHostOptions _options;
  std::string _token;
  int _port = 0;
  std::unique_ptr<httplib::Server> _server;
  std::thread _thread;
  std::shared_ptr<Shared> _shared;
  std::atomic<std::size_t> _streams{0};
};

}  // namespace tessaly::web
