// Waits for texture graphs: a movie frame cannot go into tiles yet.
#include "engine/graphics/graphics_hooks.h"

int TransferMovieFrameToTextures(const PictureImage*, int, GraphRecord*) { return -1; }
