#pragma once
// A picture of the screen: 32-bit pixels, bytes blue, green, red, alpha (Cairo's ARGB32 on a
// little-endian machine), rows of bytesPerRow bytes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tessaly::platform {

struct ScreenPicture {
  int width = 0;
  int height = 0;
  std::size_t bytesPerRow = 0;
  std::unique_ptr<std::uint8_t[]> bytes;

  // A picture of that size, every pixel transparent black. Empty for a size below 1.
  static ScreenPicture blank(int width, int height);
  bool isEmpty() const { return bytes == nullptr; }
  // The pixel at (x, y): 4 bytes, blue first. Null outside the picture.
  const std::uint8_t* pixel(int x, int y) const;

  // The picture as a PNG file's bytes ("" when empty).
  std::string pngData() const;
  bool writePNG(const std::string& path) const;
};

// The picture scaled into a frameWidth x frameHeight frame, as large as it fits with its aspect
// kept, centred, the rest black. It is only ever read inside its own rows.
ScreenPicture fitPictureIntoFrame(const ScreenPicture& picture, int frameWidth, int frameHeight);

}  // namespace tessaly::platform
