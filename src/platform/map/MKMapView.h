#pragma once
// The map view's model: what the map holds and shows (annotations in order, the selection,
// overlays, map type, visible region, the user's own position), the conversion between points
// of the view and coordinates, and the delegate calls that involve no views. The drawn side
// (pin and line views, their reuse, the view delegate calls) builds on the hooks below.
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/foundation/NSError.h"
#include "platform/map/MKAnnotation.h"
#include "platform/map/MKGeometry.h"
#include "platform/map/MKMapViewPresentation.h"
#include "platform/map/MKPolyline.h"
#include "platform/map/MKUserLocation.h"
#include "platform/ui/UIView.h"

namespace tessaly::platform {

enum MKMapType : int { MKMapTypeStandard = 0, MKMapTypeSatellite = 1, MKMapTypeHybrid = 2 };

class MKMapView;

// Every call has an empty default, so a delegate implements only what it needs. The calls that
// involve views come from MKMapViewPresentationDelegate.
class MKMapViewDelegate : public MKMapViewPresentationDelegate {
 public:
  virtual ~MKMapViewDelegate() = default;
  virtual void mapViewRegionWillChangeAnimated(MKMapView* /*mapView*/, bool /*animated*/) {}
  virtual void mapViewRegionDidChangeAnimated(MKMapView* /*mapView*/, bool /*animated*/) {}
  virtual void mapViewDidFailLoadingMapWithError(MKMapView* /*mapView*/, const NSError& /*error*/) {
  }
  virtual void mapViewDidUpdateUserLocation(MKMapView* /*mapView*/,
                                            MKUserLocation* /*userLocation*/) {}
  virtual void mapViewDidFailToLocateUserWithError(MKMapView* /*mapView*/,
                                                   const NSError& /*error*/) {}
};

class MKMapView : public UIView {
 public:
  using AnnotationPtr = std::shared_ptr<MKAnnotation>;
  using OverlayPtr = std::shared_ptr<MKOverlay>;

  explicit MKMapView(CGRect frame = CGRectZero);
  ~MKMapView() override;

  // A new size keeps the centre and the scale (map points per point): the view shows more or
  // less of the map, never a stretched one.
  void setFrame(CGRect frame) override;
  void setBounds(CGRect bounds) override;

  // The closest the map zooms in: map points per point (a 256-point tile at zoom 19).
  static constexpr double kLeastMapPointsPerPoint = 2.0;

  std::string kind() const override { return "map"; }
  std::string_view descriptionKind() const override { return "mapView"; }

  MKMapViewDelegate* delegate() const { return _delegate; }
  void setDelegate(MKMapViewDelegate* delegate) { _delegate = delegate; }

  // Annotations, in the order they were added (the user's position included while shown).
  const std::vector<AnnotationPtr>& annotations() const { return _annotations; }
  // Adding an annotation that is already on the map does nothing.
  void addAnnotation(const AnnotationPtr& annotation);
  void addAnnotations(const std::vector<AnnotationPtr>& annotations);
  void removeAnnotation(const MKAnnotation* annotation);
  void removeAnnotations(const std::vector<AnnotationPtr>& annotations);
  bool containsAnnotation(const MKAnnotation* annotation) const;

  // One annotation at a time is selected (its callout open). Selecting one that is not on
  // the map does nothing.
  const std::vector<AnnotationPtr>& selectedAnnotations() const { return _selected; }
  void selectAnnotation(const AnnotationPtr& annotation, bool animated);
  void deselectAnnotation(const MKAnnotation* annotation, bool animated);

  // Overlays, drawn in order (later ones on top).
  const std::vector<OverlayPtr>& overlays() const { return _overlays; }
  void addOverlay(const OverlayPtr& overlay);
  void removeOverlay(const MKOverlay* overlay);
  void removeOverlays(const std::vector<OverlayPtr>& overlays);

  MKMapType mapType() const { return _mapType; }
  void setMapType(MKMapType type) { _mapType = type; }

  // The visible region. setRegion shows regionThatFits(region); a region with a centre or span
  // off the earth throws std::invalid_argument("Invalid Region <center:... span:...>").
  MKCoordinateRegion region() const { return _region; }
  void setRegion(const MKCoordinateRegion& region, bool animated);
  // The region, widened in one direction so its shape in map points matches the view's (and
  // grown to the closest zoom when it is smaller); the centre stays.
  MKCoordinateRegion regionThatFits(const MKCoordinateRegion& region) const;
  CLLocationCoordinate2D centerCoordinate() const { return _region.center; }
  void setCenterCoordinate(CLLocationCoordinate2D center, bool animated);
  // What is drawn: the map rectangle of the view's shape centred on the region's centre, at the
  // view's scale. It may reach past the world's top and bottom (and around it east and west)
  // when the whole world is smaller than the view.
  MKMapRect visibleMapRect() const;
  // Map points per point of the view; 0 while the view has no size.
  double mapPointsPerPoint() const { return _scale; }

  // The coordinate under a point of view (this view when view is null), and back.
  CLLocationCoordinate2D convertPointToCoordinateFromView(CGPoint point, const UIView* view) const;
  CGPoint convertCoordinateToPointToView(CLLocationCoordinate2D coordinate,
                                         const UIView* view) const;

  // The user's position: while shown, the user-location annotation is among the annotations.
  bool showsUserLocation() const { return _showsUserLocation; }
  void setShowsUserLocation(bool shows);
  const std::shared_ptr<MKUserLocation>& userLocation() const { return _userLocation; }
  // Shown, located, and inside the visible region.
  bool isUserLocationVisible() const;

  // The drawn side (MKMapViewPresentation): the view shown for an annotation or drawing an
  // overlay (null when there is none), and a recycled pin view for the annotation the map is
  // asking its delegate about.
  std::shared_ptr<MKAnnotationView> viewForAnnotation(const MKAnnotation* annotation) const {
    return _presentation.viewForAnnotation(annotation);
  }
  std::shared_ptr<MKOverlayView> viewForOverlay(const MKOverlay* overlay) const {
    return _presentation.viewForOverlay(overlay);
  }
  std::shared_ptr<MKAnnotationView> dequeueReusableAnnotationViewWithIdentifier(
      const std::string& identifier) {
    return _presentation.dequeueReusableAnnotationViewWithIdentifier(identifier);
  }
  const MKMapViewPresentation& presentation() const { return _presentation; }
  // Input: a tap on the right accessory of the annotation's open callout; false when it has none.
  bool tapCalloutAccessory(const MKAnnotation* annotation) {
    return _presentation.tapCalloutAccessory(annotation);
  }

  // Events from what stands behind the map (the web host reports them).
  void didUpdateUserLocation(std::optional<CLLocation> location);
  void didFailToLocateUserWithError(const NSError& error);
  void didFailLoadingMapWithError(const NSError& error);

 protected:
  // Type, region, the user's position, then the annotations and overlays with their views.
  void describeProperties(DescriptionSink& sink) const override;
  // Annotation touches (the target is an annotation's node) and the long press.
  Result<> applyTouch(const Touch& touch, const DescriptionNode& target) override;

  // Hooks for the drawn side, called after the model changed.
  virtual void annotationsWereAdded(const std::vector<AnnotationPtr>& added) {
    _presentation.annotationsAdded(added);
  }
  virtual void annotationsWereRemoved(const std::vector<AnnotationPtr>& removed) {
    _presentation.annotationsRemoved(removed);
  }
  virtual void annotationWasSelected(const AnnotationPtr& annotation, bool /*animated*/) {
    _presentation.annotationSelected(annotation);
  }
  virtual void annotationWasDeselected(const AnnotationPtr& annotation, bool /*animated*/) {
    _presentation.annotationDeselected(annotation);
  }
  virtual void overlayWasAdded(const OverlayPtr& overlay) { _presentation.overlayAdded(overlay); }
  virtual void overlaysWereRemoved(const std::vector<OverlayPtr>& removed) {
    _presentation.overlaysRemoved(removed);
  }

 private:
  CGPoint pointInOwnCoordinates(CGPoint point, const UIView* view) const;
  // Shows a region already fitted to the view, taking the scale that shows it whole.
  void showFittedRegion(const MKCoordinateRegion& fitted);
  void sizeChanged();
  void removeAnnotationsIf(const std::unordered_set<const MKAnnotation*>& doomed);

  MKMapViewDelegate* _delegate = nullptr;
  std::vector<AnnotationPtr> _annotations;
  std::unordered_set<const MKAnnotation*> _annotationSet;
  std::vector<AnnotationPtr> _selected;
  std::vector<OverlayPtr> _overlays;
  MKMapType _mapType = MKMapTypeStandard;
  MKCoordinateRegion _region{{0, 0}, {170, 360}};
  double _scale = 0;
  bool _showsUserLocation = false;
  std::shared_ptr<MKUserLocation> _userLocation = std::make_shared<MKUserLocation>();
  MKMapViewPresentation _presentation{*this};
};

}  // namespace tessaly::platform
