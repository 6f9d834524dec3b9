#pragma once
// Finding things in the key window the way a person would: the view of a kind that is on
// screen.
#include "platform/ui/UIView.h"

namespace tessaly::platform {
class MKMapView;
class ADBannerView;
class UINavigationController;
}  // namespace tessaly::platform

namespace tessaly::web::keyWindow {

// Shown: neither the view nor any view it is in is hidden.
bool onScreen(const platform::UIView& view);

// The first view of type T in the tree under root, in tree order.
template <class T>
T* find(const platform::UIView& root) {
  if (auto* hit = dynamic_cast<T*>(const_cast<platform::UIView*>(&root))) return hit;
  for (const auto& child : root.subviews())
    if (auto* hit = find<T>(*child)) return hit;
  return nullptr;
}
// The key window, or null.
platform::UIView* window();
// The first view of type T in the key window, null without a key window.
template <class T>
T* findInWindow() {
  platform::UIView* root = window();
  return root ? find<T>(*root) : nullptr;
}

// The key window's root navigation controller, or null.
platform::UINavigationController* navigationController();
// The map view, while it is on screen.
platform::MKMapView* mapOnScreen();
// The banner, on screen or not.
platform::ADBannerView* banner();

}  // namespace tessaly::web::keyWindow
