// The graph load of a file that no picture decoder takes: it goes to the movie path. The first
// byte picks the file's extension (the library's probe weighs it) and a texture or 2-D graph; the
// rest is the file. A movie that opens is played, its frames forced through and drawn, and
// deleted; no movie, temporary copy or tracked block may be left behind.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/base/memory.h"
#include "engine/graphics/graph/graph_load.h"
#include "engine/graphics/movie/movie.h"
#include "engine/graphics/operations.h"
#include "platform/audio.h"
#include "platform/audio/manual/manual_audio.h"
#include "platform/clock.h"
#include "platform/movie.h"
#include "platform/window.h"
#include "tests/engine/graphics/screen/screen_fixture.h"

namespace {

const char* const kExtensions[8] = {".mkv", ".avi", ".mp4", ".png", ".bmp", ".tga", ".dds", ".bin"};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char dir[] = "/tmp/vlx_fuzz_movie_XXXXXX";
  if (!mkdtemp(dir) || chdir(dir) != 0) std::abort();
  setenv("TMPDIR", dir, 1);
  plat::WindowSelectBackend(plat::WindowBackend::Headless);
  plat::MovieSetBackend(plat::MovieBackend::Ffmpeg);
  plat::ManualSoundReset();
  plat::SoundSetBackend(plat::SoundBackend::Manual);
  plat::SoundDeviceOpen();
  if (StartScreenForTest(ScreenSetup{}) != 0) std::abort();
  SetGraphRestoreCallback(nullptr);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1u << 20)) return 0;
  int64_t before = 0;
  GetAllocationTotals(&before, nullptr);
  const std::string name = std::string("in") + kExtensions[data[0] & 7];
  FILE* f = std::fopen(name.c_str(), "wb");
  if (!f) std::abort();
  std::fwrite(data + 1, 1, size - 1, f);
  std::fclose(f);
  const int graph = LoadGraphFromFile(name.c_str(), (data[0] >> 3) & 1, 0, 0);
  if (graph > 0) {
    PlayMovieOfGraph(graph);
    for (int i = 0; i < 6; ++i) {
      plat::VirtualClockAdvance(40000);
      UpdateMovieFrame(graph, (data[0] >> 4) & 1);
      DrawGraphAtPoint(3, 4, graph, 0);
    }
    PauseMovieOfGraph(graph);
    DeleteGraphHandle(graph, 0);
  }
  std::remove(name.c_str());
  if (GetMovieCount() != 0) std::abort();
  int64_t after = 0;
  GetAllocationTotals(&after, nullptr);
  if (after != before) std::abort();
  return 0;
}
