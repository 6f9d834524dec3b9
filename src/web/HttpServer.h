#pragma once
// The HTTP/1.1 server under the web host: asynchronous sockets on a few I/O threads, so that
// slow, idle or hostile clients cost a socket and some memory, never a thread a person needs.
// Every connection has a deadline for its headers, its body and each write; headers and bodies
// are capped (bodies as received and as decoded); connections are counted per client address.
#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/foundation/Result.h"
#include "web/HttpExchange.h"

namespace tessaly::web {

struct HttpLimits {
  double headerSeconds = 5;  // from the end of the last answer (or the connect) to the blank line
  double bodySeconds = 10;   // for the body once the headers are in
  double writeSeconds = 10;  // for each answer or event to leave
  double streamKeepAliveSeconds = 15;  // a comment on a quiet event stream
  std::size_t maxHeaderBytes = 16 * 1024;
  std::size_t maxHeaderCount = 100;
  std::size_t maxBodyBytes = 2 << 20;
  std::size_t maxConnections = 512;
  std::size_t maxConnectionsPerAddress = 32;
  int ioThreads = 2;
  int blockingThreads = 4;             // for handlers that must wait (see runBlocking)
  std::size_t maxBlockingQueued = 64;  // more waiting than this: 503
  int gzipLevel = 1;
  HttpHeaders defaultHeaders;  // added to every answer, the server's own refusals too
};

class HttpServer {
 public:
  using Handler = std::function<void(std::shared_ptr<HttpExchange>)>;

  HttpServer(HttpLimits limits, Handler handler);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Binds and listens; port 0 picks a free one (port() tells which). "localhost" is the IPv4
  // loopback, and an IPv6 address may come in brackets. Refused with the reason when it fails.
  platform::Result<> bind(const std::string& address, int port);
  int port() const { return _port; }
  // Serves on threads of its own until stop().
  void start();
  // Closes every connection and joins the threads. Late answers are dropped.
  void stop();

  // Runs work that may block (a handler that asks another service) on a thread beside the
  // I/O threads; false when too much such work is already waiting.
  bool runBlocking(std::function<void()> work);

  std::size_t openConnections() const;

 private:
  struct Core;
  std::unique_ptr<Core> _core;
  std::vector<std::thread> _threads;
  int _port = 0;
  bool _started = false;
};

}  // namespace tessaly::web
