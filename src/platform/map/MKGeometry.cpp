#include "platform/map/MKGeometry.h"

#include <GeographicLib/Geodesic.hpp>

#include <algorithm>
#include <cmath>

namespace tessaly::platform {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDegrees = kPi / 180.0;

double yForLatitude(double latitude) {
  double lat = std::clamp(latitude, -MKMaxMercatorLatitude, MKMaxMercatorLatitude);
  double s = std::sin(lat * kDegrees);
  return (0.5 - std::log((1 + s) / (1 - s)) / (4 * kPi)) * MKMapWorldWidth;
}

double latitudeForY(double y) {
  return std::atan(std::sinh(kPi * (1 - 2 * y / MKMapWorldWidth))) / kDegrees;
}

}  // namespace

MKMapPoint MKMapPointForCoordinate(CLLocationCoordinate2D coordinate) {
  return {(coordinate.longitude + 180.0) / 360.0 * MKMapWorldWidth,
          yForLatitude(coordinate.latitude)};
}

CLLocationCoordinate2D MKCoordinateForMapPoint(MKMapPoint point) {
  return {latitudeForY(point.y), point.x / MKMapWorldWidth * 360.0 - 180.0};
}

double metersBetweenCoordinates(CLLocationCoordinate2D a, CLLocationCoordinate2D b) {
  double s12 = 0;
  GeographicLib::Geodesic::WGS84().Inverse(a.latitude, a.longitude, b.latitude, b.longitude, s12);
  return s12;
}

double MKMetersBetweenMapPoints(MKMapPoint a, MKMapPoint b) {
  return metersBetweenCoordinates(MKCoordinateForMapPoint(a), MKCoordinateForMapPoint(b));
}

MKCoordinateRegion MKCoordinateRegionMakeWithDistance(CLLocationCoordinate2D center,
                                                      double latitudinalMeters,
                                                      double longitudinalMeters) {
  // Lengths of one degree on the WGS84 ellipsoid at the centre's latitude.
  const auto& earth = GeographicLib::Geodesic::WGS84();
  double a = earth.EquatorialRadius();
  double e2 = earth.Flattening() * (2 - earth.Flattening());
  double phi = std::clamp(center.latitude, -89.999999, 89.999999) * kDegrees;
  double w = std::sqrt(1 - e2 * std::sin(phi) * std::sin(phi));
  double meridional = a * (1 - e2) / (w * w * w) * kDegrees;
  double parallel = a * std::cos(phi) / w * kDegrees;
  return {center,
          {std::min(latitudinalMeters / meridional, 180.0),
           std::min(longitudinalMeters / parallel, 360.0)}};
}

MKMapRect mapRectForRegion(const MKCoordinateRegion& region) {
  MKMapPoint c = MKMapPointForCoordinate(region.center);
  double top = yForLatitude(region.center.latitude + region.span.latitudeDelta / 2);
  double bottom = yForLatitude(region.center.latitude - region.span.latitudeDelta / 2);
  double height = bottom - top;
  double width = region.span.longitudeDelta / 360.0 * MKMapWorldWidth;
  return {{c.x - width / 2, c.y - height / 2}, {width, height}};
}

MKCoordinateRegion regionForMapRect(const MKMapRect& rect) {
  MKMapPoint c{rect.origin.x + rect.size.width / 2, rect.origin.y + rect.size.height / 2};
  double top = latitudeForY(std::max(rect.origin.y, 0.0));
  double bottom = latitudeForY(std::min(rect.origin.y + rect.size.height, MKMapWorldWidth));
  return {MKCoordinateForMapPoint(c), {top - bottom, rect.size.width / MKMapWorldWidth * 360.0}};
}

}  // namespace tessaly::platform
