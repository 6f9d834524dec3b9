#pragma once
// The drawn side of an annotation: the view the map shows for it (a pin for a marker), its
// callout while selected, and the callout's accessory control.
#include <memory>
#include <string>

#include "platform/map/MKAnnotation.h"
#include "platform/ui/UIControl.h"

namespace tessaly::platform {

class MKAnnotationView : public UIView {
 public:
  // initWithAnnotation:reuseIdentifier:
  MKAnnotationView(std::shared_ptr<MKAnnotation> annotation, std::string reuseIdentifier);
  std::string kind() const override { return "annotationView"; }

  const std::shared_ptr<MKAnnotation>& annotation() const { return _annotation; }
  void setAnnotation(std::shared_ptr<MKAnnotation> annotation) {
    _annotation = std::move(annotation);
  }
  const std::string& reuseIdentifier() const { return _reuseIdentifier; }

  bool canShowCallout() const { return _canShowCallout; }
  void setCanShowCallout(bool can) { _canShowCallout = can; }
  // Selected: the map selected its annotation. The callout is open while selected and allowed.
  bool isSelected() const { return _selected; }
  void setSelected(bool selected) { _selected = selected; }
  bool isCalloutOpen() const { return _selected && _canShowCallout; }

  // The control at the right of the callout; a new one replaces the old.
  const std::shared_ptr<UIControl>& rightCalloutAccessoryView() const { return _rightAccessory; }
  void setRightCalloutAccessoryView(std::shared_ptr<UIControl> control) {
    _rightAccessory = std::move(control);
  }

  // Called by the map before it hands the view out again for another annotation.
  virtual void prepareForReuse();

 private:
  std::shared_ptr<MKAnnotation> _annotation;
  std::string _reuseIdentifier;
  bool _canShowCallout = false;
  bool _selected = false;
  std::shared_ptr<UIControl> _rightAccessory;
};

enum MKPinAnnotationColor {
  MKPinAnnotationColorRed = 0,
  MKPinAnnotationColorGreen = 1,
  MKPinAnnotationColorPurple = 2,
};

// The colour's name as renderers and tools print it: "red", "green" or "purple".
inline const char* pinColorName(MKPinAnnotationColor color) {
  switch (color) {
    case MKPinAnnotationColorGreen:
      return "green";
    case MKPinAnnotationColorPurple:
      return "purple";
    default:
      return "red";
  }
}

class MKPinAnnotationView : public MKAnnotationView {
 public:
  using MKAnnotationView::MKAnnotationView;
  std::string kind() const override { return "pin"; }

  MKPinAnnotationColor pinColor() const { return _pinColor; }
  void setPinColor(MKPinAnnotationColor color) { _pinColor = color; }
  // The pin falls onto the map when it is first shown.
  bool animatesDrop() const { return _animatesDrop; }
  void setAnimatesDrop(bool animates) { _animatesDrop = animates; }

 private:
  MKPinAnnotationColor _pinColor = MKPinAnnotationColorRed;
  bool _animatesDrop = false;
};

}  // namespace tessaly::platform
