// Stand-ins for the operations of play.h whose real versions are not built yet, so that the game
// links and a play runs without them: each creates nothing and reports failure or nothing. Each
// stand-in is deleted here when its real version lands (one function each).
#include "game/framework/actors.h"
#include "game/framework/replay.h"
#include "game/framework/settings.h"
#include "game/play/play.h"

// Front end. The intro card ends at once, as it does in playback; the result screen ends the
// recording and leaves an idle session, without its window.
void StartReplayForPlay() { BeginReplay((GetSettingsSlot(kSlotPlayMode) & kPlayReplay) != 0); }
int StartAreaIntro(int) {
  StartArea();
  return -1;
}
int ShowGameResult() {
  int32_t mode = GetSettingsSlot(kSlotPlayMode);
  EndReplay();
  ClearStageActors();
  CreateGameSession();
  SetSettingsSlot(kSlotPlayMode, mode & ~kPlayFrames);
  return -1;
}
