#pragma once
// Where a described table's rows, section headers and footers stand: the table lays its rows
// out one under the other from the top (a cell's own frames are in its own coordinates), as
// the web page does. A grouped table sets each section's rows in a rounded box inset from the
// sides, its header above and its footer below in the margin.
#include <string>
#include <vector>

#include "platform/foundation/Geometry.h"
#include "platform/ui/DescriptionNode.h"
#include "platform/ui/UITableView.h"

namespace tessaly::platform {

class TableLayout {
 public:
  struct Row {
    const DescriptionNode* cell;
    CGRect frame;  // window points
  };
  struct Caption {
    std::string text;
    CGRect frame;
    bool header;
  };

  // The layout of a tableView node whose top left corner is at origin (window points).
  static TableLayout of(const DescriptionNode& table, CGPoint origin);

  bool grouped() const { return _grouped; }
  const std::vector<Row>& rows() const { return _rows; }
  const std::vector<Caption>& captions() const { return _captions; }
  // The rounded boxes of a grouped table's sections (none for a plain table).
  const std::vector<CGRect>& groups() const { return _groups; }

  static constexpr double kGroupInset = UITableView::kGroupInset;
  static constexpr double kPlainHeaderHeight = 22;
  static constexpr double kGroupedHeaderHeight = 36;
  static constexpr double kFooterHeight = 30;

 private:
  bool _grouped = false;
  std::vector<Row> _rows;
  std::vector<Caption> _captions;
  std::vector<CGRect> _groups;
};

}  // namespace tessaly::platform
