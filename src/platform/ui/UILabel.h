#pragma once
// A line of text.
#include <string>

#include "platform/ui/UIView.h"

namespace tessaly::platform {

enum NSTextAlignment {
  NSTextAlignmentLeft = 0,
  NSTextAlignmentCenter = 1,
  NSTextAlignmentRight = 2,
};

class UILabel : public UIView {
 public:
  using UIView::UIView;
  std::string kind() const override { return "label"; }

  const std::string& text() const { return _text; }
  void setText(const std::string& text) { _text = text; }
  const UIFont& font() const { return _font; }
  void setFont(const UIFont& font) { _font = font; }
  const UIColor& textColor() const { return _textColor; }
  void setTextColor(const UIColor& color) { _textColor = color; }
  NSTextAlignment textAlignment() const { return _textAlignment; }
  void setTextAlignment(NSTextAlignment alignment) { _textAlignment = alignment; }

 private:
  std::string _text;
  UIFont _font = UIFont::systemFontOfSize(UIFont::labelFontSize());
  UIColor _textColor = UIColor::blackColor();
  NSTextAlignment _textAlignment = NSTextAlignmentLeft;
};

}  // namespace tessaly::platform
