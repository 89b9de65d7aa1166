// Temporary: three rows of the sprite layout until the shared layout lands.
#include "game/framework/sprite_layout_standin.h"

namespace {
const SpriteCutRow kCut[kSpriteCutRows + 1] = {
    {1, 0 | kSpriteCutExact, 4, 932, 0, 0},
    {1, 1, 184, 928, 24, 16},
    {1, 2 | kSpriteCutExact, 36, 932, 8, 8},
    {-1, 0, 0, 0, 0, 0},
};
const SpriteAnimRow kAnim[kSpriteAnimRows + 1] = {
    {768, 769, 4}, {769, 770, 4}, {770, 0, 0x1FFFFFFF}, {-1, 0, 0},
};
}  // namespace

const SpriteCutRow (&SpriteCutTable)[kSpriteCutRows + 1] = kCut;
const SpriteAnimRow (&SpriteAnimTable)[kSpriteAnimRows + 1] = kAnim;
