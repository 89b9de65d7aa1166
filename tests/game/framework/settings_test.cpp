#include <gtest/gtest.h>

#include <deque>
#include <sys/stat.h>
#include <unistd.h>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "game/framework/engine_entries.h"
#include "game/framework/game_math.h"
#include "game/framework/settings.h"
#include "game/temp_dir.h"

namespace {

struct Box {
  std::string text;
  uint32_t type;
};
std::deque<int> g_answers;
std::vector<Box> g_boxes;
int g_clock = 0;

class Settings : public ::testing::Test {
protected:
  void SetUp() override {
    dir.Enter();
    g_answers.clear();
    g_boxes.clear();
    g_clock = 123456;
    g_Engine.MessageBox = [](const char* text, const char* caption, uint32_t type) {
      EXPECT_EQ(std::string(caption), kGameCaption);
      g_boxes.push_back({text, type});
      if (g_answers.empty()) return int(kAnswerCancel);
      const int a = g_answers.front();
      g_answers.pop_front();
      return a;
    };
    g_Engine.GetMillisecondCountLocked = [] { return g_clock; };
    ClearSettingsRawStore();
  }
  void TearDown() override {
    ResetEngineEntries();
    dir.Leave();
  }
  TempDir dir;
};

TEST_F(Settings, StoreMasksEverySlotAndKnowsItsDefaults) {
  // A slot never written reads back as its mask.
  EXPECT_EQ(GetSettingsSlot(0), 13245);
  EXPECT_EQ(SettingsSlotMask(1), (1103515245u + 13245u) & 0x7FFFFFFFu);
  EXPECT_EQ(uint32_t(SetSettingsSlot(7, 0)), SettingsSlotMask(7));
  EXPECT_EQ(GetSettingsSlot(7), 0);
  EXPECT_EQ(GetSettingsSlot(-1), 0);
  EXPECT_EQ(GetSettingsSlot(1280), 0);
  SetSettingsSlot(5000, 1);   // ignored

  SetDefaultSettings();
  EXPECT_EQ(GetSettingsSlot(11), 4096);
  EXPECT_EQ(GetSettingsSlot(9), 0x40000000);
  EXPECT_EQ(GetSettingsSlot(5), 16);
  EXPECT_EQ(GetSettingsSlot(19), 1);
  EXPECT_EQ(GetSettingsSlot(23), 98);
  EXPECT_EQ(GetSettingsSlot(24), 85);
  EXPECT_EQ(GetSettingsSlot(25), 2);
  EXPECT_EQ(GetSettingsSlot(58), 3);
  EXPECT_EQ(GetSettingsSlot(700), 0);

  AddSettingsSlot(45, 0x7FFFFFFF);
  AddSettingsSlot(45, 1);   // wraps, no undefined overflow
  EXPECT_EQ(GetSettingsSlot(45), INT32_MIN);
  SetSettingsSlot(34, 9);
  EXPECT_EQ(GetSettingsSlotClamped(34, 0, 3), 3);
  SetSettingsSlot(34, -4);
  EXPECT_EQ(GetSettingsSlotClamped(34, 0, 3), 0);
}

TEST_F(Settings, PrivateGeneratorDrawsWhatTheEngineWould) {
  for (uint32_t seed : {1u, 4357u, 0x6D1Au}) {
    SeedRandomLocked(seed);
    SeedSettingsRandom(seed);
    for (int i = 0; i < 2000; ++i) {
      const int n = (i % 3 == 0) ? 0x0FFFFFFF : (i % 3 == 1) ? 0x3FFFFFFF : i;
      ASSERT_EQ(SettingsRandomUpTo(n), GetRandomUpToLocked(n)) << "seed " << seed << " draw " << i;
    }
  }
}

TEST_F(Settings, FirstStartAsksThenSavesAndTheFileRoundTrips) {
  // Yes to initialise, No to full screen, Yes to vertical sync.
  g_answers = {kAnswerYes, kAnswerNo, kAnswerYes};
  ASSERT_EQ(LoadSettingsFile(), kSettingsFileSize);
  ASSERT_EQ(g_boxes.size(), 3u);
  EXPECT_EQ(g_boxes[0].text, "コンフィグが見つかりません\n初期化しますか？");
  EXPECT_EQ(g_boxes[0].type, kBoxYesNoCancel | kBoxTopmost);
  EXPECT_EQ(g_boxes[1].text, "フルスクリーンで起動しますか？");
  EXPECT_EQ(g_boxes[2].text, "垂直同期をとりますか？");
  EXPECT_EQ(GetSettingsSlot(16), 1);
  EXPECT_EQ(GetSettingsSlot(19), 0);
  EXPECT_EQ(GetSettingsSlot(47), 90);
  const int32_t tag = GetSettingsSlot(15);
  EXPECT_NE(tag, 0);
  std::vector<unsigned char> file = dir.Read(kSettingsFileName);
  ASSERT_EQ(file.size(), size_t(kSettingsFileSize));

  // Every slot but 29 survives a save and a load; the seed word reads back as its mask.
  for (int s = 0; s < kSettingsSlotCount; ++s) SetSettingsSlot(s, s * 7919 - 1000);
  g_clock = 0;   // a clock of 0 must still give a seed the loader unscrambles
  ASSERT_EQ(SaveSettingsFile(), kSettingsFileSize);
  file = dir.Read(kSettingsFileName);
  EXPECT_EQ(file[29 * 4] | file[29 * 4 + 1] << 8 | file[29 * 4 + 2] << 16 | file[29 * 4 + 3] << 24, 1);
  ClearSettingsRawStore();
  g_boxes.clear();
  ASSERT_EQ(LoadSettingsFile(), kSettingsFileSize);
  EXPECT_TRUE(g_boxes.empty());
  for (int s = 0; s < kSettingsSlotCount; ++s) {
    if (s == 29 || s == 47) continue;
    ASSERT_EQ(GetSettingsSlot(s), s * 7919 - 1000) << "slot " << s;
  }
  EXPECT_EQ(SettingsRawStore()[29], 0u);
  EXPECT_EQ(GetSettingsSlot(15), 15 * 7919 - 1000);   // kept once non-zero

  // Two saves of one store at different times give different files; a clock past 2^31 too.
  const std::vector<unsigned char> a = dir.Read(kSettingsFileName);
  g_clock = int(0x80000005u);
  SaveSettingsFile();
  const std::vector<unsigned char> b = dir.Read(kSettingsFileName);
  EXPECT_NE(a, b);
  ClearSettingsRawStore();
  LoadSettingsFile();
  EXPECT_EQ(GetSettingsSlot(100), 100 * 7919 - 1000);
  // Known bytes: seed 4357 draws (2867219139, 1585203162, 3113124129) >> 4, XORed with the default
  // slots 0, 4097, 2 under their masks 0x33BD, 0x41C6822A, 0x038CD097; word 29 holds the seed.
  SetDefaultSettings();
  g_clock = 4357;
  SaveSettingsFile();
  file = dir.Read(kSettingsFileName);
  EXPECT_EQ(std::vector<unsigned char>(file.begin(), file.begin() + 12),
            (std::vector<unsigned char>{0x11, 0x57, 0xAE, 0x0A, 0x56, 0x56, 0x21, 0x44, 0x87, 0x38, 0x14, 8}));
  EXPECT_EQ(file[116] | file[117] << 8 | file[118] << 16 | file[119] << 24, 4357);
}

TEST_F(Settings, FailedSavesKeepTheOldFileAndDeclinedStartsWriteNothing) {
  SetDefaultSettings();
  ASSERT_EQ(SaveSettingsFile(), kSettingsFileSize);
  const std::vector<unsigned char> before = dir.Read(kSettingsFileName);
  SetSettingsSlot(23, 10);
  g_clock += 5;
  mkdir((dir.path + "/velmarondix.sav.tmp").c_str(), 0755);   // the new file cannot be made
  EXPECT_EQ(SaveSettingsFile(), -1);
  EXPECT_EQ(dir.Read(kSettingsFileName), before);
  rmdir((dir.path + "/velmarondix.sav.tmp").c_str());
  EXPECT_NE(g_boxes.at(0).text.find(dir.path + "/velmarondix.sav: Is a directory"), std::string::npos);
  g_boxes.clear();

  remove((dir.path + "/velmarondix.sav").c_str());
  g_answers = {kAnswerNo};
  EXPECT_EQ(LoadSettingsFile(), -1);
  EXPECT_EQ(g_boxes.size(), 1u);
  EXPECT_FALSE(dir.Exists(kSettingsFileName));
  g_answers = {kAnswerCancel};
  EXPECT_EQ(LoadSettingsFile(), -1);
  EXPECT_FALSE(dir.Exists(kSettingsFileName));
}

TEST_F(Settings, AForeignFileIsSetAsideNeverHalfRead) {
  dir.Write(kSettingsFileName, std::vector<unsigned char>(100, 0xEE));
  g_answers = {kAnswerYes, kAnswerYes, kAnswerNo};
  ASSERT_EQ(LoadSettingsFile(), kSettingsFileSize);
  EXPECT_EQ(g_boxes.size(), 3u);
  EXPECT_EQ(dir.Read("velmarondix.sav.bad"), std::vector<unsigned char>(100, 0xEE));
  EXPECT_EQ(dir.Read(kSettingsFileName).size(), size_t(kSettingsFileSize));
  EXPECT_EQ(GetSettingsSlot(16), 0);
  EXPECT_EQ(GetSettingsSlot(19), 1);
  EXPECT_EQ(GetSettingsSlot(5), 16);

  // The data tool's file: the raw store with seed word 0, read as it stands.
  SetDefaultSettings();
  SetSettingsSlot(16, 2);
  unsigned char image[kSettingsFileSize];
  BuildSettingsFileImage(0, image);
  dir.Write(kSettingsFileName, std::vector<unsigned char>(image, image + kSettingsFileSize));
  ClearSettingsRawStore();
  g_boxes.clear();
  ASSERT_EQ(LoadSettingsFile(), kSettingsFileSize);
  EXPECT_TRUE(g_boxes.empty());
  EXPECT_EQ(GetSettingsSlot(16), 2);
  EXPECT_EQ(GetSettingsSlot(11), 4096);
  SeedRandomLocked(123456);   // slot 15 is drawn after seeding from the clock: the plain file did not
  EXPECT_EQ(GetSettingsSlot(15), GetRandomUpToLocked(0x3FFFFFFF));
}

TEST_F(Settings, PlayTimeAndQuitBox) {
  SetDefaultSettings();
  SetRunStartTime(1000);
  SetSessionStartTime(2000);
  g_clock = 4500;
  AccumulatePlayTime();
  EXPECT_EQ(GetSettingsSlot(46), 3);
  EXPECT_EQ(GetSettingsSlot(45), 2);
  g_clock = 5200;   // the half second left over carries into the next whole second
  AccumulatePlayTime();
  EXPECT_EQ(GetSettingsSlot(46), 4);
  EXPECT_EQ(GetSettingsSlot(45), 2);   // the session was counted once

  g_answers = {kAnswerNo};
  EXPECT_FALSE(ConfirmQuitBox());
  EXPECT_EQ(g_boxes.back().text, "終了しますか？");
  EXPECT_EQ(g_boxes.back().type, kBoxYesNo | kBoxTopmost);
  g_answers = {kAnswerYes};
  EXPECT_TRUE(ConfirmQuitBox());
}

}  // namespace
