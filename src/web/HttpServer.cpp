#include "web/HttpServer.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "web/HttpConnection.h"

namespace tessaly::web {
namespace {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;

std::string addressOf(const tcp::socket& socket) {
  boost::system::error_code error;
  auto endpoint = socket.remote_endpoint(error);
  if (error) return "?";
  auto address = endpoint.address();
  if (address.is_v6() && address.to_v6().is_v4_mapped())
    return asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6()).to_string();
  return address.to_string();
}

}  // namespace

struct HttpServer::Core : HttpServerCore {
  using HttpServerCore::HttpServerCore;

  void accept() {
    acceptor.async_accept(
        asio::make_strand(io), [this](boost::system::error_code error, tcp::socket socket) {
          if (error) {
            if (!acceptor.is_open()) return;
            // Out of descriptors, say: try again shortly rather than spin.
            retry.expires_after(std::chrono::milliseconds(50));
            retry.async_wait([this](boost::system::error_code e) {
              if (!e) accept();
            });
            return;
          }
          std::string address = addressOf(socket);
          if (auto admitted = admit(address)) {
            std::make_shared<HttpConnection>(*this, std::move(socket), address)->start();
          } else {
            // A new socket's send buffer is empty: this short answer goes out without waiting.
            std::string answer = plainRefusal(limits, 503, admitted.reason());
            boost::system::error_code ignored;
            socket.non_blocking(true, ignored);
            socket.write_some(asio::buffer(answer), ignored);
            socket.shutdown(tcp::socket::shutdown_send, ignored);
            socket.close(ignored);
          }
          accept();
        });
  }

  tcp::acceptor acceptor{io};
  asio::steady_timer retry{io};
  std::optional<asio::executor_work_guard<asio::io_context::executor_type>> work;
};

HttpServer::HttpServer(HttpLimits limits, Handler handler)
    : _core(std::make_unique<Core>(std::move(limits), std::move(handler))) {}

HttpServer::~HttpServer() {
  stop();
}

platform::Result<> HttpServer::bind(const std::string& given, int port) {
  std::string address = given == "localhost" ? "127.0.0.1" : given;
  if (address.size() > 2 && address.front() == '[' && address.back() == ']')
    address = address.substr(1, address.size() - 2);
  boost::system::error_code e;
  auto ip = asio::ip::make_address(address, e);
  if (e) return platform::Refusal{"cannot listen on " + given + " (not an address)"};
  tcp::endpoint endpoint(ip, static_cast<unsigned short>(port));
  auto& acceptor = _core->acceptor;
  acceptor.open(endpoint.protocol(), e);
  if (!e) acceptor.set_option(tcp::acceptor::reuse_address(true), e);
  if (!e) acceptor.bind(endpoint, e);
  if (!e) acceptor.listen(asio::socket_base::max_listen_connections, e);
  if (e) {
    boost::system::error_code ignored;
    acceptor.close(ignored);
    return platform::Refusal{"cannot listen on " + address + ":" + std::to_string(port) + " (" +
                             e.message() + ")"};
  }
  _port = acceptor.local_endpoint().port();
  return platform::done();
}

void HttpServer::start() {
  if (_started || !_core->acceptor.is_open()) return;
  _started = true;
  _core->work.emplace(_core->io.get_executor());
  _core->blocking.emplace(std::max(1, _core->limits.blockingThreads));
  _core->accept();
  for (int i = 0; i < std::max(1, _core->limits.ioThreads); ++i)
    _threads.emplace_back([core = _core.get()] { core->io.run(); });
}

void HttpServer::stop() {
  if (!_started) return;
  _started = false;
  std::vector<std::shared_ptr<HttpConnection>> open;
  {
    std::lock_guard lock(_core->mutex);
    _core->stopping = true;
    for (auto& [key, connection] : _core->live) open.push_back(connection);
  }
  asio::post(_core->io, [core = _core.get()] {
    boost::system::error_code ignored;
    core->acceptor.close(ignored);
    core->retry.cancel();
  });
  for (auto& connection : open)
    asio::post(connection->executor(), [connection] { connection->close(); });
  open.clear();
  _core->work.reset();
  for (auto& thread : _threads) thread.join();
  _threads.clear();
  if (_core->blocking) _core->blocking->join();
  std::lock_guard lock(_core->mutex);
  _core->live.clear();
}

bool HttpServer::runBlocking(std::function<void()> work) {
  if (!_core->blocking) return false;
  if (_core->blockingQueued.fetch_add(1) >= _core->limits.maxBlockingQueued) {
    --_core->blockingQueued;
    return false;
  }
  asio::post(*_core->blocking, [core = _core.get(), work = std::move(work)] {
    work();
    --core->blockingQueued;
  });
  return true;
}

std::size_t HttpServer::openConnections() const {
  std::lock_guard lock(_core->mutex);
  return _core->total;
}

}  // namespace tessaly::web
