#include <gtest/gtest.h>

#include <sys/resource.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>
#include <vector>

#include "platform/foundation/FileSystem.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/TempDir.h"
#include "platform/media/AVAssetWriter.h"
#include "platform/media/AVAssetWriterInputPixelBufferAdaptor.h"
#include "platform/media/MovieProbe.h"
#include "platform/media/PhotoAlbum.h"

using namespace tessaly::platform;
using tessaly::testing::probeMovie;
using tessaly::testing::TempDir;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 460;

// A frame of one colour in bytes the test owns; counts how often the writer gives bytes back.
std::shared_ptr<CVPixelBuffer> solidFrame(std::uint8_t b, std::uint8_t g, std::uint8_t r,
                                          int* released, int width = kWidth, int height = kHeight) {
  std::size_t row = static_cast<std::size_t>(width) * 4 + 16;  // rows padded past the pixels
  auto* bytes = new std::uint8_t[row * height];
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = bytes + y * row + x * 4;
      p[0] = b, p[1] = g, p[2] = r, p[3] = 255;
    }
  }
  return CVPixelBuffer::createWithBytes(width, height, kCVPixelFormatType_32BGRA, bytes, row,
                                        [released](std::uint8_t* data) {
                                          delete[] data;
                                          if (released != nullptr) ++*released;
                                        });
}

struct OpenMovie {
  std::unique_ptr<AVAssetWriter> writer;
  std::shared_ptr<AVAssetWriterInput> input;
  std::unique_ptr<AVAssetWriterInputPixelBufferAdaptor> adaptor;
};

OpenMovie startMovie(const std::string& path) {
  OpenMovie movie;
  movie.writer = AVAssetWriter::assetWriterWithPath(path, AVFileTypeQuickTimeMovie);
  movie.input = AVAssetWriterInput::assetWriterInputWithMediaType(
      AVMediaTypeVideo, AVVideoSettings{AVVideoCodecH264, kWidth, kHeight});
  movie.input->setExpectsMediaDataInRealTime(true);
  movie.writer->addInput(movie.input);
  movie.adaptor = std::make_unique<AVAssetWriterInputPixelBufferAdaptor>(movie.input);
  movie.writer->startWriting();
  movie.writer->startSessionAtSourceTime(CMTimeMake(0, 100));
  return movie;
}

// Waits (bounded) until the encoder has room, as a recorder's next tick would.
bool waitUntilReady(const AVAssetWriterInput& input) {
  for (int i = 0; i < 2000 && !input.isReadyForMoreMediaData(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return input.isReadyForMoreMediaData();
}

}  // namespace

TEST(MovieWriter, WritesAnH264QuickTimeMovieWithTheGivenFrameTimes) {
  TempDir dir;
  std::string path = dir.file("clip.mov");
  OpenMovie movie = startMovie(path);
  ASSERT_EQ(movie.writer->status(), AVAssetWriterStatus::Writing) << movie.writer->error();
  int released = 0;
  std::vector<long long> times = {0, 2, 5, 7, 10, 13, 40, 41};
  for (long long t : times) {
    ASSERT_TRUE(waitUntilReady(*movie.input));
    ASSERT_TRUE(movie.adaptor->appendPixelBufferWithPresentationTime(
        solidFrame(0, 200, 0, &released), CMTimeMake(t, 100)));
  }
  movie.writer->finishWriting();
  EXPECT_EQ(movie.writer->status(), AVAssetWriterStatus::Completed) << movie.writer->error();
  EXPECT_EQ(movie.writer->framesWritten(), 8);
  EXPECT_EQ(released, 8) << "every frame's bytes go back to their owner, once";

  auto facts = probeMovie(path);
  ASSERT_TRUE(facts.readable);
  EXPECT_EQ(facts.codec, "h264");
  EXPECT_EQ(facts.width, kWidth);
  EXPECT_EQ(facts.height, kHeight);
  EXPECT_EQ(facts.timeBase, "1/100");
  EXPECT_EQ(facts.pts, times);

  auto pixels = tessaly::testing::decodeFrameBGRA(path, 3);
  ASSERT_EQ(pixels.size(), static_cast<size_t>(kWidth * kHeight * 4));
  std::size_t middle = (kHeight / 2 * kWidth + kWidth / 2) * 4;
  EXPECT_NEAR(pixels[middle + 1], 200, 12) << "green survives the colour conversion";
  EXPECT_LT(pixels[middle + 2], 20);
}

TEST(MovieWriter, RefusesFramesThatDoNotFitOrGoBackInTime) {
  TempDir dir;
  OpenMovie movie = startMovie(dir.file("clip.mov"));
  int released = 0;
  EXPECT_FALSE(movie.adaptor->appendPixelBufferWithPresentationTime(
      solidFrame(0, 0, 0, &released, 320, 480), CMTimeMake(0, 100)))
      << "a frame of another size";
  ASSERT_TRUE(movie.adaptor->appendPixelBufferWithPresentationTime(solidFrame(0, 0, 0, &released),
                                                                   CMTimeMake(5, 100)));
  ASSERT_TRUE(waitUntilReady(*movie.input));
  EXPECT_FALSE(movie.adaptor->appendPixelBufferWithPresentationTime(solidFrame(0, 0, 0, &released),
                                                                    CMTimeMake(5, 100)))
      << "the same time twice";
  EXPECT_FALSE(movie.adaptor->appendPixelBufferWithPresentationTime(solidFrame(0, 0, 0, &released),
                                                                    CMTimeMake(3, 100)))
      << "an earlier time";
  EXPECT_TRUE(movie.adaptor->appendPixelBufferWithPresentationTime(solidFrame(0, 0, 0, &released),
                                                                   CMTimeMake(60, 1000)))
      << "60 ms in another time scale is 6 hundredths";
  movie.writer->finishWriting();
  EXPECT_EQ(movie.writer->status(), AVAssetWriterStatus::Completed);
  EXPECT_EQ(released, 5) << "refused frames give their bytes back too";
  EXPECT_EQ(probeMovie(dir.file("clip.mov")).pts, (std::vector<long long>{5, 6}));
  EXPECT_FALSE(movie.adaptor->appendPixelBufferWithPresentationTime(solidFrame(0, 0, 0, &released),
                                                                    CMTimeMake(90, 100)))
      << "after the movie was finished";
  EXPECT_FALSE(movie.input->isReadyForMoreMediaData());
}

TEST(MovieWriter, FailuresAreReportedNotHidden) {
  std::string error;
  EXPECT_EQ(AVAssetWriter::assetWriterWithPath("/tmp/x.mp4", "mp4", &error), nullptr);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(
      CVPixelBuffer::createWithBytes(320, 460, kCVPixelFormatType_32BGRA, nullptr, 1280, nullptr),
      nullptr);
  int released = 0;
  auto* bytes = new std::uint8_t[100];
  EXPECT_EQ(CVPixelBuffer::createWithBytes(320, 460, kCVPixelFormatType_32BGRA, bytes, 100,
                                           [&](std::uint8_t* b) { delete[] b, ++released; }),
            nullptr)
      << "rows shorter than the width";
  EXPECT_EQ(released, 1);

  OpenMovie nowhere = startMovie("/nonexistent-folder/clip.mov");
  EXPECT_EQ(nowhere.writer->status(), AVAssetWriterStatus::Failed);
  EXPECT_FALSE(nowhere.writer->error().empty());
  EXPECT_FALSE(nowhere.input->isReadyForMoreMediaData());
  EXPECT_FALSE(nowhere.adaptor->appendPixelBufferWithPresentationTime(solidFrame(0, 0, 0, nullptr),
                                                                      CMTimeMake(1, 100)));
}

TEST(MovieWriter, AFileThatCannotGrowFailsTheWriterAndLaterAppendsAreRefused) {
  TempDir dir;
  std::string path = dir.file("clip.mov");
  OpenMovie movie = startMovie(path);
  ASSERT_EQ(movie.writer->status(), AVAssetWriterStatus::Writing) << movie.writer->error();
  // The process may write files of 64 KiB at most from here on: the disk is "full".
  ::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 64 * 1024;
  ::setrlimit(RLIMIT_FSIZE, &small);
  bool refused = false;
  // Noise does not compress, so a few frames fill the allowance.
  for (int t = 0; t < 400 && !refused; ++t) {
    if (!waitUntilReady(*movie.input)) {
      refused = true;
      break;
    }
    std::size_t row = kWidth * 4;
    auto* bytes = new std::uint8_t[row * kHeight];
    for (std::size_t i = 0; i < row * kHeight; ++i) bytes[i] = (i * 2654435761u + t * 97) >> 13;
    auto frame = CVPixelBuffer::createWithBytes(kWidth, kHeight, kCVPixelFormatType_32BGRA, bytes,
                                                row, [](std::uint8_t* b) { delete[] b; });
    refused = !movie.adaptor->appendPixelBufferWithPresentationTime(frame, CMTimeMake(t, 100));
  }
  movie.writer->finishWriting();
  ::setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_TRUE(refused);
  EXPECT_EQ(movie.writer->status(), AVAssetWriterStatus::Failed);
  EXPECT_FALSE(movie.writer->error().empty());
  EXPECT_GT(movie.writer->framesWritten(), 0);
}

TEST(PhotoAlbum, KeepsEveryCopyBesideTheDocumentsAndReportsOnTheMainLoop) {
  TempDir dir;
  setDocumentsDirectory(dir.file("Documents"));
  RunLoop::main().reset();
  std::string movie = documentsDirectory() + "/screen.mov";
  ASSERT_TRUE(writeFileAtomically(movie, "first"));
  std::vector<std::string> outcomes;
  auto note = [&](const std::string& path, const std::optional<NSError>& error) {
    outcomes.push_back(path + (error ? " " + error->localizedDescription : " saved"));
  };
  UISaveVideoAtPathToSavedPhotosAlbum(movie, note);
  EXPECT_TRUE(outcomes.empty()) << "the completion comes on a later turn";
  ASSERT_TRUE(writeFileAtomically(movie, "second"));
  UISaveVideoAtPathToSavedPhotosAlbum(movie, note);
  UISaveVideoAtPathToSavedPhotosAlbum(dir.file("missing.mov"), note);
  RunLoop::main().runUntilIdle();

  EXPECT_EQ(savedPhotosAlbumDirectory(), dir.file("Photos"));
  EXPECT_EQ(readFile(dir.file("Photos/screen.mov")), "first");
  EXPECT_EQ(readFile(dir.file("Photos/screen 2.mov")), "second");
  ASSERT_EQ(outcomes.size(), 3u);
  EXPECT_EQ(outcomes[0], movie + " saved");
  EXPECT_EQ(outcomes[1], movie + " saved");
  EXPECT_EQ(outcomes[2], dir.file("missing.mov") + " The video could not be read.");
  setDocumentsDirectory("");
}
