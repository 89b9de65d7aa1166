// The busiest frame of the game, headless on the real engine: the actor pool full (mostly
// animated, turned at any angle, half of them additive bullets and particles, each with two running
// commands) and a full display list of rotated sprites. Measured per frame: UpdateAllActors,
// UpdateActorCommands and FlushDrawList, on the software renderer ("soft": the 3-D system finds no
// device) and on the 3-D device ("full"), against the frame's budget of 16.7 ms (1/60 s).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "engine/engine.h"
#include "game/framework/actors.h"
#include "game/framework/commands.h"
#include "game/framework/drawlist.h"
#include "game/framework/game_math.h"
#include "game/framework/sprites.h"
#include "platform/clock.h"
#include "platform/renderer.h"
#include "platform/window.h"
#include "platform/window/headless/headless_window.h"
#include "tools/common/file_bytes.h"
#include "tools/common/picture_writer.h"

namespace {

constexpr int kBullet = 100;     // 8 bullet sprites 16 x 16, animated in a chain of 4
constexpr int kParticle = 200;   // 4 particle sprites 32 x 32
std::string g_folder;
bool g_started = false;

uint32_t g_seed = 12345;
int Next(int n) {
  g_seed = g_seed * 1103515245u + 12345u;
  return static_cast<int>((g_seed >> 8) % static_cast<uint32_t>(n));
}

// A sheet of soft round bullets and particles with an alpha channel.
std::string WriteSheet() {
  PngSpec s{};
  s.width = 256;
  s.height = 64;
  s.bitDepth = 8;
  s.colorType = 6;
  s.rows.resize(size_t(s.width) * s.height * 4);
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) {
      const int cell = y < 16 ? 16 : 32;
      const int cx = x % cell - cell / 2, cy = (y < 16 ? y : y - 16) % cell - cell / 2;
      const int r2 = cx * cx + cy * cy, max = cell * cell / 4;
      uint8_t* p = &s.rows[(size_t(y) * s.width + x) * 4];
      p[0] = uint8_t(128 + x % 128);
      p[1] = uint8_t(64 + y * 3);
      p[2] = 255;
      p[3] = r2 >= max ? 0 : uint8_t(255 - 255 * r2 / max);
    }
  const std::string path = g_folder + "/sheet.png";
  if (!WriteFileBytes(path, WritePng(s))) std::abort();
  return path;
}

void CutSprites(int sheet) {
  ResetSpriteTable();
  for (int i = 0; i < 8; ++i) {
    g_SpriteTable.graphic[kBullet + i] = DeriveGraphRegionLocked(16 * i, 0, 16, 16, sheet);
    g_SpriteTable.nextFrame[kBullet + i] = kBullet + (i & 4) + ((i + 1) & 3);
    g_SpriteTable.period[kBullet + i] = 4;
  }
  for (int i = 0; i < 4; ++i) g_SpriteTable.graphic[kParticle + i] = DeriveGraphRegionLocked(32 * i, 16, 32, 32, sheet);
}

bool StartEngine(plat::RendererSetting renderer) {
  if (g_started) return true;
  char tmpl[] = "/tmp/vlx_bench_frame_XXXXXX";
  g_folder = mkdtemp(tmpl);
  plat::WindowSelectBackend(plat::WindowBackend::Headless);
  plat::HeadlessReset();
  plat::SingleCopyLockSetDirectory(g_folder.c_str());
  plat::SetRendererSetting(renderer);
  plat::VirtualClockEnable();
  SetLogFileOutputFlagLocked(0);
  if (LibraryInitializeLocked() != 0) return false;
  SetDrawTargetLocked(-2);
  CutSprites(LoadGraphFileCallLocked(WriteSheet().c_str()));
  g_started = true;
  return true;
}

void StopEngine() {
  if (!g_started) return;
  LibraryTerminateLocked();
  plat::VirtualClockDisable();
  plat::ResetRendererSetting();
  plat::SingleCopyLockSetDirectory(nullptr);
  std::filesystem::remove_all(g_folder);   // the sheet and the single-copy lock file
  g_started = false;
}

// Every free slot of the pool: seven in ten enemy bullets, the rest particles; all turning, most
// animated, half additive, each with a fade and a growth command running.
void FillPool() {
  g_seed = 12345;
  ResetActors();
  SetPlayfieldBounds(-8, -8, 648, 488);
  for (;;) {
    const int a = AllocActor();
    if (a < 0) break;
    const bool bullet = Next(10) < 7;
    uint32_t sprite = bullet ? kBullet + Next(8) : kParticle + Next(4);
    if (Next(2)) sprite |= kSpriteAdditive;
    SetCurrentActor(a);
    SetCurPos(Next(640), Next(480));
    InitCurActor(bullet ? kKindEnemyBullet : kKindEffect, bullet ? 20 : 24, static_cast<int32_t>(sprite));
    SetCurField(kFieldVx, Next(512) - 256);
    SetCurField(kFieldVy, Next(512) - 256);
    SetCurField(kFieldSpin, 60 + Next(200));
    SetCurField(kFieldRotation, Next(21600));   // facing anywhere, as bullets face their heading
    SetCurField(kFieldScale, bullet ? 1000 : 600 + Next(900));
    SetCurField(kFieldColour, static_cast<int32_t>(0xFFFFFF00u | uint32_t(160 + Next(96))));
    if (Next(10) < 8) OrCurField(kFieldFlags, kFlagAnimates);
    AddActorCommand(a, kCmdAddAlpha, 0, 100000, -1, 0);
    AddActorCommand(a, kCmdAddScale, 0, 100000, 2, 0);
  }
}

// The list a full pool draws: one rotated sprite per live actor, up to the list's size.
void FillDrawList() {
  ResetDrawList();
  for (int a = kActorFirstFree; a <= kActorLastFree; ++a) {
    if (GetActorField(kFieldKind, a) <= 0) continue;
    const int e = AddDrawSpriteRot(GetActorField(kFieldX, a), GetActorField(kFieldY, a),
                                   GetActorField(kFieldLayer, a), uint32_t(GetActorField(kFieldSprite, a)),
                                   GetActorField(kFieldScale, a), GetActorField(kFieldRotation, a));
    if (e < 0) break;
    SetDrawColor(e, uint32_t(GetActorField(kFieldColour, a)));
  }
}

plat::RendererSetting Renderer(const benchmark::State& state) {
  return state.range(0) ? plat::RendererSetting::Full : plat::RendererSetting::NoDevice3D;
}

void Report(benchmark::State& state) {
  state.SetLabel(state.range(0) ? "3-D device" : "software renderer");
  state.counters["frame_budget_ms"] = 1000.0 / 60.0;
}

void BM_UpdateAllActors(benchmark::State& state) {
  if (!StartEngine(Renderer(state))) return state.SkipWithError("engine start failed");
  for (auto _ : state) {
    state.PauseTiming();
    FillPool();
    ResetDrawList();   // each pass builds its list afresh, as a frame does
    state.ResumeTiming();
    UpdateAllActors();
  }
  state.counters["actors"] = CountActorsOfKind(kKindEnemyBullet) + CountActorsOfKind(kKindEffect);
  Report(state);
  StopEngine();
}

void BM_UpdateActorCommands(benchmark::State& state) {
  if (!StartEngine(Renderer(state))) return state.SkipWithError("engine start failed");
  FillPool();
  for (auto _ : state) UpdateActorCommands();
  state.counters["commands"] = CountActorCommands();
  Report(state);
  StopEngine();
}

void BM_FlushDrawList(benchmark::State& state) {
  if (!StartEngine(Renderer(state))) return state.SkipWithError("engine start failed");
  FillPool();
  FillDrawList();
  for (auto _ : state) {
    FlushDrawList();
    state.PauseTiming();
    PresentScreenLocked();
    ClearDrawTargetLocked();
    state.ResumeTiming();
  }
  state.counters["entries"] = DrawEntriesUsed() - kDrawSubLayerCount;
  Report(state);
  StopEngine();
}

}  // namespace

// Updates only add to the display list: the renderer makes no difference to them.
BENCHMARK(BM_UpdateAllActors)->Arg(0)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_UpdateActorCommands)->Arg(0)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_FlushDrawList)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
