// Real output through SDL's disk driver: a 12-second Ogg with a loop point plays for 30 seconds and
// the recording holds exactly the decoded data, the loop and the ring wraps without a gap or a
// repeat; then two plays of an effect overlap and the recording holds their sum. The driver runs
// a few times faster than real time so that the test stays short.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/base/test_folder.h"
#include "platform/sync.h"
#include "stream_test_util.h"

namespace {

constexpr int kRate = 44100;

std::vector<int16_t> DecodeAll(SoundConvert* c) {
  std::vector<int16_t> out;
  int16_t buf[4096];
  int n;
  while ((n = ReadSoundConvert(c, buf, sizeof buf)) > 0) out.insert(out.end(), buf, buf + n / 2);
  return out;
}

long FileBytes(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 ? (long)st.st_size : 0;
}

void Write(const char* name, const fixture::Bytes& b) {
  FILE* f = std::fopen(name, "wb");
  ASSERT_NE(nullptr, f);
  std::fwrite(b.data(), 1, b.size(), f);
  std::fclose(f);
}

// Keeps refilling until the recording holds `frames` output frames.
void PumpUntil(const std::string& path, long frames) {
  while (FileBytes(path) < frames * 4) {
    ProcessStreamSounds();
    plat::Sleep(1);
  }
}

// Keeps refilling until the recording holds a sound after frame `from`. The file's growth alone
// does not say that something played since: its writer runs behind the mix.
void PumpUntilHeard(const std::string& path, long from) {
  long at = from;
  for (;;) {
    const long end = FileBytes(path) / 4;
    if (end > at) {
      FILE* f = std::fopen(path.c_str(), "rb");
      ASSERT_NE(nullptr, f);
      std::vector<int16_t> got((size_t)(end - at) * 2);
      std::fseek(f, at * 4, SEEK_SET);
      const size_t n = std::fread(got.data(), 2, got.size(), f);
      std::fclose(f);
      for (size_t i = 0; i < n; ++i)
        if (got[i] != 0) return;
      at += (long)(n / 2);
    }
    ProcessStreamSounds();
    plat::Sleep(1);
  }
}

TEST(SoundDiskOutput, LoopingOggAndOverlappingEffectsRecordExactly) {
  TestFolder folder;
  folder.Enter();
  const std::string raw = folder.path + "/out.raw";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
  setenv("SDL_DISKAUDIODELAY", "4", 1);   // 4 ms per 1024 frames: about six times real time

  // A sweep whose pitch keeps rising, so that no stretch of it looks like another.
  const int frames = 12 * kRate;
  std::vector<int16_t> music(frames);
  for (int i = 0; i < frames; ++i) {
    double t = (double)i / kRate;
    music[i] = (int16_t)std::lround(9000 * std::sin(2 * M_PI * (200 * t + 40 * t * t)));
  }
  fixture::Bytes ogg = fixture::OggEncode(music, 1, kRate);
  Write("bgm.ogg", ogg);
  const int loopMs = 4500;
  const int loopFrame = kRate * loopMs / 1000;

  // What the stream must deliver: the whole decode, then the decode from the loop start, again and again.
  soundtest::Source src(ogg);
  SoundConvert conv{};
  ASSERT_EQ(0, OpenSoundConvert(&src.src, &conv));
  std::vector<int16_t> whole = DecodeAll(&conv);
  SeekSoundConvert(&conv, loopFrame);
  std::vector<int16_t> tail = DecodeAll(&conv);
  CloseSoundConvert(&conv);
  ASSERT_GT(whole.size(), (size_t)frames - 2048);
  const long playFrames = 30L * kRate;
  std::vector<int16_t> expect = whole;
  while ((long)expect.size() < playFrames) expect.insert(expect.end(), tail.begin(), tail.end());

  // Long enough that the second play, started once the first is heard, still overlaps it when the
  // test thread loses the processor for a while: the driver runs on in real time.
  const int effectFrames = 3 * kRate;
  std::vector<int16_t> effect((size_t)effectFrames * 2);
  for (int i = 0; i < effectFrames; ++i) {
    effect[2 * i] = (int16_t)(1000 + 2000 * std::sin(i / 9.0));
    effect[2 * i + 1] = (int16_t)(-1500 + 1000 * std::cos(i / 13.0));
  }
  Write("se.wav", fixture::Wav(fixture::PcmFormat(2, 16, kRate), fixture::PcmBytes(effect)));

  plat::SoundSetBackend(plat::SoundBackend::Sdl);
  ASSERT_EQ(0, InitializeDirectSound());
  ASSERT_EQ(0, SetSoundCreateType(0));
  int se = LoadSoundFile("se.wav", 3, -1);
  ASSERT_NE(-1, se);
  ASSERT_EQ(0, SetSoundCreateType(3));
  int bgm = LoadSoundFile("bgm.ogg", 3, -1);
  ASSERT_NE(-1, bgm);
  ASSERT_EQ(0, SetStreamLoopMilliseconds(loopMs, bgm));

  long start = FileBytes(raw) / 4;
  ASSERT_EQ(0, PlaySoundHandle(bgm, SOUND_PLAY_BACK, 1));
  // The recording's size runs behind the output by what its writer buffers: a margin of a second
  // and a half covers it.
  PumpUntil(raw, start + playFrames + 3 * kRate / 2);
  ASSERT_EQ(0, StopSoundHandle(bgm));
  long stopped = FileBytes(raw) / 4;
  PumpUntil(raw, stopped + kRate / 4);
  ASSERT_EQ(0, PlaySoundHandle(se, SOUND_PLAY_BACK, 1));
  PumpUntilHeard(raw, FileBytes(raw) / 4);
  ASSERT_EQ(0, PlaySoundHandle(se, SOUND_PLAY_BACK, 1));
  PumpUntil(raw, FileBytes(raw) / 4 + 2 * effectFrames);
  EXPECT_EQ(0, TerminateDirectSound());
  unsetenv("SDL_AUDIODRIVER");

  std::vector<int16_t> rec;
  {
    FILE* f = std::fopen(raw.c_str(), "rb");
    ASSERT_NE(nullptr, f);
    rec.resize((size_t)FileBytes(raw) / 2);
    ASSERT_EQ(rec.size(), std::fread(rec.data(), 2, rec.size(), f));
    std::fclose(f);
  }
  folder.Leave();
  const size_t recFrames = rec.size() / 2;

  // Align on the first sound: the recording before it is silence.
  size_t k0 = 0;
  while (k0 < recFrames && rec[2 * k0] == 0) ++k0;
  size_t j0 = 0;
  while (j0 < expect.size() && expect[j0] == 0) ++j0;
  ASSERT_GE(k0, j0);
  size_t base = k0 - j0;
  size_t matched = 0;
  while (base + matched < recFrames && matched < expect.size() && rec[2 * (base + matched)] == expect[matched] &&
         rec[2 * (base + matched) + 1] == expect[matched]) {
    ++matched;
  }
  EXPECT_GE((long)matched, playFrames) << "the recording leaves the expected music at frame " << matched;

  // After the music: silence, then the two effects and their sum, then silence.
  size_t k = base + matched;
  std::vector<int32_t> left(rec.begin() + 2 * k, rec.end());
  auto firstSound = [&](size_t from) {
    while (from + 1 < left.size() && left[from] == 0 && left[from + 1] == 0) from += 2;
    return from;
  };
  auto subtract = [&](size_t at) {
    for (size_t i = 0; i < effect.size() && at + i < left.size(); ++i) left[at + i] -= effect[i];
  };
  size_t a = firstSound(0);
  ASSERT_LT(a, left.size());
  subtract(a);
  size_t b = firstSound(0);
  ASSERT_LT(b, left.size());
  EXPECT_GT(b, a);
  EXPECT_LT(b, a + effect.size());   // the two plays overlap
  subtract(b);
  EXPECT_EQ(left.size(), firstSound(0)) << "something besides the two effects was heard";
}

}  // namespace
