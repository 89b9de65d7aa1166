// Stand-ins for the gameplay and front-end routines the framework calls, one function each, until
// the real one lands (delete the stand-in then). Handlers and draw routines do nothing.
#include "game/framework/actors.h"
#include "game/framework/game_hooks.h"

void ReturnToParentMenu(int) {}
