#include "run_pictures.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "engine/engine.h"
#include "platform/input/scripted/scripted_input.h"
#include "platform/present.h"
#include "platform/window.h"
#include "x_readback.h"

Pixels PresentedPicture() {
  plat::PresentedFrame f{};
  if (!plat::PresenterLastFrame(&f) || !f.pixels || f.format.bitCount != 32 || f.width != 640 || f.height != 480) {
    return {};
  }
  return PresentedPixels();
}

Pixels MainWindowFromX() {
  const auto id = static_cast<plat::WindowId>(reinterpret_cast<uintptr_t>(GetMainWindowHwndLocked()));
  return ReadWindowBackFromX(plat::WindowNativeHandle(id), 640, 480);
}
