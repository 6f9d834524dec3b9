#pragma once
// The video input of a movie writer: what frames it takes (codec and size) and whether it can
// take another one now.
#include <cstdint>
#include <memory>
#include <string>

namespace tessaly::platform {

class AVAssetWriter;

inline const std::string AVMediaTypeVideo = "vide";
inline const std::string AVVideoCodecH264 = "avc1";

struct AVVideoSettings {
  std::string codec = AVVideoCodecH264;
  int width = 0;
  int height = 0;
};

class AVAssetWriterInput {
 public:
  // Null unless mediaType is video and the codec is H.264.
  static std::shared_ptr<AVAssetWriterInput> assetWriterInputWithMediaType(
      const std::string& mediaType, const AVVideoSettings& outputSettings);

  const AVVideoSettings& outputSettings() const { return _settings; }
  bool expectsMediaDataInRealTime() const { return _realTime; }
  void setExpectsMediaDataInRealTime(bool realTime) { _realTime = realTime; }

  // True while the writer is writing and its encoder has room for another frame.
  bool isReadyForMoreMediaData() const;

  // The writer this input was added to (set by AVAssetWriter::addInput).
  AVAssetWriter* writer() const { return _writer; }

 private:
  friend class AVAssetWriter;
  explicit AVAssetWriterInput(AVVideoSettings settings) : _settings(std::move(settings)) {}

  AVVideoSettings _settings;
  bool _realTime = false;
  AVAssetWriter* _writer = nullptr;
};

}  // namespace tessaly::platform
