// The enemy definition table (one row per id 1-78, most of them empty) and the behaviour table
// (96 slots, the empty handler in every slot without a routine).
#include "game/play/enemies.h"
#include "game/play/play.h"

namespace {

constexpr int32_t kNeverDies = 1073741823;

// Rows of the ids that exist; the table below places them.
struct IdRow {
  int id;
  EnemyDef def;
};

// clang-format off
constexpr IdRow kRows[] = {
  // id  beh  flags        late         sprite  baseHp      radius score hp/L  quota  onsl. dur.   interval
  {1,  {1,  0,           0,           0,      kNeverDies, 0,  0,   0,   0,     0,   0,     99999}},
  {2,  {2,  0x810000,    0x40000000,  0,      12,         32, 3,   0,   5,     180, 1200,  20}},
  {3,  {3,  0,           0x40000000,  0,      20000,      40, 0,   0,   4,     320, 600,   16}},
  {4,  {4,  0x20800000,  0,           0,      0,          48, 6,   4,   5,     240, 400,   32}},
  {5,  {5,  0x810000,    0x40000000,  0,      12,         48, 5,   0,   5,     280, 400,   12}},
  {6,  {6,  0x200000,    0,           0,      kNeverDies, 0,  0,   0,   5,     200, 400,   99999}},
  {7,  {7,  0x80400,     0x800000,    0,      0,          64, 150, 120, 1,     0,   99999, 99999}},
  {8,  {8,  0x80400,     0x800000,    0,      0,          64, 120, 120, 1,     0,   99999, 99999}},
  {9,  {9,  0x800000,    0x40000000,  0x82B,  12,         64, 0,   0,   5,     160, 400,   16}},
  {10, {10, 0x80480,     0,           0,      240,        64, 120, 40,  1,     0,   99999, 99999}},
  {11, {11, 0x20A08000,  0,           0x81A,  1,          32, 0,   0,   5,     200, 400,   99999}},
  {12, {12, 0x80400,     0x800000,    0,      0,          80, 120, 120, 1,     0,   99999, 99999}},
  {13, {13, 0x880480,    0,           0,      320,        64, 160, 40,  1,     0,   99999, 99999}},
  {14, {14, 0x800000,    0,           0,      10,         48, 4,   2,   5,     240, 600,   40}},
  {16, {16, 0x81400,     0,           0,      240,        80, 180, 120, 99999, 0,   99999, 99999}},
  {17, {17, 0x86000,     0,           0,      400,        80, 0,   200, 99999, 0,   99999, 99999}},
  {18, {18, 0x20008000,  0x800000,    0x871,  20,         32, 0,   0,   99999, 200, 400,   99999}},
  {19, {19, 0x810000,    0x40000000,  0,      12,         32, 3,   0,   4,     320, 800,   48}},
  {20, {20, 0x20800000,  0x40000000,  0x871,  12,         32, 3,   0,   5,     180, 400,   20}},
  {21, {21, 0x800000,    0,           0,      40,         64, 20,  4,   4,     270, 600,   60}},
  {22, {22, 0x800000,    0,           0,      80,         32, 200, 8,   99999, 0,   99999, 99999}},
  {50, {50, 0x800000,    0x40000000,  0x8CA,  12,         32, 5,   0,   4,     300, 900,   20}},
};
// clang-format on

struct DefTable {
  EnemyDef rows[kEnemyDefRows];
};

constexpr DefTable BuildDefTable() {
  DefTable t{};
  for (const IdRow& r : kRows) t.rows[r.id - 1] = r.def;
  return t;
}
constexpr DefTable kDefTable = BuildDefTable();

constexpr bool IsEmptyRow(const EnemyDef& d) {
  return d.behaviour == 0 && d.flags == 0 && d.lateFlags == 0 && d.sprite == 0 && d.baseHp == 0 &&
         d.radius == 0 && d.score == 0 && d.hpPerLevel == 0 && d.killQuota == 0 &&
         d.onslaughtLimit == 0 && d.waveDuration == 0 && d.spawnInterval == 0;
}

}  // namespace

const EnemyDef (&EnemyDefTable)[kEnemyDefRows] = kDefTable.rows;

const EnemyDef* FindEnemyDef(int id) {
  if (id < 1 || id > kEnemyDefRows) return nullptr;
  const EnemyDef& d = kDefTable.rows[id - 1];
  return IsEmptyRow(d) ? nullptr : &d;
}

void EmptyEnemyBehaviour(int) {}

namespace {

struct BehaviourSlots {
  EnemyBehaviour slots[kEnemyBehaviourSlots];
};

constexpr BehaviourSlots BuildBehaviourSlots() {
  BehaviourSlots t{};
  for (EnemyBehaviour& s : t.slots) s = EmptyEnemyBehaviour;
  t.slots[0] = DyingEnemyTask;
  t.slots[1] = WaveControllerTask;
  t.slots[2] = EnemyBehaviour02;
  t.slots[3] = EnemyBehaviour03;
  t.slots[4] = EnemyBehaviour04;
  t.slots[5] = EnemyBehaviour05;
  t.slots[6] = EnemyBehaviour06;
  t.slots[7] = EnemyBehaviour07;
  t.slots[8] = EnemyBehaviour08;
  t.slots[9] = EnemyBehaviour09;
  t.slots[10] = EnemyBehaviour10;
  t.slots[11] = EnemyBehaviour11;
  t.slots[12] = EnemyBehaviour12;
  t.slots[13] = EnemyBehaviour13;
  t.slots[14] = EnemyBehaviour14;
  t.slots[16] = EnemyBehaviour16;
  t.slots[17] = EnemyBehaviour17;
  t.slots[18] = EnemyBehaviour18;
  t.slots[19] = EnemyBehaviour19;
  t.slots[20] = EnemyBehaviour20;
  t.slots[21] = EnemyBehaviour21;
  t.slots[50] = EnemyBehaviour50;
  return t;
}
constexpr BehaviourSlots kBehaviourSlots = BuildBehaviourSlots();

}  // namespace

const EnemyBehaviour (&EnemyBehaviourTable)[kEnemyBehaviourSlots] = kBehaviourSlots.slots;
