#pragma once
// The drawn side of an overlay: for the path line, a polyline view with its colours and opacity
// (the view's alpha).
#include <memory>

#include "platform/map/MKAnnotation.h"
#include "platform/map/MKPolyline.h"
#include "platform/ui/UIView.h"

namespace tessaly::platform {

class MKOverlayView : public UIView {
 public:
  explicit MKOverlayView(std::shared_ptr<MKOverlay> overlay) : _overlay(std::move(overlay)) {}
  std::string kind() const override { return "overlayView"; }
  const std::shared_ptr<MKOverlay>& overlay() const { return _overlay; }

 private:
  std::shared_ptr<MKOverlay> _overlay;
};

class MKOverlayPathView : public MKOverlayView {
 public:
  using MKOverlayView::MKOverlayView;
  const UIColor& fillColor() const { return _fillColor; }
  void setFillColor(const UIColor& color) { _fillColor = color; }
  const UIColor& strokeColor() const { return _strokeColor; }
  void setStrokeColor(const UIColor& color) { _strokeColor = color; }
  // 0 (not set) draws the platform's default width.
  CGFloat lineWidth() const { return _lineWidth; }
  void setLineWidth(CGFloat width) { _lineWidth = width; }

 private:
  UIColor _fillColor = UIColor::clearColor();
  UIColor _strokeColor = UIColor::clearColor();
  CGFloat _lineWidth = 0;
};

class MKPolylineView : public MKOverlayPathView {
 public:
  // initWithPolyline:
  explicit MKPolylineView(std::shared_ptr<MKPolyline> polyline)
      : MKOverlayPathView(polyline), _polyline(std::move(polyline)) {}
  std::string kind() const override { return "polylineView"; }
  const std::shared_ptr<MKPolyline>& polyline() const { return _polyline; }

 private:
  std::shared_ptr<MKPolyline> _polyline;
};

}  // namespace tessaly::platform
