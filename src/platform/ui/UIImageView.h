#pragma once
// A view that shows one image.
#include <memory>

#include "platform/ui/UIView.h"

namespace tessaly::platform {

class UIImageView : public UIView {
 public:
  using UIView::UIView;
  explicit UIImageView(std::shared_ptr<UIImage> image) : _image(std::move(image)) {}
  std::string kind() const override { return "imageView"; }

  const std::shared_ptr<UIImage>& image() const { return _image; }
  void setImage(std::shared_ptr<UIImage> image) { _image = std::move(image); }

 private:
  std::shared_ptr<UIImage> _image;
};

}  // namespace tessaly::platform
