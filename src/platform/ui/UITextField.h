#pragma once
// A one-line text entry.
#include <string>

#include "platform/ui/UIControl.h"

namespace tessaly::platform {

class UITextField : public UIControl {
 public:
  using UIControl::UIControl;
  std::string kind() const override { return "textField"; }

  const std::string& text() const { return _text; }
  // Also the input of typing: the text as it now stands; sends EditingChanged when it changed.
  void setText(const std::string& text);
  const std::string& placeholder() const { return _placeholder; }
  void setPlaceholder(const std::string& placeholder) { _placeholder = placeholder; }

 private:
  std::string _text;
  std::string _placeholder;
};

}  // namespace tessaly::platform
