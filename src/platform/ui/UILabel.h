#pragma once
// A line of text.
#include <string>

#include "platform/ui/DescriptionSink.h"
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
  std::string_view descriptionKind() const override { return "label"; }

  const std::string& text() const { return _text; }
  void setText(const std::string& text) { _text = text; }
  const UIFont& font() const { return _font; }
  void setFont(const UIFont& font) { _font = font; }
  const UIColor& textColor() const { return _textColor; }
  void setTextColor(const UIColor& color) { _textColor = color; }
  NSTextAlignment textAlignment() const { return _textAlignment; }
  void setTextAlignment(NSTextAlignment alignment) { _textAlignment = alignment; }

 protected:
  void describeProperties(DescriptionSink& sink) const override {
    sink.string("text", _text);
    sink.beginRecord("font");
    sink.number("size", _font.pointSize);
    sink.boolean("bold", _font.bold);
    sink.endRecord();
    sink.color("color", _textColor);
    sink.string("alignment", _textAlignment == NSTextAlignmentCenter  ? "center"
                             : _textAlignment == NSTextAlignmentRight ? "right"
                                                                      : "left");
  }

 private:
  std::string _text;
  UIFont _font = UIFont::systemFontOfSize(UIFont::labelFontSize());
  UIColor _textColor = UIColor::blackColor();
  NSTextAlignment _textAlignment = NSTextAlignmentLeft;
};

}  // namespace tessaly::platform
