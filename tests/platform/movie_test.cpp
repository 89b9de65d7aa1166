// Movie streams on FFmpeg: a lossless movie made here plays into surface rectangles on the virtual
// clock, frame by frame, with its sound following run, pause and seek on the manual mixer.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "movie_fixtures.h"
#include "platform/audio.h"
#include "platform/audio/manual/manual_audio.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/movie.h"

namespace {

constexpr int kW = 32, kH = 24, kFrames = 10, kFps = 10;
constexpr int64_t kFrameUnits = plat::kMovieUnitsPerSecond / kFps;

const plat::PixelFormat kRgb565{32, plat::PIXFMT_RGB, 0, 16, 0xF800, 0x07E0, 0x001F, 0};
const plat::PixelFormat kRgb32{32, plat::PIXFMT_RGB, 0, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0};
const plat::PixelFormat kRgb24{32, plat::PIXFMT_RGB, 0, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0};

uint32_t Pack(const plat::PixelFormat& f, uint32_t rgb) {
  const uint32_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  if (f.bitCount == 16) return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
  return rgb;
}

class MovieStreamTest : public ::testing::Test {
protected:
  static std::string dir_, moviePath_;
  static void SetUpTestSuite() {
    char pattern[] = "/tmp/vlx_movie_XXXXXX";
    dir_ = mkdtemp(pattern);
    moviePath_ = dir_ + "/clip.mkv";
    ASSERT_TRUE(WriteTestMovie(moviePath_, kW, kH, kFrames, kFps, 441));
  }
  static void TearDownTestSuite() { std::filesystem::remove_all(dir_); }

  plat::SurfaceDevice* dev = nullptr;
  plat::MovieStream* m = nullptr;
  plat::Event* ev = nullptr;
  void SetUp() override {
    plat::VirtualClockEnable();
    plat::MovieSetBackend(plat::MovieBackend::Ffmpeg);
    dev = plat::SurfaceDeviceCreate(kRgb565);
    ev = plat::EventCreate(true, false);
  }
  void TearDown() override {
    plat::MovieStreamRelease(m);
    plat::EventDestroy(ev);
    plat::SurfaceDeviceDestroy(dev);
    if (plat::SoundDeviceIsOpen()) plat::SoundDeviceClose();
    plat::SoundSetBackend(plat::SoundBackend::Sdl);
    plat::VirtualClockDisable();
  }

  void Open(bool sound = false) {
    m = plat::MovieStreamCreate();
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(plat::MovieStreamAddVideo(m, dev), plat::MOVIE_OK);
    if (sound) {
      ASSERT_EQ(plat::MovieStreamAddSound(m), plat::MOVIE_OK);
    }
    ASSERT_EQ(plat::MovieStreamOpenFile(m, plat::ToWindowsPath(moviePath_).c_str()), plat::MOVIE_OK);
  }

  plat::Surface* MakeSurface(const plat::PixelFormat& f, int w, int h) {
    plat::SurfaceDesc d{};
    d.caps = plat::SURFCAPS_OFFSCREENPLAIN | plat::SURFCAPS_SYSTEMMEMORY;
    d.width = w;
    d.height = h;
    d.hasFormat = true;
    d.format = f;
    plat::Surface* s = nullptr;
    EXPECT_EQ(plat::SurfaceCreate(dev, d, &s), plat::SURF_OK);
    return s;
  }

  static uint32_t PixelAt(plat::Surface* s, int x, int y) {
    uint8_t* p;
    int32_t pitch;
    if (plat::SurfaceLock(s, nullptr, 0, &p, &pitch) != 0) return 0xDEADBEEF;
    const int bytes = static_cast<int>(plat::SurfaceFormat(s).bitCount / 8);
    uint32_t v = 0;
    std::memcpy(&v, p + y * pitch + x * bytes, static_cast<size_t>(bytes));
    plat::SurfaceUnlock(s);
    return v;
  }

  static void AdvanceMs(int ms) { plat::VirtualClockAdvance(static_cast<uint64_t>(ms) * 1000); }
};
std::string MovieStreamTest::dir_, MovieStreamTest::moviePath_;

TEST_F(MovieStreamTest, FormatTimingAndFramesIntoARectangle) {
  Open();
  int32_t w = 0, h = 0;
  ASSERT_EQ(plat::MovieStreamDesiredFormat(m, &w, &h), plat::MOVIE_OK);
  EXPECT_EQ(w, kW);
  EXPECT_EQ(h, kH);
  EXPECT_EQ(plat::MovieStreamTimePerFrame(m), kFrameUnits);
  EXPECT_NEAR(static_cast<double>(plat::MovieStreamStopPosition(m)), double(kFrames * kFrameUnits), 2e5);

  // The frame lands in its rectangle and nowhere else.
  plat::Surface* s = MakeSurface(kRgb565, kW + 8, kH + 6);
  ASSERT_EQ(plat::SurfaceColorFill(s, nullptr, 0x1234), 0);
  const plat::SurfRect rect{4, 3, 4 + kW, 3 + kH};
  plat::MovieSample* sample = plat::MovieSampleCreate(m, s, &rect, nullptr);
  ASSERT_NE(sample, nullptr);
  EXPECT_EQ(plat::MovieSampleUpdate(sample, 0, nullptr), plat::MOVIE_E_NOTRUNNING);

  ASSERT_EQ(plat::MovieStreamRun(m), plat::MOVIE_OK);
  EXPECT_EQ(plat::MovieSampleUpdate(sample, plat::MOVIE_UPDATE_ASYNC, ev), plat::MOVIE_OK);
  EXPECT_TRUE(plat::EventIsSet(ev));
  EXPECT_EQ(PixelAt(s, 4, 3), Pack(kRgb565, TestMovieColour(0)));
  EXPECT_EQ(PixelAt(s, 3 + kW, 2 + kH), Pack(kRgb565, TestMovieColour(0)));
  EXPECT_EQ(PixelAt(s, 3, 3), 0x1234u);
  EXPECT_EQ(PixelAt(s, 4 + kW, 3), 0x1234u);

  // Frame 1 is due at 100 ms: pending until then, then completed by the status call.
  EXPECT_EQ(plat::MovieSampleUpdate(sample, plat::MOVIE_UPDATE_ASYNC, ev), plat::MOVIE_S_PENDING);
  EXPECT_FALSE(plat::EventIsSet(ev));
  AdvanceMs(60);
  EXPECT_EQ(plat::MovieSampleCompletionStatus(sample), plat::MOVIE_S_PENDING);
  AdvanceMs(40);
  EXPECT_EQ(plat::MovieSampleCompletionStatus(sample), plat::MOVIE_OK);
  EXPECT_TRUE(plat::EventIsSet(ev));
  EXPECT_EQ(PixelAt(s, 10, 10), Pack(kRgb565, TestMovieColour(1)));

  // Paused, the clock stands and a synchronous update is refused.
  ASSERT_EQ(plat::MovieStreamPause(m), plat::MOVIE_OK);
  const int64_t at = plat::MovieStreamTime(m);
  AdvanceMs(500);
  EXPECT_EQ(plat::MovieStreamTime(m), at);
  EXPECT_EQ(plat::MovieSampleUpdate(sample, 0, nullptr), plat::MOVIE_E_NOTRUNNING);
  ASSERT_EQ(plat::MovieStreamRun(m), plat::MOVIE_OK);

  // A seek while an update is pending: the frame of the new time completes it.
  EXPECT_EQ(plat::MovieSampleUpdate(sample, plat::MOVIE_UPDATE_ASYNC, ev), plat::MOVIE_S_PENDING);
  ASSERT_EQ(plat::MovieStreamSeek(m, 3 * kFrameUnits), plat::MOVIE_OK);
  EXPECT_EQ(plat::MovieSampleCompletionStatus(sample), plat::MOVIE_OK);
  EXPECT_TRUE(plat::EventIsSet(ev));
  EXPECT_EQ(PixelAt(s, 10, 10), Pack(kRgb565, TestMovieColour(3)));
  EXPECT_EQ(plat::MovieSampleUpdate(sample, plat::MOVIE_UPDATE_ASYNC, ev), plat::MOVIE_S_PENDING);
  ASSERT_EQ(plat::MovieStreamSeek(m, 7 * kFrameUnits + 10000), plat::MOVIE_OK);
  EXPECT_EQ(plat::MovieSampleCompletionStatus(sample), plat::MOVIE_OK);
  EXPECT_EQ(PixelAt(s, 10, 10), Pack(kRgb565, TestMovieColour(7)));

  // A synchronous update sleeps until the next frame is due.
  const uint64_t before = plat::MicrosecondClock();
  EXPECT_EQ(plat::MovieSampleUpdate(sample, 0, nullptr), plat::MOVIE_OK);
  EXPECT_EQ(PixelAt(s, 10, 10), Pack(kRgb565, TestMovieColour(8)));
  EXPECT_GE(plat::MicrosecondClock() - before, 89000u);

  // Paused and pending, a seek to the very end completes the update with the last frame.
  ASSERT_EQ(plat::MovieStreamSeek(m, 8 * kFrameUnits), plat::MOVIE_OK);
  EXPECT_EQ(plat::MovieSampleUpdate(sample, plat::MOVIE_UPDATE_ASYNC, ev), plat::MOVIE_OK);
  ASSERT_EQ(plat::MovieStreamPause(m), plat::MOVIE_OK);
  EXPECT_EQ(plat::MovieSampleUpdate(sample, plat::MOVIE_UPDATE_ASYNC, ev), plat::MOVIE_S_PENDING);
  ASSERT_EQ(plat::MovieStreamSeek(m, plat::MovieStreamStopPosition(m)), plat::MOVIE_OK);
  EXPECT_EQ(plat::MovieSampleCompletionStatus(sample), plat::MOVIE_OK);
  EXPECT_EQ(PixelAt(s, 10, 10), Pack(kRgb565, TestMovieColour(kFrames - 1)));

  plat::MovieSampleRelease(sample);
  plat::SurfaceRelease(s);
}

TEST_F(MovieStreamTest, FramesExactInEachRgbFormat) {
  for (const plat::PixelFormat& f : {kRgb565, kRgb32, kRgb24}) {
    plat::MovieStreamRelease(m);
    Open();
    plat::Surface* s = MakeSurface(f, kW, kH);
    plat::MovieSample* sample = plat::MovieSampleCreate(m, s, nullptr, nullptr);
    ASSERT_NE(sample, nullptr);
    plat::MovieStreamSeek(m, 5 * kFrameUnits);
    plat::MovieStreamRun(m);
    ASSERT_EQ(plat::MovieSampleUpdate(sample, 0, nullptr), plat::MOVIE_OK);
    EXPECT_EQ(PixelAt(s, kW - 1, kH - 1), Pack(f, TestMovieColour(5))) << f.bitCount;
    plat::MovieSampleRelease(sample);
    plat::SurfaceRelease(s);
  }
  // A palette surface cannot take frames; a sample the stream makes itself is 32-bit.
  const plat::PixelFormat pal{32, plat::PIXFMT_PALETTEINDEXED8 | plat::PIXFMT_RGB, 0, 8, 0, 0, 0, 0};
  plat::Surface* s8 = MakeSurface(pal, kW, kH);
  int result = 0;
  EXPECT_EQ(plat::MovieSampleCreate(m, s8, nullptr, &result), nullptr);
  EXPECT_EQ(result, plat::MOVIE_E_FORMAT);
  plat::SurfaceRelease(s8);
  plat::MovieSample* own = plat::MovieSampleCreate(m, nullptr, nullptr, &result);
  ASSERT_NE(own, nullptr);
  plat::SurfRect r;
  EXPECT_EQ(plat::SurfaceFormat(plat::MovieSampleSurface(own, &r)).bitCount, 32u);
  EXPECT_EQ(r.right, kW);
  plat::MovieSampleRelease(own);
}

TEST_F(MovieStreamTest, SoundFollowsRunPauseAndSeek) {
  plat::ManualSoundReset();
  plat::SoundSetBackend(plat::SoundBackend::Manual);
  ASSERT_TRUE(plat::SoundDeviceOpen());
  Open(true);
  EXPECT_FALSE(plat::MovieSoundIsPlaying(m));
  std::vector<int16_t> out(2 * 512);
  plat::ManualSoundAdvance(512, out.data());
  EXPECT_EQ(out[100], 0);

  plat::MovieStreamRun(m);
  EXPECT_TRUE(plat::MovieSoundIsPlaying(m));
  plat::ManualSoundAdvance(512, out.data());
  bool heard = false;
  for (int16_t v : out) heard |= v != 0;
  EXPECT_TRUE(heard);
  ASSERT_EQ(plat::MovieStreamSetVolume(m, -10000), plat::MOVIE_OK);
  EXPECT_EQ(plat::MovieStreamSetVolume(m, 1), plat::MOVIE_E_FAIL);
  ASSERT_EQ(plat::MovieStreamSetVolume(m, 0), plat::MOVIE_OK);

  plat::MovieStreamPause(m);
  EXPECT_FALSE(plat::MovieSoundIsPlaying(m));
  plat::ManualSoundAdvance(512, out.data());
  plat::ManualSoundAdvance(512, out.data());
  for (int16_t v : out) ASSERT_EQ(v, 0);

  // Seeking while paused stays silent; seeking past the sound's end leaves it silent while running.
  plat::MovieStreamSeek(m, 3 * kFrameUnits);
  EXPECT_FALSE(plat::MovieSoundIsPlaying(m));
  plat::MovieStreamRun(m);
  EXPECT_TRUE(plat::MovieSoundIsPlaying(m));
  plat::MovieStreamSeek(m, plat::MovieStreamStopPosition(m));
  EXPECT_FALSE(plat::MovieSoundIsPlaying(m));
}

TEST_F(MovieStreamTest, FilesThatAreNotMoviesAreRefused) {
  const std::string garbage = dir_ + "/garbage.bin", empty = dir_ + "/empty.bin", cut = dir_ + "/cut.mkv";
  {
    std::ofstream(garbage, std::ios::binary) << std::string(4096, '\x5A');
    std::ofstream(empty, std::ios::binary);
    std::ifstream in(moviePath_, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.size() / 3);
  }
  for (const std::string& p : {garbage, empty, dir_ + "/missing.mkv"}) {
    plat::MovieStream* bad = plat::MovieStreamCreate();
    plat::MovieStreamAddVideo(bad, dev);
    EXPECT_LT(plat::MovieStreamOpenFile(bad, plat::ToWindowsPath(p).c_str()), 0) << p;
    EXPECT_EQ(plat::MovieSampleCreate(bad, nullptr, nullptr, nullptr), nullptr);
    plat::MovieStreamRelease(bad);
  }
  // A truncated movie plays what it has, then ends.
  plat::MovieStream* c = plat::MovieStreamCreate();
  plat::MovieStreamAddVideo(c, dev);
  ASSERT_EQ(plat::MovieStreamOpenFile(c, plat::ToWindowsPath(cut).c_str()), plat::MOVIE_OK);
  plat::MovieSample* sample = plat::MovieSampleCreate(c, nullptr, nullptr, nullptr);
  ASSERT_NE(sample, nullptr);
  plat::MovieStreamRun(c);
  int frames = 0, r;
  while ((r = plat::MovieSampleUpdate(sample, 0, nullptr)) == plat::MOVIE_OK) ++frames;
  EXPECT_EQ(r, plat::MOVIE_S_ENDOFSTREAM);
  EXPECT_LT(frames, kFrames);
  plat::MovieSampleRelease(sample);
  plat::MovieStreamRelease(c);
  // Without a display object there is no video stream to open.
  plat::MovieStream* nv = plat::MovieStreamCreate();
  EXPECT_EQ(plat::MovieStreamAddVideo(nv, nullptr), plat::MOVIE_E_FAIL);
  EXPECT_EQ(plat::MovieStreamOpenFile(nv, plat::ToWindowsPath(moviePath_).c_str()), plat::MOVIE_E_FAIL);
  plat::MovieStreamRelease(nv);
}

}  // namespace
