#include "platform/ui/UIControl.h"

#include <filesystem>

#include "platform/foundation/Localized.h"
#include "platform/ui/DescriptionSink.h"
#include "platform/ui/Touch.h"
#include "platform/ui/UIButton.h"
#include "platform/ui/UITextField.h"

namespace tessaly::platform {

void UIControl::addTarget(Action action, unsigned events) {
  if (action && events != 0) _targets.push_back({std::move(action), events});
}

bool UIControl::hasActionsForControlEvents(unsigned events) const {
  for (const auto& target : _targets)
    if ((target.events & events) != 0) return true;
  return false;
}

void UIControl::sendActionsForControlEvents(unsigned events) {
  // An action may remove targets or release the last other hold on this control.
  auto keepAlive = weak_from_this().lock();
  auto targets = _targets;
  for (auto& target : targets)
    if ((target.events & events) != 0) target.action(this);
}

bool UIControl::tap() {
  if (!_enabled || isHidden()) return false;
  sendActionsForControlEvents(UIControlEventTouchUpInside);
  return true;
}

std::shared_ptr<UIButton> UIButton::buttonWithType(UIButtonType type) {
  return std::make_shared<UIButton>(type);
}

UIButton::UIButton(UIButtonType type) : _type(type) {
  switch (type) {
    case UIButtonTypeInfoLight:
    case UIButtonTypeInfoDark:
    case UIButtonTypeContactAdd:
      setFrame(CGRectMake(0, 0, 18, 19));
      break;
    case UIButtonTypeDetailDisclosure:
      setFrame(CGRectMake(0, 0, 29, 31));
      break;
    default:
      break;
  }
}

void UIButton::setTitle(const std::string& title, unsigned state) {
  _titles[state] = title;
}

std::string UIButton::titleForState(unsigned state) const {
  auto it = _titles.find(state);
  if (it == _titles.end()) it = _titles.find(UIControlStateNormal);
  return it == _titles.end() ? std::string() : it->second;
}

void UIButton::setBackgroundImage(std::shared_ptr<UIImage> image, unsigned state) {
  _backgroundImages[state] = std::move(image);
}

std::shared_ptr<UIImage> UIButton::backgroundImageForState(unsigned state) const {
  auto it = _backgroundImages.find(state);
  if (it == _backgroundImages.end()) it = _backgroundImages.find(UIControlStateNormal);
  return it == _backgroundImages.end() ? nullptr : it->second;
}

void UITextField::setText(const std::string& text) {
  if (text == _text) return;
  _text = text;
  sendActionsForControlEvents(UIControlEventEditingChanged);
}

std::shared_ptr<UIImage> UIImage::imageNamed(const std::string& name) {
  if (name.empty() || name.find("..") != std::string::npos) return nullptr;
  std::filesystem::path root(resourcesDirectory());
  for (const auto& candidate : {root / "images" / name, root / name}) {
    std::error_code error;
    if (std::filesystem::is_regular_file(candidate, error)) return std::make_shared<UIImage>(name);
  }
  return nullptr;
}

Result<> UIControl::applyTouch(const Touch& touch, const DescriptionNode& target) {
  if (touch.kind != Touch::Kind::Tap) return UIView::applyTouch(touch, target);
  if (!isEnabled()) return Refusal{"the control is disabled"};
  if (!tap()) return Refusal{"the control is hidden"};
  return done();
}

namespace {

const char* buttonTypeName(UIButtonType type) {
  switch (type) {
    case UIButtonTypeRoundedRect:
      return "roundedRect";
    case UIButtonTypeDetailDisclosure:
      return "detailDisclosure";
    case UIButtonTypeInfoLight:
      return "infoLight";
    case UIButtonTypeInfoDark:
      return "infoDark";
    case UIButtonTypeContactAdd:
      return "contactAdd";
    default:
      return "custom";
  }
}

}  // namespace

void UIButton::describeProperties(DescriptionSink& sink) const {
  sink.string("buttonType", buttonTypeName(_type));
  sink.string("title", titleForState(UIControlStateNormal));
  if (auto image = backgroundImageForState(UIControlStateNormal))
    sink.string("image", image->name());
  else
    sink.null("image");
  sink.boolean("enabled", isEnabled());
  sink.boolean("selected", isSelected());
  sink.number("tag", tag());
}

bool UITextField::becomeFirstResponder() {
  if (_firstResponder) return true;
  if (_delegate != nullptr && !_delegate->textFieldShouldBeginEditing(this)) return false;
  _firstResponder = true;
  sendActionsForControlEvents(UIControlEventEditingDidBegin);
  return true;
}

bool UITextField::resignFirstResponder() {
  if (!_firstResponder) return true;
  _firstResponder = false;
  sendActionsForControlEvents(UIControlEventEditingDidEnd);
  return true;
}

void UITextField::tapReturnKey() {
  if (_delegate != nullptr && !_delegate->textFieldShouldReturn(this)) return;
  sendActionsForControlEvents(UIControlEventEditingDidEndOnExit);
}

void UITextField::describeProperties(DescriptionSink& sink) const {
  sink.string("text", _text);
  sink.string("placeholder", _placeholder);
  sink.boolean("secure", _secure);
  sink.boolean("enabled", isEnabled());
  sink.boolean("focused", _firstResponder);
}

Result<> UITextField::applyTouch(const Touch& touch, const DescriptionNode& target) {
  if (touch.kind != Touch::Kind::TypeText && touch.kind != Touch::Kind::Submit)
    return UIControl::applyTouch(touch, target);
  if (!isEnabled()) return Refusal{"the text field is disabled"};
  if (!becomeFirstResponder()) return Refusal{"the text field does not take the focus"};
  if (touch.kind == Touch::Kind::TypeText)
    setText(touch.text);
  else
    tapReturnKey();
  return done();
}

}  // namespace tessaly::platform
