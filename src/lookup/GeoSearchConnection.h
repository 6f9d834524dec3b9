#pragma once
// The address search request: sends a query to the geocoding service and turns its JSON answer
// into a list of results (path entries of type 0 with the address).
#include <memory>
#include <string>
#include <vector>

#include "lookup/GeoLookupConnection.h"
#include "measure/CoordData.h"

namespace tessaly {

class GeoSearchConnection;

class GeoSearchConnectionDelegate {
 public:
  virtual ~GeoSearchConnectionDelegate() = default;
  // The service answered "OK"; the list may be empty.
  virtual void geoSearchConnectionDidFinishLoadingWithGeoLocalObjects(
      GeoSearchConnection* connection, const std::vector<std::shared_ptr<CoordData>>& results) = 0;
  // Any failure; the text is meant for the user as it stands.
  virtual void geoSearchConnectionDidFailWithError(GeoSearchConnection* connection,
                                                   const std::string& message) = 0;
};

class GeoSearchConnection : public GeoLookupConnection {
 public:
  static constexpr const char* kPath = "/maps/api/geocode/json";

  // Plain init is refused: it logs why and yields nothing.
  static std::unique_ptr<GeoSearchConnection> init();
  // The delegate is not owned.
  static std::unique_ptr<GeoSearchConnection> initWithDelegate(
      GeoSearchConnectionDelegate* delegate);
  explicit GeoSearchConnection(GeoSearchConnectionDelegate* delegate) : _delegate(delegate) {}
  ~GeoSearchConnection() override = default;

  GeoSearchConnectionDelegate* delegate() const { return _delegate; }
  void setDelegate(GeoSearchConnectionDelegate* delegate) { _delegate = delegate; }

  // The address asked for query: the geocoder's base, the path and the escaped query.
  static std::string requestURL(const std::string& query);
  void getGeoObjectsWithQueryAndReferer(const std::string& query, const std::string& referer);

 protected:
  void answerArrived(const std::string& body) override;
  void reportFailure(const std::string& message) override;

 private:
  GeoSearchConnectionDelegate* _delegate;
};

}  // namespace tessaly
