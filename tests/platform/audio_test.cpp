// The mixer through the manual device (deterministic), and SDL's dummy and disk drivers.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/audio.h"
#include "platform/audio/manual/manual_audio.h"

using namespace plat;

namespace {

WaveFormat Pcm(uint16_t channels, uint16_t bits, uint32_t rate) {
  uint16_t align = (uint16_t)(channels * bits / 8);
  return WaveFormat{1, channels, rate, rate * align, align, bits, 0};
}

class SoundMixer : public ::testing::Test {
protected:
  void SetUp() override {
    ManualSoundReset();
    SoundSetBackend(SoundBackend::Manual);
    ASSERT_TRUE(SoundDeviceOpen());
  }
  void TearDown() override { SoundDeviceClose(); }

  SoundBuffer* Make(const WaveFormat& f, uint32_t bytes, uint32_t flags = 0x80E2) {
    SoundBufferDesc d{36, flags, bytes, &f};
    return SoundBufferCreate(&d);
  }
  // Fills the whole buffer with one 16-bit value per channel sample.
  void Fill16(SoundBuffer* b, int16_t v) {
    uint32_t n = SoundBufferSize(b);
    void *a1, *a2;
    uint32_t s1, s2;
    ASSERT_EQ(0, SoundBufferLock(b, 0, n, &a1, &s1, &a2, &s2));
    for (uint32_t i = 0; i < s1 / 2; ++i) static_cast<int16_t*>(a1)[i] = v;
    ASSERT_EQ(0, SoundBufferUnlock(b, a1, s1, a2, s2));
  }
  uint32_t Cursor(SoundBuffer* b) {
    uint32_t p = 0xFFFFFFFF;
    EXPECT_EQ(0, SoundBufferGetPosition(b, &p, nullptr));
    return p;
  }
};

TEST_F(SoundMixer, LockAcrossTheWrapGivesTwoAreasAndUnlockWritesBack) {
  SoundBuffer* b = Make(Pcm(2, 16, 44100), 400);
  ASSERT_NE(nullptr, b);
  void *a1, *a2;
  uint32_t s1, s2;
  ASSERT_EQ(0, SoundBufferLock(b, 320, 160, &a1, &s1, &a2, &s2));
  EXPECT_EQ(80u, s1);
  EXPECT_EQ(80u, s2);
  ASSERT_NE(nullptr, a2);
  // A second lock while locked is refused.
  void *x1, *x2;
  uint32_t y1, y2;
  EXPECT_EQ(-1, SoundBufferLock(b, 0, 4, &x1, &y1, &x2, &y2));
  std::memset(a1, 0x11, s1);
  std::memset(a2, 0x22, s2);
  ASSERT_EQ(0, SoundBufferUnlock(b, a1, s1, a2, s2));
  ASSERT_EQ(0, SoundBufferLock(b, 0, 400, &a1, &s1, &a2, &s2));
  EXPECT_EQ(400u, s1);
  EXPECT_EQ(0u, s2);
  EXPECT_EQ(nullptr, a2);
  auto* p = static_cast<uint8_t*>(a1);
  EXPECT_EQ(0x22, p[0]);
  EXPECT_EQ(0x22, p[79]);
  EXPECT_EQ(0, p[80]);
  EXPECT_EQ(0x11, p[320]);
  EXPECT_EQ(0x11, p[399]);
  EXPECT_EQ(0, SoundBufferUnlock(b, a1, s1, a2, s2));
  // Ranges outside the buffer are refused.
  EXPECT_EQ(-1, SoundBufferLock(b, 400, 4, &a1, &s1, &a2, &s2));
  EXPECT_EQ(-1, SoundBufferLock(b, 0, 404, &a1, &s1, &a2, &s2));
  EXPECT_EQ(-1, SoundBufferUnlock(b, a1, s1, a2, s2));
}

TEST_F(SoundMixer, CursorMovesOnlyWhenAdvancedAndStopKeepsPosition) {
  SoundBuffer* b = Make(Pcm(2, 16, 44100), 44100 * 4);
  ASSERT_NE(nullptr, b);
  EXPECT_EQ(0, SoundBufferPlay(b, 0));
  EXPECT_EQ(0u, Cursor(b));
  ManualSoundAdvance(1000);
  EXPECT_EQ(4000u, Cursor(b));
  EXPECT_EQ(0, SoundBufferStop(b));
  ManualSoundAdvance(1000);
  EXPECT_EQ(4000u, Cursor(b));
  uint32_t st = 9;
  EXPECT_EQ(0, SoundBufferGetStatus(b, &st));
  EXPECT_EQ(0u, st);
  // Positions are frame-aligned.
  EXPECT_EQ(0, SoundBufferSetPosition(b, 4003));
  EXPECT_EQ(4000u, Cursor(b));
  EXPECT_EQ(-1, SoundBufferSetPosition(b, 44100 * 4 + 4));
}

TEST_F(SoundMixer, OneShotStopsAtTheEndAndLoopWraps) {
  SoundBuffer* once = Make(Pcm(1, 8, 22050), 2205);   // 0.1 s at half the output rate
  SoundBuffer* loop = Make(Pcm(1, 8, 22050), 2205);
  ASSERT_NE(nullptr, once);
  ASSERT_NE(nullptr, loop);
  SoundBufferPlay(once, 0);
  SoundBufferPlay(loop, SBPLAY_LOOPING);
  uint32_t st = 0;
  SoundBufferGetStatus(loop, &st);
  EXPECT_EQ(SBSTATUS_PLAYING | SBSTATUS_LOOPING, st);
  ManualSoundAdvance(4000);   // 2000 source frames
  EXPECT_EQ(2000u, Cursor(once));
  ManualSoundAdvance(600);    // 300 more: past the end of 2205
  SoundBufferGetStatus(once, &st);
  EXPECT_EQ(0u, st);
  EXPECT_EQ(0u, Cursor(once));
  SoundBufferGetStatus(loop, &st);
  EXPECT_EQ(SBSTATUS_PLAYING | SBSTATUS_LOOPING, st);
  EXPECT_EQ(2300u - 2205u, Cursor(loop));
}

TEST_F(SoundMixer, MixesFormatsToStereoAndVolumeIsInHundredthsOfADecibel) {
  SoundBuffer* a = Make(Pcm(1, 16, 44100), 88200);
  ASSERT_NE(nullptr, a);
  Fill16(a, 8000);
  SoundBufferPlay(a, SBPLAY_LOOPING);
  std::vector<int16_t> out(200);
  ManualSoundAdvance(100, out.data());
  EXPECT_EQ(8000, out[0]);
  EXPECT_EQ(8000, out[1]);
  EXPECT_EQ(8000, out[199]);
  EXPECT_EQ(0, SoundBufferSetVolume(a, -600));   // -6 dB: about half
  ManualSoundAdvance(100, out.data());
  EXPECT_NEAR(8000 * 0.501, out[0], 2);
  EXPECT_EQ(0, SoundBufferSetVolume(a, -10000));
  ManualSoundAdvance(100, out.data());
  EXPECT_EQ(0, out[0]);
  EXPECT_EQ(-1, SoundBufferSetVolume(a, 1));
  EXPECT_EQ(-1, SoundBufferSetVolume(a, -10001));
  int32_t v = 1;
  EXPECT_EQ(0, SoundBufferGetVolume(a, &v));
  EXPECT_EQ(-10000, v);
  // Two full-scale buffers clip instead of wrapping.
  SoundBufferSetVolume(a, 0);
  Fill16(a, 30000);
  SoundBuffer* b = SoundBufferDuplicate(a);
  ASSERT_NE(nullptr, b);
  SoundBufferPlay(b, SBPLAY_LOOPING);
  ManualSoundAdvance(10, out.data());
  EXPECT_EQ(32767, out[0]);
  // 8-bit unsigned silence (128) mixes as 0.
  SoundBufferStop(a);
  SoundBufferStop(b);
  SoundBuffer* c = Make(Pcm(2, 8, 11025), 1000);
  ASSERT_NE(nullptr, c);
  SoundBufferPlay(c, SBPLAY_LOOPING);
  ManualSoundAdvance(10, out.data());
  EXPECT_EQ(0, out[0]);
}

TEST_F(SoundMixer, DuplicatesShareDataButNotCursorVolumeOrState) {
  SoundBuffer* a = Make(Pcm(2, 16, 44100), 4000);
  ASSERT_NE(nullptr, a);
  SoundBuffer* d = SoundBufferDuplicate(a);
  ASSERT_NE(nullptr, d);
  Fill16(a, 1234);
  void *a1, *a2;
  uint32_t s1, s2;
  ASSERT_EQ(0, SoundBufferLock(d, 0, 4, &a1, &s1, &a2, &s2));
  EXPECT_EQ(1234, static_cast<int16_t*>(a1)[0]);
  SoundBufferUnlock(d, a1, s1, a2, s2);
  SoundBufferPlay(a, SBPLAY_LOOPING);
  SoundBufferSetVolume(d, -2000);
  ManualSoundAdvance(10);
  EXPECT_EQ(40u, Cursor(a));
  EXPECT_EQ(0u, Cursor(d));
  uint32_t st = 1;
  SoundBufferGetStatus(d, &st);
  EXPECT_EQ(0u, st);
  int32_t v = 0;
  SoundBufferGetVolume(a, &v);
  EXPECT_EQ(0, v);
  // Releasing the original leaves the duplicate's data alive.
  SoundBufferRelease(a);
  ASSERT_EQ(0, SoundBufferLock(d, 0, 4, &a1, &s1, &a2, &s2));
  EXPECT_EQ(1234, static_cast<int16_t*>(a1)[0]);
  SoundBufferUnlock(d, a1, s1, a2, s2);
}

TEST_F(SoundMixer, PrimaryRecordsItsFormatAndBadDescriptionsFail) {
  SoundBufferDesc pd{36, SBCAPS_PRIMARYBUFFER, 0, nullptr};
  SoundBuffer* p = SoundBufferCreate(&pd);
  ASSERT_NE(nullptr, p);
  WaveFormat f = Pcm(1, 8, 22050);
  EXPECT_EQ(0, SoundBufferSetFormat(p, &f));
  WaveFormat g{};
  EXPECT_EQ(0, SoundBufferGetFormat(p, &g));
  EXPECT_EQ(0, std::memcmp(&f, &g, sizeof f));
  void *a1, *a2;
  uint32_t s1, s2;
  EXPECT_EQ(-1, SoundBufferLock(p, 0, 4, &a1, &s1, &a2, &s2));
  EXPECT_EQ(nullptr, SoundBufferDuplicate(p));

  WaveFormat bad = Pcm(2, 16, 44100);
  bad.blockAlign = 3;
  EXPECT_EQ(nullptr, Make(bad, 400));
  WaveFormat six = Pcm(6, 16, 44100);
  EXPECT_EQ(nullptr, Make(six, 1200));
  EXPECT_EQ(nullptr, Make(Pcm(2, 16, 44100), 402));   // not whole frames
  EXPECT_EQ(nullptr, Make(Pcm(2, 16, 44100), 0));
}

TEST_F(SoundMixer, InjectedFaultsAndCapabilities) {
  ManualSoundInjectFault(ManualSoundFault::Create, 1, 1);
  EXPECT_NE(nullptr, Make(Pcm(2, 16, 44100), 400));
  EXPECT_EQ(nullptr, Make(Pcm(2, 16, 44100), 400));
  SoundBuffer* b = Make(Pcm(2, 16, 44100), 400);
  ASSERT_NE(nullptr, b);
  ManualSoundInjectFault(ManualSoundFault::Duplicate, 2, 1);
  EXPECT_NE(nullptr, SoundBufferDuplicate(b));
  EXPECT_NE(nullptr, SoundBufferDuplicate(b));
  EXPECT_EQ(nullptr, SoundBufferDuplicate(b));
  EXPECT_NE(nullptr, SoundBufferDuplicate(b));
  ManualSoundInjectFault(ManualSoundFault::Lock, 0, 1);
  void *a1, *a2;
  uint32_t s1, s2;
  EXPECT_EQ(-1, SoundBufferLock(b, 0, 4, &a1, &s1, &a2, &s2));
  EXPECT_EQ(0, SoundBufferLock(b, 0, 4, &a1, &s1, &a2, &s2));
  SoundBufferUnlock(b, a1, s1, a2, s2);

  SoundDeviceCaps caps{SDCAPS_PRIMARYMONO | SDCAPS_PRIMARY8BIT, 100, 22050, 0, 0};
  ManualSoundSetCaps(caps);
  SoundDeviceCaps got{};
  EXPECT_TRUE(SoundDeviceGetCaps(&got));
  EXPECT_EQ(22050u, got.maxSecondaryRate);
  ManualSoundSetEnumerable(false);
  EXPECT_FALSE(SoundEnumerateDevices([](const char*, const char*, void*) {}, nullptr));

  EXPECT_FALSE(SoundDeviceOpen());   // already open
  SoundDeviceClose();
  ManualSoundInjectFault(ManualSoundFault::Open, 0, 1);
  EXPECT_FALSE(SoundDeviceOpen());
  EXPECT_FALSE(SoundDeviceIsOpen());
  EXPECT_EQ(nullptr, Make(Pcm(2, 16, 44100), 400));
  EXPECT_TRUE(SoundDeviceOpen());
}

// SDL's own drivers: the dummy driver moves the cursor in real time without hardware; the disk
// driver records exactly what the mixer produced.
TEST(SoundSdl, DummyDriverPlaysAndDiskDriverRecordsTheMix) {
  SoundSetBackend(SoundBackend::Sdl);
  const std::string kept = getenv("SDL_AUDIODRIVER") ? getenv("SDL_AUDIODRIVER") : "";
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  ASSERT_TRUE(SoundDeviceOpen());
  SoundDeviceClose();
  // A driver that SDL does not know gives way to the dummy driver, with one line saying so.
  setenv("SDL_AUDIODRIVER", "nonesuch", 1);
  testing::internal::CaptureStderr();
  ASSERT_TRUE(SoundDeviceOpen());
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(said.starts_with("velmarondix: no sound device could be opened (driver nonesuch: ") &&
              said.ends_with("); the game plays without sound\n") && said.find('\n') == said.size() - 1) << said;
  WaveFormat f = Pcm(2, 16, 44100);
  SoundBufferDesc d{36, 0x80E2, 44100 * 4, &f};
  SoundBuffer* b = SoundBufferCreate(&d);
  ASSERT_NE(nullptr, b);
  SoundBufferPlay(b, SBPLAY_LOOPING);
  uint32_t pos = 0;
  for (int i = 0; i < 300 && pos == 0; ++i) {
    usleep(10000);
    SoundBufferGetPosition(b, &pos, nullptr);
  }
  EXPECT_GT(pos, 0u);
  EXPECT_EQ(0u, pos % 4);
  SoundDeviceClose();

  std::string path = ::testing::TempDir() + "vlx_disk_audio.raw";
  std::remove(path.c_str());
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
  setenv("SDL_DISKAUDIODELAY", "1", 1);
  ASSERT_TRUE(SoundDeviceOpen());
  b = SoundBufferCreate(&d);
  ASSERT_NE(nullptr, b);
  void *a1, *a2;
  uint32_t s1, s2;
  ASSERT_EQ(0, SoundBufferLock(b, 0, 44100 * 4, &a1, &s1, &a2, &s2));
  for (uint32_t i = 0; i < s1 / 2; ++i) static_cast<int16_t*>(a1)[i] = 1111;
  SoundBufferUnlock(b, a1, s1, a2, s2);
  SoundBufferPlay(b, SBPLAY_LOOPING);
  for (int i = 0; i < 300 && pos < 4 * 8192; ++i) {
    usleep(10000);
    SoundBufferGetPosition(b, &pos, nullptr);
  }
  SoundDeviceClose();
  kept.empty() ? unsetenv("SDL_AUDIODRIVER") : setenv("SDL_AUDIODRIVER", kept.c_str(), 1);
  FILE* fp = std::fopen(path.c_str(), "rb");
  ASSERT_NE(nullptr, fp);
  std::vector<int16_t> rec;
  int16_t chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 2, 4096, fp)) > 0) rec.insert(rec.end(), chunk, chunk + got);
  size_t n = rec.size();
  std::fclose(fp);
  ASSERT_GT(n, 100u);
  int hits = 0;
  for (size_t i = 0; i < n; ++i) hits += rec[i] == 1111;
  EXPECT_GT(hits, 100);
}

}  // namespace
