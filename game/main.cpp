// The program's entry. Until the game's own boot sequence lands, it opens the engine's window and
// shows an empty picture at the display's pace until the window is closed.
#include "engine/engine.h"

int main() {
  SetMainWindowCaptionLocked("蒼鎖楼 動作確認版");
  if (LibraryInitializeLocked() == -1) return 1;
  // Presents wait for the vertical blank, so the loop runs at the display's rate and mostly sleeps.
  SetFlipWaitsVBlankLocked(1);
  SetDrawTargetLocked(-2);
  while (ProcessMessageLocked() == 0) {
    ClearDrawTargetLocked();
    PresentScreenLocked();
  }
  LibraryTerminateLocked();
  return 0;
}
