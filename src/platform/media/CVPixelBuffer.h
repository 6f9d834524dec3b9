#pragma once
// Pixels handed to the movie writer: it wraps bytes someone else allocated, without copying
// them, and gives them back through the release callback when the last holder lets go (the
// writer may hold a frame after the append that passed it returns).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace tessaly::platform {

// Four-character code of 32-bit pixels with bytes blue, green, red, alpha.
inline constexpr std::uint32_t kCVPixelFormatType_32BGRA = 0x42475241;  // 'BGRA'

class CVPixelBuffer {
 public:
  using ReleaseBytes = std::function<void(std::uint8_t* bytes)>;

  // Null when the size is not positive, the row is shorter than width pixels or the bytes are
  // missing; release is then called at once, so the caller's bytes are never lost.
  static std::shared_ptr<CVPixelBuffer> createWithBytes(int width, int height,
                                                        std::uint32_t pixelFormat,
                                                        std::uint8_t* bytes,
                                                        std::size_t bytesPerRow,
                                                        ReleaseBytes release);
  ~CVPixelBuffer();
  CVPixelBuffer(const CVPixelBuffer&) = delete;
  CVPixelBuffer& operator=(const CVPixelBuffer&) = delete;

  int width() const { return _width; }
  int height() const { return _height; }
  std::uint32_t pixelFormat() const { return _pixelFormat; }
  const std::uint8_t* baseAddress() const { return _bytes; }
  std::size_t bytesPerRow() const { return _bytesPerRow; }

 private:
  CVPixelBuffer(int width, int height, std::uint32_t pixelFormat, std::uint8_t* bytes,
                std::size_t bytesPerRow, ReleaseBytes release);

  int _width;
  int _height;
  std::uint32_t _pixelFormat;
  std::uint8_t* _bytes;
  std::size_t _bytesPerRow;
  ReleaseBytes _release;
};

}  // namespace tessaly::platform
