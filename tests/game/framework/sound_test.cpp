// Sound control traced through the recorder: effects are sounds 500-549 and tracks 550-553; a
// sound plays from its start until the test (or the game) stops it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_recorder.h"
#include "game/framework/settings.h"
#include "game/framework/sound.h"
#include "game/framework/sprites.h"

namespace {

using Calls = std::vector<std::string>;

class Sound : public ::testing::Test {
protected:
  void SetUp() override {
    recorder::Install();
    ClearSettingsRawStore();
    SetSettingsSlot(kSlotMusicVolume, 98);
    SetSettingsSlot(kSlotEffectVolume, 70);
    g_LoadingScreenHook = [] { recorder::Log("Redraw"); };
    LoadSounds();
    g_LoadingScreenHook = nullptr;
    loaded = recorder::Take();
  }
  void TearDown() override {
    StopBgm();
    ResetEngineEntries();
  }
  static Calls Frame() {
    recorder::Take();
    UpdateSound();
    return recorder::Take();
  }
  Calls loaded;
};

TEST_F(Sound, LoadsEffectsWholeAndTracksStreamedWithTheirLoopPoints) {
  const Calls& calls = loaded;
  Calls expected = {"Redraw", "CreateType 0"};
  for (int n = 0; n < 50; ++n) {
    char line[64];
    std::snprintf(line, sizeof line, "LoadSound vlxdat\\se%02d.wav 3 -1", n);
    expected.push_back(line);
  }
  expected.insert(expected.end(), {"Redraw", "CreateType 3",
                                   "LoadSound dat\\vlxbgm00.ogg 3 -1", "Loop 1 550", "Redraw",
                                   "LoadSound dat\\vlxbgm01.ogg 3 -1", "Redraw",
                                   "LoadSound dat\\vlxbgm02.ogg 3 -1", "Loop 6846 552", "Redraw",
                                   "LoadSound dat\\vlxbgm03.ogg 3 -1", "Loop 6800 553", "Redraw"});
  for (int n = 0; n < 50; ++n) expected.push_back("Volume " + std::to_string(500 + n) + " 7000");
  for (int n = 0; n < 4; ++n) expected.push_back("Volume " + std::to_string(550 + n) + " 9800");
  EXPECT_EQ(calls, expected);
  EXPECT_EQ(GetCurrentBgm(), -1);

  // Slots are read as 0-100.
  SetSettingsSlot(kSlotMusicVolume, 500);
  SetSettingsSlot(kSlotEffectVolume, -3);
  ApplySoundVolumes();
  const Calls applied = recorder::Take();
  EXPECT_EQ(applied.front(), "Volume 500 0");
  EXPECT_EQ(applied.back(), "Volume 553 10000");
}

TEST_F(Sound, EffectsHaveAFourFrameGuardAndAScreenArea) {
  PlaySe(5);
  PlaySe(5);
  PlaySe(6);
  EXPECT_EQ(recorder::Take(), (Calls{"Play 505 type1 top1", "Play 506 type1 top1"}));
  for (int f = 0; f < 3; ++f) {
    UpdateSound();
    PlaySe(5);
  }
  EXPECT_TRUE(recorder::Take().empty());
  UpdateSound();
  PlaySe(5);
  EXPECT_EQ(recorder::Take(), Calls{"Play 505 type1 top1"});

  // Outside the 640 x 480 area centred on (0, 0) nothing plays and the guard stays free.
  PlaySeAt(321, 0, 7);
  PlaySeAt(0, 241, 7);
  PlaySeAt(-321, 0, 7);
  PlaySeAt(0, -241, 7);
  EXPECT_TRUE(recorder::Take().empty());
  PlaySeAt(320, -240, 7);
  PlaySeAt(-320, 240, 8);
  EXPECT_EQ(recorder::Take(), (Calls{"Play 507 type1 top1", "Play 508 type1 top1"}));
  // Effects past the table are ignored.
  PlaySe(50);
  PlaySe(-1);
  PlaySeAt(0, 0, 1 << 30);
  EXPECT_TRUE(recorder::Take().empty());

  // Only what plays is stopped; a new volume setting clears every guard.
  recorder::g_playing[506] = 0;
  StopAllSe();
  EXPECT_EQ(recorder::Take(), (Calls{"Stop 505", "Stop 507", "Stop 508"}));
  ApplySoundVolumes();
  PlaySe(5);
  EXPECT_EQ(recorder::Take().back(), "Play 505 type1 top1");
}

TEST_F(Sound, ChangingTracksFadesTheOldOneAndFollowsTheMusicVolume) {
  PlayBgm(0);
  EXPECT_EQ(recorder::Take(), Calls{"Play 550 type3 top1"});
  EXPECT_EQ(Frame(), Calls{"Volume 550 9800"});
  // The current track is neither restarted nor faded; tracks that do not exist are ignored.
  PlayBgm(0);
  PlayBgm(7);
  PlayBgm(4);
  PlayBgm(-2);
  EXPECT_TRUE(recorder::Take().empty());
  EXPECT_EQ(GetCurrentBgm(), 0);
  EXPECT_EQ(Frame(), Calls{"Volume 550 9800"});

  PlayBgm(2);
  EXPECT_EQ(recorder::Take(), Calls{"Play 552 type3 top1"});
  EXPECT_EQ(GetCurrentBgm(), 2);
  // Track 0 loses one unit a frame while track 2 holds the music volume.
  EXPECT_EQ(Frame(), (Calls{"Volume 550 9700", "Volume 552 9800"}));
  for (int f = 0; f < 95; ++f) UpdateSound();
  EXPECT_EQ(Frame(), (Calls{"Volume 550 100", "Volume 552 9800"}));
  EXPECT_EQ(Frame(), (Calls{"Stop 550", "Volume 550 0", "Volume 552 9800"}));
  EXPECT_EQ(Frame(), Calls{"Volume 552 9800"});

  // A lower music volume is taken at once, a higher one a unit a frame.
  SetSettingsSlot(kSlotMusicVolume, 50);
  EXPECT_EQ(Frame(), Calls{"Volume 552 5000"});
  SetSettingsSlot(kSlotMusicVolume, 98);
  EXPECT_EQ(Frame(), Calls{"Volume 552 5100"});
  for (int f = 0; f < 46; ++f) UpdateSound();
  EXPECT_EQ(Frame(), Calls{"Volume 552 9800"});
  EXPECT_EQ(Frame(), Calls{"Volume 552 9800"});

  // -1 chooses no track and leaves the old one fading; StopBgm stops at once.
  PlayBgm(-1);
  EXPECT_EQ(GetCurrentBgm(), -1);
  EXPECT_EQ(Frame(), Calls{"Volume 552 9700"});
  PlayBgm(3);
  StopBgm();
  EXPECT_EQ(recorder::Take(), (Calls{"Play 553 type3 top1", "Stop 553"}));
  EXPECT_EQ(GetCurrentBgm(), -1);
  StopBgm();
  FadeOutBgm();
  EXPECT_TRUE(recorder::Take().empty());
}

TEST_F(Sound, TrackOneRepeatsFromItsStartEvenWhenFadedOut) {
  PlayBgm(1);
  EXPECT_EQ(recorder::Take(), Calls{"Play 551 type1 top1"});   // played once, not looped
  EXPECT_EQ(Frame(), Calls{"Volume 551 9800"});
  recorder::g_playing[551] = 0;   // it ends
  EXPECT_EQ(Frame(), Calls{"Play 551 type1 top1"});

  // Faded while still current: stopped at 0, then restarted and stopped again every frame.
  SetSettingsSlot(kSlotMusicVolume, 2);
  FadeOutBgm();
  EXPECT_EQ(Frame(), Calls{"Volume 551 200"});
  EXPECT_EQ(Frame(), Calls{"Volume 551 100"});
  EXPECT_EQ(Frame(), (Calls{"Stop 551", "Volume 551 0", "Play 551 type1 top1"}));
  for (int f = 0; f < 3; ++f) {
    EXPECT_EQ(Frame(), (Calls{"Stop 551", "Volume 551 0", "Play 551 type1 top1"}));
  }
  EXPECT_EQ(GetCurrentBgm(), 1);
  // Choosing another track ends it; track 0, which loops, is never restarted by this rule.
  PlayBgm(0);
  recorder::g_playing[551] = 0;
  recorder::Take();
  EXPECT_EQ(Frame(), Calls{"Volume 550 200"});
  recorder::g_playing[550] = 0;
  EXPECT_TRUE(Frame().empty());

  // The voice operations are there and do nothing.
  PlayVoiceChannel(3);
  PlayVoice(40);
  StopAllVoices();
  EXPECT_TRUE(recorder::Take().empty());
}

}  // namespace
