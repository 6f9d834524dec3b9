#pragma once
// A two-line title: a bold name line above a small grey details line that overlaps its bottom
// 2 points. The file rows keep their file name in the name line.
#include <memory>
#include <string>

#include "platform/ui/UILabel.h"
#include "platform/ui/UIView.h"

namespace tessaly {

class TView : public platform::UIView {
 public:
  static constexpr float kDetailsFontSize = 12;
  static constexpr double kDetailsOverlap = 2;

  explicit TView(platform::CGRect frame = platform::CGRectZero);

  void setName(const std::string& name) { _labelName->setText(name); }
  const std::string& getName() const { return _labelName->text(); }
  void setNameColor(const platform::UIColor& color) { _labelName->setTextColor(color); }
  void setDetails(const std::string& details) { _labelSize->setText(details); }
  const std::string& details() const { return _labelSize->text(); }

  const std::shared_ptr<platform::UILabel>& nameLabel() const { return _labelName; }
  const std::shared_ptr<platform::UILabel>& detailsLabel() const { return _labelSize; }

  // Name line: the top two thirds; details line: the bottom third, raised by 2 points.
  void layoutSubviews() override;

 private:
  std::shared_ptr<platform::UILabel> _labelName;
  std::shared_ptr<platform::UILabel> _labelSize;
};

}  // namespace tessaly
