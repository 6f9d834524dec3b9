#include "lookup/GeoSearchConnection.h"

#include "lookup/LookupServices.h"
#include "lookup/URLArgumentsAdditions.h"
#include "platform/foundation/Log.h"

namespace tessaly {

std::unique_ptr<GeoSearchConnection> GeoSearchConnection::init() {
  platform::log(kNeedDelegate);
  return nullptr;
}

std::unique_ptr<GeoSearchConnection> GeoSearchConnection::initWithDelegate(
    GeoSearchConnectionDelegate* delegate) {
  return std::make_unique<GeoSearchConnection>(delegate);
}

std::string GeoSearchConnection::requestURL(const std::string& query) {
  return LookupServices::geocoderBase() + kPath +
         "?address=" + stringByEscapingForURLArgument(query) + "&sensor=false";
}

void GeoSearchConnection::getGeoObjectsWithQueryAndReferer(const std::string& query,
                                                           const std::string& referer) {
  startRequest(requestURL(query), referer);
}

void GeoSearchConnection::reportFailure(const std::string& message) {
  if (_delegate != nullptr) _delegate->geoSearchConnectionDidFailWithError(this, message);
}

void GeoSearchConnection::answerArrived(const std::string& body) {
  Ref<JRObject> answer = checkedAnswer(body, {"results", 132, 154, 160});
  if (!answer) return;
  std::vector<std::shared_ptr<CoordData>> results;
  results.reserve(4);
  // A "results" that is not a list holds no usable result.
  if (const JRArray* list = jrArrayForKey(answer->asDictionary(), "results")) {
    for (const JRObject* element : *list) {
      const JRDictionary* result = element->asDictionary();
      const JRDictionary* location =
          jrDictionaryForKey(jrDictionaryForKey(result, "geometry"), "location");
      if (location == nullptr) continue;
      const JRObject* address = result->objectForKey("formatted_address");
      auto entry = std::make_shared<CoordData>(std::string(), jrDoubleForKey(location, "lat"),
                                               jrDoubleForKey(location, "lng"));
      if (address != nullptr && address->isString())
        entry->setAddress(std::string(address->stringValue()));
      else
        entry->setAddress(std::nullopt);
      results.push_back(std::move(entry));
    }
  }
  if (_delegate != nullptr)
    _delegate->geoSearchConnectionDidFinishLoadingWithGeoLocalObjects(this, results);
}

}  // namespace tessaly
