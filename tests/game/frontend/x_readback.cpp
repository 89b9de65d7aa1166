#include "x_readback.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

std::vector<uint32_t> ReadWindowBackFromX(void* sdlWindow, int width, int height) {
  std::vector<uint32_t> out;
  SDL_Window* w = static_cast<SDL_Window*>(sdlWindow);
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!w || !SDL_GetWindowWMInfo(w, &info) || info.subsystem != SDL_SYSWM_X11) return out;
  Display* d = info.info.x11.display;
  XSync(d, False);
  XImage* img = XGetImage(d, info.info.x11.window, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
  if (!img) return out;
  out.resize(size_t(width) * size_t(height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) out[size_t(y) * size_t(width) + size_t(x)] = uint32_t(XGetPixel(img, x, y) & 0xFFFFFF);
  XDestroyImage(img);
  return out;
}
