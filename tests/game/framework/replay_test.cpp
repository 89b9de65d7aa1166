#include <gtest/gtest.h>

#include <sys/stat.h>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "game/framework/actors.h"
#include "game/framework/engine_entries.h"
#include "game/framework/game_hooks.h"
#include "game/framework/input.h"
#include "game/framework/replay.h"
#include "game/framework/settings.h"
#include "game/temp_dir.h"

namespace {

constexpr int kClock = 0x12340;
int g_pad = 0;
int g_pumps = 0;
int g_pumpResult = 0;
int g_escape = 0;

constexpr int kAreaVars[26] = {53, 54, 55, 56, 57, 58, 59, 60, 72, 73, 74, 75, 76,
                               77, 78, 79, 80, 81, 86, 87, 88, 89, 90, 91, 93, 94};

std::vector<unsigned char> Bytes(const std::vector<uint32_t>& words) {
  std::vector<unsigned char> out;
  for (uint32_t w : words)
    for (int b = 0; b < 4; ++b) out.push_back(static_cast<unsigned char>(w >> (8 * b)));
  return out;
}

class Replay : public ::testing::Test {
protected:
  void SetUp() override {
    dir.Enter();
    g_pad = 0;
    g_pumps = 0;
    g_pumpResult = 0;
    g_escape = 0;
    g_Engine.GetMillisecondCountLocked = [] { return kClock; };
    g_Engine.GetLocalDateTimeLocked = [](LocalDateTime* t) {
      *t = {2024, 3, 7, 12, 0, 0};
      return 0;
    };
    g_Engine.GetPadInputBitsLocked = [](int device) { return device == 0x1001 ? g_pad : 0; };
    g_Engine.ProcessMessageLocked = [] {
      ++g_pumps;
      return g_pumpResult;
    };
    g_Engine.IsKeyDownLocked = [](int key) { return key == kKeyEscape ? g_escape : 0; };
    SetDefaultSettings();
    // The game values live in the session actor.
    ResetActors();
    const int session = AllocActor();
    SetCurrentActor(session);
    SetCurPos(0, 0);
    InitCurActor(kKindGameSession, 0, 0);
    SetSessionActor(session);
    for (int v = 24; v < 128; ++v) SetGameVar(v, 0);
  }
  void TearDown() override {
    ResetEngineEntries();
    SetSessionActor(0);
    ResetActors();
    dir.Leave();
  }
  void WriteReplay(const char* name, std::vector<uint32_t> words) {
    mkdir((dir.path + "/replay").c_str(), 0755);
    dir.Write(name, Bytes(words));
  }
  static std::vector<uint32_t> Header() {
    std::vector<uint32_t> h(32, 0);
    h[0] = kReplayMagic0;
    h[1] = kReplayMagic1;
    return h;
  }
  TempDir dir;
};

// The engine generator's seed for a recording, as BeginReplay derives it.
uint32_t ExpectedSeed(uint32_t mix) {
  SeedRandomLocked(uint32_t(kClock) | mix);
  for (int i = 0; i < 100; ++i) GetRandomUpToLocked(0x3FFFFFFF);
  return uint32_t(GetRandomUpToLocked(0x3FFFFFFF));
}

TEST_F(Replay, RecordedPlayHasItsHeaderBlocksFrameWordsAndEndTag) {
  SetSettingsSlot(kSlotPlayMode, 0x12);
  SetSettingsSlot(kSlotDifficulty, 2);
  SetSettingsSlot(kSlotCharacter, 1);
  SetSettingsSlot(kSlotReplaySeedMix, 0x500);
  SetGameVar(52, 37);
  const uint32_t seed = ExpectedSeed(0x500);
  BeginReplay(false);
  EXPECT_EQ(GetReplayWord(0), 0xDA070301u);
  EXPECT_EQ(GetReplayWord(1), 0x5045525Fu);
  EXPECT_EQ(GetReplayWord(2), 90u);
  EXPECT_EQ(GetReplayWord(3), 240307u);
  EXPECT_EQ(GetReplayWord(4), seed);
  EXPECT_EQ(GetReplayWord(5), 0x12u);
  EXPECT_EQ(GetReplayWord(6), 2u);
  EXPECT_EQ(GetReplayWord(7), 1u);
  EXPECT_EQ(GetReplayWord(8), 37u);
  EXPECT_EQ(GetReplayPosition(), 32);
  // Play starts with the generator seeded from the header.
  SeedRandomLocked(seed);
  const int firstDraw = GetRandomUpToLocked(0x3FFFFFFF);
  BeginReplay(false);
  EXPECT_EQ(GetRandomUpToLocked(0x3FFFFFFF), firstDraw);

  for (int i = 0; i < 26; ++i) SetGameVar(kAreaVars[i], 1000 + i);
  EXPECT_EQ(SyncReplayArea(false, 0), 0);
  EXPECT_EQ(GetReplayWord(32), 0x41455241u);
  EXPECT_EQ(GetReplayWord(33), uint32_t(firstDraw) ^ 0u);
  for (int i = 0; i < 26; ++i) EXPECT_EQ(GetReplayWord(34 + i), uint32_t(1000 + i));
  for (int i = 60; i < 64; ++i) EXPECT_EQ(GetReplayWord(i), 0u);
  EXPECT_EQ(GetReplayPosition(), 64);
  // Every area starts with the generator freshly seeded.
  EXPECT_EQ(GetRandomUpToLocked(0x3FFFFFFF), firstDraw);

  const int pads[3] = {0x10, 0x1 | 0x20, 0x1000};
  for (int p : pads) {
    g_pad = p;
    RecordFrameInput(false);
    EXPECT_EQ(GetFrameInput(), MapInputToButtons(uint32_t(p)));
  }
  EXPECT_EQ(GetReplayWord(64), 0u);
  EXPECT_EQ(GetReplayWord(65), kButtonShot);
  EXPECT_EQ(GetReplayWord(67), kButtonMenu);
  SetGameVar(81, 4321);
  RecordAreaResult(false, 0);
  EXPECT_EQ(GetReplayWord(17), 43210u);
  EXPECT_EQ(GetReplayWord(29), 0x01000000u);

  // A later area's block overwrites the last frame word before it.
  EXPECT_EQ(SyncReplayArea(false, 3), 3);
  EXPECT_EQ(GetReplayWord(67), 0x41455241u);
  EXPECT_EQ(GetReplayWord(68), uint32_t(firstDraw) ^ 3u);
  g_pad = 0x4;
  RecordFrameInput(false);
  SetGameVar(81, 5000);
  RecordAreaResult(false, 3);
  EXPECT_EQ(GetReplayWord(18), 50000u);
  EXPECT_EQ(GetReplayWord(29), 0x02000030u);
  SetGameVar(50, 77);
  EndReplay();
  const int end = GetReplayPosition();
  EXPECT_EQ(end, 101);   // the end tag overwrote the frame word 100 and the position moved on
  EXPECT_EQ(GetReplayWord(100), 0x50455245u);
  EXPECT_EQ(GetReplayWord(16), 5000u);
  EXPECT_EQ(GetReplayWord(27), 77u);
  EXPECT_EQ(GetReplayWord(30), uint32_t(end * 4));

  // Saving makes the folder; the file is the buffer's first position x 4 bytes.
  ASSERT_TRUE(SaveReplay(7));
  const std::vector<unsigned char> file = dir.Read("replay/vlxrep0007.rpy");
  ASSERT_EQ(file.size(), size_t(end * 4));
  EXPECT_EQ(std::string(file.end() - 4, file.end()), "EREP");
  EXPECT_EQ(GetReplayFileSize(7), end * 4);
  std::vector<uint32_t> saved;
  for (int i = 0; i < end; ++i) saved.push_back(GetReplayWord(i));
  EXPECT_EQ(LoadReplay(7), 1);
  for (int i = 0; i < end; ++i) ASSERT_EQ(GetReplayWord(i), saved[size_t(i)]) << i;
  EXPECT_EQ(GetReplayWord(end), 0u);

  // The check word: the keystream after 32 outputs, seeded by the seed word, XOR the sum.
  WriteReplayCheckWord();
  uint32_t sum = 0;
  for (int i = 0; i <= 30; ++i) sum += GetReplayWord(i);
  EXPECT_NE(GetReplayWord(31), sum);
  EXPECT_LE(GetReplayWord(31) ^ sum, 0xFFFFu);

  EXPECT_TRUE(DeleteReplay(7));
  EXPECT_FALSE(DeleteReplay(7));
  EXPECT_EQ(GetReplayFileSize(7), -1);
  EXPECT_EQ(LoadReplay(7), -1);
}

// A stand-in play: every frame reads its input word and draws as many numbers as it says.
struct PlayTrace {
  std::vector<uint32_t> inputs;
  std::vector<int> draws;
};

void PlayFrames(bool playback, int frames, const std::vector<int>& pads, PlayTrace* t) {
  for (int f = 0; f < frames; ++f) {
    g_pad = pads[size_t(f) % pads.size()];
    RecordFrameInput(playback);
    const uint32_t in = GetFrameInput();
    t->inputs.push_back(in);
    const int n = 1 + int(in & 3u);
    for (int i = 0; i < n; ++i) {
      const int d = GameRandom(999);
      t->draws.push_back(d);
    }
  }
}

TEST_F(Replay, PlaybackGivesTheRecordedInputsDrawsAndAreaValues) {
  const std::vector<int> pads = {0x10, 0x1, 0x3, 0x2 | 0x10, 0, 0x2000, 0x1000 | 0x1, 0x2};
  PlayTrace rec, back;
  SetSettingsSlot(kSlotDifficulty, 3);
  BeginReplay(false);
  for (int i = 0; i < 26; ++i) SetGameVar(kAreaVars[i], 7 * i + 1);
  SyncReplayArea(false, 0);
  PlayFrames(false, 40, pads, &rec);
  RecordAreaResult(false, 0);
  SetGameVar(86, 9);   // the phase level as the second area starts
  SyncReplayArea(false, 1);
  PlayFrames(false, 25, pads, &rec);
  RecordAreaResult(false, 1);
  EndReplay();
  ASSERT_TRUE(SaveReplay(12));

  // A different session state and another start: playback brings back the recorded ones.
  for (int v = 24; v < 128; ++v) SetGameVar(v, -5);
  SetSettingsSlot(kSlotDifficulty, 0);
  ASSERT_EQ(LoadReplay(12), 1);
  BeginReplay(true);
  EXPECT_EQ(GetSettingsSlot(kSlotDifficulty), 3);
  ASSERT_EQ(SyncReplayArea(true, 0), 0);
  for (int i = 0; i < 26; ++i) EXPECT_EQ(GetGameVar(kAreaVars[i]), 7 * i + 1);
  g_pad = 0x40;   // the live pad plays no part in playback
  PlayFrames(true, 40, {0x40}, &back);
  ASSERT_EQ(SyncReplayArea(true, 1), 1);
  EXPECT_EQ(GetGameVar(86), 9);
  PlayFrames(true, 25, {0x40}, &back);

  // The last frame of each area reads the tag that overwrote it; every other frame is the same.
  ASSERT_EQ(back.inputs.size(), rec.inputs.size());
  for (size_t f = 0; f < rec.inputs.size(); ++f) {
    if (f == 39) EXPECT_EQ(back.inputs[f], 0x41455241u);
    else if (f == 64) EXPECT_EQ(back.inputs[f], 0x50455245u);
    else EXPECT_EQ(back.inputs[f], rec.inputs[f]) << "frame " << f;
  }
  // Draws follow the inputs; up to the last frame of the first area they are identical.
  size_t upTo = 0;
  for (size_t f = 0; f < 39; ++f) upTo += 1 + (rec.inputs[f] & 3u);
  ASSERT_GE(back.draws.size(), upTo);
  EXPECT_TRUE(std::equal(rec.draws.begin(), rec.draws.begin() + long(upTo), back.draws.begin()));
  // The second area starts from the same fresh seed in both.
  size_t recAt = 0, backAt = 0;
  for (size_t f = 0; f < 40; ++f) {
    recAt += 1 + (rec.inputs[f] & 3u);
    backAt += 1 + (back.inputs[f] & 3u);
  }
  EXPECT_EQ(rec.draws[recAt], back.draws[backAt]);
}

TEST_F(Replay, DamagedOrForeignFilesAreRefused) {
  EXPECT_EQ(LoadReplay(1), -1);
  EXPECT_EQ(LoadDemoReplay(0), -1);
  EXPECT_EQ(GetReplayFileSize(1), -1);

  // 128 bytes with the two magic words: loaded, the rest of the buffer zero.
  std::vector<uint32_t> h = Header();
  h[5] = 0x55;
  WriteReplay("replay/vlxrep0001.rpy", h);
  EXPECT_EQ(LoadReplay(1), 1);
  EXPECT_EQ(GetReplayWord(5), 0x55u);
  EXPECT_EQ(GetReplayWord(32), 0u);
  EXPECT_EQ(GetReplayWord(kReplayWords - 1), 0u);

  // The demo replay is read from the data folder the same way.
  mkdir((dir.path + "/dat").c_str(), 0755);
  dir.Write("dat/vlxdemo0.rpy", Bytes(h));
  EXPECT_EQ(LoadDemoReplay(0), 0);

  // Wrong magic: refused after reading, its bytes left in the buffer.
  h[1] = 0x12345678;
  WriteReplay("replay/vlxrep0002.rpy", h);
  EXPECT_EQ(LoadReplay(2), -1);
  EXPECT_EQ(GetReplayWord(1), 0x12345678u);

  // Header values play has no room for.
  struct Bad { int word; uint32_t value; };
  for (Bad b : {Bad{6, 4}, Bad{6, 0xFFFFFFFF}, Bad{7, 2}, Bad{8, 64}, Bad{29, 0x07000000}}) {
    std::vector<uint32_t> bad = Header();
    bad[size_t(b.word)] = b.value;
    WriteReplay("replay/vlxrep0003.rpy", bad);
    EXPECT_EQ(LoadReplay(3), -1) << "word " << b.word;
    EXPECT_EQ(GetReplayWord(b.word), 0u);
  }
  std::vector<uint32_t> edge = Header();
  edge[6] = 3;
  edge[7] = 1;
  edge[8] = 63;
  edge[29] = 0x06543210;
  WriteReplay("replay/vlxrep0003.rpy", edge);
  EXPECT_EQ(LoadReplay(3), 1);

  // Too small, and larger than the buffer (nothing is read past it).
  dir.Write("replay/vlxrep0004.rpy", {0x01, 0x03, 0x07, 0xDA, 0x5F});
  EXPECT_EQ(LoadReplay(4), -1);
  WriteReplay("replay/vlxrep0004.rpy", {kReplayMagic0, kReplayMagic1});   // cut inside the header
  EXPECT_EQ(LoadReplay(4), -1);
  std::vector<uint32_t> huge(size_t(kReplayWords) + 1, 0x41414141);
  const std::vector<uint32_t> head = Header();
  std::copy(head.begin(), head.end(), huge.begin());
  WriteReplay("replay/vlxrep0005.rpy", huge);
  EXPECT_EQ(GetReplayFileSize(5), kReplayBytes + 4);
  EXPECT_EQ(LoadReplay(5), -1);
  EXPECT_EQ(GetReplayWord(100), 0u);
  // Exactly the buffer's size is still a replay.
  huge.pop_back();
  WriteReplay("replay/vlxrep0005.rpy", huge);
  EXPECT_EQ(LoadReplay(5), 1);
  EXPECT_EQ(GetReplayWord(kReplayWords - 1), 0x41414141u);
}

TEST_F(Replay, BufferEdgesWrapAndSavesThatCannotBeMade) {
  BeginReplay(false);
  EXPECT_EQ(GetReplayWord(-1), 0u);
  EXPECT_EQ(GetReplayWord(kReplayWords), 0u);
  SetReplayWord(kReplayWords, 5);   // ignored
  SetReplayWord(-3, 5);
  IncReplayWord(0);
  EXPECT_EQ(GetReplayWord(0), 0xDA070301u);
  IncReplayWord(kReplayWords - 1);
  IncReplayWord(kReplayWords);
  EXPECT_EQ(GetReplayWord(kReplayWords - 1), 1u);

  // A save clears a temporary file that a kill during an earlier save left.
  WriteReplay("replay/vlxrep0012.rpy.tmp", {1});
  ASSERT_TRUE(SaveReplay(3));
  EXPECT_FALSE(dir.Exists("replay/vlxrep0012.rpy.tmp"));
  // A save that cannot be written keeps the old file and says so.
  const std::vector<unsigned char> old = dir.Read("replay/vlxrep0003.rpy");
  for (int i = 0; i < 10; ++i) PushReplayWord(9);
  mkdir((dir.path + "/replay/vlxrep0003.rpy.tmp").c_str(), 0755);
  EXPECT_FALSE(SaveReplay(3));
  EXPECT_EQ(dir.Read("replay/vlxrep0003.rpy"), old);

  // Recording past the end wraps onto the header; a wrapped buffer is never saved.
  while (!IsReplayFull()) RecordFrameInput(false);
  EXPECT_EQ(GetReplayPosition(), 0);
  EXPECT_FALSE(SaveReplay(4));
  EXPECT_FALSE(dir.Exists("replay/vlxrep0004.rpy"));
  BeginReplay(false);
  EXPECT_FALSE(IsReplayFull());

  // Only six areas fit the header; a seventh changes nothing.
  for (int a = 0; a < 6; ++a) {
    SetGameVar(81, a + 1);
    RecordAreaResult(false, a + 1);
  }
  const uint32_t areas = GetReplayWord(29);
  EXPECT_EQ(areas, 0x06654321u);
  SetGameVar(81, 99);
  RecordAreaResult(false, 9);
  EXPECT_EQ(GetReplayWord(29), areas);
  EXPECT_EQ(GetReplayWord(23), 0u);
  EXPECT_EQ(GetReplayWord(22), 60u);
  RecordAreaResult(true, 2);   // playback records nothing
  EXPECT_EQ(GetReplayWord(29), areas);
}

TEST_F(Replay, AreaSearchEndsAtTheEndTagEscapeAClosedWindowOrAFullRound) {
  // No block with the key, an end tag at word 600: -1, the window asked every 256 passes.
  BeginReplay(false);
  SetReplayWord(600, 0x50455245u);
  EXPECT_EQ(SyncReplayArea(true, 2), -1);
  EXPECT_EQ(g_pumps, 3);   // passes 0, 256 and 512
  EXPECT_EQ(GetReplayPosition(), 600);

  // Neither block nor end tag: one whole round of the buffer, then -1.
  BeginReplay(false);
  g_pumps = 0;
  EXPECT_EQ(SyncReplayArea(true, 2), -1);
  EXPECT_TRUE(IsReplayFull());
  EXPECT_EQ(g_pumps, (kReplayWords + 255) / 256);

  BeginReplay(false);
  g_escape = 1;
  g_pumps = 0;
  EXPECT_EQ(SyncReplayArea(true, 0), -1);
  EXPECT_EQ(GetReplayPosition(), 33);
  g_escape = 0;
  g_pumpResult = -1;
  EXPECT_EQ(SyncReplayArea(true, 0), -1);
  EXPECT_EQ(g_pumps, 2);
}

}  // namespace
