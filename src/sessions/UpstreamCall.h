#pragma once
// One request from the front to a session's process over loopback, with its answer within a
// deadline, on the front's own I/O thread.
#include <functional>
#include <memory>
#include <string>

#include <boost/asio/io_context.hpp>

#include "web/HttpMessage.h"

namespace tessaly::sessions {

class UpstreamCall {
 public:
  // ok false: the process could not be reached or did not answer in time (reason in body).
  using Done = std::function<void(bool ok, web::HttpResponse response)>;
  // Sends request (path decoded, as the front's server gives it) to 127.0.0.1:port.
  static void send(boost::asio::io_context& io, int port, const web::HttpRequest& request,
                   double seconds, Done done);
  // The request's target, its path percent-encoded again.
  static std::string target(const web::HttpRequest& request);
};

}  // namespace tessaly::sessions
