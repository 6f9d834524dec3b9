#include "platform/media/ScreenRenderer.h"

#include <cairo.h>

#include <cmath>

#include "platform/ads/ADBannerView.h"
#include "platform/map/MKMapView.h"
#include "platform/media/ViewDrawing.h"
#include "platform/ui/UIActionSheet.h"
#include "platform/ui/UIAlertView.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIButton.h"
#include "platform/ui/UINavigationBar.h"
#include "platform/ui/UISearchBar.h"
#include "platform/ui/UISegmentedControl.h"
#include "platform/ui/UISwitch.h"
#include "platform/ui/UITableView.h"
#include "platform/ui/UITextField.h"
#include "platform/ui/UIToolbar.h"
#include "platform/ui/UIWindow.h"

namespace tessaly::platform {
namespace {

bool drawsAnything(const UIView& view) {
  return !view.isHidden() && view.alpha() > 0.001f;
}

// What a view shows of its own, before its subviews.
void drawOwnContent(cairo_t* cr, const UIView& view) {
  if (auto* map = dynamic_cast<const MKMapView*>(&view)) return drawing::drawMap(cr, *map);
  if (auto* label = dynamic_cast<const UILabel*>(&view)) return drawing::drawLabel(cr, *label);
  if (auto* button = dynamic_cast<const UIButton*>(&view)) return drawing::drawButton(cr, *button);
  if (auto* field = dynamic_cast<const UITextField*>(&view))
    return drawing::drawTextField(cr, *field);
  if (auto* search = dynamic_cast<const UISearchBar*>(&view))
    return drawing::drawSearchBar(cr, *search);
  if (auto* bar = dynamic_cast<const UINavigationBar*>(&view))
    return drawing::drawNavigationBar(cr, *bar);
  if (auto* toolbar = dynamic_cast<const UIToolbar*>(&view))
    return drawing::drawToolbar(cr, *toolbar);
  if (auto* banner = dynamic_cast<const ADBannerView*>(&view))
    return drawing::drawBanner(cr, *banner);
  if (auto* table = dynamic_cast<const UITableView*>(&view)) return drawing::drawTable(cr, *table);
  if (auto* control = dynamic_cast<const UISwitch*>(&view))
    return drawing::drawSwitch(cr, *control);
  if (auto* control = dynamic_cast<const UISegmentedControl*>(&view))
    return drawing::drawSegmentedControl(cr, *control);
}

// A view and its subviews, in its superview's coordinates.
void drawView(cairo_t* cr, const UIView& view) {
  if (!drawsAnything(view)) return;
  // Pins, callouts and lines are the map's to draw, in their order.
  if (dynamic_cast<const MKAnnotationView*>(&view) != nullptr ||
      dynamic_cast<const MKOverlayView*>(&view) != nullptr) {
    return;
  }
  CGRect frame = view.frame(), bounds = view.bounds();
  cairo_save(cr);
  cairo_translate(cr, frame.origin.x, frame.origin.y);
  bool translucent = view.alpha() < 0.999f;
  if (translucent) cairo_push_group(cr);
  const UIColor& background = view.backgroundColor();
  if (background.alpha > 0) {
    drawing::setColor(cr, background);
    cairo_rectangle(cr, 0, 0, frame.size.width, frame.size.height);
    cairo_fill(cr);
  }
  cairo_translate(cr, -bounds.origin.x, -bounds.origin.y);
  drawOwnContent(cr, view);
  for (const auto& child : view.subviews()) drawView(cr, *child);
  if (translucent) {
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, view.alpha());
  }
  cairo_restore(cr);
}

// The rectangle (x, y, width, height in window points) of a toolbar item, if a toolbar on
// screen shows it.
bool findBarItem(const UIView& view, const UIBarButtonItem* item, double out[4]) {
  if (!drawsAnything(view)) return false;
  if (auto* toolbar = dynamic_cast<const UIToolbar*>(&view)) {
    const auto& items = toolbar->items();
    std::vector<double> widths = drawing::barItemWidths(items, toolbar->bounds().size.width);
    double x = drawing::kBarPadding;
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (items[i].get() == item) {
        CGPoint origin = toolbar->convertPoint(toolbar->bounds().origin, nullptr);
        out[0] = origin.x + x, out[1] = origin.y, out[2] = widths[i];
        out[3] = toolbar->bounds().size.height;
        return true;
      }
      x += widths[i];
    }
  }
  for (const auto& child : view.subviews())
    if (findBarItem(*child, item, out)) return true;
  return false;
}

}  // namespace

CGSize ScreenRenderer::screenshotSize() {
  int orientation = UIApplication::sharedApplication().statusBarOrientation();
  CGRect screen = UIScreen::mainScreen().boundsForOrientation(orientation);
  return {screen.size.width, std::max<CGFloat>(0, screen.size.height - UIScreen::kStatusBarHeight)};
}

ScreenPicture ScreenRenderer::screenshot(double scale) {
  CGSize size = screenshotSize();
  ScreenPicture picture = ScreenPicture::blank(static_cast<int>(std::lround(size.width * scale)),
                                               static_cast<int>(std::lround(size.height * scale)));
  drawScreen(picture, scale);
  return picture;
}

void ScreenRenderer::drawScreen(ScreenPicture& picture, double scale) {
  if (picture.isEmpty()) return;
  cairo_surface_t* surface =
      cairo_image_surface_create_for_data(picture.bytes.get(), CAIRO_FORMAT_ARGB32, picture.width,
                                          picture.height, static_cast<int>(picture.bytesPerRow));
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, scale, scale);
  CGSize size = screenshotSize();
  auto& app = UIApplication::sharedApplication();
  auto windows = app.windows();
  std::shared_ptr<UIWindow> key = app.keyWindow();
  for (const auto& window : windows) {
    if (!window || !window->isVisible()) continue;
    cairo_save(cr);
    // The status bar's strip is not part of the picture.
    cairo_translate(cr, 0, -UIScreen::kStatusBarHeight);
    drawView(cr, *window);
    cairo_restore(cr);
  }
  for (const auto& panel : app.panelsOnScreen()) {
    if (!panel) continue;
    if (auto* alert = dynamic_cast<const UIAlertView*>(panel.get())) {
      drawing::drawAlert(cr, *alert, size.width, size.height);
    } else if (auto* sheet = dynamic_cast<const UIActionSheet*>(panel.get())) {
      double anchor[4];
      bool anchored =
          sheet->anchorItem() && key && findBarItem(*key, sheet->anchorItem().get(), anchor);
      if (anchored) anchor[1] -= UIScreen::kStatusBarHeight;
      drawing::drawActionSheet(cr, *sheet, size.width, size.height, anchored ? anchor : nullptr);
    }
  }
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  cairo_surface_destroy(surface);
}

}  // namespace tessaly::platform
