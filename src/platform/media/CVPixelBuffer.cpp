#include "platform/media/CVPixelBuffer.h"

namespace tessaly::platform {

std::shared_ptr<CVPixelBuffer> CVPixelBuffer::createWithBytes(int width, int height,
                                                              std::uint32_t pixelFormat,
                                                              std::uint8_t* bytes,
                                                              std::size_t bytesPerRow,
                                                              ReleaseBytes release) {
  bool usable = width > 0 && height > 0 && bytes != nullptr &&
                bytesPerRow >= static_cast<std::size_t>(width) * 4;
  if (!usable) {
    if (release && bytes != nullptr) release(bytes);
    return nullptr;
  }
  return std::shared_ptr<CVPixelBuffer>(
      new CVPixelBuffer(width, height, pixelFormat, bytes, bytesPerRow, std::move(release)));
}

CVPixelBuffer::CVPixelBuffer(int width, int height, std::uint32_t pixelFormat, std::uint8_t* bytes,
                             std::size_t bytesPerRow, ReleaseBytes release)
    : _width(width),
      _height(height),
      _pixelFormat(pixelFormat),
      _bytes(bytes),
      _bytesPerRow(bytesPerRow),
      _release(std::move(release)) {}

CVPixelBuffer::~CVPixelBuffer() {
  if (_release) _release(_bytes);
}

}  // namespace tessaly::platform
