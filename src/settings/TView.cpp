#include "settings/TView.h"

namespace tessaly {

namespace p = tessaly::platform;

TView::TView(p::CGRect frame)
    : UIView(frame),
      _labelName(std::make_shared<p::UILabel>()),
      _labelSize(std::make_shared<p::UILabel>()) {
  _labelName->setFont(p::UIFont::boldSystemFontOfSize(p::UIFont::labelFontSize()));
  _labelName->setTextColor(p::UIColor::blackColor());
  _labelName->setTextAlignment(p::NSTextAlignmentLeft);
  _labelName->setBackgroundColor(p::UIColor::clearColor());
  _labelSize->setFont(p::UIFont::systemFontOfSize(kDetailsFontSize));
  _labelSize->setTextColor(p::UIColor::colorWithRedGreenBlueAlpha(0.5f, 0.5f, 0.5f, 1));
  _labelSize->setTextAlignment(p::NSTextAlignmentLeft);
  _labelSize->setBackgroundColor(p::UIColor::clearColor());
  addSubview(_labelName);
  addSubview(_labelSize);
}

void TView::layoutSubviews() {
  double width = frame().size.width;
  double height = frame().size.height;
  auto f = [](double v) { return static_cast<float>(v); };
  double twoThirds = height / 3 * 2;
  _labelName->setFrame(p::CGRectMake(0, 0, f(width), f(twoThirds)));
  _labelSize->setFrame(p::CGRectMake(0, f(twoThirds - kDetailsOverlap), f(width), f(height / 3)));
}

}  // namespace tessaly
