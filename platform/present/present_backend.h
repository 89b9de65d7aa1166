// What each presenter back end supplies to the shared presenter code.
#pragma once
#include "platform/present.h"

namespace plat {

struct PresenterOps {
  int (*show)(const PresentImage& image, int32_t x, int32_t y, int32_t outWidth, int32_t outHeight);
  void (*release)();   // drop the renderer and texture
};

extern const PresenterOps kSdlPresenterOps;
extern const PresenterOps kHeadlessPresenterOps;

void* PresenterWindow();   // the bound SDL_Window*, or null
// Records a shown frame; the headless back end also keeps its pixels.
void PresenterCountFrame(const PresentImage& image, int32_t x, int32_t y, int32_t outWidth, int32_t outHeight);

}  // namespace plat
