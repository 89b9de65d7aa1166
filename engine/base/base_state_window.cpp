#include "engine/base/base_state.h"

BaseState g_base;
