#pragma once
// A table row that hosts one view (a switch, a segmented control, a title view) to the right of
// the row's own text. Three numbers place it: the hosted view keeps 8 points from each side of
// the content view shrunk by shrinkX and shrinkY, and subviewOffset moves its left edge right
// (room for the row's text) while its right edge stays.
#include <memory>
#include <string>

#include "platform/ui/UITableViewCell.h"

namespace tessaly {

// The reuse identifier of the settings rows.
inline constexpr const char* kCellWithControl_ID = "CellWithControl_ID";

class CellWithControl : public platform::UITableViewCell {
 public:
  // Margin kept between the hosted view and each side of the usable area.
  static constexpr double kHostedViewMargin = 8;

  CellWithControl(platform::UITableViewCellStyle style, std::string reuseIdentifier);

  const std::shared_ptr<platform::UIView>& view() const { return _view; }
  // Keeps the view, adds it to the content view and lays the cell out at once.
  void setView(std::shared_ptr<platform::UIView> view);

  // Setting these does not lay the cell out again: the next layout pass uses them.
  float subviewOffset() const { return _subviewOffset; }
  void setSubviewOffset(float offset) { _subviewOffset = offset; }
  float shrinkX() const { return _shrinkX; }
  void setShrinkX(float inset) { _shrinkX = inset; }
  float shrinkY() const { return _shrinkY; }
  void setShrinkY(float inset) { _shrinkY = inset; }

  void layoutSubviews() override;

 private:
  std::shared_ptr<platform::UIView> _view;
  float _subviewOffset = 0;
  float _shrinkX = 0;
  float _shrinkY = 0;
};

}  // namespace tessaly
