#pragma once
// The FFmpeg side of the movie writer: one H.264 video track in a QuickTime file, fed BGRA
// frames. Not thread-safe; AVAssetWriter calls it from its encoding thread.
#include <cstdint>
#include <string>

#include "platform/media/CVPixelBuffer.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVStream;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace tessaly::platform {

class MovieEncoder {
 public:
  MovieEncoder() = default;
  ~MovieEncoder();
  MovieEncoder(const MovieEncoder&) = delete;
  MovieEncoder& operator=(const MovieEncoder&) = delete;

  // Creates the file and the container. Returns "" or why it failed.
  std::string openFile(const std::string& path);
  // Opens the encoder for width x height frames with times in 1/timeScale seconds, and writes
  // the file's header.
  std::string start(int width, int height, std::int32_t timeScale, bool realTime);
  // Converts and encodes one frame of exactly the started size; pts in the started time scale.
  std::string encode(const CVPixelBuffer& frame, std::int64_t pts);
  // Drains the encoder, writes the index and closes the file.
  std::string finish();

 private:
  std::string writePackets();
  void release();

  AVFormatContext* _format = nullptr;
  AVCodecContext* _codec = nullptr;
  AVStream* _stream = nullptr;
  AVFrame* _frame = nullptr;
  AVPacket* _packet = nullptr;
  SwsContext* _scaler = nullptr;
  bool _headerWritten = false;
  bool _fileOpen = false;
};

}  // namespace tessaly::platform
