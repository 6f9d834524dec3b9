#pragma once
// A plain loopback TCP client for requests no HTTP client library would send: dribbled
// headers, idle sockets, bodies framed by hand. Every read has a deadline.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <string_view>

class RawSocket {
 public:
  // Connects to 127.0.0.1:port from the loopback address from (127.0.0.0/8 are all ours).
  RawSocket(int port, const char* from = "127.0.0.1") {
    _fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, from, &local.sin_addr);
    ::bind(_fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &remote.sin_addr);
    _connected = ::connect(_fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) == 0;
    int one = 1;
    setsockopt(_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  }
  ~RawSocket() {
    if (_fd >= 0) ::close(_fd);
  }
  RawSocket(const RawSocket&) = delete;
  RawSocket& operator=(const RawSocket&) = delete;

  bool connected() const { return _connected; }

  bool send(std::string_view bytes) {
    while (!bytes.empty()) {
      ssize_t n = ::send(_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }

  // Reads until the server closes or the deadline passes; closed() tells which.
  std::string readUntilClosed(double seconds) {
    std::string out;
    auto end = std::chrono::steady_clock::now() +
               std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                   std::chrono::duration<double>(seconds));
    while (readSome(out, end)) {
    }
    return out;
  }

  // Reads until what came holds needle (or the server closes, or the deadline passes).
  std::string readUntil(std::string_view needle, double seconds) {
    auto end = std::chrono::steady_clock::now() +
               std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                   std::chrono::duration<double>(seconds));
    std::string out;
    while (out.find(needle) == std::string::npos && readSome(out, end)) {
    }
    return out;
  }

  // Reads one answer with a Content-Length (or until close), within the deadline.
  std::string readResponse(double seconds) {
    auto end = std::chrono::steady_clock::now() +
               std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                   std::chrono::duration<double>(seconds));
    std::string out;
    for (;;) {
      std::size_t blank = out.find("\r\n\r\n");
      if (blank != std::string::npos) {
        std::size_t at = out.find("Content-Length: ");
        if (at != std::string::npos && at < blank) {
          std::size_t length = std::stoul(out.substr(at + 16));
          if (out.size() >= blank + 4 + length) {
            std::string answer = out.substr(0, blank + 4 + length);
            _pending = out.substr(answer.size());
            return answer;
          }
        }
      }
      if (!readSome(out, end)) return out;
    }
  }

  // Waits for the server to close this socket.
  bool closedWithin(double seconds) {
    readUntilClosed(seconds);
    return _closed;
  }

 private:
  bool readSome(std::string& out, std::chrono::steady_clock::time_point end) {
    if (!_pending.empty()) {
      out += _pending;
      _pending.clear();
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() < 0) return false;
    pollfd p{_fd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
    char buffer[16384];
    ssize_t n = ::recv(_fd, buffer, sizeof buffer, 0);
    if (n <= 0) {
      _closed = true;
      return false;
    }
    out.append(buffer, static_cast<std::size_t>(n));
    return true;
  }

  int _fd = -1;
  bool _connected = false;
  bool _closed = false;
  std::string _pending;
};
