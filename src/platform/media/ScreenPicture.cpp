#include "platform/media/ScreenPicture.h"

#include <cairo.h>

#include <algorithm>
#include <cstring>

#include "platform/foundation/FileSystem.h"

namespace tessaly::platform {
namespace {

// A Cairo surface over the picture's own bytes (no copy); the caller destroys it.
cairo_surface_t* surfaceOver(const ScreenPicture& picture) {
  return cairo_image_surface_create_for_data(picture.bytes.get(), CAIRO_FORMAT_ARGB32,
                                             picture.width, picture.height,
                                             static_cast<int>(picture.bytesPerRow));
}

cairo_status_t appendToString(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

ScreenPicture ScreenPicture::blank(int width, int height) {
  ScreenPicture picture;
  if (width < 1 || height < 1) return picture;
  int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, width);
  if (stride <= 0) return picture;
  picture.width = width;
  picture.height = height;
  picture.bytesPerRow = static_cast<std::size_t>(stride);
  std::size_t size = picture.bytesPerRow * static_cast<std::size_t>(height);
  picture.bytes = std::make_unique<std::uint8_t[]>(size);  // zeroed
  return picture;
}

const std::uint8_t* ScreenPicture::pixel(int x, int y) const {
  if (bytes == nullptr || x < 0 || y < 0 || x >= width || y >= height) return nullptr;
  return bytes.get() + static_cast<std::size_t>(y) * bytesPerRow + static_cast<std::size_t>(x) * 4;
}

std::string ScreenPicture::pngData() const {
  std::string png;
  if (isEmpty()) return png;
  cairo_surface_t* surface = surfaceOver(*this);
  if (cairo_surface_write_to_png_stream(surface, appendToString, &png) != CAIRO_STATUS_SUCCESS) {
    png.clear();
  }
  cairo_surface_destroy(surface);
  return png;
}

bool ScreenPicture::writePNG(const std::string& path) const {
  std::string png = pngData();
  return !png.empty() && writeFileAtomically(path, png);
}

ScreenPicture fitPictureIntoFrame(const ScreenPicture& picture, int frameWidth, int frameHeight) {
  ScreenPicture frame = ScreenPicture::blank(frameWidth, frameHeight);
  if (frame.isEmpty()) return frame;
  // Opaque black: the bars beside or above a picture of another shape.
  for (int y = 0; y < frameHeight; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(frame.bytes.get() + y * frame.bytesPerRow);
    std::fill(row, row + frameWidth, 0xff000000u);
  }
  if (picture.isEmpty()) return frame;
  double scale = std::min(static_cast<double>(frameWidth) / picture.width,
                          static_cast<double>(frameHeight) / picture.height);
  double drawnWidth = picture.width * scale, drawnHeight = picture.height * scale;
  cairo_surface_t* target = surfaceOver(frame);
  cairo_surface_t* source = surfaceOver(picture);
  cairo_t* cr = cairo_create(target);
  cairo_translate(cr, (frameWidth - drawnWidth) / 2, (frameHeight - drawnHeight) / 2);
  cairo_scale(cr, scale, scale);
  cairo_set_source_surface(cr, source, 0, 0);
  // Pad: the filter near the edges repeats the edge pixels instead of reading beyond them.
  cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
  cairo_pattern_set_filter(cairo_get_source(cr),
                           scale < 1 ? CAIRO_FILTER_GOOD : CAIRO_FILTER_BILINEAR);
  cairo_rectangle(cr, 0, 0, picture.width, picture.height);
  cairo_fill(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(source);
  cairo_surface_flush(target);
  cairo_surface_destroy(target);
  return frame;
}

}  // namespace tessaly::platform
