#pragma once
// A view that shows one image.
#include <memory>

#include "platform/ui/DescriptionSink.h"
#include "platform/ui/UIView.h"

namespace tessaly::platform {

class UIImageView : public UIView {
 public:
  using UIView::UIView;
  explicit UIImageView(std::shared_ptr<UIImage> image) : _image(std::move(image)) {}
  std::string kind() const override { return "imageView"; }
  std::string_view descriptionKind() const override { return "imageView"; }

  const std::shared_ptr<UIImage>& image() const { return _image; }
  void setImage(std::shared_ptr<UIImage> image) { _image = std::move(image); }

 protected:
  void describeProperties(DescriptionSink& sink) const override {
    if (_image)
      sink.string("image", _image->name());
    else
      sink.null("image");
  }

 private:
  std::shared_ptr<UIImage> _image;
};

}  // namespace tessaly::platform
