#include "lookup/GeoLookupConnection.h"

#include <utility>

#include "platform/foundation/Log.h"

namespace tessaly {

namespace p = tessaly::platform;

namespace {

// The way the system prints an error object in a log line.
std::string describe(const JRError& error) {
  return "Error Domain=" + error.domain + " Code=" + std::to_string(error.code) + " \"" +
         error.localizedDescription + "\"";
}

}  // namespace

GeoLookupConnection::~GeoLookupConnection() {
  cancelGetGeoObjects();
}

void GeoLookupConnection::startRequest(const std::string& url, const std::string& referer) {
  p::NSURLRequest request(url, p::NSURLRequestUseProtocolCachePolicy, _timeoutInterval);
  request.setValueForHTTPHeaderField(referer, "Referer");
  cancelGetGeoObjects();
  _connection = p::NSURLConnection::connectionWithRequest(request, this);
  if (!_connection) {
    p::log("connection failed");
    return;
  }
  _responseData.emplace();
  _connectionIsActive = true;
}

void GeoLookupConnection::cancelGetGeoObjects() {
  if (!_connectionIsActive) return;
  _connectionIsActive = false;
  if (_connection) _connection->cancel();
  dropTransfer();
}

void GeoLookupConnection::dropTransfer() {
  _connection.reset();
  _responseData.reset();
}

void GeoLookupConnection::connectionDidReceiveResponse(p::NSURLConnection* connection,
                                                       const p::NSHTTPURLResponse&) {
  // Only the body of the last response counts.
  if (connection == _connection.get() && _responseData) _responseData->clear();
}

void GeoLookupConnection::connectionDidReceiveData(p::NSURLConnection* connection,
                                                   std::string_view data) {
  if (connection == _connection.get() && _responseData) _responseData->append(data);
}

void GeoLookupConnection::connectionDidFailWithError(p::NSURLConnection* connection,
                                                     const p::NSError& error) {
  if (connection != _connection.get()) return;
  _connectionIsActive = false;
  // Dropped first: the delegate may start the next request from its callback.
  auto ended = std::exchange(_connection, nullptr);
  _responseData.reset();
  reportFailure(error.localizedDescription);
}

void GeoLookupConnection::connectionDidFinishLoading(p::NSURLConnection* connection) {
  if (connection != _connection.get()) return;
  _connectionIsActive = false;
  auto ended = std::exchange(_connection, nullptr);
  std::string body = _responseData ? std::move(*_responseData) : std::string();
  _responseData.reset();
  answerArrived(body);
}

Ref<JRObject> GeoLookupConnection::checkedAnswer(const std::string& body,
                                                 const AnswerChecks& checks) {
  if (body.size() <= 9) {
    p::logf("ERROR %d", checks.tooShort);
    reportFailure(kInvalidResponse);
    return nullptr;
  }
  JRError error;
  Ref<JRObject> answer = objectFromJSONData(body, JRReadStrict, &error);
  if (!answer) {
    p::log("JSON Error: " + describe(error));
    reportFailure(error.localizedDescription);
    return nullptr;
  }
  const JRDictionary* root = answer->asDictionary();
  const JRObject* status = root != nullptr ? root->objectForKey("status") : nullptr;
  if (root == nullptr || root->objectForKey(checks.listKey) == nullptr || status == nullptr) {
    p::logf("ERROR %d", checks.missingKeys);
    reportFailure(kInvalidResponse);
    return nullptr;
  }
  if (!status->isString() || status->stringValue() != "OK") {
    p::logf("ERROR %d", checks.statusNotOK);
    reportFailure(status->description());
    return nullptr;
  }
  return answer;
}

double jrDoubleForKey(const JRDictionary* dictionary, std::string_view key) {
  const JRObject* value = dictionary != nullptr ? dictionary->objectForKey(key) : nullptr;
  return value != nullptr && value->isNumber() ? value->doubleValue() : 0;
}

const JRDictionary* jrDictionaryForKey(const JRDictionary* dictionary, std::string_view key) {
  const JRObject* value = dictionary != nullptr ? dictionary->objectForKey(key) : nullptr;
  return value != nullptr ? value->asDictionary() : nullptr;
}

const JRArray* jrArrayForKey(const JRDictionary* dictionary, std::string_view key) {
  const JRObject* value = dictionary != nullptr ? dictionary->objectForKey(key) : nullptr;
  return value != nullptr ? value->asArray() : nullptr;
}

}  // namespace tessaly
