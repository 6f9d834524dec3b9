#pragma once
// A row of segments of which one (or none) is selected. A person's pick selects a segment and
// sends ValueChanged; selecting from code sends nothing. A momentary control shows no
// selection after the touch but still reports the segment picked.
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Result.h"
#include "platform/ui/UIControl.h"

namespace tessaly::platform {

inline constexpr int UISegmentedControlNoSegment = -1;

enum UISegmentedControlStyle {
  UISegmentedControlStylePlain = 0,
  UISegmentedControlStyleBordered = 1,
  UISegmentedControlStyleBar = 2,
};

class UISegmentedControl : public UIControl {
 public:
  // initWithItems: one segment per title, none selected.
  explicit UISegmentedControl(std::vector<std::string> items = {});
  std::string kind() const override { return "segmentedControl"; }
  std::string_view descriptionKind() const override { return "segmentedControl"; }

  int numberOfSegments() const { return static_cast<int>(_titles.size()); }
  const std::vector<std::string>& segmentTitles() const { return _titles; }
  // "" for an index that is not a segment.
  std::string titleForSegmentAtIndex(int index) const;
  void setTitleForSegmentAtIndex(const std::string& title, int index);
  // An index past the end appends.
  void insertSegmentWithTitle(const std::string& title, int index, bool animated);
  void removeSegmentAtIndex(int index, bool animated);
  void removeAllSegments();

  // UISegmentedControlNoSegment (-1) when none is selected; an index that is not a segment
  // selects none.
  int selectedSegmentIndex() const { return _selected; }
  void setSelectedSegmentIndex(int index);
  bool isMomentary() const { return _momentary; }
  void setMomentary(bool momentary) { _momentary = momentary; }
  UISegmentedControlStyle segmentedControlStyle() const { return _style; }
  void setSegmentedControlStyle(UISegmentedControlStyle style) { _style = style; }
  const std::optional<UIColor>& tintColor() const { return _tintColor; }
  void setTintColor(const UIColor& color) { _tintColor = color; }

  // Input: a person picks the segment at index. Refused for an index that is not a segment or
  // a disabled or hidden control; sends ValueChanged when the selection changed (always for
  // a momentary control).
  Result<> pickSegment(int index);

 protected:
  void describeProperties(DescriptionSink& sink) const override;
  Result<> applyTouch(const Touch& touch, const DescriptionNode& target) override;

 private:
  std::vector<std::string> _titles;
  int _selected = UISegmentedControlNoSegment;
  bool _momentary = false;
  UISegmentedControlStyle _style = UISegmentedControlStylePlain;
  std::optional<UIColor> _tintColor;
};

}  // namespace tessaly::platform
