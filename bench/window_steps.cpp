// Steps a second of the whole program in its real window (a display or the virtual X server) on the
// real clock: the still title, paced by the timer or by vertical sync at each FRAME RATE, and what it
// costs the process in CPU. The settings file is left out so that the first start's questions set
// the pacing the screen is made with (window mode; vertical sync yes or no); FRAME RATE is set from
// the first frame, as GAME CONFIG sets it. Steps are counted from the title's 30th frame over 660
// steps, by the monotonic clock at the end of each pass; drawn frames by the presenter's count.
// Skipped without a display. Results depend on the machine's load: run it when the machine is idle.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "game/framework/engine_entries.h"
#include "game/framework/settings.h"
#include "game/harness/harness.h"
#include "tests/game/temp_dir.h"
#include "platform/present.h"

namespace fs = std::filesystem;

namespace {

constexpr int kSettle = 30;          // title frames before the count starts
constexpr int kSteps = 660;

double Seconds(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct Data {
  std::string root, pristine;
  bool ok = false;
  ~Data() { RemoveFolder(root); }
};

const Data& SharedData() {
  static Data d = [] {
    Data r;
    r.root = NewTempFolder("/tmp/vlx_bench_window_XXXXXX");
    r.pristine = r.root + "/game";
    if (!MakeDataSet(r.pristine, "")) return r;
    fs::remove(r.pristine + "/velmarondix.sav");
    r.ok = true;
    return r;
  }();
  return d;
}

// What the passes of one run saw.
struct Watch {
  int titleStart = -1, first = -1, last = -1;
  double wallStart = 0, wallEnd = 0, cpuStart = 0, cpuEnd = 0, worstGap = 0, previous = 0;
  uint64_t shownStart = 0, shownEnd = 0;
  bool leftTitle = false;
};
Watch g_watch;

void OnPass(int frame) {
  Watch& w = g_watch;
  const double now = Seconds(CLOCK_MONOTONIC);
  const bool title = GetSettingsSlot(kSlotPlayMode) == 0;
  if (w.titleStart < 0 && title) {
    w.titleStart = frame;
    w.first = frame + kSettle;
    w.last = w.first + kSteps;
  }
  if (w.first < 0 || frame < w.first || frame > w.last) return;
  if (!title) w.leftTitle = true;
  if (frame == w.first) {
    w.wallStart = now;
    w.cpuStart = Seconds(CLOCK_PROCESS_CPUTIME_ID);
    w.shownStart = plat::PresenterFrameCount();
  } else {
    w.worstGap = std::max(w.worstGap, now - w.previous);
  }
  if (frame == w.last) {
    w.wallEnd = now;
    w.cpuEnd = Seconds(CLOCK_PROCESS_CPUTIME_ID);
    w.shownEnd = plat::PresenterFrameCount();
  }
  w.previous = now;
}

// range(0): 1 vertical sync, 0 the timer; range(1): FRAME RATE 0-3 (60, 30, 20, 15 drawn frames a
// second); range(2): 1 full screen (the desktop-sized window), 0 the window.
void BM_WindowSteps(benchmark::State& state) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) return state.SkipWithError("no display (DISPLAY is not set)");
  const Data& data = SharedData();
  if (!data.ok) return state.SkipWithError("the data set could not be made");
  const bool vsync = state.range(0) == 1;
  const int rate = static_cast<int>(state.range(1));
  const bool fullScreen = state.range(2) == 1;
  for (auto _ : state) {
    const std::string folder = data.root + "/run";
    fs::remove_all(folder);
    fs::copy(data.pristine, folder, fs::copy_options::recursive);
    HarnessOptions o;
    o.folder = folder;
    o.window = true;
    // Make a settings file? Full screen? Vertical sync?
    o.boxAnswers = {kAnswerYes, fullScreen ? kAnswerYes : kAnswerNo, vsync ? kAnswerYes : kAnswerNo};
    o.slots = {{kSlotFrameRate, rate}};
    o.onFrame = OnPass;
    g_watch = Watch{};
    // The opening runs 121 frames before the title; the run ends with the last counted step.
    o.frames = 121 + kSettle + kSteps + 1;
    HarnessResult r;
    RunHarness(o, &r);
    const Watch& w = g_watch;
    if (w.wallEnd <= w.wallStart) return state.SkipWithError("the title did not run its steps");
    if (w.leftTitle) return state.SkipWithError("the title ended before its steps were counted");
    const double wall = w.wallEnd - w.wallStart;
    state.SetIterationTime(wall);
    state.counters["steps"] = kSteps;
    state.counters["steps_per_s"] = kSteps / wall;
    state.counters["drawn_per_s"] = static_cast<double>(w.shownEnd - w.shownStart) / wall;
    state.counters["worst_gap_ms"] = w.worstGap * 1000.0;
    state.counters["cpu_of_core"] = (w.cpuEnd - w.cpuStart) / wall;
  }
  static const char* const kRates[4] = {"60", "30", "20", "15"};
  state.SetLabel(std::string(vsync ? "vertical sync" : "timer") + ", FRAME RATE " + kRates[rate] +
                 (fullScreen ? ", full screen" : ", window"));
}
BENCHMARK(BM_WindowSteps)
    ->ArgsProduct({{0, 1}, {0, 1, 2, 3}, {0}})
    ->Args({0, 0, 1})
    ->Args({1, 0, 1})
    ->ArgNames({"vsync", "rate", "full"})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

}  // namespace
