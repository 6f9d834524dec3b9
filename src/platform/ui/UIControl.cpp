#include "platform/ui/UIControl.h"

#include <filesystem>

#include "platform/foundation/Localized.h"
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

}  // namespace tessaly::platform
