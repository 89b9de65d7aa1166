#include "game/framework/settings.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "engine/engine.h"
#include "game/framework/engine_entries.h"
#include "game/framework/game_math.h"
#include "platform/files.h"
#include "platform/text.h"

const char* const kGameCaption = "蒼鎖楼 動作確認版";

namespace {

uint32_t g_raw[kSettingsSlotCount];     // masked slots
uint32_t g_image[kSettingsSlotCount];   // the scrambled file image of the last save

// A generator of the engine's kind, private to the settings file.
RandomGenerator g_twister;

bool ValidSlot(int slot) { return slot >= 0 && slot < kSettingsSlotCount; }

void PutWordLE(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

uint32_t GetWordLE(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

int Ask(const char* text, uint32_t type) {
  return g_Engine.MessageBox(text, kGameCaption, type | kBoxTopmost);
}

// A file of the wrong size is not ours (or was cut short): it is kept aside for the player to
// look at, never half-read into the store.
void SetAsideForeignFile(int64_t size) {
  const std::string aside = std::string(kSettingsFileName) + ".bad";
  plat::FileDelete(aside.c_str());
  const bool moved = plat::FileRename(kSettingsFileName, aside.c_str());
  std::fprintf(stderr, "velmarondix: settings file %s has %lld bytes, not %d: %s\n", kSettingsFileName,
               static_cast<long long>(size), kSettingsFileSize,
               moved ? "renamed to velmarondix.sav.bad, defaults asked for" : "left in place, ignored");
}

// A save that failed is said once, where the player is: a box as the quit question is shown, and
// a line on stderr. The old file is whole (saves go through a temporary file) and play goes on.
void SaySettingsNotSaved() {
  const std::string path = CurrentFolderPath() + "/" + kSettingsFileName;
  const char* reason = WholeFileWriteError();
  std::fprintf(stderr, "velmarondix: settings not saved to %s: %s; the file there is unchanged\n", path.c_str(),
               reason);
  const std::string text = std::string("設定を保存できませんでした（前回の設定ファイルはそのまま残っています）。\n"
                                       "The settings could not be saved; the file on disk is unchanged.\n") +
                           plat::Utf8ToCp932(path) + ": " + plat::Utf8ToCp932(reason);
  Ask(text.c_str(), kBoxOk);
}

}  // namespace

uint32_t SettingsSlotMask(int slot) {
  return (static_cast<uint32_t>(slot) * 1103515245u + 13245u) & 0x7FFFFFFFu;
}

int32_t SetSettingsSlot(int slot, int32_t value) {
  if (!ValidSlot(slot)) return 0;
  g_raw[slot] = static_cast<uint32_t>(value) ^ SettingsSlotMask(slot);
  return static_cast<int32_t>(g_raw[slot]);
}

int32_t GetSettingsSlot(int slot) {
  if (!ValidSlot(slot)) return 0;
  return static_cast<int32_t>(g_raw[slot] ^ SettingsSlotMask(slot));
}

void AddSettingsSlot(int slot, int32_t delta) {
  SetSettingsSlot(slot, static_cast<int32_t>(static_cast<uint32_t>(GetSettingsSlot(slot)) +
                                             static_cast<uint32_t>(delta)));
}

int32_t GetSettingsSlotClamped(int slot, int32_t lo, int32_t hi) {
  const int32_t v = GetSettingsSlot(slot);
  return v < lo ? lo : v > hi ? hi : v;
}

void ResetKeyAssign() {
  static constexpr int32_t kDefaults[9] = {16, 32, 64, 128, 0x40000000, 0x40000000, 4096,
                                           0x40000000, 0x40000000};
  for (int i = 0; i < 9; ++i) SetSettingsSlot(5 + i, kDefaults[i]);
}

void SetDefaultSettings() {
  for (int s = 0; s < kSettingsSlotCount; ++s) SetSettingsSlot(s, 0);
  SetSettingsSlot(1, 4097);
  SetSettingsSlot(2, 2);
  ResetKeyAssign();
  SetSettingsSlot(17, 0);
  SetSettingsSlot(18, 0);
  SetSettingsSlot(19, 1);
  SetSettingsSlot(20, 0);
  SetSettingsSlot(26, 0);
  SetSettingsSlot(22, 98);
  SetSettingsSlot(23, 98);
  SetSettingsSlot(24, 85);
  SetSettingsSlot(47, 90);
  SetSettingsSlot(25, 2);
  for (int r = 0; r < 4; ++r) {
    SetSettingsSlot(48 + 3 * r, r);
    SetSettingsSlot(49 + 3 * r, r);
    SetSettingsSlot(50 + 3 * r, r);
  }
  SetSettingsSlot(60, 0);
  for (int s = 576; s < kSettingsSlotCount; ++s) SetSettingsSlot(s, 0);
}

void SetDataSetSettings() {
  SetDefaultSettings();
  SetSettingsSlot(kSlotScreen, 1);
  SetSettingsSlot(kSlotFramePacing, 1);
}

void SeedSettingsRandom(uint32_t seed) { SeedRandomGenerator(&g_twister, seed); }
int SettingsRandomUpTo(int n) { return RandomGeneratorUpTo(&g_twister, n); }

void BuildSettingsFileImage(uint32_t seed, uint8_t image[kSettingsFileSize]) {
  if (seed == 0) {
    for (int i = 0; i < kSettingsSlotCount; ++i) PutWordLE(image + 4 * i, i == kSlotFileSeed ? 0 : g_raw[i]);
    return;
  }
  SeedSettingsRandom(seed);
  for (int i = 0; i < kSettingsSlotCount; ++i)
    PutWordLE(image + 4 * i, g_raw[i] ^ static_cast<uint32_t>(SettingsRandomUpTo(0x0FFFFFFF)));
  PutWordLE(image + 4 * kSlotFileSeed, seed);
}

void DescrambleSettingsImage() {
  if (static_cast<int32_t>(g_raw[kSlotFileSeed]) > 0) {
    SeedSettingsRandom(g_raw[kSlotFileSeed]);
    for (int i = 0; i < kSettingsSlotCount; ++i)
      g_raw[i] ^= static_cast<uint32_t>(SettingsRandomUpTo(0x0FFFFFFF));
    g_raw[kSlotFileSeed] = 0;
  }
}

void ScrambleSettingsImage() {
  // The seed must read back as a positive number, or the file would be taken unscrambled.
  uint32_t seed = static_cast<uint32_t>(g_Engine.GetMillisecondCountLocked()) & 0x7FFFFFFFu;
  if (seed == 0) seed = 1;
  uint8_t bytes[kSettingsFileSize];
  BuildSettingsFileImage(seed, bytes);
  for (int i = 0; i < kSettingsSlotCount; ++i) g_image[i] = GetWordLE(bytes + 4 * i);
}

int SaveSettingsFile() {
  ScrambleSettingsImage();
  uint8_t bytes[kSettingsFileSize];
  for (int i = 0; i < kSettingsSlotCount; ++i) PutWordLE(bytes + 4 * i, g_image[i]);
  if (WriteWholeFile(kSettingsFileName, bytes, kSettingsFileSize) == kSettingsFileSize) return kSettingsFileSize;
  SaySettingsNotSaved();
  return -1;
}

int LoadSettingsFile() {
  bool loaded = false;
  const int64_t size = GetFileSizeByName(kSettingsFileName);
  if (size == kSettingsFileSize) {
    uint8_t bytes[kSettingsFileSize];
    if (ReadFileToBuffer(kSettingsFileName, bytes, kSettingsFileSize) == kSettingsFileSize) {
      for (int i = 0; i < kSettingsSlotCount; ++i) g_raw[i] = GetWordLE(bytes + 4 * i);
      DescrambleSettingsImage();
      loaded = true;
    }
  } else if (size >= 0) {
    SetAsideForeignFile(size);
  }
  if (!loaded) {
    const int init = Ask("コンフィグが見つかりません\n初期化しますか？", kBoxYesNoCancel);
    if (init != kAnswerYes) return -1;
    const int fullScreen = Ask("フルスクリーンで起動しますか？", kBoxYesNo);
    const int vsync = Ask("垂直同期をとりますか？", kBoxYesNo);
    SetDefaultSettings();
    SetSettingsSlot(kSlotScreen, fullScreen == kAnswerNo ? 1 : 0);
    SetSettingsSlot(kSlotFramePacing, vsync == kAnswerNo ? 1 : 0);
  }
  SetSettingsSlot(kSlotStartMark, 90);
  if (GetSettingsSlot(kSlotRandomTag) == 0) {
    // Seeded first: neither the defaults nor a plain file (the data set's) have seeded it.
    SeedSettingsRandom(static_cast<uint32_t>(g_Engine.GetMillisecondCountLocked()));
    SetSettingsSlot(kSlotRandomTag, SettingsRandomUpTo(0x3FFFFFFF));
  }
  SaveSettingsFile();
  return kSettingsFileSize;
}

void AccumulatePlayTime() {
  const int now = g_Engine.GetMillisecondCountLocked();
  const int run = ElapsedMs(GetRunStartTime(), now);
  if (run > 999) {
    const int seconds = run / 1000;
    AddSettingsSlot(kSlotRunTime, seconds);
    SetRunStartTime(static_cast<int>(static_cast<uint32_t>(GetRunStartTime()) +
                                     static_cast<uint32_t>(seconds) * 1000u));
  }
  if (GetSessionStartTime() > 0) {
    const int played = ElapsedMs(GetSessionStartTime(), now);
    AddSettingsSlot(kSlotPlayTime, played / 1000);
    SetSessionStartTime(0);
  }
}

bool ConfirmQuitBox() { return Ask("終了しますか？", kBoxYesNo) != kAnswerNo; }

const uint32_t* SettingsRawStore() { return g_raw; }

void ClearSettingsRawStore() { std::memset(g_raw, 0, sizeof g_raw); }
