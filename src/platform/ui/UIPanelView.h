#pragma once
// What alerts and action sheets share: a title, a row of buttons, and the press of one of them.
// Showing a panel puts it on the application's list of panels on screen (in the order shown);
// pressing a button takes it off and tells its delegate.
#include <string>
#include <vector>

#include "platform/ui/UIView.h"

namespace tessaly::platform {

class UIPanelView : public UIView {
 public:
  const std::string& title() const { return _title; }
  void setTitle(const std::string& title) { _title = title; }
  // Button titles by index.
  const std::vector<std::string>& buttonTitles() const { return _buttons; }
  int numberOfButtons() const { return static_cast<int>(_buttons.size()); }
  // Throws std::out_of_range for an index that is not a button.
  const std::string& buttonTitleAtIndex(int index) const;
  // -1 when there is none.
  int cancelButtonIndex() const { return _cancelButtonIndex; }
  int firstOtherButtonIndex() const { return _firstOtherButtonIndex; }

  // On screen: between show and the press of a button.
  bool isVisible() const;

  // Input: a press of the button at index. Throws std::out_of_range for an index that is not a
  // button and std::logic_error when the panel is not on screen. The panel leaves the screen
  // first, then the delegate hears clickedButtonAtIndex and didDismissWithButtonIndex.
  void pressButtonAtIndex(int index);

 protected:
  UIPanelView() = default;
  // Title, buttons and the cancel and first other indexes.
  void describeProperties(DescriptionSink& sink) const override;
  Result<> applyTouch(const Touch& touch, const DescriptionNode& target) override;
  void registerOnScreen();
  virtual void notifyDelegate(int index) = 0;

  std::string _title;
  std::vector<std::string> _buttons;
  int _cancelButtonIndex = -1;
  int _firstOtherButtonIndex = -1;
};

}  // namespace tessaly::platform
