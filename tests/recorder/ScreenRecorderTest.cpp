#include "recorder/ScreenRecorder.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include "platform/foundation/FileSystem.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/TempDir.h"
#include "platform/media/MovieProbe.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIWindow.h"

using namespace tessaly;
using namespace tessaly::platform;
using tessaly::testing::probeMovie;
using tessaly::testing::TempDir;

namespace {

class ScreenRecorderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UIApplication::sharedApplication().reset();
    RunLoop::main().reset();
    setDocumentsDirectory(_dir.file("Documents"));
  }
  void TearDown() override {
    _window.reset();
    UIApplication::sharedApplication().reset();
    RunLoop::main().reset();
    setDocumentsDirectory("");
  }

  // A window filling the screen, one colour, with a white square at the top left.
  void showWindow(const UIColor& color) {
    CGRect screen = UIScreen::mainScreen().bounds();
    _window = std::make_shared<UIWindow>(screen);
    _window->setBackgroundColor(color);
    auto square = std::make_shared<UIView>(CGRectMake(0, 20, 40, 40));
    square->setBackgroundColor(UIColor::whiteColor());
    _window->addSubview(square);
    _window->makeKeyAndVisible();
  }

  // Runs the main loop on the real clock for about that long.
  static void runFor(double seconds) {
    auto& loop = RunLoop::main();
    loop.schedule(seconds, [&loop] { loop.stop(); });
    loop.run();
  }

  TempDir _dir;
  std::shared_ptr<UIWindow> _window;
};

}  // namespace

TEST(ScreenRecorderTime, FrameTimesAreHundredthsSinceTheStartTruncated) {
  EXPECT_EQ(ScreenRecorder::frameTimeValue(1000.0, 1001.23456), 123);
  EXPECT_EQ(ScreenRecorder::frameTimeValue(5.0, 5.0), 0);
  EXPECT_EQ(ScreenRecorder::frameTimeValue(5.0, 5.0099), 0);
  EXPECT_EQ(ScreenRecorder::frameTimeValue(5.0, 4.995), 0) << "towards zero, not down";
  EXPECT_EQ(ScreenRecorder::frameTimeValue(0, 3600.5), 360050);
}

TEST_F(ScreenRecorderTest, ARecordingIsAnH264MovieOfTheScreenAtUpTo40FramesASecond) {
  showWindow({1, 0, 0, 1});
  LogCapture log;
  ScreenRecorder recorder;
  double start = ScreenRecorder::wallClockNow();
  recorder.startRecording();
  EXPECT_TRUE(recorder.isRecording());
  runFor(1.0);
  recorder.stopRecording();
  double elapsed = ScreenRecorder::wallClockNow() - start;
  EXPECT_FALSE(recorder.isRecording());

  auto facts = probeMovie(ScreenRecorder::moviePath());
  ASSERT_TRUE(facts.readable);
  EXPECT_EQ(facts.codec, "h264");
  EXPECT_EQ(facts.width, 320);
  EXPECT_EQ(facts.height, 460);
  EXPECT_EQ(facts.timeBase, "1/100");
  ASSERT_FALSE(facts.pts.empty());
  for (std::size_t i = 1; i < facts.pts.size(); ++i) {
    EXPECT_LT(facts.pts[i - 1], facts.pts[i]) << "frame " << i;
  }
  EXPECT_GE(facts.pts.front(), 2) << "the first tick comes a period after the start";
  EXPECT_LE(facts.pts.back(), static_cast<long long>(elapsed * 100) + 1);
  // The timer allows 40 a second at most; even a busy machine under the sanitizers gives a
  // good share of them.
  auto frames = static_cast<double>(facts.pts.size());
  EXPECT_LE(frames, elapsed * 40 + 1);
  EXPECT_GE(frames, elapsed * 40 * 0.3);
  EXPECT_EQ(recorder.framesAppended(), static_cast<std::int64_t>(facts.pts.size()));

  // The picture is the screen less the status bar: the white square at the top left.
  auto pixels = tessaly::testing::decodeFrameBGRA(ScreenRecorder::moviePath(), 0);
  ASSERT_EQ(pixels.size(), 320u * 460u * 4u);
  auto at = [&](int x, int y) { return &pixels[(y * 320 + x) * 4]; };
  EXPECT_GT(at(10, 10)[1], 220) << "white square";
  EXPECT_LT(at(200, 200)[1], 40) << "red window";
  EXPECT_GT(at(200, 200)[2], 200);

  EXPECT_TRUE(log.contains("ScreenRecorder::startRecording"));
  EXPECT_TRUE(log.contains("ScreenRecorder::stopRecording"));
  EXPECT_TRUE(log.contains(ScreenRecorder::moviePath()));
  EXPECT_FALSE(log.contains("failed to append"));
}

TEST_F(ScreenRecorderTest, TheFinishedMovieIsCopiedToTheAlbumAndTheOutcomeLogged) {
  showWindow({0, 0, 1, 1});
  LogCapture log;
  ScreenRecorder recorder;
  recorder.startRecording();
  runFor(0.2);
  recorder.stopRecording();
  EXPECT_FALSE(log.contains("videoDidFinishSavingWithErrorContextInfo")) << "only on a later turn";
  RunLoop::main().runUntilIdle();
  std::string album = _dir.file("Photos/screen.mov");
  ASSERT_TRUE(std::filesystem::exists(album));
  EXPECT_EQ(readFile(album), readFile(ScreenRecorder::moviePath()));
  EXPECT_TRUE(log.contains("videoDidFinishSavingWithErrorContextInfo"));
  EXPECT_TRUE(log.contains("(null)")) << "no error";
  EXPECT_TRUE(std::filesystem::exists(ScreenRecorder::moviePath())) << "the movie stays";
}

TEST_F(ScreenRecorderTest, ASecondStartReplacesTheFileAndStartsTheTimeLineAfresh) {
  showWindow({0, 1, 0, 1});
  ASSERT_TRUE(writeFileAtomically(ScreenRecorder::moviePath(), "not a movie"));
  ScreenRecorder recorder;
  recorder.startRecording();
  EXPECT_FALSE(probeMovie(ScreenRecorder::moviePath()).readable) << "the old file is gone at once";
  runFor(0.4);
  double restart = ScreenRecorder::wallClockNow();
  recorder.startRecording();
  EXPECT_EQ(RunLoop::main().pendingTimers(), 1u) << "the old timer stopped";
  runFor(0.3);
  recorder.stopRecording();
  auto facts = probeMovie(ScreenRecorder::moviePath());
  ASSERT_TRUE(facts.readable);
  ASSERT_FALSE(facts.pts.empty());
  EXPECT_LE(facts.pts.back(),
            static_cast<long long>((ScreenRecorder::wallClockNow() - restart) * 100) + 1)
      << "times count from the second start";
}

TEST_F(ScreenRecorderTest, FramesAreSkippedWhileTheWriterIsBusyAndWhenTimeDoesNotAdvance) {
  showWindow({1, 1, 1, 1});
  double now = 100;
  ScreenRecorder recorder;
  recorder.setClock([&] { return now; });
  recorder.startRecording();
  now = 100.03;
  recorder.writeSample();
  EXPECT_EQ(recorder.framesAppended(), 1);
  recorder.writeSample();  // the same hundredth again
  now = 99.0;              // the wall clock was set back
  recorder.writeSample();
  EXPECT_EQ(recorder.framesAppended(), 1);
  EXPECT_TRUE(recorder.isRecording()) << "a frame out of time is skipped, not fatal";
  // Handing frames over faster than the encoder takes them fills its queue: the input is then
  // not ready and ticks write nothing until it has room.
  for (int i = 0; i < 200; ++i) {
    now = 101 + i * 0.01;
    recorder.writeSample();
  }
  recorder.stopRecording();
  EXPECT_EQ(recorder.framesAppended() + recorder.framesSkipped(), 203);
  auto facts = probeMovie(ScreenRecorder::moviePath());
  ASSERT_TRUE(facts.readable);
  EXPECT_EQ(static_cast<std::int64_t>(facts.pts.size()), recorder.framesAppended());
  EXPECT_EQ(facts.pts.front(), 3);
}

namespace {

// Pictures of noise: frames that do not compress, so a small file allowance fills fast.
struct NoisyScreenRecorder : ScreenRecorder {
  mutable std::uint32_t seed = 12345;
  ScreenPicture screenshot() const override {
    ScreenPicture picture = ScreenPicture::blank(320, 460);
    for (std::size_t i = 0; i < picture.bytesPerRow * 460; ++i) {
      seed = seed * 1664525u + 1013904223u;
      picture.bytes[i] = static_cast<std::uint8_t>(seed >> 24);
    }
    return picture;
  }
};

}  // namespace

TEST_F(ScreenRecorderTest, AFailedAppendStopsTheRecordingAndSaysSo) {
  LogCapture log;
  double now = 0;
  NoisyScreenRecorder recorder;
  recorder.setClock([&] { return now; });
  recorder.startRecording();
  // From here on the process may write no file past 64 KiB: the disk is "full".
  ::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  rlimit full = saved;
  full.rlim_cur = 64 * 1024;
  ::setrlimit(RLIMIT_FSIZE, &full);
  for (int i = 1; i <= 400 && recorder.isRecording(); ++i) {
    now = i * 0.025;
    recorder.writeSample();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ::setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_FALSE(recorder.isRecording());
  EXPECT_TRUE(log.contains("failed to append"));
  EXPECT_TRUE(log.contains("ScreenRecorder::stopRecording"));
  EXPECT_GT(recorder.framesAppended(), 0);
  EXPECT_TRUE(std::filesystem::exists(ScreenRecorder::moviePath())) << "what was written stays";
}

TEST_F(ScreenRecorderTest, AScreenOfAnotherSizeIsScaledIntoTheFrameLetterboxed) {
  UIScreen::mainScreen().setBounds(CGRectMake(0, 0, 768, 1024));
  showWindow({1, 0, 0, 1});
  double now = 0;
  ScreenRecorder recorder;
  recorder.setClock([&] { return now; });
  recorder.startRecording();
  now = 0.05;
  recorder.writeSample();
  recorder.stopRecording();
  auto pixels = tessaly::testing::decodeFrameBGRA(ScreenRecorder::moviePath(), 0);
  ASSERT_EQ(pixels.size(), 320u * 460u * 4u);
  auto at = [&](int x, int y) { return &pixels[(y * 320 + x) * 4]; };
  // 768 x 1004 points at 320/768: 320 x 418, with 21-pixel bars above and below.
  EXPECT_LT(at(160, 8)[2], 30) << "bar above";
  EXPECT_LT(at(160, 452)[2], 30) << "bar below";
  EXPECT_GT(at(160, 230)[2], 200) << "the red screen in the middle";
  EXPECT_GT(at(300, 40)[2], 200) << "red right up to the right edge";
  EXPECT_GT(at(8, 30)[1], 200) << "the white square, a sixth of its size";
}
