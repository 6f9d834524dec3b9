#pragma once
// One client connection of the HTTP server (internal to HttpServer.cpp and HttpConnection.cpp):
// reads a request within its deadlines and caps, hands it to the handler, writes the answer
// or serves an event stream, and closes as soon as the peer goes or a deadline passes.
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>  // before Asio: its C++20 parts use std::exchange without it

#include <boost/asio.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http.hpp>

#include "web/HttpServer.h"

namespace tessaly::web {

class HttpConnection;

// A whole answer as raw bytes, for refusals sent without a parsed request (or past one).
std::string plainRefusal(const HttpLimits& limits, int status, const std::string& reason);

// What the server's connections share. Its I/O context is declared last so that it goes
// first: connections still queued in it are destroyed while the counts they release exist.
struct HttpServerCore {
  HttpServerCore(HttpLimits l, HttpServer::Handler h)
      : limits(std::move(l)), handler(std::move(h)) {}

  // Takes a place for a new connection from address; refused with the reason when none is left.
  platform::Result<> admit(const std::string& address);
  void release(const std::string& address);

  HttpLimits limits;
  HttpServer::Handler handler;
  // Made at start, so that its threads share the signal mask of the threads that serve.
  std::optional<boost::asio::thread_pool> blocking;
  std::atomic<std::size_t> blockingQueued{0};
  std::mutex mutex;
  std::unordered_map<std::string, std::size_t> perAddress;
  std::size_t total = 0;
  bool stopping = false;
  std::unordered_map<HttpConnection*, std::shared_ptr<HttpConnection>> live;
  boost::asio::io_context io;
};

class HttpConnection : public std::enable_shared_from_this<HttpConnection> {
 public:
  HttpConnection(HttpServerCore& core, boost::asio::ip::tcp::socket socket, std::string address);
  ~HttpConnection();

  void start();
  boost::asio::any_io_executor executor() { return _socket.get_executor(); }
  // Ends the connection (on its own thread); a stream's closed callback runs now.
  void close();

  // Called through the exchange, from any thread.
  void answer(std::uint64_t serial, HttpResponse response);
  void answerBy(std::uint64_t serial, double seconds, HttpResponse fallback);
  // The connection keeps the stream while it lasts; others hold it weakly.
  void openStream(std::uint64_t serial, std::shared_ptr<HttpStream> stream, HttpResponse head,
                  HttpExchange::StreamSource source, std::function<void()> closed);
  void wakeStream();

 private:
  using Parser = boost::beast::http::request_parser<boost::beast::http::string_body>;

  void readHeader();
  void onHeader(boost::beast::error_code error);
  void readBody();
  void onBody(boost::beast::error_code error);
  void dispatch();
  void write(HttpResponse response, bool keepAlive);
  void refuse(int status, const std::string& reason);
  // Closes after the answer: stops sending, then reads what the client still sends for a
  // moment, so that the answer is not lost to a reset.
  void linger();
  enum class Phase { Header, Body, Handler, Write, Stream, Linger };
  void arm(double seconds);
  void disarm();
  void onTimeout();
  void startStream(HttpResponse head);
  void pumpStream();
  void writeStream(std::string message);
  void watchPeer();
  void tickStream();

  HttpServerCore& _core;
  boost::asio::ip::tcp::socket _socket;
  boost::asio::steady_timer _deadline;
  boost::asio::steady_timer _handlerDeadline;
  boost::asio::steady_timer _streamTick;
  std::string _address;
  boost::beast::flat_buffer _buffer;
  std::optional<Parser> _parser;
  Phase _phase = Phase::Header;
  std::size_t _lingered = 0;
  bool _closed = false;
  bool _acceptsGzip = false;
  bool _head = false;
  bool _keepAlive = false;
  // The request being answered; answers to earlier ones are dropped.
  std::uint64_t _serial = 0;
  bool _answered = true;
  HttpResponse _fallback;

  // Event stream.
  bool _streaming = false;
  bool _writing = false;
  std::shared_ptr<HttpStream> _stream;
  HttpExchange::StreamSource _source;
  std::function<void()> _streamClosed;
  std::string _outgoing;
  char _peerBytes[512];
  std::shared_ptr<boost::beast::http::response<boost::beast::http::string_body>> _response;
};

}  // namespace tessaly::web
