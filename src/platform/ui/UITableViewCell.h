#pragma once
// One row of a table: a content view that fills the cell and holds the row's text label and
// whatever the screen adds to it.
#include <memory>
#include <string>

#include "platform/ui/UILabel.h"
#include "platform/ui/UIView.h"

namespace tessaly::platform {

enum UITableViewCellStyle {
  UITableViewCellStyleDefault = 0,
  UITableViewCellStyleValue1 = 1,
  UITableViewCellStyleValue2 = 2,
  UITableViewCellStyleSubtitle = 3,
};

enum UITableViewCellSelectionStyle {
  UITableViewCellSelectionStyleNone = 0,
  UITableViewCellSelectionStyleBlue = 1,
  UITableViewCellSelectionStyleGray = 2,
};

class UITableViewCell : public UIView {
 public:
  // The text label's indent from the content view's left edge.
  static constexpr CGFloat kTextLabelIndent = 10;

  UITableViewCell(UITableViewCellStyle style, std::string reuseIdentifier);
  std::string kind() const override { return "tableCell"; }

  UITableViewCellStyle style() const { return _style; }
  const std::string& reuseIdentifier() const { return _reuseIdentifier; }
  const std::shared_ptr<UIView>& contentView() const { return _contentView; }
  const std::shared_ptr<UILabel>& textLabel() const { return _textLabel; }

  UITableViewCellSelectionStyle selectionStyle() const { return _selectionStyle; }
  void setSelectionStyle(UITableViewCellSelectionStyle style) { _selectionStyle = style; }
  bool isSelected() const { return _selected; }
  void setSelected(bool selected, bool /*animated*/ = false) { _selected = selected; }

  // The content view fills the cell; the text label fills it less its indent on each side.
  void layoutSubviews() override;

 private:
  UITableViewCellStyle _style;
  std::string _reuseIdentifier;
  std::shared_ptr<UIView> _contentView;
  std::shared_ptr<UILabel> _textLabel;
  UITableViewCellSelectionStyle _selectionStyle = UITableViewCellSelectionStyleBlue;
  bool _selected = false;
};

}  // namespace tessaly::platform
