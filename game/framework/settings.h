// The settings store: 1280 numbered 32-bit slots (every setting, key assignment, record and
// ranking), kept masked in memory, read from "velmarondix.sav" at start-up and written back
// whenever a menu changes something. The file's scrambling draws from a private generator of the
// engine's kind, so a save never moves the play's random sequence.
#pragma once
#include <cstdint>

constexpr int kSettingsSlotCount = 1280;
constexpr int kSettingsFileSize = 5120;
constexpr const char* kSettingsFileName = "velmarondix.sav";
extern const char* const kGameCaption;            // the window caption, CP932

// Slots with a meaning of their own (the other numbers are rankings and records, see the users).
enum SettingsSlot : int {
  kSlotKeyShot = 5,        // key masks 5-13: SHOT, M ACTION, BOMBER, SLOW, RAPID, DSHIFT, MENU,
  kSlotKeyMenu = 11,       // SNAP, spare
  kSlotRandomTag = 15,
  kSlotScreen = 16,        // 0 full screen, n > 0 window at scale n
  kSlotFrameRate = 18,     // 0-3: drawn at 60 / (n + 1) frames a second
  kSlotFramePacing = 19,   // 0 vertical sync, 1 or more timer
  kSlotColourDepth = 20,   // 0 32-bit, 1 or more 16-bit
  kSlotIntermission = 21,
  kSlotMusicVolume = 23,
  kSlotEffectVolume = 24,
  kSlotStartLives = 25,
  kSlotFileSeed = 29,
  kSlotReplaySeedMix = 30,
  kSlotContinues = 32,
  kSlotPlayMode = 33,      // PlayModeWord
  kSlotDifficulty = 34,
  kSlotCharacter = 35,
  kSlotStartArea = 36,
  kSlotLastDifficulty = 38,
  kSlotLastCharacter = 39,
  kSlotLastArea = 40,
  kSlotTitleFlag = 41,
  kSlotPlayOrders = 44,
  kSlotPlayTime = 45,
  kSlotRunTime = 46,
  kSlotStartMark = 47,
  kSlotRigs = 48,          // 48-59: four rigs of three weapon choices
  kSlotRigChoice = 60,
  kSlotReplayLoadout = 61,
  kSlotRankings = 576,     // 576-831: a table for each character and difficulty
  kSlotRigRecords = 960,   // 960-1215: the second character's best score for each loadout
};

// A ranking table: kRankingRows pairs of (score, info word), best first.
constexpr int kRankingRows = 16;
constexpr int RankingTableSlot(int character, int difficulty) {
  return kSlotRankings + 128 * character + 32 * difficulty;
}
constexpr int RigRecordSlot(int difficulty, int loadout) { return kSlotRigRecords + 64 * difficulty + loadout; }

// PlayModeWord flags (slot 33); the low four bits name the next scene.
enum PlayModeBits : int32_t {
  kPlayResume = 4,
  kPlayMission = 8,
  kPlayFrames = 16,
  kPlayPractice = 32,
  kPlayDemo = 64,
  kPlayReplay = 128,
};

// Slot access through the mask; slots outside 0-1279 read 0 and ignore writes.
int32_t SetSettingsSlot(int slot, int32_t value);   // the stored (masked) word
int32_t GetSettingsSlot(int slot);
void AddSettingsSlot(int slot, int32_t delta);
// A slot read as a size or index: the value clamped into lo..hi.
int32_t GetSettingsSlotClamped(int slot, int32_t lo, int32_t hi);
uint32_t SettingsSlotMask(int slot);                // M(s)

void ResetKeyAssign();
void SetDefaultSettings();
// The settings a fresh data set starts with, so that the first start asks no questions: the
// defaults, a window of single size and timer pacing.
void SetDataSetSettings();

// File image: the raw store scrambled with seed S (1..0x7FFFFFFF); seed 0 gives the raw store
// with word 29 = 0, which the loader takes as it stands.
void BuildSettingsFileImage(uint32_t seed, uint8_t image[kSettingsFileSize]);
void DescrambleSettingsImage();
void ScrambleSettingsImage();                        // into the image saved next
int SaveSettingsFile();                              // 5120, or -1 when the write failed (said
                                                     // in a box and on stderr; the old file kept)
int LoadSettingsFile();                              // 5120, or -1 when the player declined
void AccumulatePlayTime();
bool ConfirmQuitBox();                               // true unless the answer is No

// Raw store access for tests and the data tool.
const uint32_t* SettingsRawStore();
void ClearSettingsRawStore();                        // zero-filled, as before the first load

// The private generator used for the file's scrambling: the engine's generator, seeded and
// drawn the same way, so the file bytes are the same as if it were drawn from the engine.
void SeedSettingsRandom(uint32_t seed);
int SettingsRandomUpTo(int n);
