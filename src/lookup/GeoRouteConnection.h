#pragma once
// The route request: sends the path's points to the directions service and turns its answer,
// with the steps' encoded polylines, into a list of path entries.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "lookup/GeoLookupConnection.h"
#include "measure/CoordData.h"

namespace tessaly {

class GeoRouteConnection;

class GeoRouteConnectionDelegate {
 public:
  virtual ~GeoRouteConnectionDelegate() = default;
  // The service answered "OK"; the list may be empty. Also called with a loaded route file,
  // with no request object.
  virtual void geoRouteConnectionDidFinishLoadingWithGeoLocalObjects(
      GeoRouteConnection* connection, const std::vector<std::shared_ptr<CoordData>>& entries) = 0;
  virtual void geoRouteConnectionDidFailWithError(GeoRouteConnection* connection,
                                                  const std::string& message) = 0;
};

class GeoRouteConnection : public GeoLookupConnection {
 public:
  static constexpr const char* kPath = "/maps/api/directions/json";
  using Entries = std::vector<std::shared_ptr<CoordData>>;

  static std::unique_ptr<GeoRouteConnection> init();
  static std::unique_ptr<GeoRouteConnection> initWithDelegate(GeoRouteConnectionDelegate* delegate);
  explicit GeoRouteConnection(GeoRouteConnectionDelegate* delegate) : _delegate(delegate) {}
  ~GeoRouteConnection() override = default;

  GeoRouteConnectionDelegate* delegate() const { return _delegate; }
  void setDelegate(GeoRouteConnectionDelegate* delegate) { _delegate = delegate; }

  // The address asked for points (at least one) and mode: origin, destination, the points in
  // between as waypoints, the mode; numbers with six decimals.
  static std::string requestURL(const Entries& points, const std::string& mode);
  // Does nothing for an empty list.
  void getGeoObjectsWithPointsAndModeAndReferer(const Entries& points, const std::string& mode,
                                                const std::string& referer);

  // An encoded polyline as path entries: the first of type 1, the rest of type 2. A text that
  // ends inside a value or after a latitude without its longitude gives the points before it.
  static Entries decodeLine(std::string_view encoded);

 protected:
  void answerArrived(const std::string& body) override;
  void reportFailure(const std::string& message) override;

 private:
  GeoRouteConnectionDelegate* _delegate;
};

}  // namespace tessaly
