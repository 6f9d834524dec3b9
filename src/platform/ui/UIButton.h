#pragma once
// Buttons: the platform's kinds (custom, info, detail disclosure, ...) with titles and images per
// control state.
#include <map>
#include <memory>
#include <string>

#include "platform/ui/UIControl.h"

namespace tessaly::platform {

enum UIButtonType {
  UIButtonTypeCustom = 0,
  UIButtonTypeRoundedRect = 1,
  UIButtonTypeDetailDisclosure = 2,
  UIButtonTypeInfoLight = 3,
  UIButtonTypeInfoDark = 4,
  UIButtonTypeContactAdd = 5,
};

class UIButton : public UIControl {
 public:
  // A new button of that type; the platform's own kinds come with their standard size.
  static std::shared_ptr<UIButton> buttonWithType(UIButtonType type);
  explicit UIButton(UIButtonType type = UIButtonTypeCustom);
  std::string kind() const override { return "button"; }
  std::string_view descriptionKind() const override { return "button"; }

  UIButtonType buttonType() const { return _type; }

  // Per state; a state without its own value shows the normal state's.
  void setTitle(const std::string& title, unsigned state);
  std::string titleForState(unsigned state) const;
  void setBackgroundImage(std::shared_ptr<UIImage> image, unsigned state);
  std::shared_ptr<UIImage> backgroundImageForState(unsigned state) const;

  bool showsTouchWhenHighlighted() const { return _showsTouchWhenHighlighted; }
  void setShowsTouchWhenHighlighted(bool shows) { _showsTouchWhenHighlighted = shows; }

 protected:
  void describeProperties(DescriptionSink& sink) const override;

 private:
  UIButtonType _type;
  std::map<unsigned, std::string> _titles;
  std::map<unsigned, std::shared_ptr<UIImage>> _backgroundImages;
  bool _showsTouchWhenHighlighted = false;
};

}  // namespace tessaly::platform
