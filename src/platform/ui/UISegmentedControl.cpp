#include "platform/ui/UISegmentedControl.h"

#include <algorithm>

#include "platform/ui/DescriptionSink.h"
#include "platform/ui/Touch.h"

namespace tessaly::platform {

UISegmentedControl::UISegmentedControl(std::vector<std::string> items)
    : _titles(std::move(items)) {}

std::string UISegmentedControl::titleForSegmentAtIndex(int index) const {
  if (index < 0 || index >= numberOfSegments()) return "";
  return _titles[static_cast<std::size_t>(index)];
}

void UISegmentedControl::setTitleForSegmentAtIndex(const std::string& title, int index) {
  if (index >= 0 && index < numberOfSegments()) _titles[static_cast<std::size_t>(index)] = title;
}

void UISegmentedControl::insertSegmentWithTitle(const std::string& title, int index,
                                                bool /*animated*/) {
  index = std::clamp(index, 0, numberOfSegments());
  _titles.insert(_titles.begin() + index, title);
  if (_selected >= index) ++_selected;
}

void UISegmentedControl::removeSegmentAtIndex(int index, bool /*animated*/) {
  if (index < 0 || index >= numberOfSegments()) return;
  _titles.erase(_titles.begin() + index);
  if (_selected == index)
    _selected = UISegmentedControlNoSegment;
  else if (_selected > index)
    --_selected;
}

void UISegmentedControl::removeAllSegments() {
  _titles.clear();
  _selected = UISegmentedControlNoSegment;
}

void UISegmentedControl::setSelectedSegmentIndex(int index) {
  _selected = index >= 0 && index < numberOfSegments() ? index : UISegmentedControlNoSegment;
}

Result<> UISegmentedControl::pickSegment(int index) {
  if (!isEnabled()) return Refusal{"the segmented control is disabled"};
  if (isHidden()) return Refusal{"the segmented control is hidden"};
  if (index < 0 || index >= numberOfSegments())
    return Refusal{"the segmented control has " + std::to_string(numberOfSegments()) + " segments"};
  bool changed = index != _selected;
  // A momentary control reports the segment, then shows none again.
  _selected = index;
  if (changed || _momentary) sendActionsForControlEvents(UIControlEventValueChanged);
  if (_momentary) _selected = UISegmentedControlNoSegment;
  return done();
}

void UISegmentedControl::describeProperties(DescriptionSink& sink) const {
  sink.strings("segments", _titles);
  sink.number("selectedSegmentIndex", _selected);
  if (_tintColor)
    sink.color("tintColor", *_tintColor);
  else
    sink.null("tintColor");
  sink.boolean("momentary", _momentary);
  sink.boolean("enabled", isEnabled());
}

Result<> UISegmentedControl::applyTouch(const Touch& touch, const DescriptionNode& target) {
  if (touch.kind != Touch::Kind::SelectSegment) return UIControl::applyTouch(touch, target);
  return pickSegment(touch.index);
}

}  // namespace tessaly::platform
