#pragma once
// Plain value types shared by every layer: screen geometry in points (single precision, as the
// layout rules are written for it) and positions on the earth in degrees (double precision).

namespace tessaly::platform {

using CGFloat = float;

struct CGPoint {
  CGFloat x = 0;
  CGFloat y = 0;
  friend bool operator==(const CGPoint&, const CGPoint&) = default;
};

struct CGSize {
  CGFloat width = 0;
  CGFloat height = 0;
  friend bool operator==(const CGSize&, const CGSize&) = default;
};

struct CGRect {
  CGPoint origin;
  CGSize size;
  friend bool operator==(const CGRect&, const CGRect&) = default;
};

inline CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat width, CGFloat height) {
  return CGRect{{x, y}, {width, height}};
}
inline CGFloat CGRectGetMinX(const CGRect& r) {
  return r.origin.x;
}
inline CGFloat CGRectGetMinY(const CGRect& r) {
  return r.origin.y;
}
inline CGFloat CGRectGetMaxX(const CGRect& r) {
  return r.origin.x + r.size.width;
}
inline CGFloat CGRectGetMaxY(const CGRect& r) {
  return r.origin.y + r.size.height;
}
inline bool CGRectContainsPoint(const CGRect& r, CGPoint p) {
  return p.x >= r.origin.x && p.y >= r.origin.y && p.x < CGRectGetMaxX(r) && p.y < CGRectGetMaxY(r);
}
inline const CGRect CGRectZero{};

struct CLLocationCoordinate2D {
  double latitude = 0;
  double longitude = 0;
  friend bool operator==(const CLLocationCoordinate2D&, const CLLocationCoordinate2D&) = default;
};

inline CLLocationCoordinate2D CLLocationCoordinate2DMake(double latitude, double longitude) {
  return {latitude, longitude};
}

}  // namespace tessaly::platform
