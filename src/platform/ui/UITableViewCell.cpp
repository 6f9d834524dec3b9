#include "platform/ui/UITableViewCell.h"

#include "platform/ui/DescriptionSink.h"

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

namespace {

const char* cellStyleName(UITableViewCellStyle style) {
  switch (style) {
    case UITableViewCellStyleValue1:
      return "value1";
    case UITableViewCellStyleValue2:
      return "value2";
    case UITableViewCellStyleSubtitle:
      return "subtitle";
    default:
      return "default";
  }
}

const char* accessoryName(UITableViewCellAccessoryType type) {
  switch (type) {
    case UITableViewCellAccessoryDisclosureIndicator:
      return "disclosureIndicator";
    case UITableViewCellAccessoryDetailDisclosureButton:
      return "detailDisclosureButton";
    case UITableViewCellAccessoryCheckmark:
      return "checkmark";
    default:
      return "none";
  }
}

const char* selectionStyleName(UITableViewCellSelectionStyle style) {
  switch (style) {
    case UITableViewCellSelectionStyleBlue:
      return "blue";
    case UITableViewCellSelectionStyleGray:
      return "gray";
    default:
      return "none";
  }
}

}  // namespace

void UITableViewCell::describeProperties(DescriptionSink& sink) const {
  sink.string("style", cellStyleName(_style));
  sink.string("text", _textLabel->text());
  if (_detailTextLabel)
    sink.string("detail", _detailTextLabel->text());
  else
    sink.null("detail");
  if (auto shown = image())
    sink.string("image", shown->name());
  else
    sink.null("image");
  sink.string("accessory", accessoryName(_accessoryType));
  sink.string("selectionStyle", selectionStyleName(_selectionStyle));
  sink.boolean("selected", _selected);
  sink.boolean("editable", _rowEditable);
  if (_accessoryView)
    _accessoryView->describe(sink, "accessoryView");
  else
    sink.null("accessoryView");
}

void UITableViewCell::describeChildren(DescriptionSink& sink) const {
  for (const auto& view : _contentView->subviews()) {
    if (view == _textLabel || view == _detailTextLabel || view == _imageView) continue;
    view->describe(sink);
  }
}

}  // namespace tessaly::platform
