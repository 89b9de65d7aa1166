// The CPU time of each whole pass of the frame loop (drawing the last frame's display list, the
// actor walk and the command run that build the next one, the present to the headless presenter)
// while the whole program plays back a replay through the game harness on the virtual clock: the
// determinism tests' scripted play (recorded here first) and the attract demo that make-data
// records, as the title plays it after its idle time. Each on the 3-D device and on the software
// renderer, and once with nothing drawn or presented. The baseline is the frame's budget at 60 passes a second, 16.7 ms: the median, the
// 99th percentile and the worst pass against it, and the busiest pass (the most live actors and
// display-list entries drawn) with its own time. Only passes of play between two played passes
// count, so a scene's loading, which comes between passes, is not taken for one.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "game/framework/actors.h"
#include "game/framework/drawlist.h"
#include "game/framework/settings.h"
#include "game/harness/harness.h"
#include "tests/game/temp_dir.h"
#include "tests/game/determinism/scripted_play.h"

namespace fs = std::filesystem;

namespace {

constexpr double kBudgetMs = 1000.0 / 60.0;

double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The data set with its demo and the scripted play's replay, written once per process.
struct Data {
  std::string root, pristine, replay;
  bool ok = false;
  ~Data() { RemoveFolder(root); }
};

const Data& SharedData() {
  static Data d = [] {
    Data r;
    r.root = NewTempFolder("/tmp/vlx_bench_frames_XXXXXX");
    r.pristine = r.root + "/game";
    if (!MakeDataSet(r.pristine, "")) return r;
    const std::string record = r.root + "/record";
    fs::copy(r.pristine, record, fs::copy_options::recursive);
    const ScriptedPlayRecording rec = RecordScriptedPlay(record);
    if (rec.replay.empty() || rec.result.playsEnded != 1) return r;
    r.replay = r.root + "/play.rpy";
    fs::copy_file(record + "/replay/vlxrep0000.rpy", r.replay);
    r.ok = true;
    return r;
  }();
  return d;
}

struct Pass {
  double ms;
  int actors, entries;
};

struct Watch {
  std::vector<Pass> passes;
  double last = 0;
  bool lastPlayed = false;
  int lastEntries = 0;
};
Watch g_watch;

int LiveActors() {
  int n = 0;
  for (int a = kActorFirstFree; a <= kActorLastFree; ++a) n += GetActorField(kFieldKind, a) != 0;
  return n;
}

// Called after each pass's present. The time from the previous call is that pass; what is counted
// here is kept out of the next one.
void OnPass(int) {
  const double now = CpuMs();
  Watch& w = g_watch;
  const bool played = (GetSettingsSlot(kSlotPlayMode) & kPlayFrames) != 0;
  if (played && w.lastPlayed) w.passes.push_back({now - w.last, LiveActors(), w.lastEntries});
  w.lastPlayed = played;
  // Built in this pass, drawn at the start of the next.
  w.lastEntries = std::max(DrawEntriesUsed() - kDrawSubLayerCount, 0);
  w.last = CpuMs();
}

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t i = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5));
  return v[i];
}

// range(0): 0 the scripted play, 1 the attract demo; range(1): 0 the software renderer, 1 the 3-D
// device, 2 nothing drawn or presented (the step alone, to tell the drawing's share).
void BM_FramePasses(benchmark::State& state) {
  const Data& data = SharedData();
  if (!data.ok) return state.SkipWithError("the data set or the scripted play could not be made");
  const bool demo = state.range(0) == 1;
  const int path = static_cast<int>(state.range(1));
  std::vector<Pass> passes;
  for (auto _ : state) {
    state.PauseTiming();
    const std::string folder = data.root + "/run";
    fs::remove_all(folder);
    fs::copy(data.pristine, folder, fs::copy_options::recursive);
    HarnessOptions o;
    o.folder = folder;
    o.renderer = path == 0 ? "soft" : path == 1 ? "full" : "nodisplay";
    o.drawNothing = path == 2;
    o.stopAtPlayEnd = true;
    o.frames = demo ? 1201 + 7200 : kScriptedPlayFrameLimit;
    if (!demo) o.playbackReplay = data.replay;
    o.onFrame = OnPass;
    g_watch = Watch{};
    g_watch.last = CpuMs();
    state.ResumeTiming();
    HarnessResult r;
    RunHarness(o, &r);
    state.PauseTiming();
    passes = std::move(g_watch.passes);
    if (r.playsEnded != 1) state.SkipWithError("the playback did not end its play");
    state.ResumeTiming();
  }
  std::vector<double> ms;
  for (const Pass& p : passes) ms.push_back(p.ms);
  const Pass* busiest = nullptr;
  for (const Pass& p : passes)
    if (!busiest || p.actors + p.entries > busiest->actors + busiest->entries) busiest = &p;
  const auto worstAt = std::max_element(ms.begin(), ms.end());
  const double worst = ms.empty() ? 0 : *worstAt;
  static const char* const kPaths[3] = {", software renderer", ", 3-D device", ", nothing drawn"};
  state.SetLabel(std::string(demo ? "attract demo" : "scripted play") + kPaths[path]);
  state.counters["passes"] = static_cast<double>(passes.size());
  state.counters["median_ms"] = Percentile(ms, 0.5);
  state.counters["p99_ms"] = Percentile(ms, 0.99);
  state.counters["worst_ms"] = worst;
  state.counters["worst_of_budget"] = worst / kBudgetMs;
  state.counters["worst_pass"] = static_cast<double>(worstAt - ms.begin());   // counted from play's start
  if (!ms.empty()) {
    const Pass& w = passes[size_t(worstAt - ms.begin())];
    state.counters["worst_actors"] = w.actors;
    state.counters["worst_entries"] = w.entries;
  }
  state.counters["over_budget"] = static_cast<double>(std::count_if(ms.begin(), ms.end(), [](double v) { return v > kBudgetMs; }));
  if (busiest) {
    state.counters["busiest_ms"] = busiest->ms;
    state.counters["busiest_actors"] = busiest->actors;
    state.counters["busiest_entries"] = busiest->entries;
  }
}
BENCHMARK(BM_FramePasses)
    ->ArgsProduct({{0, 1}, {0, 1, 2}})
    ->ArgNames({"demo", "path"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

}  // namespace
