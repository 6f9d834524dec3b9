#pragma once
// Colours, fonts and images as plain values: the renderer draws them, the logic only sets them.
#include <memory>
#include <string>

#include "platform/foundation/Geometry.h"

namespace tessaly::platform {

struct UIColor {
  CGFloat red = 0;
  CGFloat green = 0;
  CGFloat blue = 0;
  CGFloat alpha = 0;
  friend bool operator==(const UIColor&, const UIColor&) = default;

  static UIColor colorWithRedGreenBlueAlpha(CGFloat r, CGFloat g, CGFloat b, CGFloat a) {
    return {r, g, b, a};
  }
  static UIColor blackColor() { return {0, 0, 0, 1}; }
  static UIColor whiteColor() { return {1, 1, 1, 1}; }
  static UIColor clearColor() { return {0, 0, 0, 0}; }
};

struct UIFont {
  std::string fontName;
  CGFloat pointSize = 0;
  bool bold = false;
  friend bool operator==(const UIFont&, const UIFont&) = default;

  static UIFont systemFontOfSize(CGFloat size) { return {"System", size, false}; }
  static UIFont boldSystemFontOfSize(CGFloat size) { return {"System-Bold", size, true}; }
  static CGFloat systemFontSize() { return 14; }
  static CGFloat smallSystemFontSize() { return 12; }
  static CGFloat labelFontSize() { return 17; }
};

// An image is known by its resource name; the renderer loads the file itself.
class UIImage {
 public:
  explicit UIImage(std::string name) : _name(std::move(name)) {}
  // The image of that name in the resources' images folder, or null when there is no such file.
  static std::shared_ptr<UIImage> imageNamed(const std::string& name);
  const std::string& name() const { return _name; }

 private:
  std::string _name;
};

}  // namespace tessaly::platform
