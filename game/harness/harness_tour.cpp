// The screen tour: a walk through every screen of the game, answered by what the screen shows
// (the current scene task and its age), saving a picture of each screen as it goes: the opening,
// the title and its menu, GAME CONFIG and KEY ASSIGN, the character menu with each character's
// portrait and difficulty menu, the area card, play, the pause menu and its KEY ASSIGN, the
// results, SCORE BOARD, REPLAY MODE with its delete question, PLAY ORDERS and the QUIT GAME
// shutters, after which the game ends by itself.
#include "game/harness/harness_tour.h"

#include <deque>

#include "game/framework/actors.h"
#include "game/framework/replay.h"
#include "game/framework/settings.h"
#include "game/frontend/frontend.h"
#include "platform/input/scripted/scripted_input.h"

namespace {

constexpr int kTourPlay = 1;   // a stop in play: its age counts the frames played so far

// A stop of the tour: once the current scene task is `kind` at `age` or older and the keys of the
// stop before have all been pressed, the picture is taken, the cursor is moved to `choose` and
// confirmed (when >= 0), and `keys` are pressed: Z X E(scape) U(p) D(own), or ! to end the play
// there through the results, as the end of a replay's input would.
struct Stop {
  const char* picture;
  int32_t kind;
  int age;
  int choose;
  const char* keys;
};
constexpr Stop kStops[] = {
    {"opening_crossfade", kMenuOpening, 12, -1, ""},
    {"opening", kMenuOpening, 60, -1, ""},
    {"title", kMenuTitleScreen, 100, -1, "Z"},
    {"title_menu", kMenuTitle, 40, 5, ""},
    {"game_config", kMenuGameConfig, 40, -1, "UZ"},
    {"key_assign", kMenuKeyAssign, 40, -1, "XX"},
    {nullptr, kMenuTitle, 0, 0, ""},
    {"character_menu", kMenuCharacter, 40, 0, ""},
    {"difficulty_first", kMenuDifficulty, 40, -1, "X"},
    {nullptr, kMenuCharacter, 0, 1, ""},
    {"rig_menu", kMenuRig, 40, 1, ""},
    {"difficulty_second", kMenuDifficulty, 40, 0, ""},
    {nullptr, kMenuStartConfirm, 10, 0, ""},
    {"area_card", kMenuAreaIntro, 70, -1, "Z"},
    {"play", kTourPlay, 240, -1, "E"},
    {"pause", kMenuPause, 40, 3, ""},
    {"pause_key_assign", kMenuKeyAssign, 40, -1, "X"},
    {nullptr, kMenuPause, 0, 1, ""},
    {nullptr, kTourPlay, 300, -1, "!"},
    {"results", kMenuResult, 70, -1, "Z"},
    {nullptr, kMenuTitleScreen, 40, -1, "Z"},
    {nullptr, kMenuTitle, 40, 4, ""},
    {nullptr, kMenuGameResult, 40, 0, ""},
    {"score_board", kMenuScoreBoard, 40, -1, "X"},
    {nullptr, kMenuGameResult, 0, 1, ""},
    {"replay_mode", kMenuReplayMode, 40, -1, "ZDZ"},
    {"replay_delete_question", kMenuReplayMode, 0, -1, "ZXX"},
    {nullptr, kMenuGameResult, 0, 2, ""},
    {"play_orders", kMenuPlayOrders, 40, -1, "XX"},
    {nullptr, kMenuTitle, 0, 6, ""},
    {"quit", kMenuQuitGame, 45, -1, ""},
};
constexpr int kStopCount = int(sizeof kStops / sizeof kStops[0]);

constexpr int kZ = 29, kX = 27, kEsc = 41, kDown = 81, kUp = 82;

struct Tour {
  int stop = 0, played = 0, wait = 0, pressed = -1;
  std::deque<int> keys;   // scan codes; -1: end the play
};
Tour g_tour;

}  // namespace

void TourReset() { g_tour = Tour{}; }

bool TourDone() { return g_tour.stop >= kStopCount; }

void TourAfterPass(const std::function<void(const char* name)>& save) {
  Tour& t = g_tour;
  if (GetSettingsSlot(kSlotPlayMode) & kPlayFrames) ++t.played;
  // One key a press, held for a pass, five passes apart.
  if (t.pressed >= 0) plat::ScriptedKey(t.pressed, false);
  t.pressed = -1;
  if (t.wait > 0) {
    --t.wait;
    return;
  }
  if (!t.keys.empty()) {
    const int k = t.keys.front();
    t.keys.pop_front();
    if (k < 0) {
      EndRecordingAtNextFrame();
    } else {
      plat::ScriptedKey(t.pressed = k, true);
    }
    t.wait = 5;
    return;
  }
  if (TourDone()) return;
  const Stop& s = kStops[t.stop];
  const int task = GetCurrentMenuTask();
  const bool live = IsLiveSceneTask(task);
  if (s.kind == kTourPlay ? t.played < s.age
                          : !live || GetActorField(kFieldKind, task) != s.kind || GetActorField(kFieldAge, task) < s.age)
    return;
  if (s.picture) save(s.picture);
  if (s.choose >= 0) {
    const int n = GetActorField(kFieldItemCount, task);
    for (int k = n > 0 ? (s.choose - GetActorField(kFieldCursor, task) + n) % n : 0; k > 0; --k) t.keys.push_back(kDown);
    t.keys.push_back(kZ);
  }
  for (const char* c = s.keys; *c; ++c)
    t.keys.push_back(*c == 'Z' ? kZ : *c == 'X' ? kX : *c == 'E' ? kEsc : *c == 'U' ? kUp : *c == 'D' ? kDown : -1);
  ++t.stop;
}

void TourRelease() {
  if (g_tour.pressed >= 0) plat::ScriptedKey(g_tour.pressed, false);
  g_tour.pressed = -1;
}
