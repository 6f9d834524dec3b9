#include "platform/media/MovieEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace tessaly::platform {
namespace {

std::string describe(const char* what, int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {0};
  av_strerror(code, text, sizeof text);
  return std::string(what) + ": " + text;
}

}  // namespace

MovieEncoder::~MovieEncoder() {
  release();
}

void MovieEncoder::release() {
  sws_freeContext(_scaler);
  _scaler = nullptr;
  av_packet_free(&_packet);
  av_frame_free(&_frame);
  avcodec_free_context(&_codec);
  if (_format != nullptr) {
    if (_fileOpen) avio_closep(&_format->pb);
    avformat_free_context(_format);
    _format = nullptr;
  }
  _fileOpen = false;
  _stream = nullptr;
}

std::string MovieEncoder::openFile(const std::string& path) {
  release();
  int rc = avformat_alloc_output_context2(&_format, nullptr, "mov", path.c_str());
  if (rc < 0 || _format == nullptr) return describe("movie container", rc);
  rc = avio_open(&_format->pb, path.c_str(), AVIO_FLAG_WRITE);
  if (rc < 0) return describe("movie file", rc);
  _fileOpen = true;
  return "";
}

std::string MovieEncoder::start(int width, int height, std::int32_t timeScale, bool realTime) {
  if (!_fileOpen) return "movie file: not open";
  // The encoder's own chatter is not for the application's log; errors come back as results.
  av_log_set_level(AV_LOG_ERROR);
  // 4:2:0 chroma needs even sizes; an odd size would be cut by the encoder.
  if (width <= 0 || height <= 0 || width % 2 != 0 || height % 2 != 0) {
    return "movie size: width and height must be positive and even";
  }
  if (timeScale <= 0) return "movie time scale: must be positive";
  const AVCodec* h264 = avcodec_find_encoder_by_name("libx264");
  if (h264 == nullptr) h264 = avcodec_find_encoder(AV_CODEC_ID_H264);
  if (h264 == nullptr) return "movie codec: no H.264 encoder";

  _stream = avformat_new_stream(_format, nullptr);
  _codec = avcodec_alloc_context3(h264);
  _frame = av_frame_alloc();
  _packet = av_packet_alloc();
  if (_stream == nullptr || _codec == nullptr || _frame == nullptr || _packet == nullptr) {
    return "movie encoder: out of memory";
  }
  _codec->width = width;
  _codec->height = height;
  _codec->pix_fmt = AV_PIX_FMT_YUV420P;
  _codec->time_base = AVRational{1, timeScale};
  _codec->gop_size = 4 * 40;  // a key frame every few seconds keeps seeking cheap
  if (_format->oformat->flags & AVFMT_GLOBALHEADER) _codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

  AVDictionary* options = nullptr;
  if (realTime) {
    // Frames come from a timer on the main thread: encode each at once, never hold a queue.
    av_dict_set(&options, "preset", "ultrafast", 0);
    av_dict_set(&options, "tune", "zerolatency", 0);
  }
  int rc = avcodec_open2(_codec, h264, &options);
  av_dict_free(&options);
  if (rc < 0) return describe("movie encoder", rc);
  rc = avcodec_parameters_from_context(_stream->codecpar, _codec);
  if (rc < 0) return describe("movie stream", rc);
  _stream->time_base = _codec->time_base;

  _frame->format = _codec->pix_fmt;
  _frame->width = width;
  _frame->height = height;
  rc = av_frame_get_buffer(_frame, 0);
  if (rc < 0) return describe("movie frame", rc);
  _scaler = sws_getContext(width, height, AV_PIX_FMT_BGRA, width, height, AV_PIX_FMT_YUV420P,
                           SWS_POINT, nullptr, nullptr, nullptr);
  if (_scaler == nullptr) return "movie pixels: no conversion from BGRA";

  // Without this the container's track counts in its own finer units; keep the writer's.
  AVDictionary* muxing = nullptr;
  av_dict_set_int(&muxing, "video_track_timescale", timeScale, 0);
  rc = avformat_write_header(_format, &muxing);
  av_dict_free(&muxing);
  if (rc < 0) return describe("movie header", rc);
  _headerWritten = true;
  return "";
}

std::string MovieEncoder::encode(const CVPixelBuffer& frame, std::int64_t pts) {
  if (!_headerWritten) return "movie: not started";
  if (frame.width() != _codec->width || frame.height() != _codec->height) {
    return "movie frame: size differs from the movie's";
  }
  int rc = av_frame_make_writable(_frame);
  if (rc < 0) return describe("movie frame", rc);
  // The conversion reads the caller's pixels in place: this is the one pass over them.
  const std::uint8_t* source[1] = {frame.baseAddress()};
  const int sourceStride[1] = {static_cast<int>(frame.bytesPerRow())};
  sws_scale(_scaler, source, sourceStride, 0, frame.height(), _frame->data, _frame->linesize);
  _frame->pts = pts;
  rc = avcodec_send_frame(_codec, _frame);
  if (rc < 0) return describe("movie encoding", rc);
  return writePackets();
}

std::string MovieEncoder::writePackets() {
  for (;;) {
    int rc = avcodec_receive_packet(_codec, _packet);
    if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return "";
    if (rc < 0) return describe("movie encoding", rc);
    av_packet_rescale_ts(_packet, _codec->time_base, _stream->time_base);
    _packet->stream_index = _stream->index;
    rc = av_interleaved_write_frame(_format, _packet);
    if (rc < 0) return describe("movie writing", rc);
  }
}

std::string MovieEncoder::finish() {
  std::string error;
  if (_headerWritten) {
    int rc = avcodec_send_frame(_codec, nullptr);
    if (rc < 0 && rc != AVERROR_EOF) error = describe("movie encoding", rc);
    if (error.empty()) error = writePackets();
    rc = av_write_trailer(_format);
    if (rc < 0 && error.empty()) error = describe("movie index", rc);
    _headerWritten = false;
  } else if (_fileOpen) {
    error = "movie: finished before it started";
  }
  if (_fileOpen) {
    int rc = avio_closep(&_format->pb);
    _fileOpen = false;
    if (rc < 0 && error.empty()) error = describe("movie file", rc);
  }
  release();
  return error;
}

}  // namespace tessaly::platform
