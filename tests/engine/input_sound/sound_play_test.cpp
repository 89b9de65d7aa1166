// Loading, playing and stopping sounds on the manual device: memory sounds played in rotation and
// mixed, loads by create type from files, and loop points that turn a memory sound into a stream.
#include <cstdio>

#include "engine/base/test_folder.h"
#include "stream_test_util.h"

using soundtest::SoundSystemTest;
using streamtest::Play;
using streamtest::RampWav;
using streamtest::Runs;
using streamtest::Segment;

namespace {

constexpr int kSecond = 44100;

class PlayTest : public SoundSystemTest {
protected:
  void SetUp() override {
    SoundSystemTest::SetUp();
    folder.Enter();
    baseline = streamtest::TrackedBytes();
    SetSoundCreateType(0);
  }
  void TearDown() override {
    DeleteAllSoundHandles();
    EXPECT_EQ(baseline, streamtest::TrackedBytes());
    folder.Leave();
    SoundSystemTest::TearDown();
  }
  void Write(const char* name, const fixture::Bytes& b) {
    FILE* f = std::fopen(name, "wb");
    ASSERT_NE(nullptr, f);
    std::fwrite(b.data(), 1, b.size(), f);
    std::fclose(f);
  }
  uint32_t Cursor(int h, int buffer) {
    uint32_t c = 0;
    EXPECT_EQ(0, GetBufferSlotPosition(&GetSoundRecord(h)->buffers[buffer], &c));
    return c;
  }
  TestFolder folder;
  int64_t baseline = 0;
};

TEST_F(PlayTest, EffectsRotateThroughTheirBuffersAndOverlapInTheMix) {
  const int n = 20000;
  std::vector<int16_t> tone = fixture::Tone(n, 2, kSecond, 440.0, 3000);
  fixture::Bytes wav = fixture::Wav(fixture::PcmFormat(2, 16, kSecond), fixture::PcmBytes(tone));
  int h = CreateMemorySoundFromImage(wav.data(), (int)wav.size(), 3);
  ASSERT_NE(-1, h);
  SoundRecord* r = GetSoundRecord(h);
  ASSERT_EQ(3, r->bufferCount);
  EXPECT_EQ(n * 4, r->pcmSize);

  std::vector<int16_t> out(15000 * 2);
  const int used[] = {1, 2, 0};
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(0, PlaySoundHandle(h, SOUND_PLAY_BACK, 1));
    EXPECT_EQ(used[i], r->nextBuffer);
    plat::ManualSoundAdvance(5000, out.data() + i * 10000);
  }
  for (int k = 0; k < 15000; ++k) {
    for (int c = 0; c < 2; ++c) {
      int expect = tone[2 * k + c];
      if (k >= 5000) expect += tone[2 * (k - 5000) + c];
      if (k >= 10000) expect += tone[2 * (k - 10000) + c];
      ASSERT_EQ(expect, out[2 * k + c]) << k;
    }
  }
  // The fourth play comes back to buffer 1, still sounding: left alone unless from the top.
  ASSERT_EQ(0, PlaySoundHandle(h, SOUND_PLAY_BACK, 0));
  EXPECT_EQ(1, r->nextBuffer);
  EXPECT_EQ(15000u * 4, Cursor(h, 1));
  ASSERT_EQ(0, PlaySoundHandle(h, SOUND_PLAY_BACK, 1));
  EXPECT_EQ(2, r->nextBuffer);
  EXPECT_EQ(0u, Cursor(h, 2));
  EXPECT_EQ(1, IsSoundHandlePlaying(h));
  plat::ManualSoundAdvance(n);
  EXPECT_EQ(0, IsSoundHandlePlaying(h));

  // A play not from the top starts where the last used buffer stands.
  ASSERT_EQ(0, PlaySoundHandle(h, SOUND_PLAY_BACK, 1));
  plat::ManualSoundAdvance(1000);
  ASSERT_EQ(0, StopSoundHandle(h));
  EXPECT_EQ(0, IsSoundHandlePlaying(h));
  ASSERT_EQ(0, PlaySoundHandle(h, SOUND_PLAY_BACK, 0));
  EXPECT_EQ(1000u * 4, Cursor(h, r->nextBuffer));
  StopSoundHandle(h);

  // Looping memory sounds loop in the buffer itself.
  ASSERT_EQ(0, PlaySoundHandle(h, SOUND_PLAY_LOOP, 1));
  plat::ManualSoundAdvance(3 * n);
  EXPECT_EQ(1, IsSoundHandlePlaying(h));
  EXPECT_EQ(0, StopSoundHandle(h));
  EXPECT_EQ(0, IsSoundHandlePlaying(h));
  EXPECT_EQ(-1, PlaySoundHandle(h + 1, SOUND_PLAY_BACK, 1));
  EXPECT_EQ(-1, StopSoundHandle(h + 1));
  EXPECT_EQ(-1, IsSoundHandlePlaying(h + 1));
}

TEST_F(PlayTest, BufferCountsOutsideOneToTenAreClamped) {
  Write("se.wav", RampWav(1, 1000));
  struct { int asked, made; } cases[] = {{0, 1}, {-5, 1}, {15, 10}, {4, 4}};
  for (auto c : cases) {
    int h = LoadSoundFile("se.wav", c.asked, -1);
    ASSERT_NE(-1, h) << c.asked;
    EXPECT_EQ(SOUND_KIND_MEMORY, GetSoundRecord(h)->kind);
    EXPECT_EQ(c.made, GetSoundRecord(h)->bufferCount);
    for (int i = 0; i < 12; ++i) {
      ASSERT_EQ(0, PlaySoundHandle(h, SOUND_PLAY_BACK, 1));
      ASSERT_LT(GetSoundRecord(h)->nextBuffer, c.made);
    }
    EXPECT_EQ(0, DeleteSoundHandle(h));
  }
}

TEST_F(PlayTest, LoadsFollowTheCreateTypeAndBadFilesFailCleanly) {
  Write("music.wav", RampWav(3, 5 * kSecond));
  for (int type : {2, 3}) {
    ASSERT_EQ(0, SetSoundCreateType(type));
    int h = LoadSoundFile("music.wav", 3, -1);
    ASSERT_NE(-1, h) << type;
    SoundRecord* r = GetSoundRecord(h);
    EXPECT_EQ(SOUND_KIND_STREAM, r->kind);
    EXPECT_EQ(type, r->sources[0].kind);
    EXPECT_EQ(1, r->sourceOwnsStream[0]);
    EXPECT_EQ(1, r->prepared);   // the first four seconds are written at load
    EXPECT_EQ(4 * 176400, r->writePosition);
    ASSERT_EQ(0, PlaySoundHandle(h, SOUND_PLAY_BACK, 1));
    std::vector<Segment> runs = Runs(Play(6 * kSecond));
    ASSERT_EQ(2u, runs.size());
    EXPECT_EQ((Segment{3, 0, 5 * kSecond - 1}), runs[0]);
    EXPECT_EQ(0, DeleteSoundHandle(h));
  }
  ASSERT_EQ(0, SetSoundCreateType(1));
  EXPECT_EQ(-1, LoadSoundFile("music.wav", 3, -1));
  ASSERT_EQ(0, SetSoundCreateType(3));
  EXPECT_EQ(-1, LoadSoundFile("missing.wav", 3, -1));
  Write("junk.wav", fixture::Bytes(300, 0x41));
  EXPECT_EQ(-1, LoadSoundFile("junk.wav", 3, -1));
  ASSERT_EQ(0, SetSoundCreateType(0));
  EXPECT_EQ(-1, LoadSoundFile("missing.wav", 3, -1));
  EXPECT_EQ(-1, LoadSoundFile("junk.wav", 3, -1));
  EXPECT_EQ(0, SoundHandleCount());

  // A cut file ending inside a frame keeps its whole frames; less than a frame is nothing to play.
  fixture::Bytes pcm = fixture::PcmBytes(streamtest::Ramp(1, 1000));
  pcm.resize(pcm.size() - 3);
  Write("cut.wav", fixture::Wav(fixture::PcmFormat(2, 16, kSecond), pcm));
  int h = LoadSoundFile("cut.wav", 1, -1);
  ASSERT_NE(-1, h);
  EXPECT_EQ(999, GetSoundTotalSamples(h));
  Write("tiny.wav", fixture::Wav(fixture::PcmFormat(2, 16, kSecond), fixture::Bytes(2)));
  EXPECT_EQ(-1, LoadSoundFile("tiny.wav", 1, -1));
  EXPECT_EQ(1, SoundHandleCount());
}

TEST_F(PlayTest, LoopPointTurnsAMemorySoundIntoAStreamUnderTheSameHandle) {
  Write("se.wav", RampWav(2, kSecond));
  int h = LoadSoundFile("se.wav", 2, -1);
  ASSERT_NE(-1, h);
  EXPECT_EQ(-1, SetStreamLoopSamples(kSecond, h));
  EXPECT_EQ(SOUND_KIND_MEMORY, GetSoundRecord(h)->kind);
  ASSERT_EQ(0, SetStreamLoopMilliseconds(250, h));
  SoundRecord* r = GetSoundRecord(h);
  ASSERT_NE(nullptr, r);
  EXPECT_EQ(SOUND_KIND_STREAM, r->kind);
  EXPECT_EQ(1, r->sourceCount);
  EXPECT_EQ(0, r->sources[0].kind);
  EXPECT_EQ(11025, r->sources[0].loopStart);
  EXPECT_EQ(kSecond, GetSoundTotalSamples(h));
  EXPECT_EQ(nullptr, r->pcm);
  ASSERT_EQ(0, PlaySoundHandle(h, SOUND_PLAY_BACK, 1));
  std::vector<Segment> runs = Runs(Play(5 * kSecond));
  ASSERT_GE(runs.size(), 6u);
  EXPECT_EQ((Segment{2, 0, kSecond - 1}), runs[0]);
  for (size_t i = 1; i + 1 < runs.size(); ++i) EXPECT_EQ((Segment{2, 11025, kSecond - 1}), runs[i]);
  EXPECT_EQ(1, IsSoundHandlePlaying(h));
  EXPECT_EQ(0, StopSoundHandle(h));
  EXPECT_EQ(0, IsSoundHandlePlaying(h));
}

}  // namespace
