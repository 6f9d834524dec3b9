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
  addSubview(_contentView);
  layoutSubviews();
}

void UITableViewCell::layoutSubviews() {
  _contentView->setFrame(bounds());
  CGRect content = _contentView->bounds();
  _textLabel->setFrame(CGRectMake(kTextLabelIndent, 0, content.size.width - 2 * kTextLabelIndent,
                                  content.size.height));
}

}  // namespace tessaly::platform
