// Ten simulated minutes of looping Ogg music on the manual device and the virtual clock: the ring
// never runs dry and tracked memory does not grow.
#include <cstdio>

#include "engine/base/test_folder.h"
#include "platform/clock.h"
#include "stream_test_util.h"

namespace {

TEST(StreamSoak, TenSimulatedMinutesOfLoopingMusicKeepMemoryFlat) {
  TestFolder folder;
  folder.Enter();
  const int rate = 22050;
  fixture::Bytes ogg = fixture::OggEncode(fixture::Tone(3 * rate, 1, rate, 330.0, 6000), 1, rate);
  FILE* f = std::fopen("bgm.ogg", "wb");
  ASSERT_NE(nullptr, f);
  std::fwrite(ogg.data(), 1, ogg.size(), f);
  std::fclose(f);

  plat::ManualSoundReset();
  plat::SoundSetBackend(plat::SoundBackend::Manual);
  ASSERT_EQ(0, InitializeDirectSound());
  plat::VirtualClockEnable();
  ASSERT_EQ(0, SetSoundCreateType(3));
  int h = LoadSoundFile("bgm.ogg", 3, -1);
  ASSERT_NE(-1, h);
  // The whole track fits in the first fill, written at load before the loop point is set.
  ASSERT_EQ(1, GetSoundRecord(h)->endReached);
  ASSERT_EQ(0, SetStreamLoopMilliseconds(1000, h));
  ASSERT_EQ(0, PlaySoundHandle(h, SOUND_PLAY_BACK, 1));
  SoundRecord* r = GetSoundRecord(h);

  int64_t bytes0 = 0;
  int count0 = 0;
  const int stepsPerMinute = 60 * 60;
  for (int minute = 0; minute < 10; ++minute) {
    for (int i = 0; i < stepsPerMinute; ++i) {
      plat::ManualSoundAdvance(streamtest::kStep);
      plat::VirtualClockAdvance(16667);
      ASSERT_EQ(0, ProcessStreamSounds());
      uint32_t c = 0;
      GetBufferSlotPosition(&r->buffers[0], &c);
      int lead = r->writePosition - (int)c;
      if (lead < 0) lead += r->ringSize;
      // At least two seconds ahead: the refill keeps up every frame.
      ASSERT_GT(lead, 2 * (int)r->format.avgBytesPerSec) << minute << " " << i;
    }
    int64_t bytes = 0;
    int count = 0;
      GetAllocationTotals(&bytes, &count);
    if (minute == 0) {
      bytes0 = bytes;
      count0 = count;
    } else {
      EXPECT_EQ(bytes0, bytes) << minute;
      EXPECT_EQ(count0, count) << minute;
    }
  }
  EXPECT_EQ(1, IsSoundHandlePlaying(h));
  EXPECT_EQ(0, r->allDone);
  EXPECT_EQ(0, DeleteSoundHandle(h));
  plat::VirtualClockDisable();
  EXPECT_EQ(0, TerminateDirectSound());
  folder.Leave();
}

}  // namespace
