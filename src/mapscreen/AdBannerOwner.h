#pragma once
// The application delegate owns the one banner and lends it to the map screen, which finds it
// through the shared application's delegate.
#include <memory>

namespace tessaly::platform {
class ADBannerView;
}

namespace tessaly {

class AdBannerOwner {
 public:
  virtual ~AdBannerOwner() = default;
  virtual const std::shared_ptr<platform::ADBannerView>& adBanner() const = 0;
};

// The banner of the running application's delegate, or null (no delegate, or no banner).
std::shared_ptr<platform::ADBannerView> applicationAdBanner();

}  // namespace tessaly
