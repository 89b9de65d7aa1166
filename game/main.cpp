// The program's entry. Until the game's own boot sequence lands, it starts the engine in a window
// and runs its message processing until the window is closed.
#include "engine/engine.h"

int main() {
  if (LibraryInitializeLocked() == -1) return 1;
  while (ProcessMessageLocked() == 0) {
  }
  LibraryTerminateLocked();
  return 0;
}
