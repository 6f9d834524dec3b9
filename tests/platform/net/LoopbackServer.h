#pragma once
// HTTP servers on loopback for transfer tests: an httplib server on its own thread, and a
// socket that takes connections but never answers.
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>

namespace tessaly::testing {

class LoopbackServer {
 public:
  httplib::Server server;

  // Call after the handlers are set.
  void start() {
    // One request per connection, so that stopping never waits for an idle keep-alive.
    server.set_keep_alive_max_count(1);
    _port = server.bind_to_any_port("127.0.0.1");
    _thread = std::thread([this] { server.listen_after_bind(); });
    while (!server.is_running()) std::this_thread::yield();
  }
  ~LoopbackServer() {
    server.stop();
    if (_thread.joinable()) _thread.join();
  }
  int port() const { return _port; }
  std::string base() const { return "http://127.0.0.1:" + std::to_string(_port); }
  std::string url(const std::string& path) const { return base() + path; }

 private:
  int _port = 0;
  std::thread _thread;
};

// Listens, so connections succeed, but never reads nor writes.
class SilentServer {
 public:
  SilentServer() {
    _socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(_socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(_socket, 8);
    socklen_t length = sizeof address;
    ::getsockname(_socket, reinterpret_cast<sockaddr*>(&address), &length);
    _port = ntohs(address.sin_port);
  }
  ~SilentServer() { ::close(_socket); }
  std::string base() const { return "http://127.0.0.1:" + std::to_string(_port); }

 private:
  int _socket;
  int _port;
};

// A port nobody listens on.
inline int closedPort() {
  int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(s);
  return ntohs(address.sin_port);
}

}  // namespace tessaly::testing
