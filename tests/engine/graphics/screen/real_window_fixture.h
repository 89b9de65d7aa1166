// A real SDL window for tests that run under a virtual X server: made on the SDL back end of the
// window layer, taken down with its class. Start reports false when no display exists, so the
// test can skip itself.
#pragma once
#include <SDL2/SDL.h>

#include <cstdlib>

#include "platform/present.h"
#include "platform/window.h"

struct RealWindowForTest {
  const char* className = nullptr;
  SDL_Window* window = nullptr;
  plat::WindowId id = 0;
  bool classMade = false;

  bool Start(const char* cls) {
    if (!std::getenv("DISPLAY") || SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    className = cls;
    plat::WindowSelectBackend(plat::WindowBackend::Sdl);
    classMade = plat::WindowClassRegister(cls, plat::DefaultWindowProc, 0);
    return true;
  }
  // A visible pop-up of the given client size; its SDL window, or null.
  SDL_Window* Open(const char* caption, int width, int height) {
    plat::WindowCreateInfo create{className, caption, plat::WS_POPUP | plat::WS_VISIBLE, 0, 0, 0, width, height, false};
    id = plat::WindowCreate(create);
    window = id ? static_cast<SDL_Window*>(plat::WindowNativeHandle(id)) : nullptr;
    return window;
  }
  void Stop() {
    if (id) plat::WindowDestroy(id);
    if (classMade) plat::WindowClassUnregister(className);
    plat::WindowSelectBackend(plat::WindowBackend::Auto);
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    id = 0;
    window = nullptr;
    classMade = false;
  }
};
