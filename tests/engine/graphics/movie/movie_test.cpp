// Movie graphs on the fake decoder, whose frame n is a known solid colour: the movie table and its
// handles, opening and its failures, the frame throttle, pending and forced updates, the end,
// suspend and resume, release and reopen around a display rebuild, and the temporary copy.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "engine/base/archive.h"
#include "engine/base/base_state.h"
#include "engine/base/file_access.h"
#include "engine/base/log.h"
#include "engine/base/test_folder.h"
#include "engine/graphics/base_hooks.h"
#include "engine/graphics/device3d/device3d_fixture.h"
#include "engine/graphics/graph/graph_load.h"
#include "engine/graphics/graph/surface2d.h"
#include "engine/graphics/graph/surface_data.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/movie/movie.h"
#include "engine/graphics/operations.h"
#include "engine/graphics/screen/screen.h"
#include "engine/graphics/screen/screen_fixture.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "tools/common/archive_writer.h"

namespace {

constexpr int64_t kFrameUnits = 1000000;   // 100 ms

uint16_t Rgb565(uint32_t rgb) {
  return static_cast<uint16_t>(((rgb >> 19) & 0x1F) << 11 | ((rgb >> 10) & 0x3F) << 5 | ((rgb >> 3) & 0x1F));
}

std::string FakeMovie(int w, int h, int frames, int64_t units, int soundMs = 0) {
  return "FAKEMOVIE " + std::to_string(w) + " " + std::to_string(h) + " " + std::to_string(frames) + " " +
         std::to_string(units) + " " + std::to_string(soundMs) + "\n";
}

// A 16-bit full screen with a display object and no 3-D device, the fake decoder, the virtual
// clock and the log written into the test's folder; temporary copies go to a folder of their own.
class MovieGraphTest : public ::testing::Test {
protected:
  TestFolder folder;
  std::string tmpDir;

  void SetUp() override {
    folder.Enter();
    tmpDir = folder.path + "/tmpcopies";
    std::filesystem::create_directory(tmpDir);
    setenv("TMPDIR", tmpDir.c_str(), 1);
    g_LogOffFlag = 0;
    g_LogTimeStampOffFlag = 1;
    LogFileInitialize();
    plat::VirtualClockEnable();
    plat::MovieSetBackend(plat::MovieBackend::Fake);
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
    plat::MovieSetBackend(plat::MovieBackend::Ffmpeg);
    plat::VirtualClockDisable();
    g_LogOffFlag = 1;
    g_LogTimeStampOffFlag = 0;
    unsetenv("TMPDIR");
    folder.Leave();
  }

  void Write(const std::string& name, const std::string& text) {
    FILE* f = std::fopen((folder.path + "/" + name).c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
  std::string Log() const { return folder.Read("Log.txt"); }   // CP932, as the literals here
  int TempFiles() const {
    int n = 0;
    for (auto& e : std::filesystem::directory_iterator(tmpDir)) n += e.is_regular_file() ? 1 : 0;
    return n;
  }

  static uint16_t Pixel(int graph, int x, int y) { return GraphPixel16ForTest(graph, x, y); }
  static uint16_t FrameColour(int n) { return Rgb565(plat::FakeMovieFrameColour(n)); }
  static MovieRecord* Movie(int graph) { return GetMovieRecord(GetGraphRecord(graph)->movieHandle); }
  static void AdvanceMs(int ms) { plat::VirtualClockAdvance(static_cast<uint64_t>(ms) * 1000); }
};

TEST_F(MovieGraphTest, HandlesAndTheHundredSlotTable) {
  Write("m.fake", FakeMovie(4, 4, 3, kFrameUnits));
  int handles[MOVIE_TABLE_SIZE];
  int w = 0, h = 0;
  for (int i = 0; i < MOVIE_TABLE_SIZE; ++i) {
    handles[i] = OpenMovieToGraph("m.fake", &w, &h, 0);
    ASSERT_GE(handles[i], 0) << i;
  }
  EXPECT_EQ(w, 4);
  EXPECT_EQ(h, 4);
  const uint32_t check0 = (static_cast<uint32_t>(handles[0]) >> 16) & 0x7FF;
  for (int i = 0; i < MOVIE_TABLE_SIZE; ++i) {
    const uint32_t expect = 0x18000000u | (((check0 + i) & 0x7FF) << 16) | static_cast<uint32_t>(i);
    EXPECT_EQ(static_cast<uint32_t>(handles[i]), expect);
  }
  EXPECT_EQ(GetMovieCount(), MOVIE_TABLE_SIZE);
  const std::string before = Log();
  EXPECT_EQ(OpenMovieToGraph("m.fake", nullptr, nullptr, 0), -1);   // the 101st: no message
  EXPECT_EQ(Log(), before);

  // A closed handle goes stale; its slot is the first free one again, with the next check number.
  ASSERT_EQ(CloseMovieOfGraph(handles[5]), 0);
  EXPECT_EQ(GetMovieRecord(handles[5]), nullptr);
  EXPECT_EQ(CloseMovieOfGraph(handles[5]), -1);
  // A failed open uses no check number.
  EXPECT_EQ(OpenMovieToGraph("missing.fake", nullptr, nullptr, 0), -1);
  EXPECT_NE(Log().find("ファイル:missing.fake が開けませんでした"), std::string::npos);
  EXPECT_NE(Log().find("ムービーファイルオープン処理時にエラーが発生しました"), std::string::npos);
  const int again = OpenMovieToGraph("m.fake", nullptr, nullptr, 0);
  EXPECT_EQ(static_cast<uint32_t>(again), 0x18000000u | (((check0 + 100) & 0x7FF) << 16) | 5u);
  handles[5] = again;

  // Handles of another kind, slots past the table and negative values name no movie.
  EXPECT_EQ(GetMovieRecord(-1), nullptr);
  EXPECT_EQ(GetMovieRecord(static_cast<int>((static_cast<uint32_t>(handles[3]) & ~0xFFFFu) | 100u)), nullptr);
  EXPECT_EQ(GetMovieRecord(static_cast<int>((static_cast<uint32_t>(handles[3]) & 0x07FFFFFFu) | 0x08000000u)),
            nullptr);
  for (int hnd : handles) EXPECT_EQ(CloseMovieOfGraph(hnd), 0);
}

TEST_F(MovieGraphTest, OpeningFailuresAndModes) {
  Write("m.fake", FakeMovie(6, 4, 3, kFrameUnits));
  Write("flat.fake", FakeMovie(0, 4, 3, kFrameUnits));
  EXPECT_EQ(OpenMovieToGraph("flat.fake", nullptr, nullptr, 0), -1);
  EXPECT_NE(Log().find("動画ファイルではない可能性があります！"), std::string::npos);
  plat::SurfaceDevice* dev = g_ScreenState.device;
  g_ScreenState.device = nullptr;
  EXPECT_EQ(OpenMovieToGraph("m.fake", nullptr, nullptr, 0), -1);
  EXPECT_NE(Log().find("DirectDraw4オブジェクトを取得できませんでした"), std::string::npos);
  g_ScreenState.device = dev;
  EXPECT_EQ(GetMovieCount(), 0);

  // No overlay format here: mode 1 plays as mode 2, a 24-bit surface; a 32-bit screen takes its own.
  for (int mode : {0, 1, 2}) {
    const int m = OpenMovieToGraph("m.fake", nullptr, nullptr, mode);
    ASSERT_GE(m, 0);
    MovieRecord* rec = GetMovieRecord(m);
    EXPECT_EQ(rec->mode, mode == 0 ? 0 : 2);
    EXPECT_EQ(plat::SurfaceFormat(rec->frameSurface).bitCount, mode == 0 ? 16u : 24u);
    EXPECT_EQ(rec->copyPitch, mode == 0 ? 12 : 20);   // bytes of a row rounded up to 4
    EXPECT_EQ(rec->overlaySurface, nullptr);
    EXPECT_EQ(rec->systemMemory, 1);
    EXPECT_EQ(rec->lastFrameCounter, -1);
    EXPECT_EQ(rec->lastUpdateTime, -1);
    EXPECT_EQ(rec->timePerFrame, kFrameUnits);
    EXPECT_EQ(rec->stopPosition, 3 * kFrameUnits);
    CloseMovieOfGraph(m);
  }
  ASSERT_EQ(ChangeScreenMode(-1, -1, 32, 0, -1), 0);
  const int m32 = OpenMovieToGraph("m.fake", nullptr, nullptr, 2);
  EXPECT_EQ(GetMovieRecord(m32)->mode, 0);
  EXPECT_EQ(plat::SurfaceFormat(GetMovieRecord(m32)->frameSurface).bitCount, 32u);
  CloseMovieOfGraph(m32);
  ASSERT_EQ(ChangeScreenMode(-1, -1, 16, 0, -1), 0);

  // A 24-bit movie graph is converted into the 16-bit graph. Its load switches textures off only
  // for itself: the use-texture setting is put back as it was, not to what the screen offers.
  ASSERT_EQ(IsTextureDrawAvailable(), 0);
  ASSERT_EQ(g_DrawState.useTexture, 1);
  const int graph = LoadGraphFromFile("m.fake", 1, 0, 2);
  ASSERT_GT(graph, 0);
  EXPECT_EQ(g_DrawState.useTexture, 1);
  SetUseTextureFlag(0);
  const int plain = LoadGraphFromFile("m.fake", 1, 0, 0);
  ASSERT_GT(plain, 0);
  EXPECT_EQ(g_DrawState.useTexture, 0);
  DeleteGraphHandle(plain, 0);
  SetUseTextureFlag(1);
  ASSERT_EQ(PlayMovieOfGraph(graph), 0);
  ASSERT_EQ(UpdateMovieFrame(graph, 0), 0);
  EXPECT_EQ(Pixel(graph, 5, 3), FrameColour(0));
  DeleteGraphHandle(graph, 0);
}

TEST_F(MovieGraphTest, ThrottleAndPendingUpdates) {
  Write("clip.fake", FakeMovie(8, 6, 20, kFrameUnits / 10));   // a frame every 10 ms
  const int graph = LoadGraphFileCall("clip.fake");
  ASSERT_GT(graph, 0);
  int w, h;
  GetGraphDimensions(graph, &w, &h);
  EXPECT_EQ(w, 8);
  EXPECT_EQ(h, 6);
  MovieRecord* rec = Movie(graph);
  ASSERT_NE(rec, nullptr);
  EXPECT_EQ(rec->playing, 0);
  const int decoded0 = plat::FakeMovieDecodedFrameCount();
  EXPECT_EQ(UpdateMovieFrame(graph, 0), 0);   // not playing: nothing
  EXPECT_EQ(plat::FakeMovieDecodedFrameCount(), decoded0);

  ASSERT_EQ(PlayMovieOfGraph(graph), 0);
  EXPECT_EQ(rec->playing, 1);
  // Frame 0 is due at once; frame 1 is asked for and stays pending.
  ASSERT_EQ(UpdateMovieFrame(graph, 0), 0);
  EXPECT_EQ(plat::FakeMovieDecodedFrameCount(), decoded0 + 1);
  EXPECT_EQ(Pixel(graph, 7, 5), FrameColour(0));
  EXPECT_EQ(rec->updatePending, 1);
  // Within one presented frame and 18 ms no new frame is asked for.
  AdvanceMs(5);
  UpdateMovieFrame(graph, 0);
  AdvanceMs(12);
  UpdateMovieFrame(graph, 0);
  EXPECT_EQ(plat::FakeMovieDecodedFrameCount(), decoded0 + 1);
  EXPECT_EQ(Pixel(graph, 0, 0), FrameColour(0));
  // At 20 ms the pending frame 1 completes, and frame 2, due too, is the second and last of the call.
  AdvanceMs(3);
  UpdateMovieFrame(graph, 0);
  EXPECT_EQ(plat::FakeMovieDecodedFrameCount(), decoded0 + 3);
  EXPECT_EQ(Pixel(graph, 0, 0), FrameColour(2));
  EXPECT_EQ(rec->updatePending, 0);
  // A new presented frame lifts the throttle at once; frame 3 is not due yet, so it is pending.
  PresentScreen();
  AdvanceMs(1);
  UpdateMovieFrame(graph, 0);
  EXPECT_EQ(rec->updatePending, 1);
  EXPECT_EQ(Pixel(graph, 0, 0), FrameColour(2));
  EXPECT_EQ(rec->lastFrameCounter, static_cast<int64_t>(GetPresentFrameCount()) - 1);

  // A forced update completes a frame synchronously, sleeping until it is due, and returns.
  const uint32_t t0 = plat::MillisecondClock();
  ASSERT_EQ(UpdateMovieFrame(graph, 1), 0);
  EXPECT_EQ(Pixel(graph, 0, 0), FrameColour(3));
  EXPECT_EQ(rec->updatePending, 0);
  EXPECT_GE(plat::MillisecondClock() - t0, 8u);
  EXPECT_EQ(plat::FakeMovieDecodedFrameCount(), decoded0 + 4);

  // Bad handles.
  EXPECT_EQ(UpdateMovieFrame(-1, 0), -1);
  EXPECT_EQ(PlayMovieOfGraph(-1), -1);
  EXPECT_EQ(PauseMovieOfGraph(12345), -1);
  const int plain = CreateGraph(4, 4, 0, 0, 0);
  EXPECT_EQ(UpdateMovieFrame(plain, 0), 0);
  EXPECT_EQ(PlayMovieOfGraph(plain), 0);
  // A graph whose movie went away is refused.
  const int movie = GetGraphRecord(graph)->movieHandle;
  ASSERT_EQ(CloseMovieOfGraph(movie), 0);
  EXPECT_EQ(UpdateMovieFrame(graph, 0), -1);
  EXPECT_EQ(PlayMovieOfGraph(graph), -1);
  DeleteGraphHandle(graph, 0);
  DeleteGraphHandle(plain, 0);
}

TEST_F(MovieGraphTest, EndPauseResumeAndReopenAcrossARebuild) {
  Write("clip.fake", FakeMovie(8, 6, 5, kFrameUnits));
  const int graph = LoadGraphFileCall("clip.fake");
  ASSERT_GT(graph, 0);
  MovieRecord* rec = Movie(graph);
  PlayMovieOfGraph(graph);
  UpdateMovieFrame(graph, 0);
  AdvanceMs(250);
  UpdateMovieFrame(graph, 0);
  EXPECT_EQ(Pixel(graph, 1, 1), FrameColour(2));

  // Deactivation pauses every movie graph; activation plays them on from where they stood.
  SuspendMovies();
  EXPECT_EQ(rec->playing, 0);
  EXPECT_FALSE(plat::MovieStreamIsRunning(rec->stream));
  AdvanceMs(1000);
  PresentScreen();
  UpdateMovieFrame(graph, 0);
  EXPECT_EQ(Pixel(graph, 1, 1), FrameColour(2));
  ResumeMovies();
  EXPECT_EQ(rec->playing, 1);
  AdvanceMs(100);
  PresentScreen();
  UpdateMovieFrame(graph, 0);
  EXPECT_EQ(Pixel(graph, 1, 1), FrameColour(3));

  // A display change releases the streams, keeps the record, and the rebuild opens them again on
  // the new display object at the saved time.
  ReleaseMovieStreams();
  EXPECT_EQ(rec->stream, nullptr);
  EXPECT_EQ(rec->savedTime, 350 * 10000);
  AdvanceMs(100);
  PresentScreen();
  EXPECT_EQ(UpdateMovieFrame(graph, 0), 0);
  EXPECT_EQ(Pixel(graph, 1, 1), FrameColour(3));
  // The allocator may hand the new display object the old one's address: the log tells that a
  // new one was made.
  auto objectsMade = [&] {
    const std::string log = Log(), line = "DirectDraw オブジェクトの取得を行います";
    int n = 0;
    for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++n;
    return n;
  };
  const int madeBefore = objectsMade();
  ASSERT_EQ(RebuildDisplayAfterReactivation(), 0);
  ASSERT_NE(rec->stream, nullptr);
  EXPECT_EQ(objectsMade(), madeBefore + 1);
  EXPECT_EQ(rec->device, g_ScreenState.device);
  EXPECT_EQ(plat::MovieStreamTime(rec->stream), 350 * 10000);
  EXPECT_TRUE(plat::MovieStreamIsRunning(rec->stream));
  UpdateMovieFrame(graph, 0);
  EXPECT_EQ(Pixel(graph, 1, 1), FrameColour(3));

  // The end clears the playing flag and keeps the last frame; playing again only meets the end.
  AdvanceMs(2000);
  PresentScreen();
  UpdateMovieFrame(graph, 0);
  EXPECT_EQ(Pixel(graph, 1, 1), FrameColour(4));
  PresentScreen();
  UpdateMovieFrame(graph, 0);
  EXPECT_EQ(rec->playing, 0);
  PlayMovieOfGraph(graph);
  PresentScreen();
  UpdateMovieFrame(graph, 0);
  EXPECT_EQ(rec->playing, 0);
  EXPECT_EQ(Pixel(graph, 1, 1), FrameColour(4));
  // Seeking the stream back starts it over.
  plat::MovieStreamSeek(rec->stream, 0);
  PlayMovieOfGraph(graph);
  PresentScreen();
  UpdateMovieFrame(graph, 0);
  EXPECT_EQ(Pixel(graph, 1, 1), FrameColour(0));

  // A reopen that cannot find the file fails and leaves the graph quiet.
  ReleaseMovieStreams();
  std::remove((folder.path + "/clip.fake").c_str());
  EXPECT_EQ(ReopenAllMovieStreams(), -1);
  EXPECT_EQ(rec->stream, nullptr);
  PresentScreen();
  EXPECT_EQ(UpdateMovieFrame(graph, 0), 0);
  EXPECT_EQ(DeleteGraphHandle(graph, 0), 0);
}

TEST_F(MovieGraphTest, ArchivedMovieAndAShortCopy) {
  std::string error;
  ASSERT_TRUE(WriteArchiveFile((folder.path + "/mov.VUV").c_str(),
                               {{"clip.fake", [] {
                                   const std::string s = FakeMovie(8, 6, 5, kFrameUnits);
                                   return std::vector<uint8_t>(s.begin(), s.end());
                                 }()},
                                {"big.fake", [] {
                                   std::string s = FakeMovie(8, 6, 5, kFrameUnits);
                                   s.resize(3 * MOVIE_COPY_CHUNK + 17, ' ');
                                   return std::vector<uint8_t>(s.begin(), s.end());
                                 }()}},
                               ArchiveWriteOptions{}, &error))
      << error;
  const int graph = LoadGraphFileCall("mov\\clip.fake");
  ASSERT_GT(graph, 0);
  MovieRecord* rec = Movie(graph);
  EXPECT_EQ(rec->temporaryFile, 1);
  EXPECT_TRUE(plat::FileExists(rec->fileName));
  EXPECT_EQ(TempFiles(), 1);
  PlayMovieOfGraph(graph);
  UpdateMovieFrame(graph, 0);
  EXPECT_EQ(Pixel(graph, 2, 2), FrameColour(0));
  // A rebuild reopens the copy itself.
  ReleaseMovieStreams();
  ASSERT_EQ(ReopenAllMovieStreams(), 0);
  EXPECT_EQ(TempFiles(), 1);
  EXPECT_EQ(DeleteGraphHandle(graph, 0), 0);
  EXPECT_EQ(TempFiles(), 0);

  // A copy cut short (here by a file-size limit) is a failure, and the copy is removed.
  struct rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  struct rlimit small = saved;
  small.rlim_cur = MOVIE_COPY_CHUNK + MOVIE_COPY_CHUNK / 2;
  signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  const int cut = LoadGraphFileCall("mov\\big.fake");
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, SIG_DFL);
  EXPECT_EQ(cut, -1);
  EXPECT_EQ(TempFiles(), 0);
  EXPECT_EQ(GetMovieCount(), 0);
  EXPECT_NE(Log().find("ファイル:mov\\big.fake が開けませんでした"), std::string::npos);
  EXPECT_NE(Log().find("右記のグラフィックファイルのロードに失敗しました：mov\\big.fake"), std::string::npos);
  // Without the limit the same movie copies whole and plays.
  const int whole = LoadGraphFileCall("mov\\big.fake");
  ASSERT_GT(whole, 0);
  EXPECT_EQ(std::filesystem::file_size(plat::ResolvePath(Movie(whole)->fileName)),
            static_cast<uintmax_t>(3 * MOVIE_COPY_CHUNK + 17));
  DeleteGraphHandle(whole, 0);
  EXPECT_EQ(TempFiles(), 0);
}

// On a 3-D device the movie graph is held as textures; its frames go into the tiles and draw.
TEST(MovieTextureGraph, FramesGoIntoTexturesAndDrawThroughTheDevice) {
  TestFolder folder;
  folder.Enter();
  plat::VirtualClockEnable();
  plat::MovieSetBackend(plat::MovieBackend::Fake);
  Device3DScreen screen;
  screen.Prepare(32, 160, 120);
  if (!g_BlendTables.ready) BuildBlendLookupTables();
  SetGraphicsManagerUp(0);
  InitializeGraphicsManager();
  ASSERT_TRUE(Direct3DInUse());
  ASSERT_EQ(SetDrawTarget(DRAW_SCREEN_BACK), 0);
  FILE* f = std::fopen("clip.fake", "wb");
  const std::string text = FakeMovie(16, 8, 5, kFrameUnits);
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
  const int graph = LoadGraphFileCall("clip.fake");
  ASSERT_GT(graph, 0);
  EXPECT_TRUE(GetGraphRecord(graph)->create.texture);
  PlayMovieOfGraph(graph);
  for (int frame = 0; frame < 3; ++frame) {
    ASSERT_EQ(DrawGraphAtPoint(10, 20, graph, 0), 0);
    EndSceneCurrent();
    EXPECT_EQ(screen.Pixel(10, 20) & 0xFFFFFF, plat::FakeMovieFrameColour(frame));
    EXPECT_EQ(screen.Pixel(25, 27) & 0xFFFFFF, plat::FakeMovieFrameColour(frame));
    plat::VirtualClockAdvance(100000);
  }
  TerminateGraphicsManager();
  EXPECT_EQ(GetMovieCount(), 0);
  screen.Stop();
  plat::MovieSetBackend(plat::MovieBackend::Ffmpeg);
  plat::VirtualClockDisable();
  folder.Leave();
}

}  // namespace
