#include "platform/ui/UIActivityIndicatorView.h"

#include "platform/ui/DescriptionSink.h"

namespace tessaly::platform {

UIActivityIndicatorView::UIActivityIndicatorView(UIActivityIndicatorViewStyle style)
    : UIView(style == UIActivityIndicatorViewStyleWhiteLarge ? CGRectMake(0, 0, 37, 37)
                                                             : CGRectMake(0, 0, 20, 20)),
      _style(style) {
  setHidden(true);
}

void UIActivityIndicatorView::setHidesWhenStopped(bool hides) {
  _hidesWhenStopped = hides;
  if (!_animating) setHidden(hides);
}

void UIActivityIndicatorView::startAnimating() {
  _animating = true;
  setHidden(false);
}

void UIActivityIndicatorView::stopAnimating() {
  _animating = false;
  if (_hidesWhenStopped) setHidden(true);
}

void UIActivityIndicatorView::describeProperties(DescriptionSink& sink) const {
  sink.boolean("animating", _animating);
  sink.string("style", _style == UIActivityIndicatorViewStyleWhiteLarge ? "whiteLarge"
                       : _style == UIActivityIndicatorViewStyleGray     ? "gray"
                                                                        : "white");
  sink.boolean("hidesWhenStopped", _hidesWhenStopped);
}

}  // namespace tessaly::platform
