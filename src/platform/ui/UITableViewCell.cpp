#include "platform/ui/UITableViewCell.h"

namespace tessaly::platform {

UITableViewCell::UITableViewCell(UITableViewCellStyle style, std::string reuseIdentifier)
    : UIView(CGRectMake(0, 0, 320, 44)),
      _style(style),
      _reuseIdentifier(std::move(reuseIdentifier)),
      _contentView(std::make_shared<UIView>(bounds())),
      _textLabel(std::make_shared<UILabel>()) {
  _textLabel->setBackgroundColor(UIColor::clearColor());
  _contentView->addSubview(_textLabel);
  if (style != UITableViewCellStyleDefault) {
    _detailTextLabel = std::make_shared<UILabel>();
    _detailTextLabel->setBackgroundColor(UIColor::clearColor());
    _detailTextLabel->setFont(UIFont::systemFontOfSize(style == UITableViewCellStyleSubtitle
                                                           ? UIFont::systemFontSize()
                                                           : UIFont::labelFontSize()));
    _contentView->addSubview(_detailTextLabel);
  }
  addSubview(_contentView);
  layoutSubviews();
}

const std::shared_ptr<UIImageView>& UITableViewCell::imageView() {
  if (!_imageView) {
    _imageView = std::make_shared<UIImageView>();
    _contentView->addSubview(_imageView);
  }
  return _imageView;
}

void UITableViewCell::setAccessoryView(std::shared_ptr<UIView> view) {
  if (_accessoryView && _accessoryView != view) _accessoryView->removeFromSuperview();
  _accessoryView = std::move(view);
  if (_accessoryView) addSubview(_accessoryView);
}

void UITableViewCell::layoutSubviews() {
  _contentView->setFrame(bounds());
  CGRect content = _contentView->bounds();
  CGFloat left = kTextLabelIndent;
  if (image()) {
    _imageView->setFrame(
        CGRectMake(0, (content.size.height - kImageSide) / 2, kImageSide, kImageSide));
    left += kImageSide;
  }
  CGFloat width = content.size.width - left - kTextLabelIndent;
  if (!_detailTextLabel) {
    _textLabel->setFrame(CGRectMake(left, 0, width, content.size.height));
  } else if (_style == UITableViewCellStyleSubtitle) {
    CGFloat half = content.size.height / 2;
    _textLabel->setFrame(CGRectMake(left, 0, width, half));
    _detailTextLabel->setFrame(CGRectMake(left, half, width, half));
  } else {
    // Value styles: the text and the detail share the line, the detail at the right.
    CGFloat half = width / 2;
    _textLabel->setFrame(CGRectMake(left, 0, half, content.size.height));
    _detailTextLabel->setFrame(CGRectMake(left + half, 0, width - half, content.size.height));
    _detailTextLabel->setTextAlignment(_style == UITableViewCellStyleValue1 ? NSTextAlignmentRight
                                                                            : NSTextAlignmentLeft);
  }
  if (_accessoryView) {
    CGSize size = _accessoryView->frame().size;
    _accessoryView->setFrame(CGRectMake(bounds().size.width - kTextLabelIndent - size.width,
                                        (bounds().size.height - size.height) / 2, size.width,
                                        size.height));
  }
}

}  // namespace tessaly::platform
