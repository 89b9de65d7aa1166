// The program's entry: the game's boot, scene loop and shut-down. The game reads no command line.
#include "game/framework/boot.h"
#include "platform/window.h"

int main() {
  // The headless back ends are the harness's and the tests': without a display the real program
  // says so and ends instead of running unseen.
  plat::WindowSelectBackend(plat::WindowBackend::Sdl);
  WorkFromProgramFolder();
  return GameMain();
}
