#include "platform/ui/UIPanelView.h"

#include <stdexcept>

#include "platform/ui/DescriptionSink.h"
#include "platform/ui/Touch.h"
#include "platform/ui/UIActionSheet.h"
#include "platform/ui/UIAlertView.h"
#include "platform/ui/UIApplication.h"

namespace tessaly::platform {

namespace {

std::vector<std::string> buttonList(const std::string& first,
                                    const std::vector<std::string>& others,
                                    const std::string& last) {
  std::vector<std::string> buttons;
  if (!first.empty()) buttons.push_back(first);
  for (const auto& title : others) buttons.push_back(title);
  if (!last.empty()) buttons.push_back(last);
  return buttons;
}

}  // namespace

const std::string& UIPanelView::buttonTitleAtIndex(int index) const {
  if (index < 0 || index >= numberOfButtons())
    throw std::out_of_range("button index " + std::to_string(index) + " is out of range 0.." +
                            std::to_string(numberOfButtons() - 1));
  return _buttons[static_cast<std::size_t>(index)];
}

bool UIPanelView::isVisible() const {
  for (const auto& panel : UIApplication::sharedApplication().panelsOnScreen())
    if (panel.get() == this) return true;
  return false;
}

void UIPanelView::registerOnScreen() {
  auto self = std::static_pointer_cast<UIPanelView>(shared_from_this());
  UIApplication::sharedApplication().addPanel(std::move(self));
}

void UIPanelView::pressButtonAtIndex(int index) {
  buttonTitleAtIndex(index);  // checks the index
  if (!isVisible()) throw std::logic_error("the " + kind() + " is not on screen");
  // The application may hold the last reference: keep this panel alive through the delegate.
  auto self = shared_from_this();
  UIApplication::sharedApplication().removePanel(this);
  notifyDelegate(index);
}

UIAlertView::UIAlertView(std::string title, std::string message, UIAlertViewDelegate* delegate,
                         const std::string& cancelButtonTitle,
                         const std::vector<std::string>& otherButtonTitles)
    : _message(std::move(message)), _delegate(delegate) {
  _title = std::move(title);
  _buttons = buttonList(cancelButtonTitle, otherButtonTitles, "");
  _cancelButtonIndex = cancelButtonTitle.empty() ? -1 : 0;
  if (!otherButtonTitles.empty()) _firstOtherButtonIndex = cancelButtonTitle.empty() ? 0 : 1;
}

void UIAlertView::setAlertViewStyle(UIAlertViewStyle style) {
  _style = style;
  std::size_t fields = 0;
  if (style == UIAlertViewStyleSecureTextInput || style == UIAlertViewStylePlainTextInput)
    fields = 1;
  else if (style == UIAlertViewStyleLoginAndPasswordInput)
    fields = 2;
  _textFields.resize(fields);
  for (auto& field : _textFields)
    if (!field) field = std::make_shared<UITextField>();
  // The password is the secure one: the only field, or the second of login and password.
  for (std::size_t i = 0; i < fields; ++i)
    _textFields[i]->setSecureTextEntry(style == UIAlertViewStyleSecureTextInput || i == 1);
}

UITextField* UIAlertView::textFieldAtIndex(int index) const {
  if (index < 0 || index >= numberOfTextFields())
    throw std::out_of_range("textFieldIndex (" + std::to_string(index) +
                            ") is outside of the bounds of the array of text fields");
  return _textFields[static_cast<std::size_t>(index)].get();
}

void UIAlertView::show() {
  registerOnScreen();
}

void UIAlertView::pressButtonAtIndex(int index, const std::string& text) {
  buttonTitleAtIndex(index);
  if (!isVisible()) throw std::logic_error("the alert is not on screen");
  if (!_textFields.empty()) _textFields.front()->setText(text);
  UIPanelView::pressButtonAtIndex(index);
}

void UIAlertView::notifyDelegate(int index) {
  if (_delegate == nullptr) return;
  _delegate->alertViewClickedButtonAtIndex(this, index);
  _delegate->alertViewDidDismissWithButtonIndex(this, index);
}

UIActionSheet::UIActionSheet(std::string title, UIActionSheetDelegate* delegate,
                             const std::string& cancelButtonTitle,
                             const std::string& destructiveButtonTitle,
                             const std::vector<std::string>& otherButtonTitles)
    : _delegate(delegate) {
  _title = std::move(title);
  _buttons = buttonList(destructiveButtonTitle, otherButtonTitles, cancelButtonTitle);
  int first = destructiveButtonTitle.empty() ? 0 : 1;
  _destructiveButtonIndex = destructiveButtonTitle.empty() ? -1 : 0;
  if (!otherButtonTitles.empty()) _firstOtherButtonIndex = first;
  _cancelButtonIndex = cancelButtonTitle.empty() ? -1 : numberOfButtons() - 1;
}

void UIActionSheet::showFromBarButtonItem(std::shared_ptr<UIBarButtonItem> item,
                                          bool /*animated*/) {
  _anchorItem = std::move(item);
  _shownInView = nullptr;
  registerOnScreen();
}

void UIActionSheet::showInView(UIView* view) {
  _anchorItem.reset();
  _shownInView = view;
  registerOnScreen();
}

void UIActionSheet::notifyDelegate(int index) {
  _shownInView = nullptr;
  _anchorItem.reset();
  if (_delegate == nullptr) return;
  _delegate->actionSheetClickedButtonAtIndex(this, index);
  _delegate->actionSheetDidDismissWithButtonIndex(this, index);
}

void UIPanelView::describeProperties(DescriptionSink& sink) const {
  sink.string("title", _title);
  sink.strings("buttons", _buttons);
  sink.number("cancelButtonIndex", _cancelButtonIndex);
  sink.number("firstOtherButtonIndex", _firstOtherButtonIndex);
}

Result<> UIPanelView::applyTouch(const Touch& touch, const DescriptionNode& target) {
  bool cancel = touch.kind == Touch::Kind::Cancel;
  if (!cancel && touch.kind != Touch::Kind::PressAlertButton &&
      touch.kind != Touch::Kind::PressSheetButton)
    return UIView::applyTouch(touch, target);
  int index = cancel ? _cancelButtonIndex : touch.index;
  if (cancel && index < 0) return Refusal{"the " + kind() + " has no cancel button"};
  if (index < 0 || index >= numberOfButtons())
    return Refusal{"the " + kind() + " has " + std::to_string(numberOfButtons()) + " buttons"};
  if (!isVisible()) return Refusal{"the " + kind() + " is not on screen"};
  if (auto* alert = dynamic_cast<UIAlertView*>(this); alert != nullptr && touch.hasText) {
    if (alert->numberOfTextFields() == 0) return Refusal{"the alert has no text field"};
    alert->pressButtonAtIndex(index, touch.text);
    return done();
  }
  pressButtonAtIndex(index);
  return done();
}

void UIAlertView::describeProperties(DescriptionSink& sink) const {
  sink.string("title", _title);
  sink.string("message", _message);
  sink.strings("buttons", _buttons);
  sink.number("cancelButtonIndex", _cancelButtonIndex);
  sink.number("firstOtherButtonIndex", _firstOtherButtonIndex);
  // A login alert has two fields; each is its own node, typed into by its own id.
  sink.beginList("textFields");
  for (const auto& field : _textFields) field->describe(sink);
  sink.endList();
}

void UIActionSheet::describeProperties(DescriptionSink& sink) const {
  UIPanelView::describeProperties(sink);
  sink.number("destructiveButtonIndex", _destructiveButtonIndex);
  sink.reference("anchor", ObjectRef::to(_anchorItem));
}

}  // namespace tessaly::platform
