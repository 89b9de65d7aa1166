// Stream sounds on the manual device: the ring's geometry, and what the output holds when sources
// repeat, loop, follow one another, share a ring, stop and resume.
#include "stream_test_util.h"

using soundtest::SoundSystemTest;
using streamtest::Play;
using streamtest::Ramp;
using streamtest::RampWav;
using streamtest::Segment;
using streamtest::Runs;
using streamtest::StreamOf;

namespace {

constexpr int kB = 176400;   // bytes per second of the ramps
constexpr int kSecond = 44100;

std::vector<int16_t> RingBytes(SoundRecord* owner, uint32_t offset, uint32_t frames) {
  void *a1, *a2;
  uint32_t s1, s2;
  std::vector<int16_t> v(frames * 2);
  EXPECT_EQ(0, LockBufferSlot(&owner->buffers[0], offset, frames * 4, &a1, &s1, &a2, &s2));
  std::memcpy(v.data(), a1, s1);
  if (a2) std::memcpy(reinterpret_cast<uint8_t*>(v.data()) + s1, a2, s2);
  UnlockBufferSlot(&owner->buffers[0], a1, 0, a2, 0);
  return v;
}

int FrameAt(SoundRecord* owner, uint32_t offset) {
  std::vector<int16_t> v = RingBytes(owner, offset, 1);
  return ((v[1] - 1) % 2048) * 16384 + (v[0] - 1);
}

class StreamTest : public SoundSystemTest {
protected:
  void SetUp() override {
    SoundSystemTest::SetUp();
    baseline = streamtest::TrackedBytes();
  }
  void TearDown() override {
    DeleteAllSoundHandles();
    EXPECT_EQ(baseline, streamtest::TrackedBytes());
    SoundSystemTest::TearDown();
  }
  int64_t baseline = 0;
};

TEST_F(StreamTest, RingGeometryFirstFillRefillPiecesSafeZoneAndLead) {
  int h = StreamOf({RampWav(1, 20 * kSecond)}, {0});
  ASSERT_NE(-1, h);
  SoundRecord* r = GetSoundRecord(h);
  EXPECT_EQ(SOUND_KIND_STREAM, r->kind);
  EXPECT_EQ(6 * kB, r->ringSize);
  EXPECT_EQ(-1, r->ringMaster);
  EXPECT_EQ(20 * kSecond, r->totalFrames);
  EXPECT_EQ(h, gSoundSystem.streamHead.next->value);

  ASSERT_EQ(0, PrepareStreamSound(h));
  EXPECT_EQ(4 * kB, r->writePosition);
  EXPECT_EQ(0, r->safeStart);
  EXPECT_EQ(4 * kB, r->sourcePosition);
  EXPECT_EQ(0, FrameAt(r, 0));
  EXPECT_EQ(4 * kSecond - 1, FrameAt(r, 4 * kB - 4));
  // Not playing: nothing more is written.
  EXPECT_EQ(0, RefillStreamSound(h));
  EXPECT_EQ(4 * kB, r->writePosition);

  ASSERT_EQ(0, PlaySoundHandle(h, SOUND_PLAY_BACK, 1));
  // Cursor at 0, four seconds ahead: an eighth of a second in whole frames.
  ASSERT_EQ(0, RefillStreamSound(h));
  EXPECT_EQ(4 * kB + 22048, r->writePosition);
  EXPECT_EQ(22048, r->safeStart);
  EXPECT_EQ(4 * kSecond, FrameAt(r, 4 * kB));
  // Two seconds on, the lead is 271/128 s: topped up to three seconds in whole frames.
  plat::ManualSoundAdvance(2 * kSecond);
  ASSERT_EQ(0, RefillStreamSound(h));
  EXPECT_EQ(4 * kB + 22048 + 155728, r->writePosition);
  EXPECT_EQ(22048 + 155728, r->safeStart);
  EXPECT_EQ(r->writePosition / 4 - 1, FrameAt(r, (uint32_t)r->writePosition - 4));
  // The cursor ran past everything written: no refill, nothing written.
  int w = r->writePosition;
  plat::ManualSoundAdvance(3 * kSecond + 1000);
  EXPECT_EQ(-1, RefillStreamSound(h));
  EXPECT_EQ(w, r->writePosition);
}

TEST_F(StreamTest, PlayedThroughTheRingWrapsWithoutGapThenSilenceAndStops) {
  int h = StreamOf({RampWav(1, 10 * kSecond + 123)}, {0});
  ASSERT_EQ(0, PrepareStreamSound(h));
  ASSERT_EQ(0, PlaySoundHandle(h, SOUND_PLAY_BACK, 1));
  EXPECT_EQ(1, IsSoundHandlePlaying(h));
  std::vector<Segment> runs = Runs(Play(13 * kSecond));
  ASSERT_EQ(2u, runs.size());
  EXPECT_EQ((Segment{1, 0, 10 * kSecond + 122}), runs[0]);
  EXPECT_EQ(-1, runs[1].id);
  EXPECT_EQ(0, IsSoundHandlePlaying(h));
  SoundRecord* r = GetSoundRecord(h);
  EXPECT_EQ(1, r->allDone);
  EXPECT_EQ(0, r->endReached);
  EXPECT_EQ(1, r->prepared);
}

TEST_F(StreamTest, RepeatsRestartAtTheLoopStartAndLoopPointsNeverEnd) {
  const int n = 2 * kSecond;
  int h = StreamOf({RampWav(1, n)}, {2});
  GetSoundRecord(h)->sources[0].loopStart = 30000;
  ASSERT_EQ(0, PlaySoundHandle(h, SOUND_PLAY_BACK, 1));
  std::vector<Segment> runs = Runs(Play(6 * kSecond));
  ASSERT_EQ(4u, runs.size());
  EXPECT_EQ((Segment{1, 0, n - 1}), runs[0]);
  EXPECT_EQ((Segment{1, 30000, n - 1}), runs[1]);
  EXPECT_EQ((Segment{1, 30000, n - 1}), runs[2]);
  EXPECT_EQ(-1, runs[3].id);
  EXPECT_EQ(0, IsSoundHandlePlaying(h));

  int l = StreamOf({RampWav(2, n)}, {0});
  EXPECT_EQ(-1, SetStreamLoopSamples(n, l));
  EXPECT_EQ(-1, SetStreamLoopSamples(-1, l));
  ASSERT_EQ(0, SetStreamLoopMilliseconds(1500, l));
  EXPECT_EQ(66150, GetSoundRecord(l)->sources[0].loopStart);
  EXPECT_EQ(-1, GetSoundRecord(l)->sources[0].repeatCount);
  EXPECT_EQ(66150 * 4, GetSoundRecord(l)->sources[0].converter.standbyTarget);
  EXPECT_EQ(0, SetStreamLoopMilliseconds(3000, l));   // refused inside, still 0
  EXPECT_EQ(66150, GetSoundRecord(l)->sources[0].loopStart);
  EXPECT_EQ(-1, SetStreamLoopMilliseconds(1000, l + 1));
  ASSERT_EQ(0, PlaySoundHandle(l, SOUND_PLAY_BACK, 1));
  runs = Runs(Play(20 * kSecond));
  ASSERT_GE(runs.size(), 30u);
  EXPECT_EQ((Segment{2, 0, n - 1}), runs[0]);
  for (size_t i = 1; i + 1 < runs.size(); ++i) EXPECT_EQ((Segment{2, 66150, n - 1}), runs[i]) << i;
  EXPECT_EQ(1, IsSoundHandlePlaying(l));
}

TEST_F(StreamTest, ThreeSourcesFollowEachOtherAndALoopingPlayComesBackToTheFirst) {
  const int na = kSecond, nb = kSecond / 2, nc = 30000;
  int h = StreamOf({RampWav(1, na), RampWav(2, nb), RampWav(3, nc)}, {0, 1, 0});
  ASSERT_NE(-1, h);
  EXPECT_EQ(na + nb + nc, GetSoundTotalSamples(h));
  ASSERT_EQ(0, PlaySoundHandle(h, SOUND_PLAY_BACK, 1));
  std::vector<Segment> runs = Runs(Play(5 * kSecond));
  std::vector<Segment> once = {{1, 0, na - 1}, {2, 0, nb - 1}, {2, 0, nb - 1}, {3, 0, nc - 1}};
  ASSERT_EQ(5u, runs.size());
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(once[i], runs[i]);
  EXPECT_EQ(-1, runs[4].id);
  SoundRecord* r = GetSoundRecord(h);
  EXPECT_EQ(3, r->currentSource);
  EXPECT_EQ(0, IsSoundHandlePlaying(h));

  // Resuming after the natural end finds no source left: silence, and it stops again.
  ASSERT_EQ(0, PlaySoundHandle(h, SOUND_PLAY_BACK, 0));
  runs = Runs(Play(6 * kSecond));
  ASSERT_EQ(1u, runs.size());
  EXPECT_EQ(-1, runs[0].id);
  EXPECT_EQ(0, IsSoundHandlePlaying(h));

  // Looping: the whole chain again and again.
  ASSERT_EQ(0, PlaySoundHandle(h, SOUND_PLAY_LOOP, 1));
  runs = Runs(Play(9 * kSecond));
  ASSERT_GE(runs.size(), 13u);
  for (size_t i = 0; i + 1 < runs.size(); ++i) EXPECT_EQ(once[i % 4], runs[i]) << i;
  EXPECT_EQ(1, IsSoundHandlePlaying(h));

  // A fourth source, a source while playing, another format, or a loop point: refused.
  soundtest::Source more(RampWav(4, 1000));
  int copied;
  EXPECT_EQ(-1, AddSreamSound(&more.src, 0, h, 2, &copied, -1));
  EXPECT_EQ(-1, SetStreamLoopSamples(100, h));
  StopSoundHandle(h);
  EXPECT_EQ(-1, AddSreamSound(&more.src, 0, h, 2, &copied, -1));
  int two = StreamOf({RampWav(5, 1000)}, {0});
  ASSERT_EQ(0, PlaySoundHandle(two, SOUND_PLAY_LOOP, 1));
  EXPECT_EQ(-1, AddSreamSound(&more.src, 0, two, 2, &copied, -1));
  StopSoundHandle(two);
  soundtest::Source mono(fixture::Wav(fixture::PcmFormat(1, 16, kSecond), fixture::Bytes(2000)));
  EXPECT_EQ(-1, AddSreamSound(&mono.src, 0, two, 2, &copied, -1));
  EXPECT_EQ(1, GetSoundRecord(two)->sourceCount);
}

TEST_F(StreamTest, RestartsThatGiveNothingEndTheStream) {
  // An Ogg's size has a second more than it holds, so a loop start past its real end is taken.
  std::vector<int16_t> tone = fixture::Tone(kSecond / 2, 2, kSecond);
  soundtest::Source ogg(fixture::OggEncode(tone, 2, kSecond));
  int h = AddSoundData(-1);
  int copied;
  ASSERT_EQ(0, AddSreamSound(&ogg.src, 0, h, 2, &copied, -1));
  ASSERT_EQ(0, SetStreamLoopSamples(kSecond / 2 + 20000, h));
  ASSERT_EQ(0, PlaySoundHandle(h, SOUND_PLAY_BACK, 1));
  Play(3 * kSecond);
  EXPECT_EQ(0, IsSoundHandlePlaying(h));
  EXPECT_EQ(1, GetSoundRecord(h)->allDone);

  // The same played looping: every restart gives nothing, and the stream still ends.
  ASSERT_EQ(0, PlaySoundHandle(h, SOUND_PLAY_LOOP, 1));
  Play(3 * kSecond);
  EXPECT_EQ(0, IsSoundHandlePlaying(h));
}

// What a memory sound refuses, every stream kind refuses: sources that decode to no whole frame.
// The same files with one whole frame more are taken by all of them.
TEST_F(StreamTest, SourcesWithoutAWholeFrameAreRefusedByEveryKindOfLoad) {
  const fixture::Bytes stereo = fixture::PcmFormat(2, 16, kSecond);
  int frames = 0;
  const fixture::Bytes noBlock = fixture::Wav(fixture::MsFormat(1, 11025, 256), fixture::Bytes(5, 0x11));
  const std::vector<std::pair<const char*, fixture::Bytes>> empty = {
      {"no data", fixture::Wav(stereo, {})},
      {"three bytes of a four-byte frame", fixture::Wav(stereo, {1, 2, 3})},
      {"a compressed block cut inside its header", noBlock},
  };
  for (const auto& [what, image] : empty) {
    SCOPED_TRACE(what);
    EXPECT_EQ(-1, CreateMemorySoundFromImage(image.data(), static_cast<int>(image.size()), 1));
    for (int kind : {0, 2, 3}) {
      SCOPED_TRACE(kind);
      const int h = AddSoundData(-1);
      soundtest::Source src(image);
      int copied = -1;
      EXPECT_EQ(-1, AddSreamSound(&src.src, 0, h, kind, &copied, -1));
      EXPECT_EQ(0, GetSoundRecord(h)->sourceCount);
      DeleteSoundHandle(h);
    }
  }
  const fixture::Bytes oneFrame = fixture::Wav(stereo, {1, 2, 3, 4});
  const fixture::Bytes oneBlock =
      fixture::Wav(fixture::MsFormat(1, 11025, 256), fixture::MsEncode(fixture::Tone(500, 1, 11025), 1, 256, &frames));
  for (const fixture::Bytes* image : {&oneFrame, &oneBlock}) {
    const int m = CreateMemorySoundFromImage(image->data(), static_cast<int>(image->size()), 1);
    EXPECT_NE(-1, m);
    for (int kind : {0, 2, 3}) {
      SCOPED_TRACE(kind);
      const int h = AddSoundData(-1);
      soundtest::Source src(*image);
      int copied = -1;
      ASSERT_EQ(0, AddSreamSound(&src.src, 0, h, kind, &copied, -1));
      // The first block was decoded to look, and is still there to be played.
      ASSERT_EQ(0, PlaySoundHandle(h, SOUND_PLAY_BACK, 1));
      std::vector<int16_t> out = Play(kSecond / 10);
      if (image == &oneFrame) {
        ASSERT_GE(out.size(), 2u);
        EXPECT_EQ(0x0201, out[0]);
        EXPECT_EQ(0x0403, out[1]);
      }
      StopSoundHandle(h);
      DeleteSoundHandle(h);
    }
  }
}

TEST_F(StreamTest, StopKeepsThePlaceResumeContinuesAndFromTheTopStartsAgain) {
  int h = StreamOf({RampWav(1, 20 * kSecond)}, {0});
  ASSERT_EQ(0, PlaySoundHandle(h, SOUND_PLAY_BACK, 1));
  std::vector<int16_t> out = Play(kSecond + 5 * streamtest::kStep);
  ASSERT_EQ(0, StopSoundHandle(h));
  EXPECT_EQ(0, IsSoundHandlePlaying(h));
  std::vector<int16_t> more = Play(kSecond / 2);
  out.insert(out.end(), more.begin(), more.end());
  ASSERT_EQ(0, PlaySoundHandle(h, SOUND_PLAY_BACK, 0));
  EXPECT_EQ(0, PlaySoundHandle(h, SOUND_PLAY_BACK, 0));   // already playing: left alone
  more = Play(8 * kSecond);
  out.insert(out.end(), more.begin(), more.end());
  ASSERT_EQ(0, PlaySoundHandle(h, SOUND_PLAY_BACK, 1));
  more = Play(kSecond);
  out.insert(out.end(), more.begin(), more.end());
  std::vector<Segment> runs = Runs(out);
  const int stopAt = kSecond + 5 * streamtest::kStep;
  ASSERT_EQ(4u, runs.size());
  EXPECT_EQ((Segment{1, 0, stopAt - 1}), runs[0]);
  EXPECT_EQ((Segment{-1, 0, kSecond / 2}), runs[1]);
  EXPECT_EQ((Segment{1, stopAt, stopAt + 8 * kSecond - 1}), runs[2]);
  EXPECT_EQ((Segment{1, 0, kSecond - 1}), runs[3]);
}

TEST_F(StreamTest, SharedRingPlaysOneAtATimeAndForceTakesIt) {
  int m = StreamOf({RampWav(1, 10 * kSecond)}, {0});
  int s = StreamOf({RampWav(2, 10 * kSecond)}, {0}, m);
  SoundRecord* rm = GetSoundRecord(m);
  SoundRecord* rs = GetSoundRecord(s);
  EXPECT_EQ(m, rs->ringMaster);
  EXPECT_EQ(1, rm->sharers);
  EXPECT_EQ(0, rs->buffers[0].valid);
  EXPECT_EQ(SOUND_KIND_STREAM, rs->kind);
  // Another format makes its own ring even when asked to share.
  soundtest::Source mono(fixture::Wav(fixture::PcmFormat(1, 16, kSecond), fixture::Bytes(2000)));
  int o = AddSoundData(-1);
  int copied;
  ASSERT_EQ(0, AddSreamSound(&mono.src, 0, o, 2, &copied, m));
  EXPECT_EQ(-1, GetSoundRecord(o)->ringMaster);
  EXPECT_EQ(1, GetSoundRecord(o)->buffers[0].valid);
  EXPECT_EQ(1, rm->sharers);

  ASSERT_EQ(0, PlaySoundHandle(s, SOUND_PLAY_BACK, 1));
  std::vector<Segment> runs = Runs(Play(kSecond));
  ASSERT_EQ(1u, runs.size());
  EXPECT_EQ((Segment{2, 0, kSecond - 1}), runs[0]);
  EXPECT_EQ(1, IsSoundHandlePlaying(s));
  EXPECT_EQ(0, IsSoundHandlePlaying(m));
  EXPECT_EQ(-1, PrepareStreamSound(m));   // the ring is in use

  ASSERT_EQ(0, PlaySoundHandle(m, SOUND_PLAY_BACK, 1));
  EXPECT_EQ(0, IsSoundHandlePlaying(s));
  EXPECT_EQ(1, IsSoundHandlePlaying(m));
  runs = Runs(Play(8 * kSecond));
  ASSERT_EQ(1u, runs.size());
  EXPECT_EQ((Segment{1, 0, 8 * kSecond - 1}), runs[0]);
}

TEST_F(StreamTest, DeletedRingMasterLingersWhileItsSharersPlay) {
  int m = StreamOf({RampWav(1, 10 * kSecond)}, {0});
  int s1 = StreamOf({RampWav(2, 10 * kSecond)}, {0}, m);
  int s2 = StreamOf({RampWav(3, 10 * kSecond)}, {0}, m);
  EXPECT_EQ(2, GetSoundRecord(m)->sharers);
  ASSERT_EQ(0, PlaySoundHandle(s1, SOUND_PLAY_BACK, 1));
  Play(kSecond);
  ASSERT_EQ(0, DeleteSoundHandle(m));
  ASSERT_NE(nullptr, GetSoundRecord(m));
  EXPECT_EQ(1, GetSoundRecord(m)->deletePending);
  std::vector<Segment> runs = Runs(Play(7 * kSecond));
  ASSERT_EQ(1u, runs.size());
  EXPECT_EQ((Segment{2, kSecond, 8 * kSecond - 1}), runs[0]);
  ASSERT_EQ(0, DeleteSoundHandle(s1));
  EXPECT_NE(nullptr, GetSoundRecord(m));
  ASSERT_EQ(0, PlaySoundHandle(s2, SOUND_PLAY_BACK, 1));
  runs = Runs(Play(kSecond));
  EXPECT_EQ((Segment{3, 0, kSecond - 1}), runs[0]);
  ASSERT_EQ(0, DeleteSoundHandle(s2));
  EXPECT_EQ(nullptr, GetSoundRecord(m));
  EXPECT_EQ(0, SoundHandleCount());
  EXPECT_EQ(&gSoundSystem.streamTail, gSoundSystem.streamHead.next);
}

}  // namespace
