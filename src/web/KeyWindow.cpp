#include "web/KeyWindow.h"

#include "platform/ads/ADBannerView.h"
#include "platform/map/MKMapView.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UINavigationController.h"
#include "platform/ui/UIWindow.h"

namespace tessaly::web::keyWindow {

namespace p = platform;

bool onScreen(const p::UIView& view) {
  for (const p::UIView* v = &view; v; v = v->superview())
    if (v->isHidden()) return false;
  return true;
}

p::UIView* window() {
  return p::UIApplication::sharedApplication().keyWindow().get();
}

p::UINavigationController* navigationController() {
  auto window = p::UIApplication::sharedApplication().keyWindow();
  if (!window) return nullptr;
  return dynamic_cast<p::UINavigationController*>(window->rootViewController().get());
}

p::MKMapView* mapOnScreen() {
  p::MKMapView* map = findInWindow<p::MKMapView>();
  return map && onScreen(*map) ? map : nullptr;
}

p::ADBannerView* banner() {
  return findInWindow<p::ADBannerView>();
}

}  // namespace tessaly::web::keyWindow
