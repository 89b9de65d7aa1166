// The game harness program: the whole game driven by options (see game/harness/harness.h).
#include "game/harness/harness.h"

int main(int argc, char** argv) { return HarnessMain(argc, argv); }
