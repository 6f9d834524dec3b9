#include "platform/media/ScreenRenderer.h"

#include <cairo.h>

#include <cmath>
#include <mutex>

#include "platform/foundation/ObjectIds.h"
#include "platform/media/DrawingContext.h"
#include "platform/media/MapPictureCache.h"
#include "platform/ui/DescriptionTree.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIWindow.h"

namespace tessaly::platform {
namespace {

// The renderer's own ids (a popover finds the bar item it points at by id; kept lines are
// known by their overlay's id) and what it keeps between pictures.
struct RendererState {
  std::mutex mutex;
  ObjectIds ids;
  MapPictureCache cache;
  unsigned pictures = 0;
};

RendererState& state() {
  // Never destroyed: pictures may be taken while the process ends.
  static auto* shared = new RendererState;
  return *shared;
}

void draw(ScreenPicture& picture, const DescriptionNode& window, double scale,
          MapPictureCache& cache) {
  if (picture.isEmpty()) return;
  cairo_surface_t* surface =
      cairo_image_surface_create_for_data(picture.bytes.get(), CAIRO_FORMAT_ARGB32, picture.width,
                                          picture.height, static_cast<int>(picture.bytesPerRow));
  cairo_t* cr = cairo_create(surface);
  DrawingContext context(cr, scale, ScreenRenderer::screenshotSize(), cache);
  context.drawNode(window);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  cairo_surface_destroy(surface);
  cache.endFrame();
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
  auto window = UIApplication::sharedApplication().keyWindow();
  if (!window || !window->isVisible()) return;
  RendererState& renderer = state();
  std::lock_guard lock(renderer.mutex);
  // Gone objects' ids are dropped now and then; the registry only ever holds weak references.
  if (++renderer.pictures % 256 == 0) renderer.ids.forgetGone();
  DescriptionTree tree(renderer.ids);
  window->describe(tree);
  if (tree.root() != nullptr) draw(picture, *tree.root(), scale, renderer.cache);
}

void ScreenRenderer::drawDescription(ScreenPicture& picture, const DescriptionNode& window,
                                     double scale) {
  RendererState& renderer = state();
  std::lock_guard lock(renderer.mutex);
  draw(picture, window, scale, renderer.cache);
}

}  // namespace tessaly::platform
