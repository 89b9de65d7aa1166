// A real movie made here with FFmpeg's encoder (three seconds of numbered solid frames and a tone)
// loaded as a graph: the frame of each moment is drawn, pause, seek and the end behave, it plays
// from an archive through a temporary copy, and it survives display and screen-mode changes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/base/archive.h"
#include "engine/base/file_access.h"
#include "engine/graphics/base_hooks.h"
#include "engine/graphics/graph/graph_load.h"
#include "engine/graphics/graph/surface2d.h"
#include "engine/graphics/graph/surface_data.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/movie/movie.h"
#include "engine/graphics/operations.h"
#include "engine/graphics/screen/screen.h"
#include "engine/graphics/screen/screen_fixture.h"
#include "movie_fixtures.h"
#include "platform/audio.h"
#include "platform/audio/manual/manual_audio.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "tools/common/archive_writer.h"
#include "tools/common/picture_writer.h"

namespace {

constexpr int kW = 32, kH = 24, kFrames = 30, kFps = 10;

uint16_t Rgb565(uint32_t rgb) {
  return static_cast<uint16_t>(((rgb >> 19) & 0x1F) << 11 | ((rgb >> 10) & 0x3F) << 5 | ((rgb >> 3) & 0x1F));
}

class MovieFileTest : public ::testing::Test {
protected:
  static std::string dir_, movie_;
  static void SetUpTestSuite() {
    char pattern[] = "/tmp/vlx_moviegraph_XXXXXX";
    dir_ = mkdtemp(pattern);
    movie_ = dir_ + "/clip.mkv";
    ASSERT_TRUE(WriteTestMovie(movie_, kW, kH, kFrames, kFps, 441));
  }
  static void TearDownTestSuite() { std::filesystem::remove_all(dir_); }

  std::string work, saved;

  void SetUp() override {
    work = dir_ + "/work";
    std::filesystem::create_directories(work + "/tmp");
    saved = std::filesystem::current_path();
    std::filesystem::current_path(work);
    setenv("TMPDIR", (work + "/tmp").c_str(), 1);
    plat::VirtualClockEnable();
    plat::MovieSetBackend(plat::MovieBackend::Ffmpeg);
    plat::ManualSoundReset();
    plat::SoundSetBackend(plat::SoundBackend::Manual);
    plat::SoundDeviceOpen();
    ASSERT_EQ(StartScreenForTest(ScreenSetup{}), 0);
    SetGraphRestoreCallback(nullptr);
    InitializeArchiveLayer();
    SetArchiveUseFlag(1);
    SetFileAccessTable(nullptr);
  }
  void TearDown() override {
    TerminateGraphicsManager();
    EXPECT_EQ(GetMovieCount(), 0);
    StopScreenForTest();
    InitializeArchiveLayer();
    plat::SoundDeviceClose();
    plat::SoundSetBackend(plat::SoundBackend::Sdl);
    plat::VirtualClockDisable();
    unsetenv("TMPDIR");
    std::filesystem::current_path(saved);
    std::filesystem::remove_all(work);
  }

  static uint32_t Pixel(int graph, int x, int y) {
    GraphRecord* g = GetGraphRecord(graph);
    Surface2DRecord* s = GetSurface2D(static_cast<int>(g->parts[0]));
    const int data = static_cast<int>(s->surfaceData);
    int32_t pitch;
    uint8_t* p;
    if (LockSurfaceData(data, &pitch, &p, 0, nullptr, nullptr) != 0) return 0xDEAD;
    const int bytes = GetScreenColorBitDepth() == 32 ? 4 : 2;   // graphs take the screen's depth
    uint32_t v = 0;
    std::memcpy(&v, p + (s->srcY + y) * pitch + (s->srcX + x) * bytes, static_cast<size_t>(bytes));
    UnlockSurfaceData(data, nullptr);
    return v;
  }

  // One game frame: time passes, the screen is presented and the graph drawn at (kX, kY).
  static constexpr int kX = 100, kY = 50;
  static void Frame(int graph, int ms) {
    plat::VirtualClockAdvance(static_cast<uint64_t>(ms) * 1000);
    PresentScreen();
    EXPECT_EQ(DrawGraphAtPoint(kX, kY, graph, 0), 0);
  }

  // A pixel of the back screen as the draws left it.
  static uint32_t ScreenPixel(int x, int y) {
    EndSceneCurrent();
    const ScreenState& s = g_ScreenState;
    uint32_t v = 0;
    if (s.targetImage && s.targetImage->pixels) {
      std::memcpy(&v, s.targetImage->pixels + y * s.targetImage->pitch + x * MemImgPixelBytes(s.targetImage),
                  static_cast<size_t>(MemImgPixelBytes(s.targetImage)));
      return v;
    }
    uint8_t* p = nullptr;
    int32_t pitch = 0;
    const plat::SurfRect r{x, y, x + 1, y + 1};
    if (plat::SurfaceLock(s.targetSurface, &r, 0, &p, &pitch) != plat::SURF_OK) return 0xDEADBEEF;
    std::memcpy(&v, p, plat::SurfaceFormat(s.targetSurface).bitCount / 8);
    plat::SurfaceUnlock(s.targetSurface);
    return v;
  }
  static MovieRecord* Movie(int graph) { return GetMovieRecord(GetGraphRecord(graph)->movieHandle); }
  static uint32_t Shown(int frame) {
    return GetScreenColorBitDepth() == 32 ? TestMovieColour(frame) : Rgb565(TestMovieColour(frame));
  }
};
std::string MovieFileTest::dir_, MovieFileTest::movie_;

TEST_F(MovieFileTest, DrawsTheFrameOfEachMomentPausesSeeksAndEnds) {
  const int graph = LoadGraphFileCall(plat::ToWindowsPath(movie_).c_str());
  ASSERT_GT(graph, 0);
  int w, h;
  GetGraphDimensions(graph, &w, &h);
  EXPECT_EQ(w, kW);
  EXPECT_EQ(h, kH);
  MovieRecord* rec = Movie(graph);
  ASSERT_NE(rec, nullptr);
  EXPECT_EQ(rec->temporaryFile, 0);
  EXPECT_FALSE(plat::MovieSoundIsPlaying(rec->stream));

  ASSERT_EQ(PlayMovieOfGraph(graph), 0);
  EXPECT_TRUE(plat::MovieSoundIsPlaying(rec->stream));
  Frame(graph, 0);
  EXPECT_EQ(ScreenPixel(kX, kY), Shown(0));
  // Drawn every 30 ms, the screen always shows the frame of the moment (a new one every 100 ms).
  int ms = 0;
  for (int i = 0; i < 40; ++i) {
    Frame(graph, 30);
    ms += 30;
    ASSERT_EQ(ScreenPixel(kX + kW - 1, kY + kH - 1), Shown(ms / 100)) << ms;
    ASSERT_EQ(Pixel(graph, 0, 0), Shown(ms / 100)) << ms;
  }
  EXPECT_EQ(ScreenPixel(kX + kW, kY), 0u);   // nothing beside the graph

  // Paused, time goes by and the picture stands; playing again goes on from the same frame.
  ASSERT_EQ(PauseMovieOfGraph(graph), 0);
  EXPECT_FALSE(plat::MovieSoundIsPlaying(rec->stream));
  for (int i = 0; i < 10; ++i) Frame(graph, 30);
  EXPECT_EQ(Pixel(graph, 5, 5), Shown(ms / 100));
  ASSERT_EQ(PlayMovieOfGraph(graph), 0);
  Frame(graph, 100);
  ms += 100;
  EXPECT_EQ(Pixel(graph, 5, 5), Shown(ms / 100));

  // Seeking back and ahead.
  plat::MovieStreamSeek(rec->stream, 5 * plat::kMovieUnitsPerSecond / 10 + 10000);
  Frame(graph, 1);
  EXPECT_EQ(Pixel(graph, 5, 5), Shown(5));
  plat::MovieStreamSeek(rec->stream, 25 * plat::kMovieUnitsPerSecond / 10 + 10000);
  Frame(graph, 1);
  EXPECT_EQ(Pixel(graph, 5, 5), Shown(25));
  EXPECT_EQ(rec->playing, 1);

  // At the end the last frame stays and the movie stops playing.
  for (int i = 0; i < 20 && rec->playing; ++i) Frame(graph, 50);
  EXPECT_EQ(rec->playing, 0);
  EXPECT_EQ(Pixel(graph, 5, 5), Shown(kFrames - 1));
  EXPECT_EQ(DeleteGraphHandle(graph, 0), 0);
}

TEST_F(MovieFileTest, PlaysFromAnArchiveThroughATemporaryCopy) {
  std::ifstream in(movie_, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string error;
  ASSERT_TRUE(WriteArchiveFile("vid.VUV", {{"clip.mkv", bytes}}, ArchiveWriteOptions{}, &error)) << error;
  const int graph = LoadGraphFileCall("vid\\clip.mkv");
  ASSERT_GT(graph, 0);
  MovieRecord* rec = Movie(graph);
  EXPECT_EQ(rec->temporaryFile, 1);
  const std::string copy = plat::ResolvePath(rec->fileName);
  EXPECT_EQ(std::filesystem::path(copy).parent_path(), std::filesystem::path(work + "/tmp"));
  EXPECT_EQ(std::filesystem::file_size(copy), bytes.size());
  PlayMovieOfGraph(graph);
  for (int i = 1; i <= 12; ++i) Frame(graph, 100);
  EXPECT_EQ(Pixel(graph, 3, 3), Shown(12));
  EXPECT_EQ(DeleteGraphHandle(graph, 0), 0);
  EXPECT_FALSE(std::filesystem::exists(copy));
}

TEST_F(MovieFileTest, SurvivesDisplayChangesAndScreenModeChanges) {
  int graph = LoadGraphFileCall(plat::ToWindowsPath(movie_).c_str());
  ASSERT_GT(graph, 0);
  MovieRecord* rec = Movie(graph);
  PlayMovieOfGraph(graph);
  for (int i = 0; i < 7; ++i) Frame(graph, 50);   // 350 ms
  EXPECT_EQ(Pixel(graph, 1, 1), Shown(3));

  // What the window procedure does on a display change: release, rebuild (a new display object),
  // resume; the movie goes on from where it stood.
  plat::SurfaceDevice* old = g_ScreenState.device;
  ReleaseMovieStreams();
  RebuildDisplay();
  ResumeMovies();
  ASSERT_NE(rec->stream, nullptr);
  EXPECT_NE(g_ScreenState.device, old);
  EXPECT_EQ(rec->device, g_ScreenState.device);
  Frame(graph, 1);
  EXPECT_EQ(Pixel(graph, 1, 1), Shown(3));
  for (int i = 0; i < 4; ++i) Frame(graph, 50);   // 551 ms
  EXPECT_EQ(Pixel(graph, 1, 1), Shown(5));

  // A screen-mode change deletes every graph, and its movie with it; on the new 32-bit screen the
  // movie loads and plays again, now through an archive copy that the next change removes.
  ASSERT_EQ(ChangeScreenMode(800, 600, 32, 0, -1), 0);
  EXPECT_EQ(GetMovieCount(), 0);
  EXPECT_EQ(GetGraphRecord(graph), nullptr);
  std::ifstream in(movie_, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string error;
  ASSERT_TRUE(WriteArchiveFile("vid.VUV", {{"clip.mkv", bytes}}, ArchiveWriteOptions{}, &error)) << error;
  graph = LoadGraphFileCall("vid\\clip.mkv");
  ASSERT_GT(graph, 0);
  rec = Movie(graph);
  EXPECT_EQ(plat::SurfaceFormat(rec->frameSurface).bitCount, 32u);
  const std::string copy = plat::ResolvePath(rec->fileName);
  PlayMovieOfGraph(graph);
  for (int i = 0; i < 9; ++i) Frame(graph, 50);   // 450 ms
  EXPECT_EQ(Pixel(graph, kW - 1, 0), Shown(4));
  ASSERT_EQ(ChangeScreenMode(640, 480, 16, 0, -1), 0);
  EXPECT_EQ(GetMovieCount(), 0);
  EXPECT_FALSE(std::filesystem::exists(copy));
}

// Pictures the decoders refuse (cut after a chunk, a broken checksum, cut rows) go to the movie path
// and must come back from it refused: never as a one-frame movie of what the
// library's own picture readers make of them, and never through a second open of a decoder whose
// first open failed. So must files that are nothing, in a folder and inside an archive.
TEST_F(MovieFileTest, PicturesTheDecodersRefuseAreNoMoviesEither) {
  std::vector<uint8_t> rgba(16 * 8 * 4);
  for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = static_cast<uint8_t>(i * 7);
  const Bytes png = WritePng(PngSpec{16, 8, 8, 6, false, {}, {}, rgba});
  Bytes badCrc = png;
  badCrc[33 + 10] ^= 0x55;   // inside the first data chunk
  const Bytes bmp = WriteBmp(16, 8, 24, 0, {}, Bytes(48 * 8, 0x40));
  const Bytes tga = WriteTga(2, 16, 8, 24, 0, 0, 0, {}, Bytes(16 * 8 * 3, 0x40), false);
  const Bytes dds = WriteDds(16, 8, 8, 64, 0x40, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0, Bytes(64 * 8, 0x40));
  const std::vector<std::pair<std::string, Bytes>> files = {
      {"cut.png", Bytes(png.begin(), png.begin() + 33)},
      {"crc.png", badCrc},
      {"cut.bmp", Bytes(bmp.begin(), bmp.end() - 100)},
      {"cut.tga", Bytes(tga.begin(), tga.end() - 100)},
      {"cut.dds", Bytes(dds.begin(), dds.end() - 100)},
      {"zeros.avi", Bytes(4096, 0)},
      {"empty.mkv", Bytes()},
  };
  std::vector<ArchiveWriterEntry> inArchive;
  for (const auto& [name, bytes] : files) {
    std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    inArchive.push_back({name, bytes});
  }
  std::string error;
  ASSERT_TRUE(WriteArchiveFile("pack.VUV", inArchive, ArchiveWriteOptions{}, &error)) << error;
  for (const auto& [name, bytes] : files) {
    for (const std::string& path : {name, "pack\\" + name}) {
      SCOPED_TRACE(path);
      EXPECT_EQ(LoadGraphFileCall(path.c_str()), -1);
      EXPECT_EQ(GetMovieCount(), 0);
    }
  }
  // No temporary copy is left behind.
  EXPECT_TRUE(std::filesystem::is_empty(work + "/tmp"));
  // The whole picture still loads, and a real movie still plays.
  std::ofstream("whole.png", std::ios::binary).write(reinterpret_cast<const char*>(png.data()), png.size());
  const int picture = LoadGraphFileCall("whole.png");
  EXPECT_GT(picture, 0);
  EXPECT_EQ(GetGraphRecord(picture)->movieHandle, -1);
  const int movie = LoadGraphFileCall(plat::ToWindowsPath(movie_).c_str());
  EXPECT_GT(movie, 0);
  EXPECT_EQ(DeleteGraphHandle(movie, 0), 0);
}

}  // namespace
