#include "web/HttpConnection.h"

#include <chrono>

#include "platform/foundation/Log.h"
#include "platform/foundation/PercentDecoding.h"
#include "web/Gzip.h"

namespace tessaly::web {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

constexpr const char* kBodyTooLarge = "refused: the request body is too large";
constexpr std::size_t kMaxLingerBytes = 8 << 20;
constexpr double kLingerSeconds = 1;

std::chrono::steady_clock::duration after(double seconds) {
  return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
      std::chrono::duration<double>(seconds));
}

std::string_view view(beast::string_view text) {
  return {text.data(), text.size()};
}

std::string trimmed(std::string_view text) {
  std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  std::size_t last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

// gzip named in Accept-Encoding without q=0.
bool acceptsGzip(std::string_view header) {
  std::string all = asciiLower(header);
  std::size_t pos = 0;
  while (pos <= all.size()) {
    std::size_t end = all.find(',', pos);
    if (end == std::string::npos) end = all.size();
    std::string item = all.substr(pos, end - pos);
    pos = end + 1;
    std::size_t semicolon = item.find(';');
    if (trimmed(item.substr(0, semicolon)) != "gzip") continue;
    if (semicolon == std::string::npos) return true;
    std::string param = trimmed(item.substr(semicolon + 1));
    if (param.rfind("q=", 0) != 0) return true;
    return std::strtod(param.c_str() + 2, nullptr) > 0;
  }
  return false;
}

// Below this, compressing saves a few bytes at best and costs more than it saves.
constexpr std::size_t kSmallestCompressed = 1024;

bool compressible(const std::string& contentType) {
  std::string type = asciiLower(contentType.substr(0, contentType.find(';')));
  if (type == "text/event-stream") return false;
  return type.rfind("text/", 0) == 0 || type == "application/json" ||
         type == "application/javascript" || type == "application/xml" || type == "image/svg+xml";
}

class Exchange final : public HttpExchange {
 public:
  Exchange(std::weak_ptr<HttpConnection> connection, std::uint64_t serial, HttpRequest request)
      : _connection(std::move(connection)), _serial(serial), _request(std::move(request)) {}

  const HttpRequest& request() const override { return _request; }
  void respond(HttpResponse response) override {
    if (auto c = _connection.lock()) c->answer(_serial, std::move(response));
  }
  void deadline(double seconds, HttpResponse fallback) override {
    if (auto c = _connection.lock()) c->answerBy(_serial, seconds, std::move(fallback));
  }
  std::shared_ptr<HttpStream> openStream(HttpResponse head, StreamSource source,
                                         std::function<void()> closed) override;

 private:
  std::weak_ptr<HttpConnection> _connection;
  std::uint64_t _serial;
  HttpRequest _request;
};

class Stream final : public HttpStream {
 public:
  explicit Stream(std::weak_ptr<HttpConnection> connection) : _connection(std::move(connection)) {}
  void wake() override {
    if (auto c = _connection.lock()) c->wakeStream();
  }
  void close() override {
    if (auto c = _connection.lock()) asio::post(c->executor(), [c] { c->close(); });
  }

 private:
  std::weak_ptr<HttpConnection> _connection;
};

std::shared_ptr<HttpStream> Exchange::openStream(HttpResponse head, StreamSource source,
                                                 std::function<void()> closed) {
  auto stream = std::make_shared<Stream>(_connection);
  if (auto c = _connection.lock())
    c->openStream(_serial, stream, std::move(head), std::move(source), std::move(closed));
  else if (closed)
    closed();
  return stream;
}

}  // namespace

std::string plainRefusal(const HttpLimits& limits, int status, const std::string& reason) {
  std::string body = reason + "\n";
  std::string out = "HTTP/1.1 " + std::to_string(status) + " " +
                    std::string(http::obsolete_reason(static_cast<http::status>(status))) + "\r\n";
  for (const auto& [name, value] : limits.defaultHeaders) out += name + ": " + value + "\r\n";
  out +=
      "Content-Type: text/plain; charset=utf-8\r\nContent-Length: " + std::to_string(body.size()) +
      "\r\nConnection: close\r\n\r\n" + body;
  return out;
}

platform::Result<> HttpServerCore::admit(const std::string& address) {
  std::lock_guard lock(mutex);
  if (stopping) return platform::Refusal{"refused: the server is stopping"};
  if (total >= limits.maxConnections)
    return platform::Refusal{"refused: the server has too many connections"};
  std::size_t& mine = perAddress[address];
  if (mine >= limits.maxConnectionsPerAddress) {
    if (mine == 0) perAddress.erase(address);
    return platform::Refusal{"refused: too many connections from this address"};
  }
  ++mine;
  ++total;
  return platform::done();
}

void HttpServerCore::release(const std::string& address) {
  std::lock_guard lock(mutex);
  --total;
  auto it = perAddress.find(address);
  if (it != perAddress.end() && --it->second == 0) perAddress.erase(it);
}

HttpConnection::HttpConnection(HttpServerCore& core, tcp::socket socket, std::string address)
    : _core(core),
      _socket(std::move(socket)),
      _deadline(_socket.get_executor()),
      _handlerDeadline(_socket.get_executor()),
      _streamTick(_socket.get_executor()),
      _address(std::move(address)),
      _buffer(core.limits.maxHeaderBytes + 8192) {}

HttpConnection::~HttpConnection() {
  _core.release(_address);
}

void HttpConnection::start() {
  {
    std::lock_guard lock(_core.mutex);
    _core.live[this] = shared_from_this();
  }
  beast::error_code ignored;
  // Answers and events are small writes: without this each waits for the peer's delayed ACK.
  _socket.set_option(tcp::no_delay(true), ignored);
  asio::dispatch(_socket.get_executor(), [self = shared_from_this()] { self->readHeader(); });
}

void HttpConnection::close() {
  if (_closed) return;
  auto self = shared_from_this();
  _closed = true;
  beast::error_code ignored;
  _socket.close(ignored);
  _deadline.cancel();
  _handlerDeadline.cancel();
  _streamTick.cancel();
  _source = nullptr;
  _stream.reset();
  if (auto closed = std::move(_streamClosed)) {
    _streamClosed = nullptr;
    closed();
  }
  std::lock_guard lock(_core.mutex);
  _core.live.erase(this);
}

void HttpConnection::arm(double seconds) {
  _deadline.expires_after(after(seconds));
  _deadline.async_wait([self = shared_from_this()](beast::error_code error) {
    if (!error) self->onTimeout();
  });
}

void HttpConnection::disarm() {
  _deadline.cancel();
}

void HttpConnection::onTimeout() {
  if (_closed) return;
  bool partial =
      _phase == Phase::Body ||
      (_phase == Phase::Header && (_buffer.size() > 0 || (_parser && _parser->got_some())));
  if (partial) {
    // Best effort: the client is told why before the connection goes.
    std::string answer =
        plainRefusal(_core.limits, 408, "refused: the request took too long to arrive");
    beast::error_code ignored;
    _socket.non_blocking(true, ignored);
    _socket.write_some(asio::buffer(answer), ignored);
    _socket.shutdown(tcp::socket::shutdown_send, ignored);
  }
  close();
}

void HttpConnection::readHeader() {
  if (_closed) return;
  _parser.emplace();
  _parser->header_limit(static_cast<std::uint32_t>(_core.limits.maxHeaderBytes));
  _parser->body_limit(_core.limits.maxBodyBytes);
  _phase = Phase::Header;
  arm(_core.limits.headerSeconds);
  http::async_read_header(
      _socket, _buffer, *_parser,
      [self = shared_from_this()](beast::error_code error, std::size_t) { self->onHeader(error); });
}

void HttpConnection::onHeader(beast::error_code error) {
  if (_closed) return;
  if (error == http::error::header_limit || error == http::error::buffer_overflow)
    return refuse(431, "refused: the request headers are too large");
  if (error == http::error::body_limit) return refuse(413, kBodyTooLarge);
  if (error) {
    if (error == http::error::end_of_stream || error == asio::error::eof ||
        error == asio::error::connection_reset || !_parser->got_some())
      return close();
    return refuse(400, "refused: the request is not valid HTTP");
  }
  const auto& header = _parser->get();
  if (static_cast<std::size_t>(std::distance(header.begin(), header.end())) >
      _core.limits.maxHeaderCount)
    return refuse(431, "refused: the request has too many header lines");
  auto coding = header.find(http::field::transfer_encoding);
  if (coding != header.end() && asciiLower(trimmed(view(coding->value()))) != "chunked")
    return refuse(501, "refused: only the chunked transfer coding is accepted");
  if (beast::iequals(header[http::field::expect], "100-continue") && !_parser->is_done()) {
    _phase = Phase::Write;
    arm(_core.limits.writeSeconds);
    static const std::string kContinue = "HTTP/1.1 100 Continue\r\n\r\n";
    asio::async_write(_socket, asio::buffer(kContinue),
                      [self = shared_from_this()](beast::error_code e, std::size_t) {
                        if (self->_closed) return;
                        if (e) return self->close();
                        self->readBody();
                      });
    return;
  }
  readBody();
}

void HttpConnection::readBody() {
  if (_parser->is_done()) return dispatch();
  _phase = Phase::Body;
  arm(_core.limits.bodySeconds);
  http::async_read(
      _socket, _buffer, *_parser,
      [self = shared_from_this()](beast::error_code error, std::size_t) { self->onBody(error); });
}

void HttpConnection::onBody(beast::error_code error) {
  if (_closed) return;
  if (error == http::error::body_limit) return refuse(413, kBodyTooLarge);
  if (error == http::error::end_of_stream || error == asio::error::eof ||
      error == asio::error::connection_reset)
    return close();
  if (error) return refuse(400, "refused: the request body is not valid HTTP");
  dispatch();
}

void HttpConnection::dispatch() {
  disarm();
  auto& message = _parser->get();
  HttpRequest request;
  request.method = std::string(message.method_string());
  std::string_view target = view(message.target());
  std::size_t question = target.find('?');
  if (question != std::string_view::npos) request.query = std::string(target.substr(question + 1));
  // A path with a broken escape or a NUL is refused: it must mean what it shows.
  auto path = platform::PercentDecoding::decode(target.substr(0, question),
                                                platform::PercentDecoding::Escapes::Strict,
                                                platform::PercentDecoding::Plus::Literal);
  if (!path || path->empty() || (*path)[0] != '/')
    return refuse(400, "refused: the path is not valid");
  request.path = std::move(*path);
  for (const auto& field : message)
    request.headers.emplace_back(std::string(field.name_string()), std::string(field.value()));
  request.remoteAddress = _address;
  std::string coding = asciiLower(trimmed(view(message[http::field::content_encoding])));
  if (coding.empty() || coding == "identity") {
    request.body = std::move(message.body());
  } else if (coding == "gzip" || coding == "x-gzip" || coding == "deflate") {
    switch (inflateCapped(message.body(), _core.limits.maxBodyBytes, request.body)) {
      case InflateResult::Ok:
        break;
      case InflateResult::TooLarge:
        return refuse(413, kBodyTooLarge);
      case InflateResult::Corrupt:
        return refuse(400, "refused: the request body is not valid " + coding + " data");
    }
  } else {
    return refuse(415, "refused: the request body's content encoding is not accepted");
  }
  _keepAlive = message.keep_alive();
  _acceptsGzip = acceptsGzip(view(message[http::field::accept_encoding]));
  _head = message.method() == http::verb::head;
  _parser.reset();
  ++_serial;
  _answered = false;
  _phase = Phase::Handler;
  auto exchange = std::make_shared<Exchange>(weak_from_this(), _serial, std::move(request));
  try {
    _core.handler(exchange);
  } catch (const std::exception& e) {
    platform::log(std::string("web: ") + e.what());
    exchange->respond(textResponse(500, "internal error"));
  }
}

void HttpConnection::answer(std::uint64_t serial, HttpResponse response) {
  asio::post(_socket.get_executor(),
             [self = shared_from_this(), serial, response = std::move(response)]() mutable {
               if (self->_closed || serial != self->_serial || self->_answered) return;
               self->_answered = true;
               self->_handlerDeadline.cancel();
               self->write(std::move(response), self->_keepAlive);
             });
}

void HttpConnection::answerBy(std::uint64_t serial, double seconds, HttpResponse fallback) {
  asio::post(_socket.get_executor(), [self = shared_from_this(), serial, seconds,
                                      fallback = std::move(fallback)]() mutable {
    if (self->_closed || serial != self->_serial || self->_answered) return;
    self->_fallback = std::move(fallback);
    self->_handlerDeadline.expires_after(after(seconds));
    self->_handlerDeadline.async_wait([self, serial](beast::error_code error) {
      if (!error) self->answer(serial, std::move(self->_fallback));
    });
  });
}

void HttpConnection::write(HttpResponse response, bool keepAlive) {
  auto message = std::make_shared<http::response<http::string_body>>();
  message->version(11);
  message->result(static_cast<unsigned>(response.status));
  for (const auto& [name, value] : _core.limits.defaultHeaders) message->set(name, value);
  for (const auto& [name, value] : response.headers) message->set(name, value);
  if (!response.contentType.empty()) message->set(http::field::content_type, response.contentType);
  std::string body = std::move(response.body);
  if (_acceptsGzip && body.size() >= kSmallestCompressed && compressible(response.contentType) &&
      message->find(http::field::content_encoding) == message->end()) {
    // Should compressing fail, the body goes as it is.
    if (std::string packed = gzipCompress(body, _core.limits.gzipLevel); !packed.empty()) {
      body = std::move(packed);
      message->set(http::field::content_encoding, "gzip");
      message->set(http::field::vary, "Accept-Encoding");
    }
  }
  // A 204 has no body and says no length.
  if (response.status != 204) message->content_length(body.size());
  if (!_head) message->body() = std::move(body);
  message->keep_alive(keepAlive);
  _response = message;
  _phase = Phase::Write;
  arm(_core.limits.writeSeconds);
  http::async_write(_socket, *message,
                    [self = shared_from_this(), keepAlive](beast::error_code error, std::size_t) {
                      if (self->_closed) return;
                      self->disarm();
                      self->_response.reset();
                      if (error) return self->close();
                      if (!keepAlive) return self->linger();
                      self->readHeader();
                    });
}

void HttpConnection::refuse(int status, const std::string& reason) {
  _parser.reset();
  _answered = true;
  _head = false;
  _acceptsGzip = false;
  write(textResponse(status, reason), false);
}

void HttpConnection::linger() {
  _phase = Phase::Linger;
  beast::error_code ignored;
  _socket.shutdown(tcp::socket::shutdown_send, ignored);
  if (_lingered == 0) arm(kLingerSeconds);
  _socket.async_read_some(asio::buffer(_peerBytes),
                          [self = shared_from_this()](beast::error_code error, std::size_t n) {
                            if (self->_closed) return;
                            self->_lingered += n + 1;
                            if (error || self->_lingered > kMaxLingerBytes) return self->close();
                            self->linger();
                          });
}

void HttpConnection::openStream(std::uint64_t serial, std::shared_ptr<HttpStream> stream,
                                HttpResponse head, HttpExchange::StreamSource source,
                                std::function<void()> closed) {
  asio::post(_socket.get_executor(),
             [self = shared_from_this(), serial, stream = std::move(stream), head = std::move(head),
              source = std::move(source), closed = std::move(closed)]() mutable {
               if (self->_closed || serial != self->_serial || self->_answered) {
                 if (closed) closed();
                 return;
               }
               self->_answered = true;
               self->_handlerDeadline.cancel();
               self->_streaming = true;
               self->_stream = std::move(stream);
               self->_source = std::move(source);
               self->_streamClosed = std::move(closed);
               self->startStream(std::move(head));
             });
}

void HttpConnection::startStream(HttpResponse head) {
  std::string out = "HTTP/1.1 200 OK\r\n";
  for (const auto& [name, value] : _core.limits.defaultHeaders) out += name + ": " + value + "\r\n";
  for (const auto& [name, value] : head.headers) out += name + ": " + value + "\r\n";
  out += "Content-Type: " + (head.contentType.empty() ? "text/event-stream" : head.contentType) +
         "\r\nTransfer-Encoding: chunked\r\nConnection: keep-alive\r\n\r\n";
  _outgoing = std::move(out);
  _writing = true;
  _phase = Phase::Stream;
  arm(_core.limits.writeSeconds);
  asio::async_write(_socket, asio::buffer(_outgoing),
                    [self = shared_from_this()](beast::error_code error, std::size_t) {
                      if (self->_closed) return;
                      self->disarm();
                      self->_writing = false;
                      if (error) return self->close();
                      self->watchPeer();
                      self->tickStream();
                      self->pumpStream();
                    });
}

void HttpConnection::watchPeer() {
  // A viewer sends nothing on its stream: the read ends when it goes, and frees its place.
  _socket.async_read_some(asio::buffer(_peerBytes),
                          [self = shared_from_this()](beast::error_code error, std::size_t) {
                            if (self->_closed) return;
                            if (error) return self->close();
                            self->watchPeer();
                          });
}

void HttpConnection::tickStream() {
  _streamTick.expires_after(after(_core.limits.streamKeepAliveSeconds));
  _streamTick.async_wait([self = shared_from_this()](beast::error_code error) {
    if (error || self->_closed) return;
    if (!self->_writing) self->writeStream(": keep-alive\n\n");
    self->tickStream();
  });
}

void HttpConnection::wakeStream() {
  asio::post(_socket.get_executor(), [self = shared_from_this()] { self->pumpStream(); });
}

void HttpConnection::pumpStream() {
  if (_closed || _writing || !_source) return;
  std::optional<std::string> message = _source();
  if (message && !message->empty()) writeStream(std::move(*message));
}

void HttpConnection::writeStream(std::string message) {
  char size[20];
  std::snprintf(size, sizeof size, "%zx\r\n", message.size());
  _outgoing = size;
  _outgoing += message;
  _outgoing += "\r\n";
  _writing = true;
  arm(_core.limits.writeSeconds);
  asio::async_write(_socket, asio::buffer(_outgoing),
                    [self = shared_from_this()](beast::error_code error, std::size_t) {
                      if (self->_closed) return;
                      self->disarm();
                      self->_writing = false;
                      if (error) return self->close();
                      self->pumpStream();
                    });
}

}  // namespace tessaly::web
