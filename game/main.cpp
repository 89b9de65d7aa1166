// The program's entry: the game's boot, scene loop and shut-down. The game reads no command line.
#include "game/framework/boot.h"

int main() {
  WorkFromProgramFolder();
  return GameMain();
}
