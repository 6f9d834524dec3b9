#pragma once
// One row of a table: a content view that fills the cell and holds the row's labels and image
// and whatever the screen adds to it, with an accessory at the right edge.
#include <memory>
#include <string>

#include "platform/ui/UIImageView.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UIView.h"

namespace tessaly::platform {

enum UITableViewCellStyle {
  UITableViewCellStyleDefault = 0,   // text only (and the image)
  UITableViewCellStyleValue1 = 1,    // text at the left, detail at the right
  UITableViewCellStyleValue2 = 2,    // a small label before the text
  UITableViewCellStyleSubtitle = 3,  // text above a smaller detail
};

enum UITableViewCellSelectionStyle {
  UITableViewCellSelectionStyleNone = 0,
  UITableViewCellSelectionStyleBlue = 1,
  UITableViewCellSelectionStyleGray = 2,
};

enum UITableViewCellAccessoryType {
  UITableViewCellAccessoryNone = 0,
  UITableViewCellAccessoryDisclosureIndicator = 1,
  UITableViewCellAccessoryDetailDisclosureButton = 2,
  UITableViewCellAccessoryCheckmark = 3,
};

class UITableViewCell : public UIView {
 public:
  // The text label's indent from the content view's left edge.
  static constexpr CGFloat kTextLabelIndent = 10;
  static constexpr CGFloat kImageSide = 40;

  UITableViewCell(UITableViewCellStyle style, std::string reuseIdentifier);
  std::string kind() const override { return "tableCell"; }
  std::string_view descriptionKind() const override { return "tableViewCell"; }

  UITableViewCellStyle style() const { return _style; }
  const std::string& reuseIdentifier() const { return _reuseIdentifier; }
  const std::shared_ptr<UIView>& contentView() const { return _contentView; }
  const std::shared_ptr<UILabel>& textLabel() const { return _textLabel; }
  // Null for the default style, which has no detail line.
  const std::shared_ptr<UILabel>& detailTextLabel() const { return _detailTextLabel; }
  // Made on first use (the cell then shows it at its left edge).
  const std::shared_ptr<UIImageView>& imageView();
  // The image shown, or null.
  std::shared_ptr<UIImage> image() const { return _imageView ? _imageView->image() : nullptr; }

  UITableViewCellSelectionStyle selectionStyle() const { return _selectionStyle; }
  void setSelectionStyle(UITableViewCellSelectionStyle style) { _selectionStyle = style; }
  bool isSelected() const { return _selected; }
  void setSelected(bool selected, bool /*animated*/ = false) { _selected = selected; }
  UITableViewCellAccessoryType accessoryType() const { return _accessoryType; }
  void setAccessoryType(UITableViewCellAccessoryType type) { _accessoryType = type; }
  // A view in place of the standard accessory (it wins over accessoryType).
  const std::shared_ptr<UIView>& accessoryView() const { return _accessoryView; }
  void setAccessoryView(std::shared_ptr<UIView> view);
  // Set by the table when it enters or leaves editing mode.
  bool isEditing() const { return _editing; }
  virtual void setEditing(bool editing, bool /*animated*/) { _editing = editing; }

  // Called by the table before it hands the cell out again.
  virtual void prepareForReuse() { _selected = false; }

  // The content view fills the cell (less the accessory); the image sits at the left, the
  // labels fill the rest less their indent on each side.
  void layoutSubviews() override;

 protected:
  void describeProperties(DescriptionSink& sink) const override;
  // The content view's own subviews beyond the text, the detail and the image.
  void describeChildren(DescriptionSink& sink) const override;

 private:
  friend class UITableView;
  UITableViewCellStyle _style;
  std::string _reuseIdentifier;
  std::shared_ptr<UIView> _contentView;
  std::shared_ptr<UILabel> _textLabel;
  std::shared_ptr<UILabel> _detailTextLabel;
  std::shared_ptr<UIImageView> _imageView;
  std::shared_ptr<UIView> _accessoryView;
  UITableViewCellSelectionStyle _selectionStyle = UITableViewCellSelectionStyleBlue;
  UITableViewCellAccessoryType _accessoryType = UITableViewCellAccessoryNone;
  bool _selected = false;
  bool _editing = false;
  bool _rowEditable = false;  // set by the table as it writes the row
};

}  // namespace tessaly::platform
