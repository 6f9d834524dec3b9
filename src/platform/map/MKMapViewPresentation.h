#pragma once
// The drawn side of the map view: the views of its annotations and overlays, made by the
// delegate (or the map's standard ones), the queue that recycles the views of removed
// annotations per reuse identifier, selection with its callout, and the callout accessory tap.
//
// MKMapView owns one and forwards to it: its model hooks (added, removed, selected, deselected)
// and, for its callers, viewForAnnotation, viewForOverlay,
// dequeueReusableAnnotationViewWithIdentifier and the input tapCalloutAccessory.
#include <cstddef>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/map/MKAnnotation.h"
#include "platform/map/MKAnnotationView.h"
#include "platform/map/MKOverlayView.h"

namespace tessaly::platform {

class MKMapView;

// The delegate calls that involve views; MKMapViewDelegate inherits them.
class MKMapViewPresentationDelegate {
 public:
  virtual ~MKMapViewPresentationDelegate() = default;
  // The view for an annotation the map is about to show; null asks for the map's standard
  // view (a red pin, or the user-location mark for the user's position).
  virtual std::shared_ptr<MKAnnotationView> mapViewViewForAnnotation(
      MKMapView* /*mapView*/, const std::shared_ptr<MKAnnotation>& /*annotation*/) {
    return nullptr;
  }
  // The view that draws an overlay; null leaves the overlay undrawn.
  virtual std::shared_ptr<MKOverlayView> mapViewViewForOverlay(
      MKMapView* /*mapView*/, const std::shared_ptr<MKOverlay>& /*overlay*/) {
    return nullptr;
  }
  virtual void mapViewDidAddAnnotationViews(
      MKMapView* /*mapView*/, const std::vector<std::shared_ptr<MKAnnotationView>>& /*views*/) {}
  virtual void mapViewDidAddOverlayViews(
      MKMapView* /*mapView*/, const std::vector<std::shared_ptr<MKOverlayView>>& /*views*/) {}
  virtual void mapViewDidSelectAnnotationView(MKMapView* /*mapView*/, MKAnnotationView* /*view*/) {}
  virtual void mapViewDidDeselectAnnotationView(MKMapView* /*mapView*/,
                                                MKAnnotationView* /*view*/) {}
  virtual void mapViewAnnotationViewCalloutAccessoryControlTapped(MKMapView* /*mapView*/,
                                                                  MKAnnotationView* /*view*/,
                                                                  UIControl* /*control*/) {}
};

// Views of removed annotations, waiting to be handed out again, per reuse identifier; the most
// recently queued first. Bounded, so clearing a very long path does not keep every view.
class MKAnnotationViewReuseQueue {
 public:
  static constexpr std::size_t kMaxPerIdentifier = 1000;

  // Views without a reuse identifier are not kept. The view lets go of its annotation.
  void enqueue(std::shared_ptr<MKAnnotationView> view);
  // The next view for identifier, or null.
  std::shared_ptr<MKAnnotationView> dequeue(const std::string& identifier);
  std::size_t count(const std::string& identifier) const;
  void clear() { _queues.clear(); }

 private:
  std::map<std::string, std::deque<std::shared_ptr<MKAnnotationView>>> _queues;
};

// The standard mark of the user's own position.
class MKUserLocationView : public MKAnnotationView {
 public:
  using MKAnnotationView::MKAnnotationView;
  std::string kind() const override { return "userLocation"; }
};

class MKMapViewPresentation {
 public:
  explicit MKMapViewPresentation(MKMapView& mapView) : _map(mapView) {}
  MKMapViewPresentation(const MKMapViewPresentation&) = delete;
  MKMapViewPresentation& operator=(const MKMapViewPresentation&) = delete;

  // Model hooks.
  void annotationsAdded(const std::vector<std::shared_ptr<MKAnnotation>>& added);
  void annotationsRemoved(const std::vector<std::shared_ptr<MKAnnotation>>& removed);
  void annotationSelected(const std::shared_ptr<MKAnnotation>& annotation);
  void annotationDeselected(const std::shared_ptr<MKAnnotation>& annotation);
  void overlayAdded(const std::shared_ptr<MKOverlay>& overlay);
  void overlaysRemoved(const std::vector<std::shared_ptr<MKOverlay>>& removed);

  // The view shown for an annotation on the map, or null.
  std::shared_ptr<MKAnnotationView> viewForAnnotation(const MKAnnotation* annotation) const;
  // The view drawing an overlay, or null (not drawn).
  std::shared_ptr<MKOverlayView> viewForOverlay(const MKOverlay* overlay) const;
  // A recycled view, handed out for the annotation the map is asking about (if any).
  std::shared_ptr<MKAnnotationView> dequeueReusableAnnotationViewWithIdentifier(
      const std::string& identifier);
  const MKAnnotationViewReuseQueue& reuseQueue() const { return _queue; }

  // Input: a tap on the right accessory of the annotation's open callout. The control's own
  // actions run, then the delegate hears calloutAccessoryControlTapped. Returns false (and does
  // nothing) when the annotation has no open callout with an enabled accessory.
  bool tapCalloutAccessory(const MKAnnotation* annotation);

 private:
  MKMapViewPresentationDelegate* delegate() const;
  std::shared_ptr<MKAnnotationView> makeView(const std::shared_ptr<MKAnnotation>& annotation);

  MKMapView& _map;
  std::unordered_map<const MKAnnotation*, std::shared_ptr<MKAnnotationView>> _annotationViews;
  std::unordered_map<const MKOverlay*, std::shared_ptr<MKOverlayView>> _overlayViews;
  MKAnnotationViewReuseQueue _queue;
  std::shared_ptr<MKAnnotation> _askingAbout;
};

}  // namespace tessaly::platform
