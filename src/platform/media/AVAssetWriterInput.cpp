#include "platform/media/AVAssetWriterInput.h"

#include "platform/media/AVAssetWriter.h"

namespace tessaly::platform {

std::shared_ptr<AVAssetWriterInput> AVAssetWriterInput::assetWriterInputWithMediaType(
    const std::string& mediaType, const AVVideoSettings& outputSettings) {
  if (mediaType != AVMediaTypeVideo || outputSettings.codec != AVVideoCodecH264) return nullptr;
  return std::shared_ptr<AVAssetWriterInput>(new AVAssetWriterInput(outputSettings));
}

bool AVAssetWriterInput::isReadyForMoreMediaData() const {
  return _writer != nullptr && _writer->hasRoomForFrame();
}

}  // namespace tessaly::platform
