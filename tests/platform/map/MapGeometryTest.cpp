#include <gtest/gtest.h>

#include <cmath>

#include "platform/map/MKGeometry.h"

using namespace tessaly::platform;

TEST(MapPoints, WebMercatorOnAWorld268435456PointsWide) {
  struct Case {
    CLLocationCoordinate2D coordinate;
    MKMapPoint point;
  };
  const double w = 268435456.0;
  const Case cases[] = {
      {{0, 0}, {w / 2, w / 2}},
      {{0, -180}, {0, w / 2}},
      {{0, 90}, {w * 0.75, w / 2}},
      {{MKMaxMercatorLatitude, 0}, {w / 2, 0}},
      {{-MKMaxMercatorLatitude, 0}, {w / 2, w}},
      // Beyond the projection's edge a point is drawn on the edge.
      {{90, 0}, {w / 2, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.coordinate.latitude) + "," +
                 std::to_string(c.coordinate.longitude));
    MKMapPoint p = MKMapPointForCoordinate(c.coordinate);
    EXPECT_NEAR(p.x, c.point.x, 1e-6);
    EXPECT_NEAR(p.y, c.point.y, 1e-3);
  }
}

TEST(MapPoints, CoordinatesSurviveTheRoundTrip) {
  for (CLLocationCoordinate2D c :
       {CLLocationCoordinate2D{48.858222, 2.2945}, CLLocationCoordinate2D{-33.8688, 151.2093},
        CLLocationCoordinate2D{70.1, -179.99}}) {
    CLLocationCoordinate2D back = MKCoordinateForMapPoint(MKMapPointForCoordinate(c));
    EXPECT_NEAR(back.latitude, c.latitude, 1e-10);
    EXPECT_NEAR(back.longitude, c.longitude, 1e-10);
  }
}

TEST(MapPoints, DistanceIsTheWgs84Geodesic) {
  auto between = [](CLLocationCoordinate2D a, CLLocationCoordinate2D b) {
    return MKMetersBetweenMapPoints(MKMapPointForCoordinate(a), MKMapPointForCoordinate(b));
  };
  // Along the equator the geodesic is the equatorial radius times the angle.
  EXPECT_NEAR(between({0, 0}, {0, 1}), 6378137.0 * M_PI / 180, 1e-4);
  // JFK to Heathrow on the ellipsoid.
  EXPECT_NEAR(between({40.6, -73.8}, {51.6, -0.5}), 5551759.4, 0.1);
  // A meridian degree at the equator is shorter than at the poles on the ellipsoid.
  EXPECT_NEAR(between({0, 10}, {1, 10}), 110574.4, 0.1);
  EXPECT_DOUBLE_EQ(between({12, 34}, {12, 34}), 0);
}

TEST(Regions, MadeWithDistanceSpanThoseMetres) {
  MKCoordinateRegion r = MKCoordinateRegionMakeWithDistance({0, 0}, 1000, 2000);
  EXPECT_EQ(r.center, (CLLocationCoordinate2D{0, 0}));
  EXPECT_NEAR(r.span.latitudeDelta, 1000 / 110574.3, 1e-7);
  EXPECT_NEAR(r.span.longitudeDelta, 2000 / 111319.49, 1e-7);
  // At 60° a degree of longitude is about half as long.
  MKCoordinateRegion north = MKCoordinateRegionMakeWithDistance({60, 5}, 1000, 1000);
  EXPECT_NEAR(north.span.longitudeDelta, 1000 / 55799.0, 1e-6);
  // Never more than the whole earth.
  MKCoordinateRegion huge = MKCoordinateRegionMakeWithDistance({0, 0}, 1e9, 1e9);
  EXPECT_EQ(huge.span.latitudeDelta, 180);
  EXPECT_EQ(huge.span.longitudeDelta, 360);
}
