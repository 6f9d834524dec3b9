#pragma once
// The spinning wheel that says "working". Hidden while stopped unless told otherwise.
#include "platform/ui/UIView.h"

namespace tessaly::platform {

enum UIActivityIndicatorViewStyle {
  UIActivityIndicatorViewStyleWhiteLarge = 0,
  UIActivityIndicatorViewStyleWhite = 1,
  UIActivityIndicatorViewStyleGray = 2,
};

class UIActivityIndicatorView : public UIView {
 public:
  explicit UIActivityIndicatorView(
      UIActivityIndicatorViewStyle style = UIActivityIndicatorViewStyleWhite);
  std::string kind() const override { return "activityIndicator"; }
  std::string_view descriptionKind() const override { return "activityIndicator"; }

  UIActivityIndicatorViewStyle activityIndicatorViewStyle() const { return _style; }
  void setActivityIndicatorViewStyle(UIActivityIndicatorViewStyle style) { _style = style; }
  bool hidesWhenStopped() const { return _hidesWhenStopped; }
  void setHidesWhenStopped(bool hides);
  bool isAnimating() const { return _animating; }
  void startAnimating();
  void stopAnimating();

 protected:
  void describeProperties(DescriptionSink& sink) const override;

 private:
  UIActivityIndicatorViewStyle _style;
  bool _hidesWhenStopped = true;
  bool _animating = false;
};

}  // namespace tessaly::platform
