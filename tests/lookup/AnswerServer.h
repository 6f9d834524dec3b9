#pragma once
// A geocoding and directions service on loopback whose answers the test writes, and which
// remembers what it was asked.
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "lookup/LookupServices.h"
#include "platform/net/LoopbackServer.h"

namespace tessaly::testing {

class AnswerServer {
 public:
  struct Asked {
    std::string target;  // path and query as sent
    std::string referer;
  };

  AnswerServer() {
    auto handler = [this](const httplib::Request& req, httplib::Response& res) {
      std::lock_guard<std::mutex> lock(_mutex);
      _asked.push_back({req.target, req.get_header_value("Referer")});
      if (_responder) {
        res.set_content(_responder(req), "application/json");
        return;
      }
      res.status = _status;
      res.set_content(_answer, _contentType);
    };
    _server.server.Get("/maps/api/geocode/json", handler);
    _server.server.Get("/maps/api/directions/json", handler);
    _server.start();
    LookupServices::setGeocoderBase(_server.base());
    LookupServices::setDirectionsBase(_server.base());
  }
  ~AnswerServer() {
    LookupServices::setGeocoderBase(LookupServices::kDefaultBase);
    LookupServices::setDirectionsBase(LookupServices::kDefaultBase);
  }

  void answer(std::string body, int status = 200, std::string type = "application/json") {
    std::lock_guard<std::mutex> lock(_mutex);
    _answer = std::move(body);
    _status = status;
    _contentType = std::move(type);
  }
  // Answers from what was asked instead (called on the server's thread).
  void respond(std::function<std::string(const httplib::Request&)> responder) {
    std::lock_guard<std::mutex> lock(_mutex);
    _responder = std::move(responder);
  }
  std::vector<Asked> asked() const {
    std::lock_guard<std::mutex> lock(_mutex);
    return _asked;
  }
  std::string base() const { return _server.base(); }

 private:
  LoopbackServer _server;
  mutable std::mutex _mutex;
  std::string _answer;
  int _status = 200;
  std::string _contentType = "application/json";
  std::vector<Asked> _asked;
  std::function<std::string(const httplib::Request&)> _responder;
};

}  // namespace tessaly::testing
