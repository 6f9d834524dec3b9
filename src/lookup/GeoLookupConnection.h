#pragma once
// What the address search and the route request share: one HTTP transfer at a time, its body
// gathered piece by piece, and the first checks of the JSON answer.
#include <memory>
#include <optional>
#include <string>

#include "json/JSONReader.h"
#include "platform/net/NSURLConnection.h"

namespace tessaly {

class GeoLookupConnection : public platform::NSURLConnectionDelegate {
 public:
  static constexpr double kTimeoutInterval = 10;
  static constexpr const char* kNeedDelegate = "need a delegate!! use initWithDelegate!";
  static constexpr const char* kInvalidResponse = "Invalid response";

  ~GeoLookupConnection() override;
  GeoLookupConnection(const GeoLookupConnection&) = delete;
  GeoLookupConnection& operator=(const GeoLookupConnection&) = delete;

  // The body gathered so far; absent while no request runs.
  const std::optional<std::string>& responseData() const { return _responseData; }
  platform::NSURLConnection* connection() const { return _connection.get(); }
  bool connectionIsActive() const { return _connectionIsActive; }

  // Stops the running request, if any; the delegate is not told.
  void cancelGetGeoObjects();

  // Only for tests: how long a request may take (10 s otherwise).
  void setTimeoutIntervalForTesting(double seconds) { _timeoutInterval = seconds; }

  void connectionDidReceiveResponse(platform::NSURLConnection* connection,
                                    const platform::NSHTTPURLResponse& response) override;
  void connectionDidReceiveData(platform::NSURLConnection* connection,
                                std::string_view data) override;
  void connectionDidFailWithError(platform::NSURLConnection* connection,
                                  const platform::NSError& error) override;
  void connectionDidFinishLoading(platform::NSURLConnection* connection) override;

 protected:
  GeoLookupConnection() = default;

  // GET url with the referer; a running request is cancelled first. Logs "connection failed"
  // when the transfer cannot be made.
  void startRequest(const std::string& url, const std::string& referer);

  // The codes logged when the answer is too short, lacks its list or status, or has another
  // status than "OK".
  struct AnswerChecks {
    const char* listKey;
    int tooShort;
    int missingKeys;
    int statusNotOK;
  };
  // Steps shared by both answers: the body must be longer than 9 bytes, valid JSON, a
  // dictionary with the list and "status", and the status "OK". On any failure it is reported
  // and null returned; otherwise the decoded dictionary.
  Ref<JRObject> checkedAnswer(const std::string& body, const AnswerChecks& checks);

  // The finished body, already taken from the request (which is idle again).
  virtual void answerArrived(const std::string& body) = 0;
  virtual void reportFailure(const std::string& message) = 0;

 private:
  void dropTransfer();

  std::optional<std::string> _responseData;
  std::unique_ptr<platform::NSURLConnection> _connection;
  bool _connectionIsActive = false;
  double _timeoutInterval = kTimeoutInterval;
};

// Reads a number under key of a dictionary as a double; 0 when absent or not a number.
double jrDoubleForKey(const JRDictionary* dictionary, std::string_view key);
// The dictionary under key, or null when absent or of another kind.
const JRDictionary* jrDictionaryForKey(const JRDictionary* dictionary, std::string_view key);
// The array under key, or null when absent or of another kind.
const JRArray* jrArrayForKey(const JRDictionary* dictionary, std::string_view key);

}  // namespace tessaly
