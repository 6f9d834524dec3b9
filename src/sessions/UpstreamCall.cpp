#include "sessions/UpstreamCall.h"

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

constexpr std::size_t kMaxAnswerBytes = 256 << 20;  // a movie of the screen can be large

// Headers the front sets itself (its own security headers, framing, compression).
bool frontOwns(std::string_view name) {
  std::string n = web::asciiLower(name);
  return n == "content-length" || n == "content-type" || n == "transfer-encoding" ||
         n == "connection" || n == "content-encoding" || n == "x-content-type-options" ||
         n == "x-frame-options" || n == "referrer-policy" || n == "cache-control" ||
         n == "content-security-policy" || n == "keep-alive" || n == "vary";
}

http::request<http::string_body> upstreamRequest(int port, const std::string& token,
                                                 const web::HttpRequest& in) {
  http::request<http::string_body> req;
  req.method_string(in.method);
  req.target(UpstreamCall::target(in));
  req.version(11);
  req.set(http::field::host, "127.0.0.1:" + std::to_string(port));
  for (const char* name : {"Content-Type", "Accept", "Range", "If-None-Match"})
    if (in.hasHeader(name)) req.set(name, in.header(name));
  req.set(http::field::authorization, "Bearer " + token);
  req.set(http::field::connection, "close");
  if (!in.body.empty() || in.method == "POST") {
    req.body() = in.body;
    req.prepare_payload();
  }
  return req;
}

class Call : public std::enable_shared_from_this<Call> {
 public:
  Call(asio::io_context& io, int port, http::request<http::string_body> req,
       UpstreamCall::Done done)
      : _socket(io), _timer(io), _port(port), _req(std::move(req)), _done(std::move(done)) {}

  void start(double seconds) {
    _parser.body_limit(kMaxAnswerBytes);
    _timer.expires_after(std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(seconds)));
    _timer.async_wait([self = shared_from_this()](beast::error_code error) {
      if (error) return;
      self->fail(UpstreamCall::Outcome::Late, "the session's application did not answer in time");
    });
    tcp::endpoint endpoint(asio::ip::make_address_v4("127.0.0.1"),
                           static_cast<unsigned short>(_port));
    _socket.async_connect(endpoint, [self = shared_from_this()](beast::error_code error) {
      if (error)
        return self->fail(UpstreamCall::Outcome::Lost,
                          "the session's application cannot be reached");
      http::async_write(self->_socket, self->_req, [self](beast::error_code e, std::size_t) {
        if (e)
          return self->fail(UpstreamCall::Outcome::Lost, "the session's application went away");
        http::async_read(self->_socket, self->_buffer, self->_parser,
                         [self](beast::error_code e2, std::size_t) {
                           if (e2)
                             return self->fail(UpstreamCall::Outcome::Lost,
                                               "the session's application went away");
                           self->finish();
                         });
      });
    });
  }

 private:
  void fail(UpstreamCall::Outcome outcome, const std::string& reason) {
    if (!_done) return;
    auto done = std::exchange(_done, nullptr);
    beast::error_code ignored;
    _timer.cancel();
    _socket.close(ignored);
    done(outcome, web::textResponse(503, reason));
  }
  void finish() {
    if (!_done) return;
    auto done = std::exchange(_done, nullptr);
    _timer.cancel();
    auto& res = _parser.get();
    web::HttpResponse out;
    out.status = static_cast<int>(res.result_int());
    out.contentType = std::string(res[http::field::content_type]);
    out.body = std::move(res.body());
    for (const auto& field : res)
      if (!frontOwns({field.name_string().data(), field.name_string().size()}))
        out.headers.emplace_back(std::string(field.name_string()), std::string(field.value()));
    beast::error_code ignored;
    _socket.close(ignored);
    done(UpstreamCall::Outcome::Answered, std::move(out));
  }

  tcp::socket _socket;
  asio::steady_timer _timer;
  int _port;
  http::request<http::string_body> _req;
  beast::flat_buffer _buffer;
  http::response_parser<http::string_body> _parser;
  UpstreamCall::Done _done;
};

}  // namespace

std::string UpstreamCall::target(const web::HttpRequest& request) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : request.path) {
    if (std::isalnum(c) || std::string_view("/-._~!$&'()*+,;=:@").find(static_cast<char>(c)) !=
                               std::string_view::npos) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(hex[c >> 4]);
      out.push_back(hex[c & 15]);
    }
  }
  if (!request.query.empty()) out += "?" + request.query;
  return out;
}

void UpstreamCall::send(asio::io_context& io, int port, const std::string& token,
                        const web::HttpRequest& request, double seconds, Done done) {
  std::make_shared<Call>(io, port, upstreamRequest(port, token, request), std::move(done))
      ->start(seconds);
}

}  // namespace tessaly::sessions
