#pragma once
// Records what the application shows into "screen.mov" in the documents directory, 40 frames a
// second at most, each with its wall-clock time, and copies the finished movie into the photo
// album. Nothing in the application starts it; the host does.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/NSError.h"
#include "platform/foundation/RunLoop.h"
#include "platform/media/AVAssetWriter.h"
#include "platform/media/AVAssetWriterInputPixelBufferAdaptor.h"
#include "platform/media/ScreenPicture.h"

namespace tessaly {

class ScreenRecorder {
 public:
  static constexpr int kFrameWidth = 320;
  static constexpr int kFrameHeight = 460;
  static constexpr double kFramePeriod = 0.025;
  static constexpr std::int32_t kTimeScale = 100;
  static inline const std::string kFileName = "screen.mov";

  // Seconds of absolute wall-clock time.
  using Clock = std::function<double()>;

  ScreenRecorder();
  virtual ~ScreenRecorder();
  ScreenRecorder(const ScreenRecorder&) = delete;
  ScreenRecorder& operator=(const ScreenRecorder&) = delete;

  // Starts afresh: an earlier movie (and an earlier recording) is replaced.
  void startRecording();
  // Stops the timer, completes the movie and copies it into the album.
  void stopRecording();
  bool isRecording() const { return _assetWriterTimer.has_value(); }

  // The timer's tick: one frame, unless the writer's input is not ready for it.
  void writeSample();
  // Everything the application shows below the status bar, one pixel per point.
  virtual platform::ScreenPicture screenshot() const;
  // The album's completion call: only logged.
  void videoDidFinishSavingWithErrorContextInfo(const std::string& videoPath,
                                                const std::optional<platform::NSError>& error,
                                                void* contextInfo);

  static std::string pathToDocumentsDirectory();
  static std::string moviePath();
  // Hundredths of a second from start to now, truncated towards zero.
  static std::int64_t frameTimeValue(double firstFrameWallClockTime, double now);
  // The wall clock the frames are timed by (tests set their own).
  static double wallClockNow();
  void setClock(Clock clock) { _clock = std::move(clock); }

  // What the recording did so far: frames handed to the writer and ticks that wrote none.
  std::int64_t framesAppended() const { return _framesAppended; }
  std::int64_t framesSkipped() const { return _framesSkipped; }
  double firstFrameWallClockTime() const { return _firstFrameWallClockTime; }

 private:
  std::shared_ptr<platform::CVPixelBuffer> frameFromPicture(platform::ScreenPicture picture) const;

  std::optional<platform::RunLoop::TimerId> _assetWriterTimer;
  std::unique_ptr<platform::AVAssetWriter> _assetWriter;
  std::shared_ptr<platform::AVAssetWriterInput> _assetWriterInput;
  std::unique_ptr<platform::AVAssetWriterInputPixelBufferAdaptor> _assetWriterPixelBufferAdaptor;
  double _firstFrameWallClockTime = 0;
  std::int64_t _lastTimeValue = -1;
  std::int64_t _framesAppended = 0;
  std::int64_t _framesSkipped = 0;
  Clock _clock = &ScreenRecorder::wallClockNow;
  // Lets the album's completion call know whether this recorder still exists.
  std::shared_ptr<ScreenRecorder*> _alive = std::make_shared<ScreenRecorder*>(this);
};

}  // namespace tessaly
