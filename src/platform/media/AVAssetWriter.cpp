#include "platform/media/AVAssetWriter.h"

#include "platform/media/MovieEncoder.h"

namespace tessaly::platform {
namespace {

// value/fromScale in units of 1/toScale, truncated towards zero.
std::int64_t rescale(std::int64_t value, std::int32_t fromScale, std::int32_t toScale) {
  if (fromScale == toScale) return value;
  return static_cast<std::int64_t>(static_cast<__int128>(value) * toScale / fromScale);
}

}  // namespace

std::unique_ptr<AVAssetWriter> AVAssetWriter::assetWriterWithPath(const std::string& path,
                                                                  const std::string& fileType,
                                                                  std::string* error) {
  if (fileType != AVFileTypeQuickTimeMovie) {
    if (error != nullptr) *error = "movie file type: only QuickTime movies are written";
    return nullptr;
  }
  return std::unique_ptr<AVAssetWriter>(new AVAssetWriter(path));
}

AVAssetWriter::AVAssetWriter(std::string path)
    : _path(std::move(path)), _encoder(std::make_unique<MovieEncoder>()) {}

AVAssetWriter::~AVAssetWriter() {
  finishWriting();
  if (_input != nullptr) _input->_writer = nullptr;
}

bool AVAssetWriter::canAddInput(const AVAssetWriterInput& input) const {
  std::lock_guard lock(_mutex);
  return _input == nullptr && input._writer == nullptr && _status == AVAssetWriterStatus::Unknown;
}

void AVAssetWriter::addInput(const std::shared_ptr<AVAssetWriterInput>& input) {
  if (input == nullptr || !canAddInput(*input)) return;
  _input = input;
  _input->_writer = this;
}

void AVAssetWriter::fail(const std::string& error) {
  std::lock_guard lock(_mutex);
  if (_status == AVAssetWriterStatus::Failed) return;
  _status = AVAssetWriterStatus::Failed;
  _error = error;
}

bool AVAssetWriter::startWriting() {
  {
    std::lock_guard lock(_mutex);
    if (_status != AVAssetWriterStatus::Unknown) return false;
  }
  if (_input == nullptr) {
    fail("movie writer: no input");
    return false;
  }
  std::string error = _encoder->openFile(_path);
  if (!error.empty()) {
    fail(error);
    return false;
  }
  std::lock_guard lock(_mutex);
  _status = AVAssetWriterStatus::Writing;
  return true;
}

void AVAssetWriter::startSessionAtSourceTime(CMTime time) {
  if (status() != AVAssetWriterStatus::Writing || _worker.joinable()) return;
  const AVVideoSettings& settings = _input->outputSettings();
  std::string error = _encoder->start(settings.width, settings.height, time.timescale,
                                      _input->expectsMediaDataInRealTime());
  if (!error.empty()) {
    fail(error);
    return;
  }
  _sessionStart = time;
  _worker = std::thread([this] { encodeQueuedFrames(); });
}

bool AVAssetWriter::hasRoomForFrame() const {
  std::lock_guard lock(_mutex);
  return _status == AVAssetWriterStatus::Writing && !_finishing && _worker.joinable() &&
         _queue.size() < kQueuedFramesAtMost;
}

bool AVAssetWriter::appendPixelBuffer(std::shared_ptr<CVPixelBuffer> buffer,
                                      CMTime presentationTime) {
  if (buffer == nullptr || _input == nullptr || presentationTime.timescale <= 0) return false;
  const AVVideoSettings& settings = _input->outputSettings();
  if (buffer->width() != settings.width || buffer->height() != settings.height ||
      buffer->pixelFormat() != kCVPixelFormatType_32BGRA) {
    return false;
  }
  std::int64_t pts =
      rescale(presentationTime.value, presentationTime.timescale, _sessionStart.timescale) -
      _sessionStart.value;
  std::lock_guard lock(_mutex);
  if (_status != AVAssetWriterStatus::Writing || _finishing || !_worker.joinable()) return false;
  // A movie's frames must follow each other in time; the encoder would refuse the frame later.
  if (pts < 0 || (_anyAppended && pts <= _lastPts)) return false;
  if (_queue.size() >= kQueuedFramesAtMost) return false;
  _queue.push_back(QueuedFrame{std::move(buffer), pts});
  _lastPts = pts;
  _anyAppended = true;
  _wake.notify_one();
  return true;
}

void AVAssetWriter::encodeQueuedFrames() {
  std::unique_lock lock(_mutex);
  for (;;) {
    _wake.wait(lock, [this] { return !_queue.empty() || _finishing; });
    if (_queue.empty()) break;
    QueuedFrame frame = std::move(_queue.front());
    _queue.pop_front();
    bool failed = _status == AVAssetWriterStatus::Failed;
    lock.unlock();
    std::string error = failed ? "" : _encoder->encode(*frame.buffer, frame.pts);
    frame.buffer.reset();  // the pixels go back to their owner as soon as they are encoded
    lock.lock();
    if (!failed && error.empty()) ++_framesWritten;
    if (!error.empty() && _status != AVAssetWriterStatus::Failed) {
      _status = AVAssetWriterStatus::Failed;
      _error = error;
    }
  }
}

void AVAssetWriter::finishWriting() {
  {
    std::lock_guard lock(_mutex);
    if (_status != AVAssetWriterStatus::Writing && _status != AVAssetWriterStatus::Failed) return;
    if (_finishing) return;
    _finishing = true;
    _wake.notify_all();
  }
  if (_worker.joinable()) _worker.join();
  std::string error = _encoder->finish();
  std::lock_guard lock(_mutex);
  if (_status == AVAssetWriterStatus::Writing) {
    if (error.empty()) {
      _status = AVAssetWriterStatus::Completed;
    } else {
      _status = AVAssetWriterStatus::Failed;
      _error = error;
    }
  }
}

AVAssetWriterStatus AVAssetWriter::status() const {
  std::lock_guard lock(_mutex);
  return _status;
}

std::string AVAssetWriter::error() const {
  std::lock_guard lock(_mutex);
  return _error;
}

std::int64_t AVAssetWriter::framesWritten() const {
  std::lock_guard lock(_mutex);
  return _framesWritten;
}

}  // namespace tessaly::platform
