// The records of GAME RESULT: SCORE BOARD (the rankings of each character and difficulty, the
// second character's best score for each rig, the play and run clocks) and PLAY ORDERS (the 32
// achievements, with the name and story of each one achieved).
#include <algorithm>
#include <bit>

#include "game/framework/actors.h"
#include "game/framework/drawlist.h"
#include "game/framework/input.h"
#include "game/framework/settings.h"
#include "game/framework/sound.h"
#include "game/framework/text.h"
#include "game/frontend/frontend.h"

namespace {

constexpr int kLayer = 28;
constexpr uint32_t kYellow = 0xFFFF7FFFu;
constexpr uint32_t kOrange = 0xFFCF7FFFu;
constexpr uint32_t kPale = 0xCFFFFFFFu;
constexpr uint32_t kBarColour = 0x0F0F7FC0u;

// SCORE BOARD fields.
constexpr int kFieldPage = 66;         // 0 rankings, 1 rig records
constexpr int kFieldCharacter = 67;
constexpr int kFieldDifficulty = 68;
constexpr int kFieldRigPage = 69;

constexpr int kTextDifficulty = 60;
constexpr int kTextArea = 117;         // "AREA1" .. "AREA5", 122 "ALL"

constexpr int kOrders = 32;

int Wrap(int v, int n) { return ((v % n) + n) % n; }

int FieldIn(int task, int field, int n) { return std::clamp(GetActorField(field, task), 0, n - 1); }

void DrawRanking(int character, int difficulty) {
  DrawMenuBox(192, 144, 632, 464);
  SetDrawColor(AddDrawRect(192, 152, 632, 166, kLayer, 1), kBarColour);
  AddDrawTextString(200, 152, kLayer, 407);
  const int table = RankingTableSlot(character, difficulty);
  for (int i = 0; i < kRankingRows; ++i) {
    const int32_t score = GetSettingsSlot(table + 2 * i);
    if (score <= 0) continue;
    const uint32_t info = static_cast<uint32_t>(GetSettingsSlot(table + 2 * i + 1));
    const int y = 168 + 16 * i;
    DrawMenuNumber(200, y, score, 8, false, kYellow);
    DrawMenuText(290, y, kTextDifficulty + difficulty, kPale);
    // The info word comes from the file: fields outside their ranges show nothing.
    const uint32_t areas = info >> 28;
    if (areas <= 5) DrawMenuText(379, y, kTextArea + static_cast<int>(areas), kOrange);
    const uint32_t who = (info >> 24) & 15u;
    const uint32_t loadout = (info >> 16) & 0xFFu;
    if (who == 1 && loadout < 64) DrawMenuText(428, y, kLabelLoadout + static_cast<int>(loadout), kPale);
    else if (who == 0) DrawMenuText(428, y, kLabelFirstCharacter, kPale);
    DrawSlowdownRate(556, 576, y, static_cast<int32_t>(info & 0xFFFFu), kYellow);
  }
  AddDrawClock(472, 428, GetSettingsSlot(kSlotPlayTime));
  AddDrawClock(472, 444, GetSettingsSlot(kSlotRunTime));
}

void DrawRigRecords(int page) {
  DrawMenuBox(96, 144, 632, 464);
  for (int d = 0; d < 4; ++d) DrawMenuText(240 + 96 * d, 152, kTextDifficulty + d, kPale);
  for (int i = 0; i < 16; ++i) {
    const int loadout = 16 * page + i;
    const int y = 168 + 16 * i;
    bool any = false;
    for (int d = 0; d < 4; ++d) {
      const int32_t best = GetSettingsSlot(RigRecordSlot(d, loadout));
      if (best <= 0) continue;
      any = true;
      DrawMenuNumber(240 + 96 * d, y, best, 8, false, kYellow);
    }
    if (any) DrawMenuText(104, y, kLabelLoadout + loadout, kPale);
  }
}

}  // namespace

void ScoreBoardTask(int task) {
  int page = FieldIn(task, kFieldPage, 2);
  int character = FieldIn(task, kFieldCharacter, 2);
  int difficulty = FieldIn(task, kFieldDifficulty, 4);
  int rigPage = FieldIn(task, kFieldRigPage, 4);
  if (task == GetCurrentMenuTask()) {
    const int row = MoveMenuCursor();
    int step = 0;
    if (IsButtonPressed(kButtonLeft)) {
      PlaySe(0);
      --step;
    }
    if (IsButtonPressed(kButtonRight)) {
      PlaySe(0);
      ++step;
    }
    if (row == 0) page = Wrap(page + step, 2);
    else if (row == 1 && page == 0) character = Wrap(character + step, 2);
    else if (row == 1) rigPage = Wrap(rigPage + step, 4);
    else difficulty = Wrap(difficulty + step, 4);
    if (IsCancelPressed()) OrActorField(kFieldFlags, task, kFlagDead);
  }
  SetActorField(kFieldPage, task, page);
  SetActorField(kFieldCharacter, task, character);
  SetActorField(kFieldDifficulty, task, difficulty);
  SetActorField(kFieldRigPage, task, rigPage);

  const int x = GetActorField(kFieldX, task);
  const int y = GetActorField(kFieldY, task);
  const int cursor = FieldIn(task, kFieldCursor, 3);
  DrawMenuBox(x - 8, y - 8, x + 134, y + 56);
  SetDrawColor(AddDrawRect(x - 8, y + 16 * cursor, x + 134, y + 16 * cursor + 14, 26, 1), 0x00FFFF7Fu);
  SetDrawColor(AddDrawSprite(x - 5, y + 16 * cursor, kLayer, 558), 0xFF7F7FFFu);
  SetDrawColor(AddDrawSprite(x + 117, y + 16 * cursor, kLayer, 559), 0xFF7F7FFFu);
  DrawMenuText(x + 1, y, 416 + page, cursor == 0 ? kYellow : kPale);
  DrawMenuText(x + 1, y + 16, page == 0 ? kLabelFirstCharacter + character : 144 + rigPage, cursor == 1 ? kYellow : kPale);
  if (page == 0) {
    DrawMenuText(x + 1, y + 32, kTextDifficulty + difficulty, cursor == 2 ? kYellow : kPale);
    DrawRanking(character, difficulty);
  } else {
    DrawRigRecords(rigPage);
  }
  AccumulatePlayTime();
}

int CountPlayOrderRows() {
  return std::min(4 + std::popcount(static_cast<uint32_t>(GetSettingsSlot(kSlotPlayOrders))), 29);
}

void PlayOrdersTask(int task) {
  int c = FieldIn(task, kFieldCursor, kOrders);
  if (task == GetCurrentMenuTask()) {
    const std::pair<uint32_t, int> moves[] = {{kButtonRight, 1}, {kButtonLeft, -1}, {kButtonUp, -8}, {kButtonDown, 8}};
    for (const auto& [button, step] : moves) {
      if (!IsButtonPressed(button)) continue;
      PlaySe(0);
      c = Wrap(c + step, kOrders);
    }
    if (IsCancelPressed()) OrActorField(kFieldFlags, task, kFlagDead);
  }
  SetActorField(kFieldCursor, task, c);
  const uint32_t achieved = static_cast<uint32_t>(GetSettingsSlot(kSlotPlayOrders));
  const bool lit = (achieved >> c) & 1u;
  if (GetActorField(kFieldPrevCursor, task) != c) {
    if (lit) SetTextLine(0, c);
    SetActorField(kFieldPrevCursor, task, c);
  }

  const int x = GetActorField(kFieldX, task);
  const int y = GetActorField(kFieldY, task);
  const int age = GetActorField(kFieldAge, task);
  DrawMenuBox(x - 8, y - 8, x + 320, y + 192);
  SetDrawColor(AddDrawRect(x - 8, y + 170, x + 320, y + 188, kLayer, 1), 0x2020C0C0u);
  for (int n = 0; n < kOrders; ++n) {
    const int cx = x + 16 + 40 * (n % 8);
    const int cy = y + 16 + 40 * (n / 8);
    if (n == c) AddDrawSpriteRot(cx, cy, 27, 0x2000086u, 700, static_cast<int>(300u * static_cast<uint32_t>(age) % 21600u));
    if ((achieved >> n) & 1u) AddDrawSpriteRot(cx, cy, kLayer, 1192u + static_cast<uint32_t>(n), 1000, 0);
  }
  if (lit) {
    DrawMenuText(x, y + 156, 256 + c, kYellow);
    AddDrawTextLine(x + 4, y + 172, kLayer, 0);
  }
}
