#pragma once
// The event stream of a session's process, read by the front message by message on its own
// I/O thread until either side ends it.
#include <functional>
#include <memory>
#include <string>

#include <boost/asio/io_context.hpp>

namespace tessaly::sessions {

class UpstreamEvents {
 public:
  using Message = std::function<void(std::string message)>;
  using Ended = std::function<void()>;
  virtual ~UpstreamEvents() = default;
  // Opens GET /api/events on the process; each whole message (without its blank line) goes to
  // message, ended runs once when the stream stops for any reason other than close().
  static std::shared_ptr<UpstreamEvents> open(boost::asio::io_context& io, int port,
                                              const std::string& token, Message message,
                                              Ended ended);
  virtual void close() = 0;
};

}  // namespace tessaly::sessions
