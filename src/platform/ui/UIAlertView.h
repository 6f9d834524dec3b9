#pragma once
// An alert: title, message, buttons (the cancel button first), optionally a text field.
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/UIPanelView.h"
#include "platform/ui/UITextField.h"

namespace tessaly::platform {

class UIAlertView;

class UIAlertViewDelegate {
 public:
  virtual ~UIAlertViewDelegate() = default;
  virtual void alertViewClickedButtonAtIndex(UIAlertView* /*alertView*/, int /*buttonIndex*/) {}
  virtual void alertViewDidDismissWithButtonIndex(UIAlertView* /*alertView*/, int /*buttonIndex*/) {
  }
};

enum UIAlertViewStyle {
  UIAlertViewStyleDefault = 0,
  UIAlertViewStyleSecureTextInput = 1,
  UIAlertViewStylePlainTextInput = 2,
  UIAlertViewStyleLoginAndPasswordInput = 3,
};

class UIAlertView : public UIPanelView {
 public:
  // initWithTitle:message:delegate:cancelButtonTitle:otherButtonTitles:. An empty cancel title
  // means no cancel button.
  UIAlertView(std::string title, std::string message, UIAlertViewDelegate* delegate,
              const std::string& cancelButtonTitle,
              const std::vector<std::string>& otherButtonTitles = {});
  std::string kind() const override { return "alert"; }
  std::string_view descriptionKind() const override { return "alert"; }

  const std::string& message() const { return _message; }
  void setMessage(const std::string& message) { _message = message; }
  UIAlertViewDelegate* delegate() const { return _delegate; }
  void setDelegate(UIAlertViewDelegate* delegate) { _delegate = delegate; }

  UIAlertViewStyle alertViewStyle() const { return _style; }
  // The text input styles come with their fields (one, or two for login and password).
  void setAlertViewStyle(UIAlertViewStyle style);
  // Throws std::out_of_range when the style has no field at index.
  UITextField* textFieldAtIndex(int index) const;
  int numberOfTextFields() const { return static_cast<int>(_textFields.size()); }

  // Shows the alert; the application keeps it until a button is pressed.
  void show();
  // Input: types text into the first field, then presses the button.
  void pressButtonAtIndex(int index, const std::string& text);
  using UIPanelView::pressButtonAtIndex;

 protected:
  void describeProperties(DescriptionSink& sink) const override;

 private:
  void notifyDelegate(int index) override;

  std::string _message;
  UIAlertViewDelegate* _delegate;
  UIAlertViewStyle _style = UIAlertViewStyleDefault;
  std::vector<std::shared_ptr<UITextField>> _textFields;
};

}  // namespace tessaly::platform
