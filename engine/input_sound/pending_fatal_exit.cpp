// Waits for the engine's fatal exit (start-up and shut-down); until then it only logs and ends.
#include <cstdlib>

#include "engine/base/log.h"
#include "engine/input_sound/sound.h"

void ErrorExit(const char* text) {
  LogWrite(text);
  LogWrite("\n");
  std::exit(-1);
}
