// Sound inside a started engine: the public entries load, play and stop music, and message
// processing alone keeps the stream's ring filled.
#include <gtest/gtest.h>

#include <cstdio>

#include "engine/base/base_state.h"
#include "engine/base/test_folder.h"
#include "engine/engine.h"
#include "platform/clock.h"
#include "platform/window.h"
#include "platform/window/headless/headless_window.h"
#include "stream_test_util.h"

namespace {

TEST(EngineSound, MessageProcessingRefillsTheStreams) {
  TestFolder folder;
  folder.Enter();
  plat::WindowSelectBackend(plat::WindowBackend::Headless);
  plat::HeadlessReset();
  plat::SingleCopyLockSetDirectory(folder.path.c_str());
  plat::ManualSoundReset();
  plat::SoundSetBackend(plat::SoundBackend::Manual);
  plat::VirtualClockEnable();
  g_base = BaseState{};
  g_base.settings.windowMode = 1;
  g_base.startup.noGraphics = 1;

  const int n = 9 * streamtest::kRate;
  fixture::Bytes wav = streamtest::RampWav(4, n);
  FILE* f = std::fopen("bgm.wav", "wb");
  ASSERT_NE(nullptr, f);
  std::fwrite(wav.data(), 1, wav.size(), f);
  std::fclose(f);

  ASSERT_EQ(0, LibraryInitializeLocked());
  ASSERT_EQ(0, SetSoundCreateTypeLocked(3));
  int h = LoadSoundFileLocked("bgm.wav", 3, -1);
  ASSERT_NE(-1, h);
  ASSERT_EQ(0, PlaySoundHandleLocked(h, 1, 1));
  EXPECT_EQ(1, IsSoundHandlePlayingLocked(h));
  const int frames = 11 * streamtest::kRate;
  std::vector<int16_t> out((size_t)frames * 2);
  for (int at = 0; at < frames; at += streamtest::kStep) {
    plat::ManualSoundAdvance(streamtest::kStep, out.data() + 2 * (size_t)at);
    plat::VirtualClockAdvance(16667);
    ASSERT_EQ(0, ProcessMessageLocked());
  }
  std::vector<streamtest::Segment> runs = streamtest::Runs(out);
  ASSERT_EQ(2u, runs.size());
  EXPECT_EQ((streamtest::Segment{4, 0, n - 1}), runs[0]);
  EXPECT_EQ(-1, runs[1].id);
  EXPECT_EQ(0, IsSoundHandlePlayingLocked(h));
  EXPECT_EQ(0, StopSoundHandleLocked(h));
  EXPECT_EQ(0, LibraryTerminateLocked());
  EXPECT_EQ(-1, IsSoundHandlePlayingLocked(h));

  plat::VirtualClockDisable();
  plat::SingleCopyLockSetDirectory(nullptr);
  folder.Leave();
}

}  // namespace
