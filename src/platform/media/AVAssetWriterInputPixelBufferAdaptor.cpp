#include "platform/media/AVAssetWriterInputPixelBufferAdaptor.h"

#include "platform/media/AVAssetWriter.h"

namespace tessaly::platform {

bool AVAssetWriterInputPixelBufferAdaptor::appendPixelBufferWithPresentationTime(
    std::shared_ptr<CVPixelBuffer> buffer, CMTime time) {
  if (_input == nullptr || _input->writer() == nullptr) return false;
  return _input->writer()->appendPixelBuffer(std::move(buffer), time);
}

}  // namespace tessaly::platform
