#include "settings/CellWithControl.h"

namespace tessaly {

namespace p = tessaly::platform;

CellWithControl::CellWithControl(p::UITableViewCellStyle style, std::string reuseIdentifier)
    : UITableViewCell(style, std::move(reuseIdentifier)) {
  setSelectionStyle(p::UITableViewCellSelectionStyleNone);
}

void CellWithControl::setView(std::shared_ptr<p::UIView> view) {
  if (_view && _view != view) _view->removeFromSuperview();
  _view = std::move(view);
  if (_view) contentView()->addSubview(_view);
  layoutSubviews();
}

void CellWithControl::layoutSubviews() {
  UITableViewCell::layoutSubviews();
  if (!_view) return;
  p::CGRect r = contentView()->bounds();
  r.origin.x += _shrinkX;
  r.origin.y += _shrinkY;
  r.size.width -= 2 * _shrinkX;
  r.size.height -= 2 * _shrinkY;
  // Formed in double precision, stored in the frame's single precision; a large offset gives a
  // negative width, which is kept as it is.
  double x = double(r.origin.x) + kHostedViewMargin + double(_subviewOffset);
  double width = double(r.size.width) - 2 * kHostedViewMargin - double(_subviewOffset);
  _view->setFrame(
      p::CGRectMake(static_cast<float>(x), r.origin.y, static_cast<float>(width), r.size.height));
}

}  // namespace tessaly
