#include "recorder/ScreenRecorder.h"

#include <chrono>
#include <cmath>
#include <filesystem>

#include "platform/foundation/FileSystem.h"
#include "platform/foundation/Log.h"
#include "platform/media/PhotoAlbum.h"
#include "platform/media/ScreenRenderer.h"

namespace tessaly {

namespace p = platform;

ScreenRecorder::ScreenRecorder() = default;

ScreenRecorder::~ScreenRecorder() {
  p::logf("%s", __PRETTY_FUNCTION__);
  if (_assetWriterTimer) p::RunLoop::main().cancel(*_assetWriterTimer);
  _assetWriterTimer.reset();
  // Dropping the writer completes what it wrote so far; nothing is copied to the album.
  _assetWriterPixelBufferAdaptor.reset();
  _assetWriter.reset();
  _assetWriterInput.reset();
}

std::string ScreenRecorder::pathToDocumentsDirectory() {
  return p::documentsDirectory();
}

std::string ScreenRecorder::moviePath() {
  return pathToDocumentsDirectory() + "/" + kFileName;
}

double ScreenRecorder::wallClockNow() {
  using namespace std::chrono;
  return duration<double>(system_clock::now().time_since_epoch()).count();
}

std::int64_t ScreenRecorder::frameTimeValue(double firstFrameWallClockTime, double now) {
  return static_cast<std::int64_t>(std::trunc((now - firstFrameWallClockTime) * 100.0));
}

void ScreenRecorder::startRecording() {
  p::logf("%s", __PRETTY_FUNCTION__);
  std::string path = moviePath();
  std::error_code ignored;
  std::filesystem::remove(path, ignored);

  // The old writer is dropped first: it still holds the old file and its encoder.
  _assetWriterPixelBufferAdaptor.reset();
  _assetWriter.reset();
  _assetWriter = p::AVAssetWriter::assetWriterWithPath(path, p::AVFileTypeQuickTimeMovie);

  _assetWriterInput = p::AVAssetWriterInput::assetWriterInputWithMediaType(
      p::AVMediaTypeVideo, p::AVVideoSettings{p::AVVideoCodecH264, kFrameWidth, kFrameHeight});
  _assetWriterInput->setExpectsMediaDataInRealTime(true);
  _assetWriter->addInput(_assetWriterInput);
  _assetWriterPixelBufferAdaptor =
      std::make_unique<p::AVAssetWriterInputPixelBufferAdaptor>(_assetWriterInput);

  _assetWriter->startWriting();
  _firstFrameWallClockTime = _clock();
  _assetWriter->startSessionAtSourceTime(p::CMTimeMake(0, kTimeScale));
  _lastTimeValue = -1;
  _framesAppended = 0;
  _framesSkipped = 0;

  auto& loop = p::RunLoop::main();
  if (_assetWriterTimer) loop.cancel(*_assetWriterTimer);
  std::weak_ptr<ScreenRecorder*> alive = _alive;
  _assetWriterTimer = loop.schedule(
      kFramePeriod,
      [alive] {
        if (auto self = alive.lock()) (*self)->writeSample();
      },
      kFramePeriod);
}

p::ScreenPicture ScreenRecorder::screenshot() const {
  return p::ScreenRenderer::screenshot(1);
}

std::shared_ptr<p::CVPixelBuffer> ScreenRecorder::frameFromPicture(p::ScreenPicture picture) const {
  // A screen of another size than the movie's is scaled into the frame, letterboxed.
  if (picture.width != kFrameWidth || picture.height != kFrameHeight) {
    picture = p::fitPictureIntoFrame(picture, kFrameWidth, kFrameHeight);
  }
  std::size_t bytesPerRow = picture.bytesPerRow;
  // The buffer takes the picture's bytes over and frees them when the writer is done.
  return p::CVPixelBuffer::createWithBytes(kFrameWidth, kFrameHeight, p::kCVPixelFormatType_32BGRA,
                                           picture.bytes.release(), bytesPerRow,
                                           [](std::uint8_t* bytes) { delete[] bytes; });
}

void ScreenRecorder::writeSample() {
  // A writer that failed between two frames (a full disk) is never ready again: without this
  // the timer would skip frames for ever and the recording would never end.
  if (_assetWriter && _assetWriter->status() == p::AVAssetWriterStatus::Failed) {
    p::log("failed to append");
    stopRecording();
    return;
  }
  if (!_assetWriterInput || !_assetWriterInput->isReadyForMoreMediaData()) {
    ++_framesSkipped;
    return;
  }
  std::int64_t timeValue = frameTimeValue(_firstFrameWallClockTime, _clock());
  // A clock set back, or two ticks in one hundredth, would give a frame no later than the last:
  // the writer refuses those, and that must not end the recording. Skip the frame instead.
  if (timeValue <= _lastTimeValue) {
    ++_framesSkipped;
    return;
  }
  auto buffer = frameFromPicture(screenshot());
  bool appended =
      buffer != nullptr && _assetWriterPixelBufferAdaptor->appendPixelBufferWithPresentationTime(
                               buffer, p::CMTimeMake(timeValue, kTimeScale));
  buffer.reset();
  if (!appended) {
    p::log("failed to append");
    stopRecording();
    return;
  }
  _lastTimeValue = timeValue;
  ++_framesAppended;
}

void ScreenRecorder::stopRecording() {
  p::logf("%s", __PRETTY_FUNCTION__);
  if (_assetWriterTimer) p::RunLoop::main().cancel(*_assetWriterTimer);
  _assetWriterTimer.reset();
  if (_assetWriter) _assetWriter->finishWriting();
  std::string path = moviePath();
  std::weak_ptr<ScreenRecorder*> alive = _alive;
  p::UISaveVideoAtPathToSavedPhotosAlbum(
      path, [alive](const std::string& videoPath, const std::optional<p::NSError>& error) {
        if (auto self = alive.lock())
          (*self)->videoDidFinishSavingWithErrorContextInfo(videoPath, error, nullptr);
      });
  p::log(path);
}

void ScreenRecorder::videoDidFinishSavingWithErrorContextInfo(
    const std::string& /*videoPath*/, const std::optional<p::NSError>& error,
    void* /*contextInfo*/) {
  std::string described = error ? error->localizedDescription : "(null)";
  p::logf("%s %s", __PRETTY_FUNCTION__, described.c_str());
}

}  // namespace tessaly
