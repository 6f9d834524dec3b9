#pragma once
// Appends raw frames with their times to a writer's video input.
#include <memory>

#include "platform/media/AVAssetWriterInput.h"
#include "platform/media/CMTime.h"
#include "platform/media/CVPixelBuffer.h"

namespace tessaly::platform {

class AVAssetWriterInputPixelBufferAdaptor {
 public:
  explicit AVAssetWriterInputPixelBufferAdaptor(std::shared_ptr<AVAssetWriterInput> input)
      : _input(std::move(input)) {}

  const std::shared_ptr<AVAssetWriterInput>& assetWriterInput() const { return _input; }
  // False when the input belongs to no writer or the writer refuses the frame.
  bool appendPixelBufferWithPresentationTime(std::shared_ptr<CVPixelBuffer> buffer, CMTime time);

 private:
  std::shared_ptr<AVAssetWriterInput> _input;
};

}  // namespace tessaly::platform
