#include "sessions/UpstreamEvents.h"

#include <utility>  // before Asio: its C++20 parts use std::exchange without it

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

namespace tessaly::sessions {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

class Events final : public UpstreamEvents, public std::enable_shared_from_this<Events> {
 public:
  Events(asio::io_context& io, Message message, Ended ended)
      : _socket(io), _message(std::move(message)), _ended(std::move(ended)) {}

  void start(int port, const std::string& token) {
    _parser.body_limit(boost::none);
    // The parser keeps a reference to the callback: it lives as long as this stream.
    _onChunk = [this](std::uint64_t, beast::string_view body, beast::error_code&) {
      _text.append(body.data(), body.size());
      return body.size();
    };
    _parser.on_chunk_body(_onChunk);
    _req.method(http::verb::get);
    _req.target("/api/events");
    _req.version(11);
    _req.set(http::field::host, "127.0.0.1:" + std::to_string(port));
    _req.set(http::field::authorization, "Bearer " + token);
    tcp::endpoint endpoint(asio::ip::make_address_v4("127.0.0.1"),
                           static_cast<unsigned short>(port));
    _socket.async_connect(endpoint, [self = shared_from_this()](beast::error_code error) {
      if (error) return self->end();
      http::async_write(self->_socket, self->_req, [self](beast::error_code e, std::size_t) {
        if (e) return self->end();
        http::async_read_header(self->_socket, self->_buffer, self->_parser,
                                [self](beast::error_code e2, std::size_t) {
                                  if (e2 || self->_parser.get().result_int() != 200)
                                    return self->end();
                                  self->readMore();
                                });
      });
    });
  }

  void close() override {
    asio::post(_socket.get_executor(), [self = shared_from_this()] {
      self->_ended = nullptr;
      self->_message = nullptr;
      beast::error_code ignored;
      self->_socket.close(ignored);
    });
  }

 private:
  void readMore() {
    http::async_read_some(_socket, _buffer, _parser,
                          [self = shared_from_this()](beast::error_code error, std::size_t) {
                            self->deliver();
                            if (error || self->_parser.is_done()) return self->end();
                            self->readMore();
                          });
  }
  void deliver() {
    std::size_t end;
    while ((end = _text.find("\n\n")) != std::string::npos) {
      std::string message = _text.substr(0, end);
      _text.erase(0, end + 2);
      if (!message.empty() && message[0] != ':' && _message) _message(std::move(message));
    }
  }
  void end() {
    beast::error_code ignored;
    _socket.close(ignored);
    if (auto ended = std::exchange(_ended, nullptr)) ended();
    _message = nullptr;
  }

  tcp::socket _socket;
  http::request<http::empty_body> _req;
  beast::flat_buffer _buffer;
  http::response_parser<http::empty_body> _parser;
  std::string _text;
  std::function<std::size_t(std::uint64_t, beast::string_view, beast::error_code&)> _onChunk;
  Message _message;
  Ended _ended;
};

}  // namespace

std::shared_ptr<UpstreamEvents> UpstreamEvents::open(asio::io_context& io, int port,
                                                     const std::string& token, Message message,
                                                     Ended ended) {
  auto events = std::make_shared<Events>(io, std::move(message), std::move(ended));
  events->start(port, token);
  return events;
}

}  // namespace tessaly::sessions
