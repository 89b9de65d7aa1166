// WAV headers that other tools write wrong, through the public entries of a started engine: a
// bytes-per-second field that is not rate x block align loads and plays in every create type that
// decodes (and takes a loop point); a format whose fields disagree beyond that loads as -1 with a
// log line, and the program goes on.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "engine/base/base_state.h"
#include "engine/base/log.h"
#include "engine/base/test_folder.h"
#include "engine/engine.h"
#include "engine/input_sound/sound.h"
#include "platform/clock.h"
#include "platform/window.h"
#include "platform/window/headless/headless_window.h"
#include "stream_test_util.h"

namespace {

void WriteFile(const char* name, const fixture::Bytes& bytes) {
  FILE* f = std::fopen(name, "wb");
  ASSERT_NE(nullptr, f);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

// 44.1 kHz 16-bit stereo ramp whose header says `bytesPerSecond` and `align`.
fixture::Bytes RampWavWithHeader(int frames, uint32_t bytesPerSecond, uint16_t align) {
  return fixture::Wav(fixture::Format(1, 2, streamtest::kRate, bytesPerSecond, align, 16),
                      fixture::PcmBytes(streamtest::Ramp(4, frames)));
}

class WavHeader : public ::testing::Test {
 protected:
  void SetUp() override {
    folder.Enter();
    plat::WindowSelectBackend(plat::WindowBackend::Headless);
    plat::HeadlessReset();
    plat::SingleCopyLockSetDirectory(folder.path.c_str());
    plat::ManualSoundReset();
    plat::SoundSetBackend(plat::SoundBackend::Manual);
    plat::VirtualClockEnable();
    g_base = BaseState{};
    g_base.settings.windowMode = 1;
    g_LogOffFlag = 0;
    ASSERT_EQ(0, LibraryInitializeLocked());
  }
  void TearDown() override {
    EXPECT_EQ(0, LibraryTerminateLocked());
    plat::VirtualClockDisable();
    plat::SingleCopyLockSetDirectory(nullptr);
    folder.Leave();
  }
  // Plays the handle for `frames` output frames, refilling through message processing.
  static std::vector<int16_t> PlayFor(int h, int frames) {
    EXPECT_EQ(0, PlaySoundHandleLocked(h, 1, 1));
    std::vector<int16_t> out((size_t)frames * 2);
    for (int at = 0; at < frames; at += streamtest::kStep) {
      plat::ManualSoundAdvance(streamtest::kStep, out.data() + 2 * (size_t)at);
      plat::VirtualClockAdvance(16667);
      EXPECT_EQ(0, ProcessMessageLocked());
    }
    return out;
  }
  TestFolder folder;
};

TEST_F(WavHeader, WrongBytesPerSecondLoadsAndPlaysInEveryDecodingCreateType) {
  const int n = 2 * streamtest::kRate;
  WriteFile("odd.wav", RampWavWithHeader(n, 176401, 4));
  for (int type : {0, 2, 3}) {
    SCOPED_TRACE(type);
    ASSERT_EQ(0, SetSoundCreateTypeLocked(type));
    const int h = LoadSoundFileLocked("odd.wav", 1, -1);
    ASSERT_GE(h, 0);
    const SoundRecord* r = GetSoundRecord(h);
    ASSERT_NE(nullptr, r);
    EXPECT_EQ(176400u, r->format.avgBytesPerSec);
    if (type != 0) {
      EXPECT_EQ(6 * 176400, r->ringSize);
    }
    std::vector<streamtest::Segment> runs = streamtest::Runs(PlayFor(h, 3 * streamtest::kRate));
    ASSERT_FALSE(runs.empty());
    EXPECT_EQ((streamtest::Segment{4, 0, n - 1}), runs[0]);
    EXPECT_EQ(0, StopSoundHandleLocked(h));
    EXPECT_EQ(0, DeleteSoundHandle(h));
  }

  // A loop point turns a memory sound into a stream sound with a ring of its own.
  ASSERT_EQ(0, SetSoundCreateTypeLocked(0));
  const int h = LoadSoundFileLocked("odd.wav", 1, -1);
  ASSERT_GE(h, 0);
  EXPECT_EQ(0, SetStreamLoopMillisecondsLocked(500, h));
  const SoundRecord* r = GetSoundRecord(h);
  ASSERT_NE(nullptr, r);
  EXPECT_EQ(SOUND_KIND_STREAM, r->kind);
  EXPECT_EQ(6 * 176400, r->ringSize);
  std::vector<streamtest::Segment> runs = streamtest::Runs(PlayFor(h, 3 * streamtest::kRate));
  ASSERT_GE(runs.size(), 2u);
  EXPECT_EQ((streamtest::Segment{4, 0, n - 1}), runs[0]);
  EXPECT_EQ(4, runs[1].id);
  EXPECT_EQ(streamtest::kRate / 2, runs[1].first);   // the repeat starts at the loop point
}

TEST_F(WavHeader, FieldsThatDisagreeLoadAsMinusOneAndTheProgramGoesOn) {
  const int n = streamtest::kRate / 2;
  // Block align 3 for 16-bit stereo; and a block align that agrees with nothing at all.
  WriteFile("align3.wav", RampWavWithHeader(n, 3 * streamtest::kRate, 3));
  WriteFile("align6.wav", RampWavWithHeader(n, 176400, 6));
  WriteFile("good.wav", RampWavWithHeader(n, 176400, 4));
  for (int type = 0; type <= 3; ++type) {
    SCOPED_TRACE(type);
    ASSERT_EQ(0, SetSoundCreateTypeLocked(type));
    EXPECT_EQ(-1, LoadSoundFileLocked("align3.wav", 1, -1));
    EXPECT_EQ(-1, LoadSoundFileLocked("align6.wav", 1, -1));
    EXPECT_EQ(0, ProcessMessageLocked());
    // The program goes on: a good file still loads (create type 1 decodes nothing by design).
    const int h = LoadSoundFileLocked("good.wav", 1, -1);
    if (type == 1) {
      EXPECT_EQ(-1, h);
    } else {
      EXPECT_GE(h, 0);
      EXPECT_EQ(0, DeleteSoundHandle(h));
    }
  }
  EXPECT_NE(std::string::npos, folder.Read("Log.txt").find("音声"));
}

// The buffer layer itself: a ring that is not whole frames, or a format the mixer cannot play, is
// a failed load, never the fatal stop that a device failure is.
TEST_F(WavHeader, BufferLayerRefusesWhatAFileDescribedWithoutStopping) {
  const int h = AddSoundData(-1);
  ASSERT_GE(h, 0);
  plat::WaveFormat f{1, 2, 44100, 176400, 4, 16, 0};
  EXPECT_EQ(-1, CreateSoundBuffers(&f, 6 * 176401, SOUND_KIND_STREAM, 1, h));
  f.avgBytesPerSec = 176401;
  EXPECT_EQ(-1, CreateSoundBuffers(&f, 6 * 176400, SOUND_KIND_STREAM, 1, h));
  f = plat::WaveFormat{1, 2, 44100, 176400, 4, 16, 0};
  f.bitsPerSample = 12;
  EXPECT_EQ(-1, CreateSoundBuffers(&f, 4000, SOUND_KIND_MEMORY, 1, h));
  f = plat::WaveFormat{1, 2, 44100, 176400, 4, 16, 0};
  EXPECT_EQ(0, CreateSoundBuffers(&f, 6 * 176400, SOUND_KIND_STREAM, 1, h));
  EXPECT_EQ(0, DeleteSoundHandle(h));
}

}  // namespace
