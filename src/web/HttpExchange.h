#pragma once
// One request handed to a handler, and the way to answer it. A handler runs on one of the
// server's I/O threads and must not block there: it answers at once, or keeps the exchange and
// answers later from any thread (after the main loop has applied an input, say).
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "web/HttpMessage.h"

namespace tessaly::web {

// An open event stream. The server writes one message at a time: after each it asks the
// stream's source for the next, so a viewer that reads slowly gets the latest message rather
// than a growing queue.
class HttpStream {
 public:
  virtual ~HttpStream() = default;
  // There is something new: the server asks the source once it is free to write.
  virtual void wake() = 0;
  // Ends the stream (its viewer may connect again); nothing when it has ended already.
  virtual void close() {}
};

class HttpExchange {
 public:
  // The next message to send, or nothing when the viewer has seen the latest.
  using StreamSource = std::function<std::optional<std::string>()>;

  virtual ~HttpExchange() = default;
  virtual const HttpRequest& request() const = 0;
  // Answers the request; only the first answer counts, later ones are dropped.
  virtual void respond(HttpResponse response) = 0;
  // Answers with the fallback unless an answer came within the given time.
  virtual void deadline(double seconds, HttpResponse fallback) = 0;
  // Answers with an event stream (head gives the content type and extra headers). The source
  // is called on the connection's own thread; closed is called once, as soon as the stream
  // ends for any reason (the peer went away, the server stops).
  virtual std::shared_ptr<HttpStream> openStream(HttpResponse head, StreamSource source,
                                                 std::function<void()> closed) = 0;
};

}  // namespace tessaly::web
