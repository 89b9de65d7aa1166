// The area intro card (the area's picture, a caption built up line by line, the character's
// portrait and music) and the end of play: the result figures, the ranking and rig record, the
// settings save, and the offer to save the replay, whose window leads back to the title.
#include <algorithm>

#include "game/framework/actors.h"
#include "game/framework/commands.h"
#include "game/framework/drawlist.h"
#include "game/framework/frame_loop.h"
#include "game/framework/input.h"
#include "game/framework/replay.h"
#include "game/framework/settings.h"
#include "game/framework/sound.h"
#include "game/framework/spawn.h"
#include "game/framework/text.h"
#include "game/frontend/frontend.h"
#include "game/play/play.h"

namespace {

constexpr int kFieldCaptionLines = 39;
constexpr int kFieldPromptTimer = 75;
constexpr int kFieldFreeReplay = 76;
constexpr int kFieldResultValue = 31;
constexpr int kCardSkipFrom = 60;
constexpr int kCardLastFrame = 959;
constexpr int kPromptFrom = 60;
constexpr int kFigureLines = 12;
constexpr int kLayer = 28;

bool CardSkipped() { return IsReplayPlayback() || GetSettingsSlot(kSlotIntermission) >= 1; }

// The play's figures in display order: label text 168 + i, the value of line i.
void ReadFigures(int32_t figures[kFigureLines], int32_t slowdown) {
  figures[0] = GetGameVar(kVarPhaseLevel);
  figures[1] = GetGameVar(kVarLevelSum) / std::max(GetGameVar(kVarLevelFrames), 1);
  figures[2] = GetGameVar(kVarKills);
  figures[3] = GetGameVar(kVarGemsTaken);
  figures[4] = GetGameVar(kVarBestChain);
  figures[5] = GetGameVar(kVarOnslaughts);
  figures[6] = GetGameVar(kVarTimesHit);
  figures[7] = GetGameVar(kVarBombsLaunched);
  figures[8] = GetGameVar(kVarArea) + 1;
  figures[9] = static_cast<int32_t>(static_cast<uint32_t>(GetGameVar(kVarScore)) * 10u +
                                    static_cast<uint32_t>(GetGameVar(kVarContinues)));
  figures[10] = slowdown;
  figures[11] = CalcSpiritRating();
}

void ShowFigures(const int32_t figures[kFigureLines], bool mission) {
  for (int i = 0; i < kFigureLines; ++i) {
    if (mission && i != 9 && i != 10) continue;
    const int y = 32 + 32 * i;
    SpawnLabelActor(360, y, kLayer, 4, 168 + i, 0xCFFFFFFFu);
    if (i == 10) {
      SpawnLabelActorEx(485, y, kLayer, 5, figures[i] / 100, 0xFFFF7FFFu, 7);
      SpawnEffect(594, y + 7, kLayer, 526);
      SpawnLabelActorEx(565, y, kLayer, 6, figures[i] % 100, 0xFFFF7FFFu, 2);
      SpawnEffect(565, y + 7, kLayer, 149);
    } else {
      SpawnLabelActorEx(488, y, kLayer, 5, figures[i], 0xFFFF7FFFu, 9);
    }
  }
}

// Inserts (score, info) into a table of 16 rows: below every row scoring as much or more, the
// rows after it moving down one and the last dropping out.
void InsertRanking(int table, int32_t score, int32_t info) {
  for (int row = 0; row < kRankingRows; ++row) {
    if (GetSettingsSlot(table + 2 * row) < score) {
      for (int r = kRankingRows - 1; r > row; --r) {
        SetSettingsSlot(table + 2 * r, GetSettingsSlot(table + 2 * (r - 1)));
        SetSettingsSlot(table + 2 * r + 1, GetSettingsSlot(table + 2 * (r - 1) + 1));
      }
      SetSettingsSlot(table + 2 * row, score);
      SetSettingsSlot(table + 2 * row + 1, info);
      return;
    }
  }
}

void LeaveToTitle() {
  // The prompt keeps leaving until the frame loop takes the code; the crossfade starts once.
  if (GetMenuTaskField(kFieldExitCode) != kMenuExitTitle) {
    CaptureScreenToBuffer();
    StartScreenCrossfade();
  }
  SetMenuTaskField(kFieldExitCode, kMenuExitTitle);
}

}  // namespace

int StartAreaIntro(int area) {
  const int card = CreateMenuWindow(16, 16, 0, 0, GetCurrentMenuTask(), kMenuAreaIntro);
  if (card < 0) {
    // No card to start the area from: start it now.
    StartArea();
    return -1;
  }
  if (!CardSkipped()) {
    SpawnRectActor(0, 0, 640, 480, 0, 0x000000FFu);
    SpawnEffect(320, 144, 1, 7936 + area);
    const int band = SpawnEffect(320, 448, 20, 193);
    if (band > 0) SetActorField(kFieldColour, band, static_cast<int32_t>(0xC0C0FF80u));
    SetActorField(kFieldCaptionLines, card, SplitTextPage(64 + area, 0));
    CaptureScreenToBuffer();
    StartScreenCrossfade();
    PlayBgmWithTitle(area == 4 ? 7 : 3);
  }
  return card;
}

void AreaIntroTask(int task) {
  const int a = GetActorField(kFieldAge, task);
  bool done = CardSkipped();
  if (task == GetCurrentMenuTask()) {
    if (a > kCardSkipFrom - 1 && IsButtonPressed(kButtonShot | kButtonMenu)) done = true;
    if (a > kCardLastFrame) done = true;
  }
  if (done) {
    ClearStageActors();
    StartArea();
    OrActorField(kFieldFlags, task, kFlagDead);
    return;
  }
  DrawCharacterPortrait(GetGameVar(kVarCharacter), a, std::min(2 * a, 80), false);
  const int lines = std::clamp(GetActorField(kFieldCaptionLines, task), -1, kTextLineCount - 1);
  for (int i = 0; i <= lines; ++i) {
    const int alpha = std::min(4 * a - 384 * i, 255);
    if (alpha > 0) {
      SetDrawColor(AddDrawTextLine(40, 280 + 16 * i, kLayer, i), 0xFFFFFF00u | static_cast<uint32_t>(alpha));
    }
  }
}

// Only the numbers REPLAY MODE lists: a replay saved past them could never be found again.
int FindFreeReplayNumber() {
  for (int n = 0; n <= kReplayLastNumber; ++n)
    if (GetReplayFileSize(n) == -1) return n;
  return -1;
}

int ShowGameResult() {
  ResetMenuStack();
  const int32_t m = GetSettingsSlot(kSlotPlayMode);
  const int32_t slowdown = GetSlowdownRate();
  int32_t figures[kFigureLines];
  ReadFigures(figures, slowdown);
  const int32_t continues = GetGameVar(kVarContinues);
  const int difficulty = std::clamp(GetGameVar(kVarDifficulty), 0, 3);
  const int character = std::clamp(GetGameVar(kVarCharacter) & 3, 0, 1);
  const int loadout = GetGameVar(kVarLoadout) & 63;
  SetGameVar(kVarSlowdown, slowdown);

  EndReplay();
  ClearStageActors();
  CreateGameSession();

  const int window = CreateMenuWindow(24, 400, 0, 0, 0, kMenuResult);
  if (window < 0) {
    SetMenuTaskField(kFieldExitCode, kMenuExitRestart);
    return -1;
  }
  OrActorField(kFieldFlags, window, 0x4000002u);
  if (m & kPlayFrames) SetSettingsSlot(kSlotPlayMode, m & ~kPlayFrames);

  const int backdrop = SpawnEffect(320, 240, 0, 192);
  if (backdrop > 0) {
    SetActorField(kFieldColour, backdrop, static_cast<int32_t>(0x002F1F3Fu));
    FadeInActor(backdrop, 0);
    ReplaceBackground(backdrop);
  }
  ShowFigures(figures, (m & kPlayMission) != 0);

  // With every listed number taken the offer stands all the same: YES then says REPLAY RECORD
  // FAILED (SaveReplay refuses -1), so the player learns the replay was not kept.
  const int free = FindFreeReplayNumber();
  if (continues == 0 && !(m & kPlayReplay) && !IsReplayFull()) {
    SpawnRectActor(0, 448, 640, 464, kLayer, 0x0000FF80u);
    SpawnLabelActor(16, 449, kLayer, 4, 191, 0xFFFFFFFFu);
    SetActorField(kFieldFreeReplay, window, free);
  } else {
    SetActorField(kFieldMenuWidth, window, 0);
  }

  const int32_t areas = figures[8];
  const int32_t score = figures[9];
  if (!(m & kPlayReplay) && areas != 7 && GetSettingsSlot(kSlotStartLives) == 2 && score >= 1) {
    int32_t info = static_cast<int32_t>((static_cast<uint32_t>(areas - 1) & 0xFu) << 28 |
                                        static_cast<uint32_t>(character) << 24 |
                                        (static_cast<uint32_t>(slowdown) & 0xFFFFu));
    if (character == 1) {
      info |= loadout << 16;
      const int record = RigRecordSlot(difficulty, loadout);
      if (score > GetSettingsSlot(record)) SetSettingsSlot(record, score);
    }
    InsertRanking(RankingTableSlot(character, difficulty), score, info);
  }

  FadeOutBgm();
  CaptureScreenToBuffer();
  StartScreenCrossfade();
  SaveSettingsFile();
  SetActorField(kFieldPromptTimer, window, 0);
  return window;
}

void SaveReplayPromptTask(int task) {
  const int a = GetActorField(kFieldAge, task);
  int t = GetActorField(kFieldPromptTimer, task);
  if (t > 0) SetActorField(kFieldPromptTimer, task, ++t);
  DrawCharacterPortrait(GetSettingsSlotClamped(kSlotCharacter, 0, 1), a, -40, true);
  const int32_t m = GetSettingsSlot(kSlotPlayMode);
  bool leave = ((m & kPlayReplay) && (m & kPlayMission)) || (m & kPlayDemo);
  if (task == GetCurrentMenuTask() && a >= kPromptFrom) {
    if (IsButtonPressed(kButtonShot | kButtonMenu)) {
      const bool offer = GetActorField(kFieldMenuWidth, task) >= 1;
      if (GetActorField(kFieldCursor, task) >= 1 || !offer) {
        if (t < 1) {
          PlaySe(1);
          t = 59;
        }
      } else if (t < 1) {
        if (SaveReplay(GetActorField(kFieldFreeReplay, task))) {
          SpawnLabelActor(24, 384, kLayer, 3, 288, 0xCFFFFFFFu);
          PlaySe(33);
        } else {
          SpawnLabelActor(24, 384, kLayer, 3, 289, 0xCFFFFFFFu);
          PlaySe(47);
        }
        t = 1;
      }
      SetActorField(kFieldPromptTimer, task, t);
    }
    if (t > 59) {
      PlaySe(1);
      leave = true;
    }
  }
  if (leave) LeaveToTitle();
}

void GameOverTask(int task) {
  ShowGameResult();
  OrActorField(kFieldFlags, task, kFlagDead);
}

int OpenResultCard(int32_t value) {
  const int task = CreateMenuWindow(0, 0, 0, 0, GetCurrentMenuTask(), kMenuGameOver);
  if (task < 0) return -1;
  SetActorField(kFieldResultValue, task, value);
  CaptureScreenToBuffer();
  StartScreenCrossfade();
  FadeOutBgm();
  return task;
}

void ExitToNextStateFromResult() {
  SetMenuTaskField(kFieldExitCode, kMenuExitCapture);
  SetSettingsSlot(kSlotPlayMode, 1);
}
