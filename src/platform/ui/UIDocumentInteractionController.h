#pragma once
// Offers a file to other applications ("open in"). Which applications there are is a fact of
// the device: the host installs a handler that answers whether one took the file (a browser
// that can share or download it); without one, no application can take any file.
#include <functional>
#include <memory>
#include <string>

namespace tessaly::platform {

class UIDocumentInteractionController {
 public:
  // Gets the file's path; answers whether some application could take it.
  using OpenInHandler = std::function<bool(const std::string& path)>;

  explicit UIDocumentInteractionController(std::string path) : _path(std::move(path)) {}
  // interactionControllerWithURL: with a file URL's path.
  static std::shared_ptr<UIDocumentInteractionController> interactionControllerWithPath(
      const std::string& path) {
    return std::make_shared<UIDocumentInteractionController>(path);
  }
  const std::string& path() const { return _path; }

  // presentOpenInMenuFromRect:inView:animated: false when no application can open the file.
  bool presentOpenInMenu() const {
    const OpenInHandler& handler = openInHandler();
    return handler && handler(_path);
  }

  static void setOpenInHandler(OpenInHandler handler) { openInHandler() = std::move(handler); }

 private:
  static OpenInHandler& openInHandler() {
    static OpenInHandler handler;
    return handler;
  }
  std::string _path;
};

}  // namespace tessaly::platform
