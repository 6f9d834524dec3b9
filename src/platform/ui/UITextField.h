#pragma once
// A one-line text entry.
#include <string>

#include "platform/ui/UIControl.h"

namespace tessaly::platform {

class UITextField;

class UITextFieldDelegate {
 public:
  virtual ~UITextFieldDelegate() = default;
  virtual bool textFieldShouldBeginEditing(UITextField* /*textField*/) { return true; }
  // Answers whether the Return key does its default (ends editing).
  virtual bool textFieldShouldReturn(UITextField* /*textField*/) { return true; }
};

class UITextField : public UIControl {
 public:
  using UIControl::UIControl;
  std::string kind() const override { return "textField"; }
  std::string_view descriptionKind() const override { return "textField"; }

  const std::string& text() const { return _text; }
  // Also the input of typing: the text as it now stands; sends EditingChanged when it changed.
  void setText(const std::string& text);
  const std::string& placeholder() const { return _placeholder; }
  void setPlaceholder(const std::string& placeholder) { _placeholder = placeholder; }
  bool isSecureTextEntry() const { return _secure; }
  void setSecureTextEntry(bool secure) { _secure = secure; }
  UITextFieldDelegate* delegate() const { return _delegate; }
  void setDelegate(UITextFieldDelegate* delegate) { _delegate = delegate; }

  // Keyboard focus.
  bool becomeFirstResponder();
  bool resignFirstResponder();
  bool isFirstResponder() const { return _firstResponder; }
  // Input: the keyboard's Return key: the delegate decides (textFieldShouldReturn), then the
  // control sends EditingDidEndOnExit.
  void tapReturnKey();

 protected:
  void describeProperties(DescriptionSink& sink) const override;
  Result<> applyTouch(const Touch& touch, const DescriptionNode& target) override;

 private:
  std::string _text;
  std::string _placeholder;
  bool _secure = false;
  bool _firstResponder = false;
  UITextFieldDelegate* _delegate = nullptr;
};

}  // namespace tessaly::platform
