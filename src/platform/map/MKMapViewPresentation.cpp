#include "platform/map/MKMapViewPresentation.h"

#include "platform/map/MKMapView.h"
#include "platform/map/MKUserLocation.h"

namespace tessaly::platform {

void MKAnnotationViewReuseQueue::enqueue(std::shared_ptr<MKAnnotationView> view) {
  if (!view || view->reuseIdentifier().empty()) return;
  view->setSelected(false);
  view->setAnnotation(nullptr);  // a queued view keeps no removed annotation alive
  auto& queue = _queues[view->reuseIdentifier()];
  queue.push_front(std::move(view));
  if (queue.size() > kMaxPerIdentifier) queue.pop_back();
}

std::shared_ptr<MKAnnotationView> MKAnnotationViewReuseQueue::dequeue(
    const std::string& identifier) {
  auto it = _queues.find(identifier);
  if (it == _queues.end() || it->second.empty()) return nullptr;
  auto view = std::move(it->second.front());
  it->second.pop_front();
  return view;
}

std::size_t MKAnnotationViewReuseQueue::count(const std::string& identifier) const {
  auto it = _queues.find(identifier);
  return it == _queues.end() ? 0 : it->second.size();
}

MKAnnotationView::MKAnnotationView(std::shared_ptr<MKAnnotation> annotation,
                                   std::string reuseIdentifier)
    : _annotation(std::move(annotation)), _reuseIdentifier(std::move(reuseIdentifier)) {}

void MKAnnotationView::prepareForReuse() {
  _selected = false;
}

MKMapViewPresentationDelegate* MKMapViewPresentation::delegate() const {
  return _map.delegate();
}

std::shared_ptr<MKAnnotationView> MKMapViewPresentation::makeView(
    const std::shared_ptr<MKAnnotation>& annotation) {
  std::shared_ptr<MKAnnotationView> view;
  if (auto* d = delegate()) {
    _askingAbout = annotation;
    view = d->mapViewViewForAnnotation(&_map, annotation);
    _askingAbout.reset();
  }
  if (!view) {
    // The map's standard views: the user-location mark, or a red pin.
    if (dynamic_cast<MKUserLocation*>(annotation.get()) != nullptr)
      view = std::make_shared<MKUserLocationView>(annotation, "");
    else
      view = std::make_shared<MKPinAnnotationView>(annotation, "");
    view->setCanShowCallout(true);
  }
  if (view->annotation() != annotation) view->setAnnotation(annotation);
  return view;
}

void MKMapViewPresentation::annotationsAdded(
    const std::vector<std::shared_ptr<MKAnnotation>>& added) {
  std::vector<std::shared_ptr<MKAnnotationView>> views;
  views.reserve(added.size());
  for (const auto& annotation : added) {
    auto view = makeView(annotation);
    _annotationViews[annotation.get()] = view;
    views.push_back(std::move(view));
  }
  if (auto* d = delegate(); d != nullptr && !views.empty())
    d->mapViewDidAddAnnotationViews(&_map, views);
}

void MKMapViewPresentation::annotationsRemoved(
    const std::vector<std::shared_ptr<MKAnnotation>>& removed) {
  for (const auto& annotation : removed) {
    auto it = _annotationViews.find(annotation.get());
    if (it == _annotationViews.end()) continue;
    auto view = std::move(it->second);
    _annotationViews.erase(it);
    _queue.enqueue(std::move(view));
  }
}

void MKMapViewPresentation::annotationSelected(const std::shared_ptr<MKAnnotation>& annotation) {
  auto view = viewForAnnotation(annotation.get());
  if (!view) return;
  view->setSelected(true);
  if (auto* d = delegate()) d->mapViewDidSelectAnnotationView(&_map, view.get());
}

void MKMapViewPresentation::annotationDeselected(const std::shared_ptr<MKAnnotation>& annotation) {
  auto view = viewForAnnotation(annotation.get());
  if (!view) return;
  view->setSelected(false);
  if (auto* d = delegate()) d->mapViewDidDeselectAnnotationView(&_map, view.get());
}

void MKMapViewPresentation::overlayAdded(const std::shared_ptr<MKOverlay>& overlay) {
  auto* d = delegate();
  if (d == nullptr) return;
  auto view = d->mapViewViewForOverlay(&_map, overlay);
  if (!view) return;  // not drawn
  _overlayViews[overlay.get()] = view;
  d->mapViewDidAddOverlayViews(&_map, {view});
}

void MKMapViewPresentation::overlaysRemoved(
    const std::vector<std::shared_ptr<MKOverlay>>& removed) {
  for (const auto& overlay : removed) _overlayViews.erase(overlay.get());
}

std::shared_ptr<MKAnnotationView> MKMapViewPresentation::viewForAnnotation(
    const MKAnnotation* annotation) const {
  auto it = _annotationViews.find(annotation);
  return it == _annotationViews.end() ? nullptr : it->second;
}

std::shared_ptr<MKOverlayView> MKMapViewPresentation::viewForOverlay(
    const MKOverlay* overlay) const {
  auto it = _overlayViews.find(overlay);
  return it == _overlayViews.end() ? nullptr : it->second;
}

std::shared_ptr<MKAnnotationView>
MKMapViewPresentation::dequeueReusableAnnotationViewWithIdentifier(const std::string& identifier) {
  auto view = _queue.dequeue(identifier);
  if (!view) return nullptr;
  view->prepareForReuse();
  if (_askingAbout) view->setAnnotation(_askingAbout);
  return view;
}

bool MKMapViewPresentation::tapCalloutAccessory(const MKAnnotation* annotation) {
  auto view = viewForAnnotation(annotation);
  if (!view || !view->isCalloutOpen()) return false;
  auto control = view->rightCalloutAccessoryView();
  if (!control || !control->isEnabled()) return false;
  control->sendActionsForControlEvents(UIControlEventTouchUpInside);
  if (auto* d = delegate())
    d->mapViewAnnotationViewCalloutAccessoryControlTapped(&_map, view.get(), control.get());
  return true;
}

}  // namespace tessaly::platform
