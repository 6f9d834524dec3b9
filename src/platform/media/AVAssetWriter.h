#pragma once
// Writes a QuickTime movie from frames appended on the caller's thread. The encoding runs on a
// thread of its own behind a short queue, so a tick of the main loop only hands a frame over;
// while the queue is full the input is not ready and the caller skips the frame.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/media/AVAssetWriterInput.h"
#include "platform/media/CMTime.h"
#include "platform/media/CVPixelBuffer.h"

namespace tessaly::platform {

class MovieEncoder;

inline const std::string AVFileTypeQuickTimeMovie = "mov";

enum class AVAssetWriterStatus { Unknown, Writing, Completed, Failed };

class AVAssetWriter {
 public:
  // Frames waiting for the encoder at most; more and the input is not ready.
  static constexpr std::size_t kQueuedFramesAtMost = 3;

  // Null (with error set) for a file type other than QuickTime movie.
  static std::unique_ptr<AVAssetWriter> assetWriterWithPath(const std::string& path,
                                                            const std::string& fileType,
                                                            std::string* error = nullptr);
  ~AVAssetWriter();
  AVAssetWriter(const AVAssetWriter&) = delete;
  AVAssetWriter& operator=(const AVAssetWriter&) = delete;

  const std::string& outputPath() const { return _path; }

  // One video input; a second one, or one added after writing began, is refused.
  bool canAddInput(const AVAssetWriterInput& input) const;
  void addInput(const std::shared_ptr<AVAssetWriterInput>& input);

  // Creates the file. False (status Failed, error set) when it cannot be made.
  bool startWriting();
  // Opens the encoder with the time's scale as the movie's, and starts the time line there.
  void startSessionAtSourceTime(CMTime time);

  // Queues a frame of the input's size at a time later than every earlier one. False (and the
  // frame is not taken) when not writing, the frame does not fit, the time does not advance or
  // the writer failed.
  bool appendPixelBuffer(std::shared_ptr<CVPixelBuffer> buffer, CMTime presentationTime);

  // Encodes what is queued and completes the file; returns once it is complete. A writer that
  // failed while writing still closes the file with every frame it had written.
  void finishWriting();

  AVAssetWriterStatus status() const;
  std::string error() const;
  // Frames encoded into the file so far.
  std::int64_t framesWritten() const;

  bool hasRoomForFrame() const;

 private:
  struct QueuedFrame {
    std::shared_ptr<CVPixelBuffer> buffer;
    std::int64_t pts;
  };

  explicit AVAssetWriter(std::string path);
  void encodeQueuedFrames();
  void fail(const std::string& error);

  std::string _path;
  std::shared_ptr<AVAssetWriterInput> _input;
  std::unique_ptr<MovieEncoder> _encoder;
  CMTime _sessionStart;
  std::int64_t _lastPts = 0;
  bool _anyAppended = false;

  mutable std::mutex _mutex;
  std::condition_variable _wake;
  std::deque<QueuedFrame> _queue;
  bool _finishing = false;
  AVAssetWriterStatus _status = AVAssetWriterStatus::Unknown;
  std::string _error;
  std::int64_t _framesWritten = 0;
  std::thread _worker;
};

}  // namespace tessaly::platform
