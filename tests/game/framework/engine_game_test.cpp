// The framework's sound control and screen capture on the real engine: effects and music loaded by
// LoadSounds from files whose frames name themselves, played through the manual device and SDL's
// disk driver; a capture after a present shown again.
#include "engine_game_fixture.h"
#include "game/framework/sound.h"

namespace {

using namespace enginegame;

constexpr int kRate = 44100;
constexpr int kFrameStep = 735;   // output frames in one game frame

// Effect n is ramp 1 + n % 8 (effect 5 is ramp 6, 20000 frames); track t is ramp 10 + t, track
// 2 eight seconds long.
void WriteSounds() {
  mkdir("vlxdat", 0755);
  mkdir("dat", 0755);
  for (int n = 0; n < kEffectCount; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "vlxdat/se%02d.wav", n);
    ASSERT_TRUE(WriteFileBytes(name, RampWav(1 + n % 8, n == 5 ? 20000 : 3000))) << name;
  }
  for (int t = 0; t < kTrackCount; ++t) {
    char name[32];
    std::snprintf(name, sizeof name, "dat/vlxbgm%02d.ogg", t);
    ASSERT_TRUE(WriteFileBytes(name, RampWav(10 + t, t == 2 ? 8 * kRate : kRate))) << name;
  }
}

// Game frames on the manual device: the sound update, message processing (which refills the
// streams), then a frame's worth of output.
std::vector<int16_t> PlayFrames(int frames) {
  std::vector<int16_t> out(size_t(frames) * kFrameStep * 2);
  for (int f = 0; f < frames; ++f) {
    UpdateSound();
    ProcessMessageLocked();
    plat::ManualSoundAdvance(kFrameStep, out.data() + size_t(f) * kFrameStep * 2);
  }
  return out;
}

std::vector<SoundRun> Sounding(const std::vector<int16_t>& out) {
  std::vector<SoundRun> runs = Runs(out);
  if (!runs.empty() && runs.front().id == -1) runs.erase(runs.begin());
  return runs;
}

TEST_F(GameOnEngine, EffectsAndTrackTwoPlayOnTheManualDeviceAndTheTrackLoopsAtItsPoint) {
  EnterFolder();
  WriteSounds();
  Start(plat::SoundBackend::Manual);
  LoadSounds();

  // An effect plays whole, once, however often it is asked for within its guard.
  PlaySe(5);
  PlaySe(5);
  std::vector<SoundRun> runs = Sounding(PlayFrames(40));
  ASSERT_GE(runs.size(), 2u);
  EXPECT_EQ(runs[0], (SoundRun{6, 0, 19999}));
  EXPECT_EQ(runs[1].id, -1);
  EXPECT_EQ(runs.size(), 2u);

  // Track 2 plays to its end and comes back to 6846 ms, again and again.
  PlayBgm(2);
  runs = Sounding(PlayFrames(600));
  const int loop = 6846 * kRate / 1000;
  ASSERT_GE(runs.size(), 3u);
  EXPECT_EQ(runs[0], (SoundRun{12, 0, 8 * kRate - 1}));
  EXPECT_EQ(runs[1], (SoundRun{12, loop, 8 * kRate - 1}));
  EXPECT_EQ(runs[2].id, 12);
  EXPECT_EQ(runs[2].first, loop);

  // Faded out, it falls silent within a hundred frames and stays stopped.
  FadeOutBgm();
  runs = Runs(PlayFrames(110));
  ASSERT_FALSE(runs.empty());
  EXPECT_EQ(runs.back().id, -1);
  EXPECT_GE(runs.back().last, 5 * kFrameStep);
  EXPECT_EQ(GetCurrentBgm(), 2);
}

TEST_F(GameOnEngine, AnEffectIsRecordedBySdlsDiskDriver) {
  EnterFolder();
  WriteSounds();
  const std::string raw = folder + "/out.raw";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
  setenv("SDL_DISKAUDIODELAY", "4", 1);
  Start(plat::SoundBackend::Sdl);
  LoadSounds();
  auto frames = [&] {
    struct stat st{};
    return stat(raw.c_str(), &st) == 0 ? long(st.st_size) / 4 : 0L;
  };
  auto pumpUntil = [&](long want) {
    for (int i = 0; i < 20000 && frames() < want; ++i) {
      ProcessMessageLocked();
      usleep(1000);   // real time: the disk driver writes on its own thread
    }
  };
  pumpUntil(4096);
  PlaySe(5);
  // The recording runs behind the output by what its writer buffers: half a second covers it.
  pumpUntil(frames() + 20000 + kRate / 2);
  StopEngine();
  unsetenv("SDL_AUDIODRIVER");
  unsetenv("SDL_DISKAUDIOFILE");
  unsetenv("SDL_DISKAUDIODELAY");

  const Bytes bytes = ReadFileBytes(raw);
  std::vector<int16_t> rec(bytes.size() / 2);
  std::memcpy(rec.data(), bytes.data(), rec.size() * 2);
  // Silence, the whole effect once at full volume, silence.
  std::vector<SoundRun> runs = Runs(rec);
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].id, -1);
  EXPECT_EQ(runs[1], (SoundRun{6, 0, 19999}));
  EXPECT_EQ(runs[2].id, -1);
}

}  // namespace
