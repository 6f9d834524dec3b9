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
  enum class Outcome {
    Answered,
    Lost,  // not reached, or the connection ended before an answer: the request may never
           // have been taken
    Late,  // no answer within the time: the process may still be at it
  };
  // Without an answer the response is a 503 with the reason in its body.
  using Done = std::function<void(Outcome outcome, web::HttpResponse response)>;
  // Sends request (path decoded, as the front's server gives it) to 127.0.0.1:port, with the
  // process's token.
  static void send(boost::asio::io_context& io, int port, const std::string& token,
                   const web::HttpRequest& request, double seconds, Done done);
  // The request's target, its path percent-encoded again.
  static std::string target(const web::HttpRequest& request);
};

}  // namespace tessaly::sessions
