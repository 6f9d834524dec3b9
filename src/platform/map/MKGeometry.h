#pragma once
// The flat map projection and regions. Map points are Web Mercator scaled to a world
// 268435456 points wide (x grows east from 180° W, y grows south from the top edge at
// about 85.05° N); distances between them are WGS84 geodesic metres.
#include "platform/foundation/Geometry.h"

namespace tessaly::platform {

struct MKMapPoint {
  double x = 0;
  double y = 0;
  friend bool operator==(const MKMapPoint&, const MKMapPoint&) = default;
};

struct MKMapSize {
  double width = 0;
  double height = 0;
  friend bool operator==(const MKMapSize&, const MKMapSize&) = default;
};

struct MKMapRect {
  MKMapPoint origin;
  MKMapSize size;
  friend bool operator==(const MKMapRect&, const MKMapRect&) = default;
};

struct MKCoordinateSpan {
  double latitudeDelta = 0;
  double longitudeDelta = 0;
  friend bool operator==(const MKCoordinateSpan&, const MKCoordinateSpan&) = default;
};

struct MKCoordinateRegion {
  CLLocationCoordinate2D center;
  MKCoordinateSpan span;
  friend bool operator==(const MKCoordinateRegion&, const MKCoordinateRegion&) = default;
};

inline constexpr double MKMapWorldWidth = 268435456.0;
inline const MKMapSize MKMapSizeWorld{MKMapWorldWidth, MKMapWorldWidth};
inline const MKMapRect MKMapRectWorld{{0, 0}, {MKMapWorldWidth, MKMapWorldWidth}};
// The latitude of the projection's top edge; points beyond it are drawn on the edge.
inline constexpr double MKMaxMercatorLatitude = 85.05112877980659;

MKMapPoint MKMapPointForCoordinate(CLLocationCoordinate2D coordinate);
CLLocationCoordinate2D MKCoordinateForMapPoint(MKMapPoint point);
// WGS84 geodesic distance between the coordinates of the two points.
double MKMetersBetweenMapPoints(MKMapPoint a, MKMapPoint b);
// WGS84 geodesic distance between two coordinates (without the projection's round trip).
double metersBetweenCoordinates(CLLocationCoordinate2D a, CLLocationCoordinate2D b);

inline MKMapPoint MKMapPointMake(double x, double y) {
  return {x, y};
}
inline MKMapRect MKMapRectMake(double x, double y, double width, double height) {
  return {{x, y}, {width, height}};
}
inline MKCoordinateSpan MKCoordinateSpanMake(double latitudeDelta, double longitudeDelta) {
  return {latitudeDelta, longitudeDelta};
}
inline MKCoordinateRegion MKCoordinateRegionMake(CLLocationCoordinate2D center,
                                                 MKCoordinateSpan span) {
  return {center, span};
}
// A region centred on center that spans the given metres north-south and east-west.
MKCoordinateRegion MKCoordinateRegionMakeWithDistance(CLLocationCoordinate2D center,
                                                      double latitudinalMeters,
                                                      double longitudinalMeters);

// The map rectangle of a region (centred on its centre's map point) and back.
MKMapRect mapRectForRegion(const MKCoordinateRegion& region);
MKCoordinateRegion regionForMapRect(const MKMapRect& rect);

}  // namespace tessaly::platform
